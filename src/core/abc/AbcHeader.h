// Reading the fields that set the musical frame of a tune: K:, M:, L:, Q:, V:,
// and %% directive lines. The same routines serve the tune header and fields met
// in the body. Keywords compare without regard to case, as prefixes.
#pragma once

#include <string_view>

#include "abc/AbcModel.h"

namespace tunora {

// Directive ids of %% lines.
inline constexpr int kDirectiveOther = 0;
inline constexpr int kDirectiveMidi = 2;

// %%MIDI sub-command ids.
enum MidiKeyword {
  MIDI_NONE = 0,
  MIDI_CHANNEL = 1,
  MIDI_PROGRAM = 2,
  MIDI_GRACE = 3,
  MIDI_CHORDPROG = 4,
  MIDI_DRONEPROG = 5,
  MIDI_CHORDCHANNEL = 6,
  MIDI_DRONECHANNEL = 7,
  MIDI_TRANSPOSE = 8,
};

// K: text into key (every field of key is rewritten).
void ParseKey(std::string_view text, KeyInfo& key);

// M: text into meter. The unit length is set to the meter's default when
// chooseUnitLength (the header, or the body while none is in force); otherwise
// the unit length in force stays.
void ParseMeter(std::string_view text, MeterInfo& meter, bool commonEqualsCut,
                bool chooseUnitLength);

// The default unit length of a meter: 1/16 for exactly 2/4 or a denominator of
// 16, 1/8 otherwise.
tick DefaultUnitLength(const MeterInfo& meter);

// L: text as a unit length in ticks; 0 when the text is empty (only blanks).
tick ParseUnitLength(std::string_view text);

// Q: text into tempo, given the unit length and the meter's beat in force.
void ParseTempo(std::string_view text, tick unitLength, tick meterBeat, TempoInfo& tempo);

// V: text into voice (reset to the sentinels first).
void ParseVoice(std::string_view text, VoiceInfo& voice);

// The directive id of a %% line's text (the text after the %%).
int ParseDirectiveId(std::string_view text);

// The sub-command of a %%MIDI line (the text after the %%, "MIDI ..." included)
// into midi. A keyword that is not known leaves keyword 0 and nothing else changed.
void ParseMidiDirective(std::string_view text, MidiInfo& midi);

// A length multiplier in note-length syntax at text[pos]: an optional number
// (first digit 1 to 9), then / with a number, or a run of / (each halves).
// Moves pos past what it read. Numbers saturate at 65535.
void ReadLengthMultiplier(std::string_view text, size_t& pos, uint32_t& num, uint32_t& den);

// Reads decimal digits at text[pos] (saturating at 65535); false when none.
bool ReadNumber(std::string_view text, size_t& pos, uint32_t& value);

}  // namespace tunora
