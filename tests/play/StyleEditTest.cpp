// The style editors' checks: chord types made from the editor's fields, texts
// that the style file can hold, list moves, the standard backing, and the
// General MIDI names of the instrument choosers.
#include <gtest/gtest.h>

#include "play/ChordSymbol.h"
#include "play/GmInstruments.h"
#include "play/StyleEdit.h"

namespace tunora {
namespace {

TEST(StyleEditTest, ChordTypeFromFieldsIsWhatAChordSymbolFinds) {
  ChordType chord;
  ASSERT_TRUE(MakeChordType("m7", {"0", " 3", "7 ", "10"}, chord));
  EXPECT_EQ(chord.name, "m7");
  EXPECT_EQ(chord.notes, (std::vector<int>{0, 3, 7, 10}));
  // The type the editor accepts is found again after a root.
  StyleSet styles;
  styles.chordTypes.push_back(chord);
  ChordSymbol symbol;
  ASSERT_TRUE(ReadChordSymbol("F#m7", styles, symbol));
  EXPECT_EQ(symbol.notes[1], 66 + 3);

  ASSERT_TRUE(MakeChordType("", {"0", "4", "7"}, chord));  // the plain major chord
  EXPECT_EQ(chord.name, "");
  ASSERT_TRUE(MakeChordType("maj9", {"0", "4", "7", "11", "14", "127", "0"}, chord));
  EXPECT_EQ(chord.notes.size(), 7u);
}

TEST(StyleEditTest, ChordTypesThatCannotBeReadBackAreRefused) {
  ChordType chord;
  chord.name = "keep";
  const std::vector<std::string> triad = {"0", "4", "7"};
  for (const char* name : {"m7/9", "m(9)", "sus4)", "a b", "m;7", "q\"", "b5", "#5", "_5", "^5",
                           "abcdefghijk", "m\t7"}) {
    EXPECT_FALSE(MakeChordType(name, triad, chord)) << name;
  }
  EXPECT_FALSE(MakeChordType("m", {}, chord));
  EXPECT_FALSE(MakeChordType("m", {"0", "1", "2", "3", "4", "5", "6", "7"}, chord));
  for (const char* note : {"", "128", "-1", "1a", "1000", "+3"}) {
    EXPECT_FALSE(MakeChordType("m", {"0", note}, chord)) << note;
  }
  EXPECT_EQ(chord.name, "keep");                           // untouched on failure
  EXPECT_TRUE(MakeChordType("abcdefghij", triad, chord));  // ten characters fit
}

TEST(StyleEditTest, StyleValuesHoldNoSemicolonOrLineEnd) {
  EXPECT_TRUE(IsStyleValueText("a2 [b2c2d2] c,2"));
  EXPECT_TRUE(IsStyleValueText("1/4=120 // fast"));
  EXPECT_FALSE(IsStyleValueText("reel; jig"));
  EXPECT_FALSE(IsStyleValueText("reel\njig"));
  EXPECT_FALSE(IsStyleValueText(std::string_view("reel\0", 5)));
}

TEST(StyleEditTest, MovesStopAtTheEndsAndStandardBackingIsUnique) {
  std::vector<int> list = {1, 2, 3};
  EXPECT_EQ(MoveEntry(list, 0, true), 0u);
  EXPECT_EQ(MoveEntry(list, 2, false), 2u);
  EXPECT_EQ(MoveEntry(list, 5, false), 5u);
  EXPECT_EQ(list, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(MoveEntry(list, 0, false), 1u);
  EXPECT_EQ(MoveEntry(list, 2, true), 1u);
  EXPECT_EQ(list, (std::vector<int>{2, 3, 1}));

  std::vector<Backing> backings(3);
  backings[0].use = true;
  backings[2].use = true;
  SetStandardBacking(backings, 1);
  EXPECT_FALSE(backings[0].use);
  EXPECT_TRUE(backings[1].use);
  EXPECT_FALSE(backings[2].use);
  SetStandardBacking(backings, 7);  // no such backing: nothing changes
  EXPECT_TRUE(backings[1].use);
}

TEST(StyleEditTest, GeneralMidiNamesRunFromPianoToGunshot) {
  EXPECT_EQ(GmInstrumentLabel(0), "0 Acoustic Grand Piano");
  EXPECT_EQ(GmInstrumentLabel(40), "40 Violin");
  EXPECT_EQ(GmInstrumentLabel(70), "70 Bassoon");
  EXPECT_EQ(GmInstrumentLabel(73), "73 Flute");
  EXPECT_EQ(GmInstrumentLabel(109), "109 Bag pipe");
  EXPECT_EQ(GmInstrumentLabel(127), "127 Gunshot");
  EXPECT_EQ(GmInstrumentLabel(128), "");
  EXPECT_EQ(GmInstrumentName(-1), "");
  for (int p = 0; p < kGmProgramCount; ++p) EXPECT_FALSE(GmInstrumentName(p).empty()) << p;
}

}  // namespace
}  // namespace tunora
