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

std::vector<uint32_t> Tempos(const Performance& p) {
  std::vector<uint32_t> out;
  for (const MidiEvent& e : test::Absolute(p.TempoMap().Events())) out.push_back(TempoOf(e));
  return out;
}

TEST(PerformanceTempo, HeaderTempoSpeedAndBareNumbers) {
  EXPECT_EQ(Tempos(*Build(Tune("M:4/4\nQ:1/4=120\nK:C", "C"))->perf), std::vector<uint32_t>{500000});
  auto slow = Build(Tune("M:4/4\nQ:1/4=120\nK:C", "C"), TestMidi(), StyleSet(),
                    [](PlaySettings& s) { s.speedPercent = 50; });
  EXPECT_EQ(Tempos(*slow->perf), std::vector<uint32_t>{1000000});
  // A tempo too slow for three bytes is held at the slowest one.
  auto crawl = Build(Tune("M:4/4\nQ:1/4=1\nK:C", "C"), TestMidi(), StyleSet(),
                     [](PlaySettings& s) { s.speedPercent = 1; });
  EXPECT_EQ(Tempos(*crawl->perf), std::vector<uint32_t>{0xFFFFFF});

  // A bare number warns, with the excerpt from the Q: text itself.
  auto bare = Build(Tune("M:4/4\nL:1/4\nQ:100\nK:C", "CDEF|"));
  EXPECT_EQ(bare->Errors(),
            "L 1: Warning: Incomplete tempo specification may cause compatibility\n"
            "problems. Use for example 1/4=120.: 100 [0]\r\n");
  EXPECT_EQ(Tempos(*bare->perf), std::vector<uint32_t>{300000});  // 384 x 100 / 192 = 200 qpm

  // Q: in the body: a tempo event where it stands (first pass only); a bare one warns
  // at the field's start.
  auto body = Build(Tune("M:2/4\nL:1/4\nQ:1/4=120\nK:C", "CD|\nQ:60\nEF|[Q:1/4=240]G2|"));
  const auto events = test::Absolute(body->perf->TempoMap().Events());
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].time, 384u);
  EXPECT_EQ(TempoOf(events[1]), 1000000u);
  EXPECT_EQ(events[2].time, 768u);
  EXPECT_EQ(TempoOf(events[2]), 250000u);
  const size_t q = body->Body().find("Q:60");
  EXPECT_EQ(body->Errors(),
            FormatErrorEntry(2, AbcMessageText(MSG_INCOMPLETE_TEMPO), ErrorExcerpt(body->Body(), q), q));
}

TEST(PerformanceVelocity, BeatsOffBeatsAndAccents) {
  auto velocities = [](const std::string& header, const std::string& body, bool cut = true) {
    MidiSettings m = TestMidi();
    m.commonEqualsCut = cut ? 1 : 0;
    std::vector<int> v;
    for (const Note& n : NotesOf(Build(Tune(header, body), m)->Voice())) v.push_back(n.velocity);
    return v;
  };
  // (6/8, 4/4 as cut time and a pickup in it: see the golden listings.) 4/4 not as cut
  // time: every quarter a beat.
  EXPECT_EQ(velocities("M:4/4\nL:1/8\nK:C", "CDEF|", false), (std::vector<int>{100, 80, 100, 80}));
  // A quarter-note pickup starts at 576, a beat when quarters are beats.
  EXPECT_EQ(velocities("M:4/4\nL:1/4\nK:C", "C|DEFG|", false),
            (std::vector<int>{100, 100, 100, 100, 100}));
  // Accent: raised by LoudPercent, at most 127.
  EXPECT_EQ(velocities("M:6/8\nL:1/8\nK:C", "!accent!A !accent!B"), (std::vector<int>{127, 90}));
}

