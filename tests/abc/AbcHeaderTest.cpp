// K:, M:, L:, Q:, V: and %% directive reading, and the error-list entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "abc/AbcHeader.h"
#include "abc/ErrorList.h"

namespace tunora {
namespace {

KeyInfo Key(std::string_view text) {
  KeyInfo k;
  ParseKey(text, k);
  return k;
}

std::vector<int> Accidentals(const KeyInfo& k) {
  return std::vector<int>(k.letterAccidentals, k.letterAccidentals + 12);
}

std::string Names(const KeyInfo& k) {
  std::string s;
  for (int i = 0; i < 12; ++i) {
    if (i > 0) s += ' ';
    s += k.names[i];
  }
  return s;
}

TEST(KeyTest, BagpipeKeysReadAsAMixolydianOnlyWhenExact) {
  for (std::string_view text : {"HP", "Hp", "  HP"}) {
    KeyInfo k = Key(text);
    EXPECT_EQ(k.tonic, 69) << text;
    EXPECT_STREQ(k.mode->name, "mixolydian") << text;
    // A mixolydian: C# and F#, G natural.
    EXPECT_EQ(k.letterAccidentals[0], 1) << text;
    EXPECT_EQ(k.letterAccidentals[5], 1) << text;
    EXPECT_EQ(k.letterAccidentals[7], 0) << text;
    EXPECT_FALSE(k.noKey);
  }
  EXPECT_EQ(Key("HP").bagpipeKey, 1);
  EXPECT_EQ(Key("Hp").bagpipeKey, 2);
  KeyInfo trailing = Key("HP ");
  EXPECT_EQ(trailing.bagpipeKey, 0);
  EXPECT_TRUE(trailing.noKey);
  EXPECT_EQ(trailing.tonic, 60);
}

TEST(KeyTest, ModesCompareAsPrefixesWithoutCase) {
  for (std::string_view text : {"Dm", "D minor", "DMIN", "D m", "Daeolian", "D Aeo"}) {
    KeyInfo k = Key(text);
    EXPECT_EQ(k.tonic, 62) << text;
    EXPECT_EQ(Accidentals(k), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1})) << text;
  }
  EXPECT_STREQ(Key("Dmix").mode->name, "mixolydian");
  EXPECT_STREQ(Key("Dmaj").mode->name, "major");
  EXPECT_STREQ(Key("D").mode->name, "major");
  EXPECT_STREQ(Key("Efry").mode->name, "phrygian");
  EXPECT_STREQ(Key("Elocrian").mode->name, "locrian");
  // "m" alone is minor; "mix" and "maj" are tried before it.
  EXPECT_STREQ(Key("Am").mode->name, "minor");
}

TEST(KeyTest, TonicAccidentalAndScale) {
  KeyInfo bb = Key("Bb");
  EXPECT_EQ(bb.tonic, 70);
  EXPECT_EQ(bb.tonicLetter, 71);
  EXPECT_EQ(bb.tonicAccidental, -1);
  EXPECT_EQ(Accidentals(bb), (std::vector<int>{0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, -1}));
  EXPECT_EQ(std::vector<int>(bb.scale, bb.scale + 7),
            (std::vector<int>{70, 60, 62, 63, 65, 67, 69}));
  EXPECT_STREQ(bb.scaleNames[0], "Bb");
  EXPECT_STREQ(bb.scaleNames[3], "Eb");

  KeyInfo fs = Key("F#");
  EXPECT_EQ(fs.tonic, 66);
  // F# major: every letter sharp except B.
  EXPECT_EQ(Accidentals(fs), (std::vector<int>{1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 0}));
  EXPECT_STREQ(fs.scaleNames[6], "E#");

  KeyInfo cb = Key("Cb");
  EXPECT_EQ(cb.tonic, 59);
  EXPECT_STREQ(cb.scaleNames[0], "Cb");
  EXPECT_STREQ(cb.scaleNames[3], "Fb");
}

