// Chord symbols read against the chord types, their voicing for the backing, and the
// choice and reading of backing patterns.
#include <gtest/gtest.h>

#include <string>

#include "abc/AbcHeader.h"
#include "play/BackingPattern.h"
#include "play/ChordSymbol.h"

namespace tunora {
namespace {

StyleSet Types() {
  StyleSet s;
  s.chordTypes = {{"", {0, 4, 7}},
                  {"m", {0, 3, 7}},
                  {"7", {0, 4, 7, 10}},
                  {"m7", {0, 3, 7, 10}},
                  {"dim", {0, 3, 6}}};
  return s;
}

std::vector<int> Notes(const ChordSymbol& c) {
  return std::vector<int>(c.notes.begin(), c.notes.begin() + c.noteCount);
}

std::vector<int> Notes(const VoicedChord& v) {
  return std::vector<int>(v.notes.begin(), v.notes.begin() + v.count);
}

TEST(ChordSymbolTest, RootAccidentalTypeAndBass) {
  const StyleSet types = Types();
  ChordSymbol c;
  ASSERT_TRUE(ReadChordSymbol("Am7/E", types, c));
  EXPECT_STREQ(c.name, "Am7");
  EXPECT_EQ(Notes(c), (std::vector<int>{69, 72, 76, 79}));
  EXPECT_EQ(c.bass, 64);
  EXPECT_STREQ(c.bassName, "/E");
  EXPECT_EQ(c.typeIndex, 3);
  EXPECT_FALSE(c.alternative);

  ASSERT_TRUE(ReadChordSymbol("Bb", types, c));
  EXPECT_STREQ(c.name, "Bb");
  EXPECT_EQ(c.root, 70);
  EXPECT_EQ(c.bass, 70);
  EXPECT_STREQ(c.bassName, "");

  ASSERT_TRUE(ReadChordSymbol("F#m/C#", types, c));
  EXPECT_STREQ(c.name, "F#m");
  EXPECT_EQ(c.root, 66);
  EXPECT_EQ(c.bass, 61);
  EXPECT_STREQ(c.bassName, "/C#");

  EXPECT_FALSE(ReadChordSymbol("_Edim", types, c));  // accidentals follow the letter
  ASSERT_TRUE(ReadChordSymbol("E_dim", types, c));
  EXPECT_EQ(c.root, 63);
  EXPECT_STREQ(c.name, "Ebdim");

  ASSERT_TRUE(ReadChordSymbol("g7", types, c));  // lower case: same pitch, flag set
  EXPECT_TRUE(c.lowerCase);
  EXPECT_EQ(c.root, 67);
  EXPECT_STREQ(c.name, "G7");
}

TEST(ChordSymbolTest, AlternativesAnnotationsAndBassChanges) {
  const StyleSet types = Types();
  ChordSymbol c;
  ASSERT_TRUE(ReadChordSymbol("(Am)", types, c));
  EXPECT_TRUE(c.alternative);
  EXPECT_STREQ(c.name, "Am");
  ASSERT_TRUE(ReadChordSymbol("G(D)", types, c));  // a ( separator: alternative bass
  EXPECT_TRUE(c.alternative);
  EXPECT_EQ(c.bass, 62);

  // Only the bass changes when a chord is in force.
  ASSERT_TRUE(ReadChordSymbol("G", types, c));
  ASSERT_TRUE(ReadChordSymbol("/B", types, c));
  EXPECT_STREQ(c.name, "G");
  EXPECT_EQ(c.bass, 71);
  EXPECT_EQ(Notes(c), (std::vector<int>{67, 71, 74}));

  for (const char* annotation : {"Xyz", "^fine", "z", "Gsus9", "", "/B", "1st time"}) {
    EXPECT_FALSE(ReadChordSymbol(annotation, types, c)) << annotation;
    EXPECT_FALSE(c.valid) << annotation;
  }
  // A type longer than 15 characters with a late separator is not split.
  EXPECT_FALSE(ReadChordSymbol("Gmmmmmmmmmmmmmmmm/B", types, c));
}

TEST(ChordSymbolTest, Voicing) {
  const StyleSet types = Types();
  ChordSymbol c;
  // G from the start: the bass is brought near the previous lowest note (60), then
  // into 43..66, and the chord is stacked above it.
  ReadChordSymbol("G", types, c);
  VoicedChord g = VoiceChord(c, 0, 60);
  EXPECT_EQ(Notes(g), (std::vector<int>{55, 59, 62}));
  ReadChordSymbol("D7", types, c);
  EXPECT_EQ(Notes(VoiceChord(c, 0, g.Lowest())), (std::vector<int>{50, 54, 57, 60}));
  // An inversion starts at the chord note of the bass.
  ReadChordSymbol("Am/E", types, c);
  EXPECT_EQ(Notes(VoiceChord(c, 0, 60)), (std::vector<int>{64, 69, 72}));
  // A bass outside the chord sounds alone below it; the chord starts at its
  // nearest note above the bass.
  ReadChordSymbol("G/F", types, c);
  EXPECT_EQ(Notes(VoiceChord(c, 0, 60)), (std::vector<int>{65, 67, 71, 74}));
  // The backing octave moves the window the bass is kept in (43..66 before it).
  ReadChordSymbol("G", types, c);
  EXPECT_EQ(Notes(VoiceChord(c, -12, 60)), (std::vector<int>{43, 47, 50}));
  ReadChordSymbol("C", types, c);
  EXPECT_EQ(VoiceChord(c, 12, 72).Lowest(), 72);
  EXPECT_EQ(VoiceChord(c, 0, 72).Lowest(), 60);
  // Far from the previous chord the bass is still kept within 43..66.
  ReadChordSymbol("G", types, c);
  EXPECT_EQ(VoiceChord(c, 0, 0).Lowest(), 43);
  EXPECT_EQ(VoiceChord(c, 0, 120).Lowest(), 55);
  // No chord: nothing voiced.
  EXPECT_EQ(VoiceChord(ChordSymbol{}, 0, 60).count, 0);
  // At most 8 notes.
  StyleSet wide;
  wide.chordTypes = {{"x", {0, 2, 4, 5, 7, 9, 11}}};
  ReadChordSymbol("Cx/F#", wide, c);
  EXPECT_EQ(VoiceChord(c, 0, 60).count, 8);
}

MeterInfo Meter(const char* text, bool cut = false) {
  MeterInfo m;
  ParseMeter(text, m, cut, true);
  return m;
}

TEST(BackingPatternTest, ChoiceByMeterAndBeat) {
  Backing b{"b",
            true,
            {{"3/4", "[a2b2c2] a2b2c2"},
             {"2/4, 4/4", "bar24"},
             {"1/4", "q"},
             {"2+3/8", "add"},
             {"2/8", "e"}}};
  EXPECT_EQ(ChoosePatternText(&b, Meter("3/4")), "[a2b2c2] a2b2c2");
  EXPECT_EQ(ChoosePatternText(&b, Meter("4/4")), "bar24");
  EXPECT_EQ(ChoosePatternText(&b, Meter("C")), "bar24");
  EXPECT_EQ(ChoosePatternText(&b, Meter("5/4")), "q q q q q");
  EXPECT_EQ(ChoosePatternText(&b, Meter("2+3/8")), "add");
  EXPECT_EQ(ChoosePatternText(&b, Meter("3+2+2/8")), "e e e");  // per part
  EXPECT_EQ(ChoosePatternText(&b, Meter("6/8")), "[a3b3c3d3e3f3g3h3] [a3b3c3d3e3f3g3h3]");
  EXPECT_EQ(ChoosePatternText(nullptr, Meter("2/2")), "[a4b4c4d4e4f4g4h4] [a4b4c4d4e4f4g4h4]");
  EXPECT_EQ(ChoosePatternText(nullptr, Meter("2/16")),
            "[a1/2b1/2c1/2d1/2e1/2f1/2g1/2h1/2] "
            "[a1/2b1/2c1/2d1/2e1/2f1/2g1/2h1/2]");
  // An odd meter with one beat or fewer still gets one.
  EXPECT_EQ(ChoosePatternText(nullptr, Meter("1/8")), "[a2b2c2d2e2f2g2h2]");
}

TEST(BackingPatternTest, Notation) {
  BackingPattern p;
  p.Parse("a2 [b2c'd,,3] z/ a// x b3/2 c");
  const auto& e = p.Elements();
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].length, 192u);
  EXPECT_EQ(e[0].noteCount, 1u);
  EXPECT_EQ(e[1].length, 288u);  // the group's last note
  ASSERT_EQ(e[1].noteCount, 3u);
  const auto& n = p.Notes();
  EXPECT_EQ(n[e[1].firstNote + 1].index, 2);
  EXPECT_EQ(n[e[1].firstNote + 1].octaves, 1);
  EXPECT_EQ(n[e[1].firstNote + 2].octaves, -2);
  EXPECT_EQ(e[2].noteCount, 0u);  // rest
  EXPECT_EQ(e[2].length, 48u);
  EXPECT_EQ(e[3].length, 24u);
  EXPECT_EQ(e[4].length, 144u);
  EXPECT_EQ(e[5].length, 96u);
  EXPECT_EQ(p.Total(), 192u + 288 + 48 + 24 + 144 + 96);
  // Storage is reused; a pattern of nothing has no length.
  p.Parse("xyz0");
  EXPECT_EQ(p.Total(), 0u);
  p.Parse("a99999999999999 b");
  EXPECT_EQ(p.Elements().size(), 2u);
}

}  // namespace
}  // namespace tunora
