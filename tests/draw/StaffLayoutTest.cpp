#include <gtest/gtest.h>

#include <algorithm>

#include "base/MessageSink.h"
#include "draw/StaffLayout.h"
#include "draw/RecordingCanvas.h"

namespace tunora {
namespace {

using test::CharsOf;
using test::Count;
using test::Drawing;
using test::FindStaves;
using test::Op;
using test::Staff;

constexpr uint8_t kBarChar = 0x6C;
constexpr uint8_t kHeadChar = 0xF6;
constexpr uint8_t kSharpChar = 0x23;
constexpr int32_t kNotation = 24 * 2540 / 72;  // 846
constexpr int32_t kSymbolWidth = kNotation * 3 / 10;

std::string Tune(const std::string& header, const std::string& body) {
  return "X:1\r\nT:Test\r\nM:4/4\r\nL:1/8\r\n" + header + "\r\n" + body;
}

TEST(NoteShapes, LengthsStepsAndKeyPositions) {
  EXPECT_EQ(ShapeOfLength(192).base, 3);
  EXPECT_EQ(ShapeOfLength(288).base, 3);
  EXPECT_EQ(ShapeOfLength(288).dots, 1);
  EXPECT_EQ(ShapeOfLength(336).dots, 2);
  EXPECT_EQ(ShapeOfLength(144).base, 4);
  EXPECT_EQ(ShapeOfLength(48).base, 5);
  EXPECT_EQ(ShapeOfLength(1536).base, 0);
  EXPECT_EQ(ShapeOfLength(480).base, 2);  // 5/8: a half note, no dot fits
  EXPECT_EQ(ShapeOfLength(480).dots, 0);
  EXPECT_EQ(ShapeOfLength(3).base, 8);
  EXPECT_EQ(StaffStep(64), 0);   // E: bottom line
  EXPECT_EQ(StaffStep(71), 4);   // B: middle line
  EXPECT_EQ(StaffStep(60), -2);  // middle C
  EXPECT_EQ(StaffStep(77), 8);   // f: top line
  EXPECT_EQ(StaffStep(48), -9);
  EXPECT_EQ(StaffStep(0), -37);
  EXPECT_EQ(KeySignatureSteps(0, true, 7), (std::vector<int>{8, 5, 9, 6, 3, 7, 4}));
  EXPECT_EQ(KeySignatureSteps(12, true, 2), (std::vector<int>{6, 3}));  // bass
  EXPECT_EQ(KeySignatureSteps(12, false, 3), (std::vector<int>{2, 5, 1}));
  EXPECT_EQ(KeySignatureSteps(8, true, 2), (std::vector<int>{2, 6}));  // tenor
  EXPECT_EQ(ClefFromText("G clef=bass"), 2);
  EXPECT_EQ(ClefFromText("Dmix"), 0);
  EXPECT_EQ(ClefFromText("C alto"), 3);
}

TEST(Paper, SizesInBothUnits) {
  PaperSize a4cm = PaperInUnits(PaperKind::kA4, kUnitCentimetres);
  EXPECT_EQ(a4cm.width, 21000);
  EXPECT_EQ(a4cm.height, 29700);
  PaperSize a4in = PaperInUnits(PaperKind::kA4, kUnitInches);
  EXPECT_EQ(a4in.width, 8267);
  EXPECT_EQ(a4in.height, 11692);
  PaperSize letterIn = PaperInUnits(PaperKind::kLetter, kUnitInches);
  EXPECT_EQ(letterIn.width, 8500);
  PaperSize letterCm = PaperInUnits(PaperKind::kLetter, kUnitCentimetres);
  EXPECT_EQ(letterCm.width, 21590);
  EXPECT_EQ(letterCm.height, 27940);
  PaperKind k;
  EXPECT_TRUE(PaperKindFromName("Letter", k));
  EXPECT_EQ(k, PaperKind::kLetter);
  EXPECT_FALSE(PaperKindFromName("b5", k));
}

TEST(StaffLayout, OverflowWithoutBarsBreaksAtBlanks) {
  Drawing d;
  std::string body;
  for (int i = 0; i < 30; ++i) body += "abcd ";
  ASSERT_TRUE(d.Draw(Tune("K:C", body)));
  std::vector<Staff> staves = FindStaves(d.canvas.ops);
  ASSERT_GE(staves.size(), 2u);
  int total = 0;
  for (const Staff& s : staves) {
    int heads = Count(CharsOf(d.canvas.ops, s), kHeadChar);
    EXPECT_EQ(heads % 4, 0) << "a group was split";
    total += heads;
  }
  EXPECT_EQ(total, 120);
}

TEST(StaffLayout, SingleGraceNotesUseGraceGlyphsAndFont) {
  Drawing d;
  ASSERT_TRUE(d.Draw(Tune("K:C", "{g}A2|")));
  bool found = false;
  for (const Op& o : d.canvas.ops) {
    if (o.type == Op::kChar && o.c == 0xC9) {
      found = true;
      EXPECT_EQ(o.font.height, (12 * 2540 / 72));  // half of the 24-point font
    }
  }
  EXPECT_TRUE(found);
  Drawing u;
  u.format.slashFlaggedGrace = false;
  ASSERT_TRUE(u.Draw(Tune("K:C", "{g}A2|{D}A2|")));
  EXPECT_EQ(Count(u.canvas.ops, 0x3A), 1);  // high grace: stem down
  EXPECT_EQ(Count(u.canvas.ops, 0x3B), 1);  // low grace: stem up
  Drawing up;
  up.format.slashFlaggedGrace = false;
  up.format.graceNotesUp = true;
  ASSERT_TRUE(up.Draw(Tune("K:C", "{g}A2|")));
  EXPECT_EQ(Count(up.canvas.ops, 0x3B), 1);
}

TEST(StaffLayout, ChangedSharpCharacterSparesSmallSharps) {
  Drawing d;
  ASSERT_TRUE(d.symbols.Set(SYM_SHARP, 'X'));
  EXPECT_FALSE(d.symbols.Set(0, 'X'));  // headings cannot be chosen
  ASSERT_TRUE(d.Draw(Tune("K:D", "^c2 {^g}A2|")));
  EXPECT_EQ(Count(d.canvas.ops, 'X'), 3);   // two in the key, one on the note
  EXPECT_EQ(Count(d.canvas.ops, 0x49), 1);  // the grace note's small sharp
  EXPECT_EQ(Count(d.canvas.ops, kSharpChar), 0);
}

TEST(StaffLayout, TooManyItemsStopsTheTuneWithItsMessage) {
  Drawing d;
  CollectingSink sink;
  d.job.sink = &sink;
  std::string body = "C" + std::string(3000, ' ') + "D|E|\r\n";
  EXPECT_TRUE(d.Draw(Tune("K:C", body)));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "Maximum number of draw items in one line reached.");
}

TEST(StaffLayout, ReaderErrorsAreNotDrawnAndTheDrawingGoesOn) {
  Drawing d;
  ASSERT_TRUE(d.Draw(Tune("K:C", "C $ D|")));
  for (const Op& o : d.canvas.ops) EXPECT_FALSE(o.type == Op::kText && o.text[0] == '?') << o.text;
  EXPECT_EQ(Count(d.canvas.ops, 0x71), 0);
  EXPECT_GE(Count(d.canvas.ops, 0x65), 2);  // both eighths still drawn
}

TEST(StaffLayout, TieToAnotherPitchEndsAtTheNextNote) {
  Drawing d;
  ASSERT_TRUE(d.Draw(Tune("K:C", "c2-d2 e2 f2|g8|a8|")));
  int32_t heads[2] = {-1, -1};
  for (const Op& o : d.canvas.ops)
    if (o.type == Op::kChar && (o.c == 0x51 || o.c == 0x71) && heads[1] < 0)
      (heads[0] < 0 ? heads[0] : heads[1]) = o.x;
  const Op* arc = nullptr;
  for (const Op& o : d.canvas.ops)
    if (o.type == Op::kPolygon && o.points.size() > 10) arc = &o;
  ASSERT_NE(arc, nullptr);
  int32_t right = INT32_MIN;
  for (const CanvasPoint& p : arc->points) right = std::max(right, p.x);
  EXPECT_LE(right, heads[1]);
  EXPECT_GT(right, heads[0]);
}

}  // namespace
}  // namespace tunora