TEST(KeyTest, ExplicitAccidentals) {
  KeyInfo g = Key("G ^c");
  EXPECT_EQ(g.letterAccidentals[5], 1);  // F#
  EXPECT_EQ(g.letterAccidentals[0], 1);  // and C#
  EXPECT_EQ(g.explicitCount, 1);

  KeyInfo d = Key("D =c");
  EXPECT_EQ(d.letterAccidentals[0], 0);  // C natural
  EXPECT_EQ(d.letterAccidentals[5], 1);  // F# stays
  EXPECT_FALSE(d.noKey);

  KeyInfo f = Key("F =b");
  EXPECT_EQ(f.letterAccidentals[11], 0);

  // A sharp on a letter the mode already alters changes nothing.
  EXPECT_EQ(Accidentals(Key("D ^f")), Accidentals(Key("D")));
  // Every written accidental applies, on the tonic's letter and after it too, and
  // outright: against the mode's own accidental as well.
  auto sharpsFlats = [](const KeyInfo& k) {
    std::string out;
    for (int pc : {0, 2, 4, 5, 7, 9, 11}) out += std::to_string(k.letterAccidentals[pc]) + " ";
    return out;
  };
  EXPECT_EQ(sharpsFlats(Key("C ^f ^c ^a")), "1 0 0 1 0 1 0 ");
  EXPECT_EQ(sharpsFlats(Key("G ^c ^g ^d")), "1 1 0 1 1 0 0 ");
  EXPECT_EQ(sharpsFlats(Key("Bb =e =b")), "0 0 0 0 0 0 0 ");
  EXPECT_EQ(sharpsFlats(Key("F ^b")), "0 0 0 0 0 0 1 ");
  EXPECT_EQ(sharpsFlats(Key("D _f ^^g")), "1 0 0 -1 2 0 0 ");
  EXPECT_FALSE(Key("D ^d").noKey);
  EXPECT_EQ(Key("Bb =e =b").scale[0], 71);
  // A letter that is no note letter too.
  EXPECT_TRUE(Key("D ^h").noKey);
  // At most seven.
  EXPECT_EQ(Key("C ^d ^e ^f ^g ^a ^b _d _e").explicitCount, 7);
}

TEST(KeyTest, NoKeyGivesC) {
  for (std::string_view text : {"", "none", "z", "   ", "%comment"}) {
    KeyInfo k = Key(text);
    EXPECT_TRUE(k.noKey) << text;
    EXPECT_EQ(k.tonic, 60) << text;
    EXPECT_EQ(Accidentals(k), std::vector<int>(12, 0)) << text;
  }
  // A clef assignment after the key is no explicit natural.
  KeyInfo g = Key("G clef=treble");
  EXPECT_FALSE(g.noKey);
  EXPECT_EQ(g.tonic, 67);
  EXPECT_EQ(g.explicitCount, 0);
}

TEST(KeyTest, SpelledChromaticNames) {
  EXPECT_EQ(Names(Key("C")), "C Db D Eb E F F# G Ab A Bb B");
  EXPECT_EQ(Names(Key("G")), "C C# D Eb E F= F# G Ab A Bb B");
  EXPECT_EQ(Names(Key("F")), "C Db D Eb E F Gb G Ab A Bb B=");
  EXPECT_EQ(Names(Key("Bb")), "C Db D Eb E= F Gb G Ab A Bb Cb");
  KeyInfo e = Key("E");
  EXPECT_EQ(std::string(e.letters, 12), "CCDDEFFGGAAB");
  EXPECT_STREQ(e.names[3], "D#");
  EXPECT_STREQ(e.names[10], "A#");
}

// ---------------------------------------------------------------------------- M:

MeterInfo Meter(std::string_view text, bool cut = false) {
  MeterInfo m;
  ParseMeter(text, m, cut, true);
  return m;
}

TEST(MeterTest, CompoundSimpleAndOddGrids) {
  MeterInfo m68 = Meter("6/8");
  EXPECT_EQ(m68.beatsPerBar, 2);
  EXPECT_EQ(m68.beatLength, 288u);
  EXPECT_EQ(m68.barLength, 576u);
  EXPECT_EQ(m68.offbeatLength, 0u);
  EXPECT_EQ(m68.subBeatLength, 96u);

  MeterInfo m38 = Meter("3/8");
  EXPECT_EQ(m38.beatsPerBar, 1);
  EXPECT_EQ(m38.beatLength, 192u);
  EXPECT_EQ(m38.barLength, 288u);

  MeterInfo m58 = Meter("5/8");
  EXPECT_EQ(m58.beatsPerBar, 2);
  EXPECT_EQ(m58.barLength, 480u);

  MeterInfo m34 = Meter("3/4");
  EXPECT_EQ(m34.beatsPerBar, 3);
  EXPECT_EQ(m34.beatLength, 192u);
  EXPECT_EQ(m34.offbeatLength, 96u);
  EXPECT_EQ(m34.barLength, 576u);
  EXPECT_EQ(m34.subBeatLength, 96u);  // the unit length

  MeterInfo m98 = Meter("9/8");
  EXPECT_EQ(m98.beatsPerBar, 3);
  EXPECT_EQ(m98.barLength, 864u);

  MeterInfo m22 = Meter("2/2");
  EXPECT_EQ(m22.beatLength, 384u);
  EXPECT_EQ(m22.barLength, 768u);

  // 1/8 would count no beat at all; it keeps one.
  EXPECT_EQ(Meter("1/8").beatsPerBar, 1);
}

