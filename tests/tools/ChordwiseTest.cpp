// Chordwise on small hand-checked tunes.
#include <gtest/gtest.h>

#include "tools/Chordwise.h"
#include "tools/ToolsTestSupport.h"

namespace tunora {
namespace {

struct Setting {
  std::string body;
  std::string message;
  bool ok = false;
  std::vector<std::string> candidates;
  const uint32_t* weights = nullptr;
  int chordsSet = 0;
};

Setting Set(const std::string& body, const std::string& meter, const std::string& key = "C",
            bool perBar = false, ChordwiseWeights w = {}, uint32_t strangeness = 0,
            bool write = true) {
  static std::vector<std::unique_ptr<ChordwiseEngine>> keep;  // weights outlive the call
  auto engine = std::make_unique<ChordwiseEngine>(w, test::ToolStyles().chordTypes, strangeness);
  engine->perBar = perBar;
  engine->writeChords = write;
  Setting s;
  s.body = body;
  TuneTexts t;
  t.key = key;
  t.meter = meter;
  t.unitLength = "1/8";
  t.body = body;
  s.ok = engine->Run(t, s.body, s.message);
  for (const auto& c : engine->Candidates()) s.candidates.push_back(c.name);
  s.weights = engine->PitchWeights();
  s.chordsSet = engine->ChordsSet();
  keep.push_back(std::move(engine));
  return s;
}

TEST(Chordwise, StrangenessChoosesAmongPeriodScores) {
  EXPECT_EQ(ChordwiseEngine::ChooseIndex({100, 95, 80}, 0), 0u);
  EXPECT_EQ(ChordwiseEngine::ChooseIndex({100, 95, 80}, 20), 1u);
  EXPECT_EQ(ChordwiseEngine::ChooseIndex({100, 100, 70}, 20), 0u);
  EXPECT_EQ(ChordwiseEngine::ChooseIndex({100, 95, 80}, 100), 2u);
  EXPECT_EQ(ChordwiseEngine::ChooseIndex({50}, 30), 0u);
}

TEST(Chordwise, SetsAChordPerBeatBeforeEverythingOfTheFirstNote) {
  // 2/4: two beats of a quarter. The chord of a period goes in front of its first
  // note's decoration, grace group, tuplet or chord bracket; annotations go.
  Setting s = Set("CEGc|!trill!B{c}d (3FGB|[C2E2G2] \"^x\"c2|\r\n", "2/4");
  ASSERT_TRUE(s.ok) << s.message;
  std::string skeleton;
  for (size_t i = 0; i < s.body.size(); ++i) {
    skeleton += s.body[i];
    if (s.body[i] == '"') {
      skeleton += "*\"";
      i = s.body.find('"', i + 1);
    }
  }
  EXPECT_EQ(skeleton, "\"*\"CE\"*\"Gc|\"*\"!trill!B{c}d \"*\"(3FGB|\"*\"[C2E2G2] \"*\"c2|\r\n");
}

TEST(Chordwise, ChordLengthsOverlaysBarRestsAndFieldLines) {
  const struct {
    const char* body;
    const char* chorded;
  } cases[] = {
      // [CEG]2 fills the first beat, so B2 starts the second and gets a chord of its own.
      {"[CEG]2 B2|c2 e2|", "\"C\"[CEG]2 \"Em\"B2|\"C\"c2 \"C\"e2|"},
      // The notes after & until the bar line take no time.
      {"C2 G2 & A4|E2 G2|", "\"C\"C2 \"C\"G2 & A4|\"C\"E2 \"C\"G2|"},
      // A rest of whole bars gets no chord.
      {"Z2|C2E2|G2c2|X|", "Z2|\"C\"C2\"C\"E2|\"C\"G2\"C\"c2|X|"},
      // Field lines, +word+ decorations, backquotes and slashed graces read.
      {"N:note\r\n+fine+C2`E2|{/d}[CE]/ G3/ c2|",
       "N:note\r\n\"C\"+fine+C2`\"C\"E2|\"C\"{/d}[CE]/ G3/ \"C\"c2|"},
  };
  for (const auto& c : cases) {
    Setting s = Set(c.body, "2/4");
    ASSERT_TRUE(s.ok) << c.body << ": " << s.message;
    EXPECT_EQ(s.body, c.chorded);
  }
  // An overlay's notes weigh nothing either.
  EXPECT_EQ(Set("C2 G2 & A4|", "2/4").weights[9], 0u);
}

TEST(Chordwise, RanksTriadsOnceAndNamesThemInTheKey) {
  // The second name for minor ("min") takes no part. Roots off the scale: a key
  // without accidentals names them with sharps, a flat key with flats.
  Setting c = Set("C2E2G2 _E2G2_B2|", "3/4", "C");
  ASSERT_TRUE(c.ok);
  for (const std::string& n : c.candidates) EXPECT_EQ(n.find("min"), std::string::npos) << n;
  EXPECT_NE(std::find(c.candidates.begin(), c.candidates.end(), "D#"), c.candidates.end());
  Setting f = Set("F2A2c2 _B2d2f2|_A2c2_e2", "3/4", "F");
  EXPECT_NE(std::find(f.candidates.begin(), f.candidates.end(), "Bb"), f.candidates.end());
  EXPECT_NE(std::find(f.candidates.begin(), f.candidates.end(), "Ab"), f.candidates.end());
}

TEST(Chordwise, AJumpAboveAFifthDoublesTheWeight) {
  // In 2/4 the second quaver is off the beat: 100% of 96 ticks = 96, /8 = 12.
  Setting octave = Set("Cc", "2/4");
  EXPECT_EQ(octave.weights[0], 120u / 8 + 192u / 8);  // the first on the beat: 125%
  Setting fifth = Set("CG", "2/4");
  EXPECT_EQ(fifth.weights[7], 96u / 8);
}

TEST(Chordwise, OddAndAdditiveMetersGoPerBar) {
  for (const char* meter : {"5/8", "3+2/8"}) {
    Setting s = Set("CEGCE|DFADF|", meter);
    ASSERT_TRUE(s.ok) << meter;
    EXPECT_EQ(std::count(s.body.begin(), s.body.end(), '"'), 4) << meter << " " << s.body;
  }
  Setting beats = Set("CEGc GEC2|", "4/4", "C", false);
  EXPECT_EQ(std::count(beats.body.begin(), beats.body.end(), '"'), 8);
  Setting bar = Set("CEGc GEC2|", "4/4", "C", true);
  EXPECT_EQ(std::count(bar.body.begin(), bar.body.end(), '"'), 2);
}

TEST(Chordwise, RepeatedSectionsCountTwiceButGetTheirChordsOnce) {
  Setting s = Set("|:C2E2|G2c2:|DFA2|]", "2/4");
  ASSERT_TRUE(s.ok) << s.message;
  // Hand-checked: weights C 150, E 60, G 60, D 30, A 30, F 12; in the last bar
  // Dm scores 384 against F 231, then Am 637 against F 577.
  EXPECT_EQ(s.body, "|:\"C\"C2\"C\"E2|\"C\"G2\"C\"c2:|\"Dm\"DF\"Am\"A2|]");
  EXPECT_EQ(s.chordsSet, 6);
  // Both readings of the section were weighed: C, E, G, c twice each.
  Setting once = Set("C2E2|G2c2|DFA2|]", "2/4");
  EXPECT_EQ(s.weights[4], 2 * once.weights[4]);
}

TEST(Chordwise, ProgressionWeights) {
  // With "same chord" weighted 0, a period never repeats the chord before it.
  ChordwiseWeights w;
  w.progressBySame = 0;
  Setting s = Set("C2E2|G2c2|E2G2|c4|", "2/4", "C", false, w);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.body, "\"C\"C2\"Am\"E2|\"C\"G2\"Am\"c2|\"C\"E2\"Em\"G2|\"C\"c4|");
}

TEST(Chordwise, RemoveChordsDeletesEveryTextAndAddsNone) {
  Setting s = Set("\"G\"A\"^text\"B\"\"c \"D7\"d|", "4/4", "C", false, {}, 0, false);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.body, "AB\"\"c d|");
}

TEST(Chordwise, AReadingErrorSetsNoChords) {
  Setting s = Set("\"G\"AB cd|\r\n\"C\"ef # g|", "4/4");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.message, "Error in ABC tune.\nLine 2: '# g|'");
  // The chords deleted before the error stay deleted; none is set.
  EXPECT_EQ(s.body, "AB cd|\r\nef # g|");
  // A tune without notes keeps no chords and gets none.
  Setting empty = Set("\"G\"z4|", "4/4");
  EXPECT_TRUE(empty.ok);
  EXPECT_EQ(empty.body, "z4|");
}

TEST(Chordwise, ViewChordsText) {
  TuneTexts t;
  t.key = std::string_view("G");
  t.meter = "4/4";
  t.body = "|:\"G\"GABc \"G\"d2 \"D7/F#\"d2|1 \"Em\"e4 :|2 \"C\"c4||\r\n\"G\"G8 |]";
  EXPECT_EQ(ViewChordsText("Title", t, test::ToolStyles()),
            "Title\r\n\r\n |: G / D7/F# |[1 Em :|[2 C ||\r\n G |]");
}

}  // namespace
}  // namespace tunora
