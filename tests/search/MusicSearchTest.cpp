// Note texts, the melody query and its transposition slots, and MatchTune.
#include <gtest/gtest.h>

#include <set>

#include "search/MusicSearch.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

std::string NoteText(std::string_view key, std::string_view meter, std::string_view unit,
                     std::string_view body, bool ignoreOrnaments = true) {
  NoteTextWriter w(ignoreOrnaments);
  return w.Write(key, meter, unit, body);
}

TEST(NoteText, WritesSoundingPitchesLengthsAndMarks) {
  // Key signature, bar accidentals, octaves, lengths in eighths, rests, bars.
  EXPECT_EQ(NoteText("D", "6/8", "1/8", "|:FAd c2=c|[1 B,,z/ A'3:|[2 d'>e (3fga [ce]"),
            "^FAd^c2=c|[1B,,z/a3|[2d'>e(3^fga^c");
  // A unit length of 1/16 is written in eighths.
  EXPECT_EQ(NoteText("C", "4/4", "1/16", "C2D4E"), "CD2E/");
  // Flats of the key are written as flats.
  EXPECT_EQ(NoteText("F", "", "1/8", "B_e"), "_B_e");
  // Tuplets with q and with only r.
  EXPECT_EQ(NoteText("C", "", "1/8", "(3:2:3abc (5::5cdefg"), "(3:2:3abc(5::5cdefg");
}

TEST(NoteText, OrnamentsKeptOrLeftOut) {
  EXPECT_EQ(NoteText("G", "", "1/8", "~G2 {ag}fe", true), "G2^fe");
  EXPECT_EQ(NoteText("G", "", "1/8", "~G2 {ag}fe", false), "~G2{ag}^fe");
}

TEST(KeyPrefix, SplitAndJoin) {
  std::string key, phrase;
  SplitKeyPrefix("[K:Dmix] ABc", key, phrase);
  EXPECT_EQ(key, "Dmix");
  EXPECT_EQ(phrase, "ABc");
  SplitKeyPrefix("ABc", key, phrase);
  EXPECT_EQ(key, "C");
  SplitKeyPrefix("[K:D  ABc", key, phrase);  // no "]": no prefix
  EXPECT_EQ(key, "C");
  EXPECT_EQ(JoinKeyPrefix(" G ", "ABc"), "[K:G] ABc");
  EXPECT_EQ(JoinKeyPrefix("", "ABc"), "ABc");
}

MusicOptions Only(bool maj2, bool f45, bool oct, bool t36, bool min2, bool plus) {
  MusicOptions o;
  o.transposeMaj2 = maj2;
  o.transpose45 = f45;
  o.transpose8 = oct;
  o.transpose36 = t36;
  o.transposeMin2Aug4 = min2;
  o.transpose8plus = plus;
  return o;
}

std::set<int> Shifts(const MusicOptions& o) {
  std::set<int> s;
  for (int slot : SlotOrder(o)) s.insert(kSlotShifts[slot]);
  return s;
}

TEST(MelodyQuery, SlotsOfEachOption) {
  EXPECT_EQ(Shifts(Only(false, false, false, false, false, false)), (std::set<int>{0}));
  EXPECT_EQ(Shifts(Only(true, false, false, false, false, false)), (std::set<int>{0, 2, -2}));
  EXPECT_EQ(Shifts(Only(false, true, false, false, false, true)),
            (std::set<int>{0, 5, -5, 7, -7, 17, -17, 19, -19}));
  EXPECT_EQ(Shifts(Only(false, false, true, false, false, true)), (std::set<int>{0, 12, -12}));
  EXPECT_EQ(Shifts(Only(false, false, false, true, false, false)),
            (std::set<int>{0, 3, -3, 4, -4, 8, -8, 9, -9}));
  EXPECT_EQ(Shifts(Only(false, false, false, false, true, true)),
            (std::set<int>{0, 1, -1, 6, -6, 11, -11, 13, -13, 18, -18}));
  const MusicOptions all = Only(true, true, true, true, true, true);
  EXPECT_EQ(SlotOrder(all).size(), 43u);
  EXPECT_EQ(SlotOrder(all)[1], 9);  // thirds and sixths are tried first

  MelodyQuery q;
  ASSERT_TRUE(BuildQuery("CDEF GABc", all, q));
  int filled = 0;
  for (const auto& m : q.matchers) filled += m.has_value();
  EXPECT_EQ(filled, 43);
  EXPECT_FALSE(BuildQuery("| % only a comment", all, q));
}

TEST(MelodyQuery, TwentyCharactersAllowFourDifferences) {
  MelodyQuery q;
  ASSERT_TRUE(BuildQuery("A2B2c2d2e2f2g2a2b2c'2", MusicOptions{}, q));
  EXPECT_EQ(q.noteText.size(), 21u);
  EXPECT_EQ(q.errors, 4);
}