TEST(PerformanceRepeats, RepeatsEndingsNoRepeatsAndRepeatCount) {
  auto pitches = [](const std::string& body, bool noRepeats = false) {
    MidiSettings m = TestMidi();
    m.noRepeats = noRepeats ? 1 : 0;
    return Pitches(NotesOf(Build(Tune("M:2/4\nL:1/4\nK:C", body), m)->Voice()));
  };
  EXPECT_EQ(pitches("|: A |1 B :|2 c |", true), (std::vector<int>{69, 71, 72}));
  EXPECT_EQ(pitches("A B |: c d :: e f :| g"), (std::vector<int>{69, 71, 72, 74, 72, 74, 76, 77, 76, 77, 79}));
  EXPECT_EQ(pitches("[1 A B :| [2 c d |]"), (std::vector<int>{69, 71, 72, 74}));  // [2 in pass 2
  EXPECT_EQ(pitches("C D || E F :|"), (std::vector<int>{60, 62, 64, 65, 64, 65}));  // from ||
  // A first ending's notes take no time in the second pass.
  auto b = Build(Tune("M:2/4\nL:1/4\nK:C", "|: A2 |1 B2 :|2 c2 |"));
  const auto notes = NotesOf(b->Voice());
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[3].start, 1152u);
  EXPECT_EQ(b->Errors(), "");

  // The whole tune twice: every track holds its events twice.
  MidiSettings twice = TestMidi();
  twice.repeat = 2;
  auto r = Build(Tune("M:2/4\nL:1/4\nK:C", "\"C\"A B|"), twice,
                 test::ParseStyles("chord { name ; notes 0 4 7; }"));
  auto r1 = Build(Tune("M:2/4\nL:1/4\nK:C", "\"C\"A B|"), TestMidi(),
                  test::ParseStyles("chord { name ; notes 0 4 7; }"));
  for (auto [two, one] : {std::pair{&r->Voice(), &r1->Voice()},
                          std::pair{&r->perf->Backing(), &r1->perf->Backing()}}) {
    ASSERT_EQ(two->Count(), 2 * one->Count());
    for (size_t i = 0; i < one->Count(); ++i) EXPECT_EQ(two->Events()[i + one->Count()], one->Events()[i]);
  }
  EXPECT_EQ(NotesOf(r->Voice())[2].start, 384u);  // the copy starts one tune length later
  // A repeat count of 0 builds nothing.
  MidiSettings never = TestMidi();
  never.repeat = 0;
  EXPECT_FALSE(Build(Tune("K:C", "A"), never)->ok);
}

