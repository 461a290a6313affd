// Between the canonical tune text that drawn items point into and the editor's
// boxes: where the body starts, ranges of header fields, and the way back from a
// box position to a body offset.
#include <gtest/gtest.h>

#include "editor/EditorText.h"
#include "editor/SourceMap.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

TEST(SourceMap, CanonicalBodyStartIsWhereTheBodyIsWritten) {
  TuneFile file;
  TuneRecord r;
  // Fields out of the written order, words and text after the tune.
  TuneFile::ParseTune(r, "X:3\r\nK:G\r\nT:Reel\r\nM:4/4\r\nabc|d2e2|\r\nW:la\r\n\r\nafter\r\n",
                      false);
  const std::string text = file.WriteTune(r, false);
  const size_t start = CanonicalBodyStart(file, r);
  ASSERT_LE(start + r.body.size(), text.size());
  EXPECT_EQ(text.substr(start, r.body.size()), r.body);
  EXPECT_EQ(text.substr(start - 5, 5), "K:G\r\n");
}

TEST(SourceMap, RangesBeforeTheBodyHaveNoPlaceInIt) {
  EXPECT_FALSE(CanonicalRangeToBody(40, 20, 10, 12));  // a header field
  EXPECT_FALSE(CanonicalRangeToBody(40, 20, 61, 62));  // past the body
  EXPECT_FALSE(CanonicalRangeToBody(40, 20, 45, 44));  // reversed
  auto r = CanonicalRangeToBody(40, 20, 45, 48);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, std::make_pair(size_t{5}, size_t{8}));
  // An end beyond the body is cut at its end.
  EXPECT_EQ(*CanonicalRangeToBody(40, 20, 55, 90), std::make_pair(size_t{15}, size_t{20}));
}

TEST(SourceMap, BoxPositionsGoBackToTheBodyOffsetsTheyCameFrom) {
  // A raw text with a header comment (the reader moves it in front of the body)
  // and an empty-looking comment line inside the body.
  const std::string text = "X:1\r\nT:A\r\n%head note\r\nK:D\r\nab c|\r\n%x\r\nde|]\r\n";
  TuneRecord r;
  size_t start = TuneFile::ParseTune(r, text, false);
  for (size_t offset = 0; offset < r.body.size(); ++offset) {
    size_t position = BodyOffsetToTextPosition(text, start, r.body, offset);
    if (r.body[offset] != text[position]) continue;  // characters the text does not hold
    EXPECT_EQ(TextPositionToBodyOffset(text, start, r.body, position), offset) << offset;
  }
  // A position before the body gives its first offset.
  EXPECT_EQ(TextPositionToBodyOffset(text, start, r.body, 0), 0u);
}

}  // namespace
}  // namespace tunora
