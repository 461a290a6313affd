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

// The rest of the key record is in the reviewed listing tests/abc/golden/keys.listing.
TEST(KeyTest, SpellingsAndCountsBesideTheListing) {
  KeyInfo bb = Key("Bb");
  EXPECT_EQ(bb.tonicLetter, 71);
  EXPECT_EQ(bb.tonicAccidental, -1);
  EXPECT_STREQ(bb.scaleNames[0], "Bb");
  EXPECT_STREQ(bb.scaleNames[3], "Eb");
  EXPECT_STREQ(Key("F#").scaleNames[6], "E#");
  EXPECT_STREQ(Key("Cb").scaleNames[3], "Fb");
  EXPECT_EQ(std::string(Key("E").letters, 12), "CCDDEFFGGAAB");
  // At most seven written accidentals count; a clef assignment is none.
  EXPECT_EQ(Key("G ^c").explicitCount, 1);
  EXPECT_EQ(Key("C ^d ^e ^f ^g ^a ^b _d _e").explicitCount, 7);
  EXPECT_EQ(Key("G clef=treble").explicitCount, 0);
}

// ---------------------------------------------------------------------------- M:

MeterInfo Meter(std::string_view text, bool cut = false) {
  MeterInfo m;
  ParseMeter(text, m, cut, true);
  return m;
}

TempoInfo Tempo(std::string_view text, tick unit = 96, tick beat = 192) {
  TempoInfo t;
  ParseTempo(text, unit, beat, t);
  return t;
}

// The lengths each meter, unit and tempo give are in the reviewed listing
// tests/abc/golden/meters.tokens; here what that listing does not show.
TEST(MeterTest, PartsSymbolsCommonEqualsCutAndBodyMeters) {
  MeterInfo m = Meter("2+3+2/8");
  ASSERT_EQ(m.partCount, 3);
  EXPECT_EQ(m.parts[0], 2);
  EXPECT_EQ(m.parts[1], 3);
  EXPECT_EQ(m.numerator, 7);
  EXPECT_EQ(m.partLengths[1], 288u);
  EXPECT_EQ(Meter("3+2").denominator, 4);  // no denominator reads as 4
  EXPECT_EQ(Meter("3/0").denominator, 4);
  EXPECT_TRUE(Meter("C").isSymbol);
  EXPECT_EQ(Meter("C").beatsPerBar, 4);
  MeterInfo cut = Meter("C|");
  EXPECT_TRUE(cut.isSymbol);
  EXPECT_EQ(cut.numerator, 2);
  EXPECT_EQ(cut.denominator, 2);
  for (std::string_view text : {"C", "4/4"}) {
    MeterInfo common = Meter(text, true);
    EXPECT_EQ(common.beatsPerBar, 2) << text;
    EXPECT_EQ(common.beatLength, 384u) << text;
    EXPECT_EQ(common.offbeatLength, 192u) << text;
    EXPECT_EQ(common.barLength, 768u) << text;
  }
  // A meter of the body keeps the unit length in force.
  MeterInfo body = Meter("6/8");
  body.unitLength = 192;
  ParseMeter("2/4", body, false, false);
  EXPECT_EQ(body.unitLength, 192u);
  EXPECT_EQ(body.barLength, 384u);
  EXPECT_EQ(ParseUnitLength("  "), 0u);
  EXPECT_TRUE(Tempo("100", 96, 288).bareNumber);
  EXPECT_FALSE(Tempo("\"Allegro\"", 96, 288).bareNumber);
  EXPECT_FALSE(Tempo("1/4=120").bareNumber);
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
