#include <gtest/gtest.h>

#include <string>

#include "editor/AbcColouring.h"

namespace tunora {
namespace {

// The colour of every character: a letter per colour, '.' for plain text.
std::string Paint(AbcLineColourer& c, std::string_view line, bool header = false) {
  std::string out(line.size(), '.');
  const char* codes = ".nrbcdfvw%DE";
  for (const ColourSpan& s : c.Colour(line, header))
    for (uint32_t k = s.start; k < s.start + s.length && k < out.size(); ++k)
      out[k] = codes[static_cast<int>(s.colour)];
  return out;
}

TEST(AbcColouring, ColoursTheReadersTokens) {
  AbcLineColourer c;
  EXPECT_EQ(Paint(c, "|:\"Am\"ABc z2|]"),
            "bbcccc"
            "nnn"
            ".rr"
            "bb");
  EXPECT_EQ(Paint(c, "!trill!c ~d .e"),
            "ddddddd"
            "n.dn.dn");
  EXPECT_EQ(Paint(c, "abc % comment"), "nnn.%%%%%%%%%");
  EXPECT_EQ(Paint(c, "%%MIDI program 1"), std::string(16, 'D'));
  EXPECT_EQ(Paint(c, "K:D"), "ffv");
  EXPECT_EQ(Paint(c, "w:la la"), "wwwwwww");
  EXPECT_EQ(Paint(c, "a[K:G]b"), "nfffffn");
  EXPECT_EQ(Paint(c, "ab|1 c:|2 d"), "nnbb.nbbb.n");
  // A field line the reader has no row for is still a field line.
  EXPECT_EQ(Paint(c, "N:a note"), "ffvvvvvv");
  // A note and a repeat at the start of a line are music.
  EXPECT_EQ(Paint(c, "A:|"), "nbb");
  // What the reader cannot read.
  EXPECT_EQ(Paint(c, "a ]"), "n.E");
  EXPECT_EQ(Paint(c, ""), "");
}

TEST(AbcColouring, HeaderLinesOfRawText) {
  AbcLineColourer c;
  EXPECT_EQ(Paint(c, "T:A title", true), "ffvvvvvvv");
  EXPECT_EQ(Paint(c, "W:words", true), std::string(7, 'w'));
  EXPECT_EQ(Paint(c, "% note", true), std::string(6, '%'));
  EXPECT_EQ(Paint(c, "free text", true), std::string(9, '.'));
  EXPECT_TRUE(AbcLineColourer::EndsHeader("K:G"));
  EXPECT_FALSE(AbcLineColourer::EndsHeader("X:1"));
  EXPECT_TRUE(AbcLineColourer::IsHeaderLine("X:1"));
  EXPECT_TRUE(AbcLineColourer::IsHeaderLine("%"));
  EXPECT_FALSE(AbcLineColourer::IsHeaderLine("abc"));
}

// The same colourer serves line after line of a long body, each line coloured afresh.
TEST(AbcColouring, OneColourerServesManyLines) {
  AbcLineColourer c;
  const std::string line = "|:\"G\"dBGB dBGB|\"C\"c2ec \"D\"dBAG|!trill!F2 (3FGA \"G\"G4:|]";
  const std::vector<ColourSpan> first = c.Colour(line, false);
  EXPECT_GT(first.size(), 10u);
  for (int k = 0; k < 2000; ++k) ASSERT_EQ(c.Colour(line, false).size(), first.size()) << k;
}

}  // namespace
}  // namespace tunora