TEST(MeterTest, AdditiveMeter) {
  MeterInfo m = Meter("2+3+2/8");
  ASSERT_EQ(m.partCount, 3);
  EXPECT_EQ(m.parts[0], 2);
  EXPECT_EQ(m.parts[1], 3);
  EXPECT_EQ(m.parts[2], 2);
  EXPECT_EQ(m.numerator, 7);
  EXPECT_EQ(m.barLength, 672u);
  EXPECT_EQ(m.beatLength, 192u);
  EXPECT_EQ(m.beatsPerBar, 3);
  EXPECT_EQ(m.partLengths[1], 288u);
  EXPECT_EQ(m.offbeatLength, 0u);
  // Missing denominator reads as 4.
  EXPECT_EQ(Meter("3+2").denominator, 4);
}

TEST(MeterTest, SymbolsAndCommonEqualsCut) {
  MeterInfo c = Meter("C");
  EXPECT_TRUE(c.isSymbol);
  EXPECT_EQ(c.numerator, 4);
  EXPECT_EQ(c.beatsPerBar, 4);
  MeterInfo cut = Meter("C|");
  EXPECT_TRUE(cut.isSymbol);
  EXPECT_EQ(cut.numerator, 2);
  EXPECT_EQ(cut.denominator, 2);
  for (std::string_view text : {"C", "4/4"}) {
    MeterInfo m = Meter(text, true);
    EXPECT_EQ(m.beatsPerBar, 2) << text;
    EXPECT_EQ(m.beatLength, 384u) << text;
    EXPECT_EQ(m.offbeatLength, 192u) << text;
    EXPECT_EQ(m.barLength, 768u) << text;
  }
}

TEST(MeterTest, NoMeterHasAGridButNoBarLength) {
  for (std::string_view text : {"none", "", "free"}) {
    MeterInfo m = Meter(text);
    EXPECT_EQ(m.numerator, 0) << text;
    EXPECT_EQ(m.beatsPerBar, 1);
    EXPECT_EQ(m.beatLength, 192u);
    EXPECT_EQ(m.offbeatLength, 96u);
    EXPECT_EQ(m.subBeatLength, 96u);
    EXPECT_EQ(m.barLength, 0u);
  }
}

TEST(MeterTest, DefaultUnitLength) {
  EXPECT_EQ(Meter("2/4").unitLength, 48u);
  EXPECT_EQ(Meter("3/16").unitLength, 48u);
  EXPECT_EQ(Meter("3/4").unitLength, 96u);
  EXPECT_EQ(Meter("C|").unitLength, 96u);
  EXPECT_EQ(Meter("6/8").unitLength, 96u);
  EXPECT_EQ(Meter("none").unitLength, 96u);
  // A meter of the body keeps the unit length in force.
  MeterInfo m = Meter("6/8");
  m.unitLength = 192;
  ParseMeter("2/4", m, false, false);
  EXPECT_EQ(m.unitLength, 192u);
  EXPECT_EQ(m.barLength, 384u);
}

TEST(MeterTest, OutlandishNumbersKeepEveryLengthPositive) {
  MeterInfo m = Meter("7/9999");
  EXPECT_GE(m.beatLength, 1u);
  EXPECT_GE(m.subBeatLength, 1u);
  MeterInfo big = Meter("99999999/1");
  EXPECT_GT(big.barLength, 0u);
  EXPECT_EQ(Meter("3/0").denominator, 4);
}

// ------------------------------------------------------------------------ L: and Q:

TEST(UnitLengthTest, LengthSyntax) {
  EXPECT_EQ(ParseUnitLength("1/8"), 96u);
  EXPECT_EQ(ParseUnitLength(" 1/4"), 192u);
  EXPECT_EQ(ParseUnitLength("1/16"), 48u);
  EXPECT_EQ(ParseUnitLength("1"), 768u);
  EXPECT_EQ(ParseUnitLength("1//"), 192u);
  EXPECT_EQ(ParseUnitLength(""), 0u);
  EXPECT_EQ(ParseUnitLength("  "), 0u);
  EXPECT_GE(ParseUnitLength("1/9999"), 1u);
}

