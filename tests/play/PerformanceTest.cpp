// The performance builder: tempo, velocities, repeats and endings, grace notes, ties,
// ornaments, swing, chords, backing, drone, voices, merging and the error list.
#include <gtest/gtest.h>

#include "abc/ErrorList.h"
#include "play/PlaySettings.h"
#include "PlayTestSupport.h"

namespace tunora {
namespace {

using test::Build;
using test::Note;
using test::NotesOf;
using test::Pitches;
using test::TestMidi;

std::string Tune(const std::string& header, const std::string& body) {
  return "X:1\nT:t\n" + header + "\n" + body + "\n";
}

TEST(PerformanceNotes, TiesStaccatoFermataChordsAndQuarterTones) {
  auto notes = [](const std::string& body, const std::string& header = "M:4/4\nL:1/8\nK:C") {
    return NotesOf(Build(Tune(header, body))->Voice());
  };
  EXPECT_EQ(notes("A2-A2 B2"), (std::vector<Note>{{0, 384, 69, 100}, {384, 192, 71, 100}}));
  EXPECT_EQ(notes("A2-A2-A2 B2"), (std::vector<Note>{{0, 576, 69, 100}, {576, 192, 71, 80}}));
  EXPECT_EQ(notes("A2-B2"), (std::vector<Note>{{0, 192, 69, 100}, {192, 192, 71, 80}}));
  EXPECT_EQ(notes("A2- z2 A2"), (std::vector<Note>{{0, 192, 69, 100}, {384, 192, 69, 100}}));
  // Tied chords hold every note.
  EXPECT_EQ(notes("[C2-E2-][C2E2] G2"),
            (std::vector<Note>{{0, 384, 60, 100}, {0, 384, 64, 100}, {384, 192, 67, 100}}));
  // Staccato sounds StaccatoLen percent; a fermata lasts PauseLen percent.
  EXPECT_EQ(notes(".A2 B2"), (std::vector<Note>{{0, 134, 69, 100}, {192, 192, 71, 80}}));
  EXPECT_EQ(notes("!fermata!A2 B2"), (std::vector<Note>{{0, 384, 69, 100}, {384, 192, 71, 80}}));
  // A chord takes the time of its shortest note.
  EXPECT_EQ(
      notes("[CEG2] A"),
      (std::vector<Note>{{0, 96, 60, 100}, {0, 96, 64, 100}, {0, 192, 67, 100}, {96, 96, 69, 60}}));
  // A bar line closes an unclosed chord, which still takes its time (here a pickup).
  EXPECT_EQ(notes("[CE | A"),
            (std::vector<Note>{{0, 96, 60, 60}, {0, 96, 64, 60}, {96, 96, 69, 100}}));
  // Spacers take no time; rests do.
  EXPECT_EQ(notes("y A z B"), (std::vector<Note>{{0, 96, 69, 100}, {192, 96, 71, 80}}));
  // Quarter tones bend before the note and back at its end.
  auto q = Build(Tune("M:4/4\nL:1/8\nK:C", "!quartertone!A2"));
  const auto ev = test::Absolute(q->Voice().Events());
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[1], (MidiEvent{0, 0xE0, 0, 50, 0}));
  EXPECT_EQ(ev[2], (MidiEvent{0, 0x90, 69, 100, 0}));
  EXPECT_EQ(ev[3], (MidiEvent{192, 0x90, 69, 0, 0}));
  EXPECT_EQ(ev[4], (MidiEvent{192, 0xE0, 0, 64, 0}));
}

const char* kHornpipe =
    "rhythm { name hornpipe; meter C|; tempo 1/2=90; swing 1/8 2 /3 4 2; swingbr 5 3 4; }\n"
    "rhythm { name mazurka; meter 2/4; tempo 1/4=120; beatlen 1/4 2 /4 5 3; }\n";

const char* kBacking =
    "chord { name ; notes 0 4 7; }\nchord { name 7; notes 0 4 7 10; }\n"
    "backing { name quarters; meter 4/4: [a2b2c2d2] [a2b2c2d2] [a2b2c2d2] [a2b2c2d2]; }\n"
    "backing { name oompah; use; meter 4/4: a2 [b2c2d2] c,2 [b2c2d2]; }\n";

TEST(PerformanceBacking, ChordsFollowThePatternOnTheBarGrid) {
  const StyleSet styles = test::ParseStyles(kBacking);
  MidiSettings m = TestMidi();
  m.commonEqualsCut = 0;
  auto backing = [&](const std::string& body, const std::string& style) {
    auto b = Build(Tune("M:4/4\nL:1/4\nK:G", body), m, styles,
                   [&](PlaySettings& s) { s.backingStyle = style; });
    return NotesOf(b->perf->Backing());
  };
  // G for two beats, then D7 from where it stands.
  const auto q = backing("\"G\"G A \"D7\"B c|", "quarters");
  ASSERT_EQ(q.size(), 6u + 8u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_LE(q[i].start + q[i].length, 384u);
    EXPECT_EQ(q[i].channel, 14);
    EXPECT_EQ(q[i].velocity, 48);
  }
  EXPECT_EQ(Pitches(std::vector<Note>(q.begin(), q.begin() + 3)), (std::vector<int>{55, 59, 62}));
  EXPECT_EQ(q[6], (Note{384, 192, 50, 48, 14}));
  EXPECT_EQ(Pitches(std::vector<Note>(q.begin() + 6, q.begin() + 10)),
            (std::vector<int>{50, 54, 57, 60}));
  // The style marked in use: bass, chord, lower fifth, chord.
  EXPECT_EQ(Pitches(backing("\"G\"G A B c|", "")), (std::vector<int>{55, 59, 62, 50, 59, 62}));
  // A chord that starts between the pattern's elements waits for the next one.
  const auto late = backing("G/ \"G\"A/ B c d|", "");
  ASSERT_FALSE(late.empty());
  EXPECT_EQ(late[0].start, 192u);
  EXPECT_EQ(Pitches(late), (std::vector<int>{59, 62, 50, 59, 62}));
  // Chords are cut at the end of the music, and played no more with PlayChords off.
  EXPECT_EQ(backing("\"G\"G|", "").back().start + backing("\"G\"G|", "").back().length, 192u);
  m.playChords = 0;
  EXPECT_TRUE(backing("\"G\"G A B c|", "").empty());
  m.playChords = 1;
  // An annotation does not stop the chord.
  EXPECT_EQ(backing("\"G\"G \"^rit.\"A B c|", "").size(), 6u);
}

TEST(PerformanceSettings, TempoFromTheRhythmAndRanges) {
  EXPECT_TRUE(TempoTextGivesTempo("1/4=120"));
  EXPECT_TRUE(TempoTextGivesTempo(" 120"));
  EXPECT_TRUE(TempoTextGivesTempo("C=120"));
  EXPECT_TRUE(TempoTextGivesTempo("C/4=80"));
  EXPECT_FALSE(TempoTextGivesTempo("C"));
  EXPECT_FALSE(TempoTextGivesTempo("\"Allegro\""));
  EXPECT_FALSE(TempoTextGivesTempo(""));
  const StyleSet styles = test::ParseStyles(kHornpipe);
  TuneFile file;
  file.SplitTunes(Tune("R:Hornpipe\nM:C|\nQ:Allegro\nK:G", "A") + "\n" +
                      Tune("R:Hornpipe\nM:C|\nQ:1/4=100\nK:G", "A"),
                  true, 0, false);
  EXPECT_EQ(GatherPlaySettings(TestMidi(), *file.TuneAt(1), styles).tempoText, "1/2=90");
  EXPECT_EQ(GatherPlaySettings(TestMidi(), *file.TuneAt(2), styles).tempoText, "1/4=100");
  // Values out of range are brought into range rather than divided by.
  MidiSettings wild = TestMidi();
  wild.graceFraction = 0;
  wild.multiGraceFraction = -5;
  wild.speedPercent = 0;
  wild.melodyChannel = 99;
  const PlaySettings s = GatherPlaySettings(wild, *file.TuneAt(1), styles);
  EXPECT_EQ(s.graceFraction, 1);
  EXPECT_EQ(s.multiGraceFraction, 1);
  EXPECT_EQ(s.speedPercent, 1);
  EXPECT_EQ(s.melodyChannel, 15);
}

TEST(PerformanceErrors, EntriesExcerptsAndPositions) {
  // Bar lengths: measured at | only, reported where the bar began.
  auto bars = Build(Tune("M:4/4\nL:1/4\nK:C", "C D E F | G A B |\nC D || E :| F G A B |]"));
  const std::string_view body = bars->Body();
  EXPECT_EQ(bars->Errors(),
            FormatErrorEntry(1, AbcMessageText(MSG_BAR_LENGTH), ErrorExcerpt(body, 9), 9));
  MidiSettings quiet = TestMidi();
  quiet.warnBarLen = 0;
  EXPECT_EQ(Build(Tune("M:4/4\nL:1/4\nK:C", "C D E F | G A B |"), quiet)->Errors(), "");
  // A pickup bar is complete.
  EXPECT_EQ(Build(Tune("M:4/4\nL:1/4\nK:C", "C | D E F G |"))->Errors(), "");

  // Reader errors and syntax warnings, with their lines; a repeated section reports once.
  auto errs = Build(Tune("M:2/4\nL:1/4\nK:C", "|: A B :|\nA # | 1 B :|"));
  const std::string_view b2 = errs->Body();
  const size_t amp = b2.find('#');
  const size_t ending = b2.find("| 1");
  const size_t bar = b2.find(":|") + 2;  // the bar begins after the repeat sign, line end and all
  EXPECT_EQ(errs->Errors(),
            FormatErrorEntry(2, AbcMessageText(MSG_ERROR_IN_TUNE), ErrorExcerpt(b2, amp), amp) +
                FormatErrorEntry(2, AbcMessageText(MSG_INCORRECT_SYNTAX), ErrorExcerpt(b2, ending),
                                 ending) +
                FormatErrorEntry(2, AbcMessageText(MSG_BAR_LENGTH), ErrorExcerpt(b2, bar), bar));
  // Every voice pass reports reader errors again.
  auto voices = Build(Tune("M:2/4\nL:1/4\nK:C", "V:1\nA B # |\nV:2\nC D|"));
  EXPECT_EQ(voices->perf->ErrorCount(), 2);
  // A note pushed out of the MIDI range cannot be performed.
  auto high = Build(Tune("M:2/4\nL:1/4\nK:C", "V:1 transpose=24\nc''''|"));
  EXPECT_EQ(high->perf->ErrorCount(), 1);
  EXPECT_NE(high->Errors().find("Error in ABC tune."), std::string::npos);
}

TEST(PerformanceErrors, ShortBarCarriedPastUnmeasuredLinesIsReportedWhereItBegan) {
  // A short bar closed by ||, |] or :| and followed by |: on the next line: the bar
  // that the next | measures began at the short bar, on its line, not after the |:.
  for (const char* closer : {"||", "|]", ":|"}) {
    SCOPED_TRACE(closer);
    const std::string text = std::string("C D E F | G A ") + closer + "\n|: C D E F | G A B c :|";
    auto b = Build(Tune("M:4/4\nL:1/4\nK:C", text));
    const std::string_view body = b->Body();
    const size_t shortBar = body.find("| G") + 1;
    EXPECT_EQ(b->Errors(), FormatErrorEntry(1, AbcMessageText(MSG_BAR_LENGTH),
                                            ErrorExcerpt(body, shortBar), shortBar));
  }
  // A bar split by |: into two halves that add up is complete; a short one after a
  // complete bar closed by || is reported at its own start and line.
  EXPECT_EQ(Build(Tune("M:4/4\nL:1/4\nK:C", "C D E F | G A |: B c | d e f g :|"))->Errors(), "");
  auto late = Build(Tune("M:4/4\nL:1/4\nK:C", "C D E F ||\nG A B c | d e |]\n|: f g a b |"));
  const std::string_view body = late->Body();
  const size_t shortBar = body.find("| d") + 1;
  EXPECT_EQ(late->Errors(), FormatErrorEntry(2, AbcMessageText(MSG_BAR_LENGTH),
                                             ErrorExcerpt(body, shortBar), shortBar));
}

TEST(PerformanceLimits, VoicesEventsAndTimeAreCapped) {
  auto many = Build(Tune("M:2/4\nL:1/4\nK:C", "A2|\nV:99999\nB2|\nV:1\nc2|"));
  EXPECT_EQ(many->perf->Voices().size(), 1u);
  EXPECT_EQ(Pitches(NotesOf(many->Voice())), (std::vector<int>{69, 72}));
  const size_t field = many->Body().find("V:99999");
  EXPECT_EQ(many->Errors(), FormatErrorEntry(2, "Error: too many voices; this voice is not played.",
                                             ErrorExcerpt(many->Body(), field), field));
  auto wide = Build(Tune("M:2/4\nL:1/4\nK:C", "V:32\nA|\nV:33\nB|"));
  EXPECT_EQ(wide->perf->Voices().size(), 32u);

  // Events over the limit, with the repeat count: fewer repeats and an entry.
  std::string body;
  for (int i = 0; i < 5000; ++i) body += "ABcd efga|";
  MidiSettings m = TestMidi();
  m.repeat = 100;
  auto events = Build(Tune("M:C|\nL:1/8\nK:C", body), m);
  size_t total = 0;
  for (const EventTrack& t : events->perf->Voices()) total += t.Count();
  EXPECT_LE(total, Performance::kMaxEvents);
  EXPECT_GT(total, Performance::kMaxEvents / 2);
  EXPECT_NE(events->Errors().find("too many MIDI events"), std::string::npos);

  // Absurd lengths end the music with an entry rather than overflowing time.
  auto longer = Build(Tune("M:none\nL:1/1\nK:C",
                           "A65535 B65535 c65535 d65535 e65535 f65535 g65535 a65535 b65535 A"));
  EXPECT_NE(longer->Errors().find("too long"), std::string::npos);
  for (const Note& n : NotesOf(longer->Voice()))
    EXPECT_LE(uint64_t{n.start} + n.length, Performance::kMaxTime);
}

TEST(PerformanceRange, PlayingFromAPosition) {
  const std::string tune = Tune("M:4/4\nL:1/4\nK:C", "\"C\"C D E F|G A B c|");
  auto range = [&](size_t start, size_t sound, size_t end) {
    return Build(tune, TestMidi(), test::ParseStyles(kBacking), [&](PlaySettings& s) {
      s.range = PlaySettings::Range{start, sound, end};
    });
  };
  auto from = range(11, 11, 100);  // from G
  EXPECT_EQ(NotesOf(from->Voice())[0], (Note{0, 192, 67, 100}));
  EXPECT_EQ(Pitches(NotesOf(from->Voice())), (std::vector<int>{67, 69, 71, 72}));
  // The chord read before the start sounds from it.
  EXPECT_EQ(NotesOf(from->perf->Backing()).front().start, 0u);
  auto to = range(0, 0, 8);  // up to F
  EXPECT_EQ(Pitches(NotesOf(to->Voice())), (std::vector<int>{60, 62, 64}));
  auto lead = range(0, 4, 100);  // C keeps its time silently
  EXPECT_EQ(NotesOf(lead->Voice())[0], (Note{192, 192, 62, 80}));
}

TEST(PerformanceReuse, ABuildAgainGivesWhatAFreshOneGives) {
  TuneFile file;
  file.SplitTunes(
      "X:1\nT:a\nM:2/4\nL:1/4\nK:C\nV:1\nA B|\nV:2 name=x\nC D|\n\n"
      "X:2\nT:b\nM:3/4\nL:1/8\nQ:100\nK:D\n|: d2 e2 f2 :|\n",
      true, 0, false);
  const StyleSet styles;
  Performance reused(styles);
  for (int k : {1, 2, 1}) {
    PlaySettings s = GatherPlaySettings(test::TestMidi(), *file.TuneAt(k), StyleSet());
    Performance fresh(styles);
    ASSERT_TRUE(fresh.Build(s));
    ASSERT_TRUE(reused.Build(s));
    ASSERT_EQ(reused.Voices().size(), fresh.Voices().size());
    for (size_t v = 0; v < fresh.Voices().size(); ++v) {
      EXPECT_EQ(reused.Voices()[v].Events(), fresh.Voices()[v].Events());
      EXPECT_EQ(reused.Voices()[v].voice.name, fresh.Voices()[v].voice.name);
    }
    EXPECT_EQ(reused.TempoMap().Events(), fresh.TempoMap().Events());
    EXPECT_EQ(reused.ErrorText(), fresh.ErrorText());
  }
}

TEST(PerformanceNoteStarts, RepeatsGoBackToTheTextAndTheHeardNoteIsTheLastStarted) {
  // Body "|: A2 B :| c" (L:1/4): A at 0, B at 384, again A at 576 and B at 960, c at 1152.
  auto b = test::Build(Tune("M:3/4\nL:1/4\nK:C", "|: A2 B :| [CE] z c"));
  const auto& notes = b->perf->NoteStarts();
  const std::string_view body = b->Body();
  std::vector<uint64_t> times;
  std::string letters;
  for (const auto& n : notes) {
    times.push_back(n.time);
    letters += body[n.offset] == '[' ? body[n.offset + 1] : body[n.offset];
  }
  // A chord counts once (its first note); the rest is no note.
  EXPECT_EQ(letters, "ABABCc");
  EXPECT_EQ(times, (std::vector<uint64_t>{0, 384, 576, 960, 1152, 1536}));
  EXPECT_EQ(Performance::NoteAt(notes, 0)->offset, notes[0].offset);
  EXPECT_EQ(Performance::NoteAt(notes, 383)->offset, notes[0].offset);
  EXPECT_EQ(Performance::NoteAt(notes, 1400)->time, 1152u);  // during the rest: the chord
  EXPECT_EQ(Performance::NoteAt(notes, 99999)->time, 1536u);
  EXPECT_EQ(Performance::NoteAt({}, 5), nullptr);
}

}  // namespace
}  // namespace tunora
