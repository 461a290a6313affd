#include <gtest/gtest.h>

#include "abc/ErrorList.h"
#include "editor/EditorText.h"
#include "editor/PaneLayout.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

TEST(CommentSelection, TogglesBothWays) {
  EXPECT_EQ(ToggleComment("abc|\r\ndef|\r\n"), "%abc|\r\n%def|\r\n");
  EXPECT_EQ(ToggleComment("abc|\ndef|"), "%abc|\n%def|");
  EXPECT_EQ(ToggleComment("%abc|\r\n%def|\r\n"), "abc|\r\ndef|\r\n");
  // Only marks at line starts go; a line without one stays as it is.
  EXPECT_EQ(ToggleComment("%a%b\r\nc\r\n%%d"), "a%b\r\nc\r\n%d");
  EXPECT_EQ(ToggleComment("x"), "%x");
  EXPECT_EQ(ToggleComment(""), "");
  // Twice gives the text back.
  std::string text = "A2 B2|\r\n\r\nc4|]";
  EXPECT_EQ(ToggleComment(ToggleComment(text)), text);
}

TEST(ErrorNavigation, ReadsOffsetsAndStepsToTheEndWithoutWrapping) {
  EXPECT_EQ(ErrorEntryOffset("L 1: Error in ABC tune.: abc [12]\r\n"), 12u);
  // The excerpt may hold brackets itself.
  EXPECT_EQ(ErrorEntryOffset("L 2: Error in ABC tune.: [K:G] [3] [40]\r\n"), 40u);
  EXPECT_FALSE(ErrorEntryOffset("L 2: no offset\r\n"));
  EXPECT_FALSE(ErrorEntryOffset("L 2: bad [4x]\r\n"));
  EXPECT_FALSE(ErrorEntryOffset("[]"));

  std::string list = FormatErrorEntry(1, "Error in ABC tune.", "abc", 3) + "garbage line\r\n" +
                     FormatErrorEntry(2, "Warning", "de[f", 17) +
                     FormatErrorEntry(4, "Error in ABC tune.", "g", 30);
  ErrorCursor cursor;
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_FALSE(cursor.Next());
  cursor.Set(list);
  EXPECT_FALSE(cursor.AtEnd());
  EXPECT_EQ(cursor.Next(), 3u);
  EXPECT_EQ(cursor.Next(), 17u);
  EXPECT_EQ(cursor.Next(), 30u);
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_FALSE(cursor.Next());
  EXPECT_FALSE(cursor.Next());
  // A new list starts at its first entry again.
  cursor.Set(list);
  EXPECT_EQ(cursor.Next(), 3u);
}

// The offsets of the player are offsets into the body the reader made from the
// text; the editor finds the same character in its own text.
TEST(ErrorNavigation, FindsBodyOffsetsInTheText) {
  // Form mode: the body box alone, with an empty line the reader drops.
  std::string box = "abc|\r\n\r\ndef|\r\n";
  TuneRecord r;
  TuneFile::ParseTune(r, "X:1\r\nT:t\r\nK:G\r\n" + box, false);
  ASSERT_EQ(r.body, "abc|\r\ndef|\r\n");
  size_t e = r.body.find('e');
  EXPECT_EQ(box[BodyOffsetToTextPosition(box, 0, r.body, e)], 'e');
  EXPECT_EQ(BodyOffsetToTextPosition(box, 0, r.body, 1), 1u);
  EXPECT_EQ(BodyOffsetToTextPosition(box, 0, r.body, 999), box.size());

  // Raw mode: header comments are put in front of the body.
  std::string raw = "X:1\r\n% first\r\nT:t\r\nH:story\r\n% part of H\r\nK:G\r\nabc|\r\n\r\nxyz\r\n";
  TuneRecord q;
  size_t start = TuneFile::ParseTune(q, raw, false);
  ASSERT_EQ(q.body, "% first\r\nabc|\r\nxyz\r\n");
  EXPECT_EQ(raw.substr(BodyOffsetToTextPosition(raw, start, q.body, 2), 5), "first");
  EXPECT_EQ(raw[BodyOffsetToTextPosition(raw, start, q.body, q.body.find('y'))], 'y');
  EXPECT_EQ(raw[BodyOffsetToTextPosition(raw, start, q.body, q.body.find('b'))], 'b');
}

TEST(PaneLayout, SharesTheHeightByWeights) {
  PaneLayoutInput in;
  in.height = 900;
  in.shown = {true, true, true};
  in.weights = {1, 1, 1};
  in.headerNeed = 1000;
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{300, 300, 300}));
  // A short header gives its surplus half to each other pane.
  in.headerNeed = 100;
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{100, 400, 400}));
  // ... or all of it to the one other pane shown.
  in.shown = {true, true, false};
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{100, 800, 0}));
  in.shown = {true, false, true};
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{100, 0, 800}));
  // Alone, the header keeps the height.
  in.shown = {true, false, false};
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{900, 0, 0}));
  // Weights, and rounding leaves nothing over.
  in.shown = {false, true, true};
  in.weights = {1, 2, 1};
  in.height = 100;
  auto h = PaneHeights(in);
  EXPECT_EQ(h[1] + h[2], 100);
  EXPECT_EQ(h[1], 66);
  in.height = -5;
  EXPECT_EQ(PaneHeights(in), (std::array<int, 3>{0, 0, 0}));

  EXPECT_TRUE(CanHidePane({true, true, false}, kHeaderPane));
  EXPECT_FALSE(CanHidePane({false, true, false}, kTunePane));
  EXPECT_FALSE(CanHidePane({false, true, false}, kWordsPane));
}

// A byte of the file's text (CR LF, the file's encoding) back to a character
// of the box (LF, UTF-16 units).
TEST(EditorText, ShownPositionOfByte) {
  // "é" is two bytes in UTF-8 and one in code page 1252; the line break two
  // bytes in the file, one character in the box; "𝄞" two UTF-16 units.
  const std::string shown =
      "a\xC3\xA9\nb\xF0\x9D\x84\x9E"
      "c";
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 0), 0u);
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 3), 2u);    // the line break
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 5), 3u);    // b
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 10), 6u);   // c, after the pair
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kCp1252, 4), 3u);  // b
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kCp1252, 6), 6u);  // c
  // Inside a character: the next one. Past the end: the end.
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 2), 2u);
  EXPECT_EQ(ShownPositionOfByte(shown, TextEncoding::kUtf8, 100), 7u);
}

}  // namespace
}  // namespace tunora