TempoInfo Tempo(std::string_view text, tick unit = 96, tick beat = 192) {
  TempoInfo t;
  ParseTempo(text, unit, beat, t);
  return t;
}

TEST(TempoTest, AllForms) {
  TempoInfo q = Tempo("1/4=120");
  EXPECT_EQ(q.beatLength, 192u);
  EXPECT_EQ(q.beatsPerMinute, 120u);
  EXPECT_FALSE(q.bareNumber);

  TempoInfo bare = Tempo("100", 96, 288);
  EXPECT_EQ(bare.beatLength, 288u);
  EXPECT_EQ(bare.beatsPerMinute, 100u);
  EXPECT_TRUE(bare.bareNumber);

  TempoInfo c = Tempo("C2=90");
  EXPECT_EQ(c.beatLength, 192u);
  EXPECT_EQ(c.beatsPerMinute, 90u);
  EXPECT_EQ(Tempo("C=90").beatLength, 96u);
  EXPECT_EQ(Tempo("c").beatsPerMinute, 120u);

  TempoInfo dotted = Tempo("3/8 = 60");
  EXPECT_EQ(dotted.beatLength, 288u);
  EXPECT_EQ(dotted.beatsPerMinute, 60u);
  EXPECT_EQ(Tempo("1/4").beatsPerMinute, 120u);
  EXPECT_EQ(Tempo("1/4=0").beatsPerMinute, 120u);

  TempoInfo text = Tempo("\"Allegro\"", 96, 288);
  EXPECT_EQ(text.beatLength, 288u);
  EXPECT_EQ(text.beatsPerMinute, 120u);
  EXPECT_FALSE(text.bareNumber);
  // A bare 0 would stop the clock.
  EXPECT_EQ(Tempo("0").beatsPerMinute, 120u);
  EXPECT_GE(Tempo("1/9999=60").beatLength, 1u);
}

// ---------------------------------------------------------------------------- V:

TEST(VoiceTest, FieldWithKeywords) {
  VoiceInfo v;
  ParseVoice("2 clef=bass-8 name=\"Left hand\" transpose=-2", v);
  EXPECT_EQ(v.number, 2);
  EXPECT_EQ(v.clef, 2);
  EXPECT_EQ(v.clefOctave, -1);
  EXPECT_EQ(v.name, "Left hand");
  EXPECT_EQ(v.transpose, -2);
  // Not written: sentinels.
  EXPECT_EQ(v.clefShift, VoiceInfo::kUnset);
  EXPECT_EQ(v.merge, VoiceInfo::kUnsetMerge);
  EXPECT_EQ(v.stems, VoiceInfo::kUnsetStems);
  EXPECT_TRUE(v.shortName.empty());
}

TEST(VoiceTest, ClefsShiftsStemsAndEndings) {
  VoiceInfo v;
  ParseVoice("1 CLEF = Treble+8 short=Vl stems=down merge=3", v);
  EXPECT_EQ(v.clef, 1);
  EXPECT_EQ(v.clefOctave, 1);
  EXPECT_EQ(v.shortName, "Vl");
  EXPECT_EQ(v.stems, -1);
  EXPECT_EQ(v.merge, 3);

  ParseVoice("3 clef=tenor-16", v);
  EXPECT_EQ(v.clefOctave, -2);
  ParseVoice("c=C", v);
  EXPECT_EQ(v.clefShift, -12);
  ParseVoice("c=c'", v);
  EXPECT_EQ(v.clefShift, 12);
  ParseVoice("c=c", v);
  EXPECT_EQ(v.clefShift, 0);

  // An unknown clef word, stem word or keyword ends the field.
  ParseVoice("1 clef=violin name=x", v);
  EXPECT_EQ(v.clef, 0);
  EXPECT_TRUE(v.name.empty());
  ParseVoice("1 stems=sideways transpose=3", v);
  EXPECT_EQ(v.transpose, VoiceInfo::kUnset);
  ParseVoice("1 nm=\"x\" transpose=3", v);
  EXPECT_EQ(v.transpose, VoiceInfo::kUnset);
  // An unclosed quote ends the field; so does the line end.
  ParseVoice("1 name=\"open transpose=3", v);
  EXPECT_TRUE(v.name.empty());
  EXPECT_EQ(v.transpose, VoiceInfo::kUnset);
  ParseVoice("1 name=A\r\ntranspose=3", v);
  EXPECT_EQ(v.name, "A");
  EXPECT_EQ(v.transpose, VoiceInfo::kUnset);
  // "clef" without = is skipped.
  ParseVoice("4 clef stems=up", v);
  EXPECT_EQ(v.number, 4);
  EXPECT_EQ(v.stems, 1);
}

