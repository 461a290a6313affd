#include <gtest/gtest.h>

#include <algorithm>

#include "app/MessageSink.h"
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

std::string Bars(int count, const std::string& bar = "abcd efga|") {
  std::string s;
  for (int i = 0; i < count; ++i) s += bar;
  return s;
}

// The rightmost character drawn on a staff.
Op LastChar(const std::vector<Op>& ops, const Staff& s) {
  std::vector<Op> chars = CharsOf(ops, s);
  return *std::max_element(chars.begin(), chars.end(),
                           [](const Op& a, const Op& b) { return a.x < b.x; });
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

TEST(StaffLayout, HardLineFeedsFillStavesAndBreakAfterBars) {
  Drawing d;
  std::string body;
  for (int line = 0; line < 4; ++line) body += Bars(5) + "\r\n";
  ASSERT_TRUE(d.Draw(Tune("K:C", body)));
  std::vector<Staff> staves = FindStaves(d.canvas.ops);
  ASSERT_GT(staves.size(), 1u);
  EXPECT_NE(staves.size(), 4u);  // the text lines do not decide the staves
  for (size_t i = 0; i + 1 < staves.size(); ++i) {
    Op last = LastChar(d.canvas.ops, staves[i]);
    EXPECT_EQ(last.c, kBarChar) << "staff " << i;
    // Stretched: the bar line ends at the right margin.
    EXPECT_NEAR(last.x + kSymbolWidth, 20000, 5) << "staff " << i;
    EXPECT_NEAR(staves[i].right, 20000, 20);
  }
  EXPECT_LE(staves.back().right, 20000);
  int bars = 0;
  for (const Staff& s : staves) {
    std::vector<Op> chars = CharsOf(d.canvas.ops, s);
    bars += static_cast<int>(std::count_if(chars.begin(), chars.end(), [&](const Op& o) {
      return o.c == kBarChar && o.x > s.left + 100;
    }));
  }
  EXPECT_EQ(bars, 20);
}

TEST(StaffLayout, SoftLineFeedsAndContinuation) {
  Drawing d;
  d.format.softLf = true;
  ASSERT_TRUE(d.Draw(Tune("K:C", "abcd efga|\r\nabcd efga|\r\n")));
  EXPECT_EQ(FindStaves(d.canvas.ops).size(), 2u);
  Drawing j;
  j.format.softLf = true;
  ASSERT_TRUE(j.Draw(Tune("K:C", "abcd efga|\\\r\nabcd efga|\r\n")));
  EXPECT_EQ(FindStaves(j.canvas.ops).size(), 1u);
  Drawing h;  // hard line feeds: only ! breaks
  ASSERT_TRUE(h.Draw(Tune("K:C", "abcd efga|!\r\nabcd efga|\r\nabcd|\r\n")));
  EXPECT_EQ(FindStaves(h.canvas.ops).size(), 2u);
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

TEST(StaffLayout, ClefAndKeyCarriedToEveryStaff) {
  Drawing d;
  ASSERT_TRUE(d.Draw(Tune("K:D clef=bass", Bars(16, "A,B,CD EFGA|"))));
  std::vector<Staff> staves = FindStaves(d.canvas.ops);
  ASSERT_GT(staves.size(), 2u);
  for (const Staff& s : staves) {
    std::vector<Op> chars = CharsOf(d.canvas.ops, s);
    EXPECT_EQ(Count(chars, 0x3F), 1);  // F clef
    EXPECT_EQ(Count(chars, kSharpChar), 2);
    EXPECT_EQ(Count(chars, 0x26), 0);
  }
  // Bass clef: F# of the key stands on the fourth line.
  std::vector<Op> first = CharsOf(d.canvas.ops, staves[0]);
  auto sharp = std::find_if(first.begin(), first.end(), [](const Op& o) { return o.c == kSharpChar; });
  ASSERT_NE(sharp, first.end());
  EXPECT_EQ(sharp->y, staves[0].bottom + 3 * 210);

  Drawing k;
  k.format.keyFirstStaffOnly = true;
  k.format.clefFirstStaffOnly = true;
  ASSERT_TRUE(k.Draw(Tune("K:D", Bars(16))));
  staves = FindStaves(k.canvas.ops);
  ASSERT_GT(staves.size(), 2u);
  EXPECT_EQ(Count(CharsOf(k.canvas.ops, staves[0]), kSharpChar), 2);
  EXPECT_EQ(Count(CharsOf(k.canvas.ops, staves[0]), 0x26), 1);
  for (size_t i = 1; i < staves.size(); ++i) {
    EXPECT_EQ(Count(CharsOf(k.canvas.ops, staves[i]), kSharpChar), 0);
    EXPECT_EQ(Count(CharsOf(k.canvas.ops, staves[i]), 0x26), 0);
  }
}

// The x of the first character c.
int32_t FirstX(const std::vector<Op>& ops, uint8_t c) {
  for (const Op& o : ops)
    if (o.type == Op::kChar && o.c == c) return o.x;
  return -1;
}

TEST(StaffLayout, ChordHeadsAlignBehindTheWidestAccidental) {
  for (const char* chord : {"[^ce]2 z2|", "[c^e]2 z2|", "[^c_e]2 z2|"}) {
    Drawing d;
    ASSERT_TRUE(d.Draw(Tune("K:C", chord)));
    std::vector<int32_t> heads;
    int32_t accX = -1;
    for (const Op& o : d.canvas.ops) {
      if (o.type != Op::kChar) continue;
      if (o.c == kHeadChar) heads.push_back(o.x);
      if (o.c == kSharpChar || o.c == 0x62) accX = std::max(accX, o.x);
    }
    ASSERT_EQ(heads.size(), 2u) << chord;
    EXPECT_EQ(heads[0], heads[1]) << chord;
    EXPECT_EQ(accX + kSymbolWidth, heads[0]) << chord;
  }
}

// Stem lines (the StemThickness pen, vertical) and beam polygons of a drawing.
struct StemsAndBeams {
  std::vector<Op> stems, beams;
};
StemsAndBeams Collect(const std::vector<Op>& ops) {
  StemsAndBeams r;
  for (const Op& o : ops) {
    if (o.type == Op::kLine && o.x == o.x2 && o.thickness == 20 && o.y != o.y2) r.stems.push_back(o);
    if (o.type == Op::kPolygon && o.points.size() == 4) r.beams.push_back(o);
  }
  return r;
}

TEST(StaffLayout, BeamsAndStemDirections) {
  Drawing low;
  ASSERT_TRUE(low.Draw(Tune("K:C", "CDEF|")));
  StemsAndBeams l = Collect(low.canvas.ops);
  ASSERT_EQ(l.stems.size(), 4u);
  ASSERT_EQ(l.beams.size(), 1u);
  for (const Op& s : l.stems) EXPECT_GT(s.y2, s.y) << "low notes point up";
  Drawing high;
  ASSERT_TRUE(high.Draw(Tune("K:C", "abc'd'|")));
  StemsAndBeams h = Collect(high.canvas.ops);
  ASSERT_EQ(h.stems.size(), 4u);
  for (const Op& s : h.stems) EXPECT_LT(s.y2, s.y) << "high notes point down";
  Drawing ghb;
  ghb.format.ghbStyle = true;
  ASSERT_TRUE(ghb.Draw(Tune("K:C", "CDEF|")));
  for (const Op& s : Collect(ghb.canvas.ops).stems) EXPECT_LT(s.y2, s.y);
  // Mixed: the notes further from the middle line decide.
  Drawing mixed;
  ASSERT_TRUE(mixed.Draw(Tune("K:C", "Ca|")));
  for (const Op& s : Collect(mixed.canvas.ops).stems) EXPECT_GT(s.y2, s.y);
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
  EXPECT_EQ(Count(d.canvas.ops, 'X'), 3);  // two in the key, one on the note
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