TEST(PerformanceGraces, GraceTimeAndFractions) {
  // (Grace lengths with the default fractions: see the golden listings.) A grace
  // before a rest takes its time from the rest.
  auto b = Build(Tune("M:4/4\nL:1/8\nK:C", "{g}z2 A"));
  EXPECT_EQ(NotesOf(b->Voice()), (std::vector<Note>{{0, 16, 79, 100}, {192, 96, 69, 80}}));
  // Each fraction is its own setting; %%MIDI grace sets both.
  MidiSettings m = TestMidi();
  m.graceFraction = 4;
  m.multiGraceFraction = 8;
  auto c = Build(Tune("M:4/4\nL:1/8\nK:C", "{g}A2 {gf}A2"), m);
  const auto notes = NotesOf(c->Voice());
  EXPECT_EQ(notes[0].length, 24u);
  EXPECT_EQ(notes[2].length, 12u);
  auto d = Build(Tune("M:4/4\nL:1/8\nK:C", "%%MIDI grace 1/3\n{g}A2 {gf}A2"));
  EXPECT_EQ(NotesOf(d->Voice())[0].length, 32u);
  EXPECT_EQ(NotesOf(d->Voice())[2].length, 32u);
  // Graces longer than half their note are shortened: the note keeps at least half.
  auto e = Build(Tune("M:4/4\nL:1/16\nK:C", "{gfedcBA}A"));
  const Note last = NotesOf(e->Voice()).back();
  EXPECT_GE(last.length, 24u);
  EXPECT_EQ(last.start + last.length, 48u);
  EXPECT_EQ(NotesOf(e->Voice()).size(), 8u);
  // Without PlayGraces graces neither sound nor take time.
  m.playGraces = 0;
  auto f = Build(Tune("M:4/4\nL:1/8\nK:C", "{g}A2 !trill!A2"), m);
  EXPECT_EQ(NotesOf(f->Voice()), (std::vector<Note>{{0, 192, 69, 100}, {192, 192, 69, 80}}));
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
  EXPECT_EQ(notes("[CEG2] A"), (std::vector<Note>{{0, 96, 60, 100}, {0, 96, 64, 100},
                                                 {0, 192, 67, 100}, {96, 96, 69, 60}}));
  // A bar line closes an unclosed chord, which still takes its time (here a pickup).
  EXPECT_EQ(notes("[CE | A"), (std::vector<Note>{{0, 96, 60, 60}, {0, 96, 64, 60}, {96, 96, 69, 100}}));
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

TEST(PerformanceOrnaments, TrillMordentsRollsSlideAndNeighbours) {
  auto notes = [](const std::string& body, const std::string& key = "C") {
    return NotesOf(Build(Tune("M:4/4\nL:1/8\nK:" + key, body))->Voice());
  };
  EXPECT_EQ(notes("!trill!A2"), (std::vector<Note>{{0, 16, 69, 100}, {16, 16, 71, 100}, {32, 16, 69, 100},
                                                  {48, 16, 71, 100}, {64, 128, 69, 100}}));
  EXPECT_EQ(Pitches(notes("!uppermordent!A2")), (std::vector<int>{69, 71, 69}));
  EXPECT_EQ(notes("!lowermordent!A2").back(), (Note{32, 160, 69, 100}));
  EXPECT_EQ(Pitches(notes("!mordent!A2")), (std::vector<int>{69, 67, 69}));
  EXPECT_EQ(Pitches(notes("!pralltriller!A2")), (std::vector<int>{69, 71, 69}));
  // Rolls: two halves, or three thirds when the length is a multiple of 9.
  EXPECT_EQ(notes("!roll!A2"), (std::vector<Note>{{0, 16, 71, 100}, {16, 80, 69, 100},
                                                 {96, 16, 67, 100}, {112, 80, 69, 100}}));
  EXPECT_EQ(notes("!roll!A3"), (std::vector<Note>{{0, 96, 69, 100}, {96, 16, 71, 100}, {112, 80, 69, 100},
                                                 {192, 16, 67, 100}, {208, 80, 69, 100}}));
  // No roll in a tuplet or right after grace notes.
  EXPECT_EQ(Pitches(notes("(3!roll!A2B2c2")), (std::vector<int>{69, 71, 72}));
  EXPECT_EQ(Pitches(notes("{g}!roll!A2")), (std::vector<int>{79, 69}));
  // Neighbours come from the key's scale, wrapping at the octave.
  EXPECT_EQ(Pitches(notes("!trill!B2")), (std::vector<int>{71, 72, 71, 72, 71}));
  EXPECT_EQ(Pitches(notes("!lowermordent!c2")), (std::vector<int>{72, 71, 72}));
  EXPECT_EQ(Pitches(notes("!uppermordent!B2", "D")), (std::vector<int>{71, 73, 71}));
  // A note outside the scale takes its letter's neighbours, else a whole tone.
  EXPECT_EQ(Pitches(notes("!uppermordent!_B2", "D")), (std::vector<int>{70, 73, 70}));
  EXPECT_EQ(Pitches(notes("!uppermordent!=c2", "D")), (std::vector<int>{72, 74, 72}));
  // Too short for the ornament: the plain note.
  EXPECT_EQ(Pitches(notes("!trill!A/4")), (std::vector<int>{69}));

  // Slide: pitch bends every tick over the first quarter, then back to centre.
  auto s = Build(Tune("M:4/4\nL:1/8\nK:C", "!slide!A2"));
  std::vector<MidiEvent> bends;
  for (const MidiEvent& e : test::Absolute(s->Voice().Events()))
    if (e.status == 0xE0) bends.push_back(e);
  ASSERT_EQ(bends.size(), 49u);
  EXPECT_EQ(bends[0], (MidiEvent{0, 0xE0, 0, 48, 0}));  // 6144
  EXPECT_EQ(bends[24].time, 24u);
  EXPECT_EQ(bends[24].data2 * 128 + bends[24].data1, 6144 + 2048 * 24 / 48);
  EXPECT_EQ(bends[48], (MidiEvent{48, 0xE0, 0, 64, 0}));
  EXPECT_EQ(NotesOf(s->Voice()), (std::vector<Note>{{0, 192, 69, 100}}));
}

const char* kHornpipe =
    "rhythm { name hornpipe; meter C|; tempo 1/2=90; swing 1/8 2 /3 4 2; swingbr 5 3 4; }\n"
    "rhythm { name mazurka; meter 2/4; tempo 1/4=120; beatlen 1/4 2 /4 5 3; }\n";

TEST(PerformanceSwing, SwingBrokenPairsAndBeatLengths) {
  const StyleSet styles = test::ParseStyles(kHornpipe);
  auto notes = [&](const std::string& header, const std::string& body) {
    return NotesOf(Build(Tune(header, body), TestMidi(), styles)->Voice());
  };
  auto starts = [](const std::vector<Note>& n) {
    std::vector<uint32_t> s;
    for (const Note& x : n) s.push_back(x.start);
    return s;
  };
  const auto pairs = notes("R:hornpipe\nM:C|\nL:1/8\nK:C", "ABcd A2");
  EXPECT_EQ(starts(pairs), (std::vector<uint32_t>{0, 128, 192, 320, 384}));
  EXPECT_EQ(pairs[1].length, 64u);
  EXPECT_EQ(pairs[4].length, 192u);  // only notes of the swing unit
  EXPECT_EQ(starts(notes("R:hornpipe\nM:C|\nL:1/8\nK:C", "A>B c")), (std::vector<uint32_t>{0, 120, 192}));
  EXPECT_EQ(starts(notes("R:Mazurka\nM:2/4\nL:1/4\nK:C", "AB|c")), (std::vector<uint32_t>{0, 240, 384}));
  // Another rhythm, or another meter, plays straight.
  EXPECT_EQ(starts(notes("R:reel\nM:C|\nL:1/8\nK:C", "ABcd")), (std::vector<uint32_t>{0, 96, 192, 288}));
  EXPECT_EQ(starts(notes("R:hornpipe\nM:4/4\nL:1/8\nK:C", "AB")), (std::vector<uint32_t>{0, 96}));
}

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
  EXPECT_EQ(Pitches(std::vector<Note>(q.begin() + 6, q.begin() + 10)), (std::vector<int>{50, 54, 57, 60}));
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

TEST(PerformanceDrone, DroneTextKeepDroneAndBagpipeKeys) {
  MidiSettings m = TestMidi();
  m.drone = "X,X,,";
  auto b = Build(Tune("M:2/4\nL:1/4\nK:D", "AB|c"), m);
  EXPECT_EQ(NotesOf(b->perf->Drone()),
            (std::vector<Note>{{0, 576, 50, 48, 15}, {0, 576, 38, 48, 15}}));
  // The drone octave and the transposition apply.
  m.droneOctave = 1;
  m.transpose = 2;
  auto c = Build(Tune("M:2/4\nL:1/4\nK:D", "A"), m);
  EXPECT_EQ(Pitches(NotesOf(c->perf->Drone())), (std::vector<int>{64, 52}));
  EXPECT_EQ(Pitches(NotesOf(c->Voice())), (std::vector<int>{71}));

  // K:Hp: a semitone up, drone A,A,, and no chords (KeyHpSpecial on by default).
  TuneFile file;
  file.SplitTunes(Tune("M:2/4\nL:1/8\nR:reel\nK:Hp", "\"G\"ABcd"), true, 0, false);
  PlaySettings hp = GatherPlaySettings(TestMidi(), *file.TuneAt(1), StyleSet());
  EXPECT_EQ(hp.transpose, 1);
  EXPECT_EQ(hp.droneText, "A,A,,");
  EXPECT_TRUE(hp.droneOn);
  EXPECT_FALSE(hp.playChords);
  MidiSettings off = TestMidi();
  off.keyHpSpecial = 0;
  off.keepDrone = 1;
  off.drone = "D";
  PlaySettings plain = GatherPlaySettings(off, *file.TuneAt(1), StyleSet(), "X,");
  EXPECT_EQ(plain.transpose, 0);
  EXPECT_EQ(plain.droneText, "X,");  // KeepDrone: the drone text last used
  EXPECT_TRUE(plain.playChords);
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

TEST(PerformanceVoices, VoicesChannelsMergingAndTheEndMarker) {
  MidiSettings m = TestMidi();
  m.drone = "C";
  const StyleSet styles = test::ParseStyles(kBacking);
  auto b = Build(Tune("M:2/4\nL:1/4\nK:C", "V:1\n\"C\"A B|\nV:2 name=\"Second\"\nC D|\nV:T3\nE|"), m, styles);
  ASSERT_EQ(b->perf->Voices().size(), 3u);
  EXPECT_EQ(Pitches(NotesOf(b->Voice(1))), (std::vector<int>{69, 71}));
  EXPECT_EQ(NotesOf(b->Voice(2)), (std::vector<Note>{{0, 192, 60, 100, 1}, {192, 192, 62, 100, 1}}));
  EXPECT_EQ(b->Voice(2).voice.name, "Second");
  EXPECT_EQ(NotesOf(b->Voice(3))[0].channel, 2);  // a named voice gets the next number

  auto merged = Build(Tune("M:2/4\nL:1/4\nK:C", "V:1\n\"C\"A B|\nV:2\nC D|"), m, styles,
                      [](PlaySettings& s) { s.merged = true; });
  const auto ev = test::Absolute(merged->Voice().Events());
  // At time 0: tempo, drone, backing, then the voices from the highest down.
  std::vector<int> statuses;
  for (const MidiEvent& e : ev) {
    if (e.time > 0) break;
    statuses.push_back(e.status);
  }
  EXPECT_EQ(statuses, (std::vector<int>{0x00, 0xCF, 0x9F, 0xCE, 0x9E, 0x9E, 0x9E, 0xC1, 0x91, 0xC0, 0x90}));
  // A program change of voice 1 marks the end.
  EXPECT_EQ(ev.back(), (MidiEvent{384, 0xC0, 110, 0, 0}));
  EXPECT_EQ(merged->perf->LengthQuarters(), 2u);
  for (size_t i = 1; i < merged->perf->Voices().size(); ++i)
    EXPECT_EQ(merged->perf->Voices()[i].Count(), 0u);
}

TEST(PerformanceDirectives, MidiProgramChannelTransposeAndBacking) {
  auto b = Build(Tune("M:2/4\nL:1/4\nK:C",
                      "%%MIDI program 40\n%%MIDI channel 5\n%%MIDI transpose -12\n"
                      "%%MIDI chordprog 24\nA|\nV:2\n%%MIDI program 41\nC|"));
  const auto v1 = test::Absolute(b->Voice(1).Events());
  EXPECT_EQ(v1[1], (MidiEvent{0, 0xC0, 40, 0, 0}));  // on the channel it had then
  EXPECT_EQ(NotesOf(b->Voice(1)), (std::vector<Note>{{0, 192, 57, 100, 5}}));
  EXPECT_EQ(b->Voice(1).program, 40);
  EXPECT_EQ(b->Voice(2).program, 41);
  EXPECT_EQ(b->perf->Backing().program, 24);
  EXPECT_FALSE(b->perf->Backing().used);  // program changes alone
}

TEST(PerformanceErrors, EntriesExcerptsAndPositions) {
  // Bar lengths: measured at | only, reported where the bar began.
  auto bars = Build(Tune("M:4/4\nL:1/4\nK:C", "C D E F | G A B |\nC D || E :| F G A B |]"));
  const std::string_view body = bars->Body();
  EXPECT_EQ(bars->Errors(), FormatErrorEntry(1, AbcMessageText(MSG_BAR_LENGTH), ErrorExcerpt(body, 9), 9));
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
                FormatErrorEntry(2, AbcMessageText(MSG_INCORRECT_SYNTAX), ErrorExcerpt(b2, ending), ending) +
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
  auto longer = Build(Tune("M:none\nL:1/1\nK:C", "A65535 B65535 c65535 d65535 e65535 f65535 g65535 a65535 b65535 A"));
  EXPECT_NE(longer->Errors().find("too long"), std::string::npos);
  for (const Note& n : NotesOf(longer->Voice())) EXPECT_LE(uint64_t{n.start} + n.length, Performance::kMaxTime);
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

}  // namespace
}  // namespace tunora

namespace tunora {
namespace {

TEST(PerformanceReuse, ABuildAgainGivesWhatAFreshOneGives) {
  TuneFile file;
  file.SplitTunes("X:1\nT:a\nM:2/4\nL:1/4\nK:C\nV:1\nA B|\nV:2 name=x\nC D|\n\n"
                  "X:2\nT:b\nM:3/4\nL:1/8\nQ:100\nK:D\n|: d2 e2 f2 :|\n",
                  true, 0, false);
  Performance reused;
  for (int k : {1, 2, 1}) {
    PlaySettings s = GatherPlaySettings(test::TestMidi(), *file.TuneAt(k), StyleSet());
    Performance fresh;
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

}  // namespace
}  // namespace tunora

namespace tunora {
namespace {

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
