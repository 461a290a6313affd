// The Bagpipe Music Writer importer. Golden listings: each tests/import/bww/NAME.bww
// is converted with data/abcbmw.cfg and compared with the reviewed NAME.abc beside
// it (one behaviour each: header lines and cut time, dotted pairs, a second meter,
// unknown symbols, breaking long staves, ties and triplets, endings and repeats,
// two tunes pasted into one file, stray text and a missing meter, marks, rests and
// Latin-1 titles, set-up lists and titles wrapped onto the next line). TUNORA_GOLDEN_UPDATE=1
// rewrites the listings for review.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/MessageSink.h"
#include "import/BwwImport.h"
#include "import/BwwTable.h"
#include "import/Importer.h"
#include "support/Scratch.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = fs::path(TUNORA_SOURCE_DIR) / "tests/import/bww";
const std::string kDataDir = std::string(TUNORA_SOURCE_DIR) + "/data/";

BwwTable ShippedTable() {
  BwwTable table;
  EXPECT_TRUE(table.Load(kDataDir + "abcbmw.cfg"));
  return table;
}

// All tunes of a conversion, each after an "X:" line, as one listing.
std::string Listing(const BwwResult& r) {
  std::string out;
  for (size_t i = 0; i < r.tunes.size(); ++i)
    out += "X:" + std::to_string(i + 1) + "\r\n" + r.tunes[i] + "\r\n";
  return out;
}

TEST(BwwImportTest, GoldenListings) {
  const BwwTable table = ShippedTable();
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(kGoldenDir)) {
    if (entry.path().extension() != ".bww") continue;
    const std::string name = entry.path().filename().string();
    const std::string got =
        Listing(ConvertBwwText(test::ReadFile(entry.path().string()), table, name));
    fs::path expected = entry.path();
    expected.replace_extension(".abc");
    if (std::getenv("TUNORA_GOLDEN_UPDATE")) test::WriteFile(expected.string(), got);
    EXPECT_EQ(got, test::ReadFile(expected.string())) << name;
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

TEST(BwwImportTest, TableLinesPairsAndLimits) {
  BwwTable t;
  t.Parse(
      "% comment=ignored\r\nSingle gracenotes\r\ngg={g} % high G\r\n tar = {GdGe}\t\r\n"
      "=nothing\nspace=\nlongtoken1234567890={abcdefghijklmnopq}\n");
  ASSERT_EQ(t.Pairs().size(), 4u);
  EXPECT_EQ(t.Pairs()[0].token, "gg");
  EXPECT_EQ(t.Pairs()[0].abc, "{g}");
  EXPECT_EQ(t.Pairs()[1].token, "tar");
  EXPECT_EQ(t.Pairs()[1].abc, " {GdGe}");
  EXPECT_EQ(t.Pairs()[2].abc, "");
  EXPECT_EQ(t.Pairs()[3].token, "longtoken1234567");
  EXPECT_EQ(t.Pairs()[3].abc, "{abcdefghijklmno");
  EXPECT_EQ(t.Truncated(), 1u);

  std::string many;
  for (int i = 0; i < 650; ++i) many += "t" + std::to_string(i) + "={A}\n";
  t.Parse(many);
  EXPECT_EQ(t.Pairs().size(), BwwTable::kMaxPairs);
  EXPECT_EQ(t.Dropped(), 50u);

  // The longest key that ends a symbol wins, without regard to case.
  t.Parse("db={dB}\ndbc={gcd}\ntar={GdGe}\n");
  size_t len = 0;
  ASSERT_NE(t.LongestMatch("DBC C_4", len), nullptr);
  EXPECT_EQ(len, 3u);
  EXPECT_EQ(t.LongestMatch("tarbrea", len), nullptr);
  ASSERT_NE(t.LongestMatch("tarI!''", len), nullptr);
  EXPECT_EQ(len, 3u);
}

TEST(BwwImportTest, FileLimitsAndMissingTableFail) {
  test::ScratchDir dir;
  const std::string home = dir.Dir();
  CollectingSink sink;
  std::string body = "Bagpipe Reader:1.0\n\"Big\"\n& LA_4 !t\n";
  test::WriteFile(dir.File("a.bww"), body);
  // No abcbmw.cfg in the program directory: nothing is converted.
  ImportOutcome none = ConvertFile(ImportKind::kBww, dir.File("a.bww"), home, sink);
  EXPECT_FALSE(none.ok);
  EXPECT_NE(none.error.find("abcbmw.cfg"), std::string::npos);

  fs::copy_file(kDataDir + "abcbmw.cfg", dir.File("abcbmw.cfg"));
  EXPECT_TRUE(ConvertFile(ImportKind::kBww, dir.File("a.bww"), home, sink).ok);
  body.resize(kBwwMaxFileSize - 1, ' ');
  test::WriteFile(dir.File("a.bww"), body);
  EXPECT_TRUE(ConvertFile(ImportKind::kBww, dir.File("a.bww"), home, sink).ok);
  body += ' ';
  test::WriteFile(dir.File("a.bww"), body);
  ImportOutcome big = ConvertFile(ImportKind::kBww, dir.File("a.bww"), home, sink);
  EXPECT_FALSE(big.ok);
  EXPECT_NE(big.error.find("too large"), std::string::npos);
  EXPECT_FALSE(ConvertFile(ImportKind::kBww, dir.File("missing.bww"), home, sink).ok);
}

TEST(BwwImportTest, EventsBeyondTheLimitAreLeftOutAndSaid) {
  std::string text = "& 2_4";
  for (size_t i = 0; i < kBwwMaxEvents + 10; ++i) text += " LA_8";
  const BwwResult r = ConvertBwwText(text, ShippedTable(), "x.bww");
  EXPECT_TRUE(r.truncated);
  ASSERT_EQ(r.tunes.size(), 1u);
  EXPECT_NE(r.tunes[0].find("%bmwerror: more than 5000 symbols"), std::string::npos);
  EXPECT_EQ(r.errorLines, 1);
}

TEST(BwwImportTest, BinaryBytesBecomeErrorLinesWithoutControlCharacters) {
  const char raw[] = "& LA_4 \x01\x02\xff\x00zz B_4";
  std::string text(raw, sizeof raw - 1);
  const BwwResult r = ConvertBwwText(text, ShippedTable(), "x.bww");
  ASSERT_EQ(r.tunes.size(), 1u);
  EXPECT_EQ(r.errorLines, 1);
  EXPECT_NE(r.tunes[0].find("%bmwerror: ??\xff?zz\r\n"), std::string::npos);
  EXPECT_EQ(r.tunes[0].find('\0'), std::string::npos);
}

// Found by fuzzing: a control character in a table's text went into the tune.
TEST(BwwImportTest, ControlCharactersOfTheTableStayOutOfTheTune) {
  BwwTable table;
  table.Parse("flatlg=\x11\n\x12lg=^\n");
  ASSERT_EQ(table.Pairs().size(), 2u);
  const BwwResult r = ConvertBwwText("& flatlg LG_4 \x12lg LA_4 flatlg", table, "x.bww");
  ASSERT_EQ(r.tunes.size(), 1u);
  for (char c : r.tunes[0])
    EXPECT_FALSE(static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n') << int(c);
}

}  // namespace
}  // namespace tunora