class Tunes : public ::testing::Test {
 protected:
  // Tune 1 in D has the phrase; 2 has it a tone higher (E); 3 a fifth higher (A);
  // 4 has it with grace notes in the middle; 5 has it in the third bar.
  Tunes() {
    file.SplitTunes(
        "X:1\nT:In D\nM:6/8\nK:D\nFAA dAF|GBB dBG|\n\n"
        "X:2\nT:In E\nM:6/8\nK:E\nGBB eBG|ABB eBA|\n\n"
        "X:3\nT:In A\nM:6/8\nK:A\ncee aec|\n\n"
        "X:4\nT:Graces\nM:6/8\nK:D\nFA{g}A {a}dAF|GBB dBG|\n\n"
        "X:5\nT:Late\nM:6/8\nK:D\nd3 d3|e3 e3|FAA dAF|\n\n",
        true, 0, false);
  }
  std::vector<int> Found(const std::string& phrase, MusicOptions o) {
    MelodyQuery q;
    EXPECT_TRUE(BuildQuery(phrase, o, q));
    NoteTextWriter w(o.ignoreOrnamentation);
    std::vector<int> found;
    for (int i = 1; i <= static_cast<int>(file.TuneCount()); ++i)
      if (MatchTune(q, *file.TuneAt(i), w)) found.push_back(i);
    return found;
  }
  TuneFile file;
};

TEST_F(Tunes, KeyPrefixSpellsTheSoundingPitches) {
  MusicOptions o = Only(false, false, false, false, false, false);
  o.loosePercent = 0;
  // F without a sign in D sounds F sharp, as the tune's F does.
  EXPECT_EQ(Found("[K:D] FAA dAF", o), (std::vector<int>{1, 4, 5}));
  // In C the same letters are F natural: no tune has that.
  EXPECT_EQ(Found("FAA dAF", o), (std::vector<int>{}));
  EXPECT_EQ(Found("^FAA dAF", o), (std::vector<int>{1, 4, 5}));
}

TEST_F(Tunes, TranspositionOptions) {
  MusicOptions o = Only(true, false, false, false, false, false);
  o.loosePercent = 0;
  EXPECT_EQ(Found("[K:D] FAA dAF", o), (std::vector<int>{1, 2, 4, 5}));
  o = Only(false, true, false, false, false, false);
  o.loosePercent = 0;
  EXPECT_EQ(Found("[K:D] FAA dAF", o), (std::vector<int>{1, 3, 4, 5}));
  // An octave lower: tune 3 is then an octave and a fifth up, found only with the
  // octave-plus slots; tune 1 an octave up, found with neither.
  EXPECT_EQ(Found("[K:D] F,A,A, DA,F,", o), (std::vector<int>{}));
  o.transpose8plus = true;
  EXPECT_EQ(Found("[K:D] F,A,A, DA,F,", o), (std::vector<int>{3}));
  o.transpose8 = true;
  EXPECT_EQ(Found("[K:D] F,A,A, DA,F,", o), (std::vector<int>{1, 3, 4, 5}));
}

TEST_F(Tunes, OrnamentsAndLooseMatch) {
  MusicOptions o = Only(false, false, false, false, false, false);
  o.loosePercent = 0;
  o.ignoreOrnamentation = true;
  EXPECT_EQ(Found("[K:D] FAAdAF|GBB", o), (std::vector<int>{1, 4}));
  o.ignoreOrnamentation = false;  // the grace groups count as differences
  EXPECT_EQ(Found("[K:D] FAAdAF|GBB", o), (std::vector<int>{1}));
  EXPECT_EQ(Found("[K:D] FA{g}A{a}dAF|GBB", o), (std::vector<int>{4}));
}

TEST_F(Tunes, BeginningOfTuneMeansTheFirstTwoBars) {
  MusicOptions o = Only(false, false, false, false, false, false);
  o.loosePercent = 0;
  o.where = MusicOptions::kBeginning;
  EXPECT_EQ(Found("[K:D] FAA dAF", o), (std::vector<int>{1, 4}));
  EXPECT_EQ(Found("[K:D] GBB dBG", o), (std::vector<int>{1, 4}));
  o.where = MusicOptions::kAnywhere;
  EXPECT_EQ(Found("[K:D] FAA dAF", o), (std::vector<int>{1, 4, 5}));
  // A phrase that starts in the second bar runs on into the bars after it: the
  // tune's note text must be written far enough for it, and for its differences.
  o.where = MusicOptions::kBeginning;
  EXPECT_EQ(Found("[K:D] GBB dBG|", o), (std::vector<int>{1, 4}));
  EXPECT_EQ(Found("[K:D] e3 e3|FAA dAF", o), (std::vector<int>{5}));
  o.loosePercent = 30;
  EXPECT_EQ(Found("[K:D] e3 e3|FAA dAF|F", o), (std::vector<int>{5}));
  o.loosePercent = 0;
  EXPECT_EQ(Found("[K:D] e3 e3|FAA dAF|F", o), (std::vector<int>{}));
}

}  // namespace
}  // namespace tunora