TEST(VoiceTest, MergeCopiesWhatWasWritten) {
  VoiceInfo stored = VoiceInfo::Stored(1);
  stored.name = "Tenor";
  stored.transpose = 5;
  VoiceInfo field;
  ParseVoice("1 clef=bass c=C", field);
  stored.MergeFrom(field);
  EXPECT_EQ(stored.name, "Tenor");
  EXPECT_EQ(stored.clef, 2);
  EXPECT_EQ(stored.clefShift, -12);
  EXPECT_EQ(stored.transpose, 5);
  EXPECT_EQ(stored.totalShift, -7);
  EXPECT_EQ(stored.stems, 0);
}

// -------------------------------------------------------------------------- %%MIDI

TEST(DirectiveTest, DirectiveIds) {
  EXPECT_EQ(ParseDirectiveId("MIDI program 1"), kDirectiveMidi);
  EXPECT_EQ(ParseDirectiveId("midi channel 2"), kDirectiveMidi);
  EXPECT_EQ(ParseDirectiveId(" MIDI"), kDirectiveMidi);
  EXPECT_EQ(ParseDirectiveId("staves 1"), kDirectiveOther);
  EXPECT_EQ(ParseDirectiveId(""), kDirectiveOther);
}

TEST(DirectiveTest, MidiSubCommands) {
  MidiInfo m;
  ParseMidiDirective("MIDI program 73", m);
  EXPECT_EQ(m.keyword, MIDI_PROGRAM);
  EXPECT_EQ(m.program, 73);
  ParseMidiDirective("MIDI chordprog 24", m);
  EXPECT_EQ(m.keyword, MIDI_CHORDPROG);
  EXPECT_EQ(m.program, 24);
  ParseMidiDirective("MIDI  CHANNEL 3", m);
  EXPECT_EQ(m.keyword, MIDI_CHANNEL);
  EXPECT_EQ(m.channel, 3);
  ParseMidiDirective("MIDI dronechannel 12", m);
  EXPECT_EQ(m.keyword, MIDI_DRONECHANNEL);
  EXPECT_EQ(m.channel, 12);
  ParseMidiDirective("MIDI transpose -12", m);
  EXPECT_EQ(m.keyword, MIDI_TRANSPOSE);
  EXPECT_EQ(m.transpose, -12);
  ParseMidiDirective("MIDI grace 1/8", m);
  EXPECT_EQ(m.keyword, MIDI_GRACE);
  EXPECT_EQ(m.graceDenominator, 8);
  ParseMidiDirective("MIDI grace 2/8", m);
  EXPECT_EQ(m.graceDenominator, 8);  // needs "1/"
  ParseMidiDirective("MIDI drum dddd 35 38", m);
  EXPECT_EQ(m.keyword, MIDI_NONE);
  EXPECT_EQ(m.program, 24);
  EXPECT_EQ(m.channel, 12);
}

// ------------------------------------------------------------------------ errors

TEST(ErrorListTest, EntryFormatAndExcerpt) {
  ErrorList list;
  std::string body = "ABC\tD|\r\nEFG|";
  list.AddError(MSG_ERROR_IN_TUNE, 1, body, 2);
  EXPECT_EQ(list.Text(),
            "L 1: Error in ABC tune.: C D|\xAB\xAB"
            "EFG| [2]\r\n");
  list.AddError(MSG_INCORRECT_SYNTAX, 2, body, 9);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_NE(list.Text().find("L 2: Warning: Incorrect abc syntax.: FG| [9]\r\n"),
            std::string::npos);
  // Beyond the end: an empty excerpt.
  EXPECT_EQ(FormatErrorEntry(3, AbcMessageText(MSG_BAR_LENGTH), ErrorExcerpt(body, 50), 50),
            "L 3: Warning: Too many or too few notes in bar:  [50]\r\n");
  // The tempo warning keeps its own line break.
  EXPECT_NE(AbcMessageText(MSG_INCOMPLETE_TEMPO).find("compatibility\nproblems."),
            std::string_view::npos);
  list.Clear();
  EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace tunora
