// Chord symbols ("G", "Am7/E", "(D7)") read against the chord types of the
// style set, and their voicing for the backing track.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "play/StyleSet.h"

namespace tunora {

struct ChordSymbol {
  static constexpr int kMaxNotes = 7;
  static constexpr uint8_t kNone = 128;  // a place without a note

  bool valid = false;                      // false: no chord in force (an annotation, or none yet)
  char name[24] = {};                      // display name: root letter, # or b, type name
  std::array<uint8_t, kMaxNotes> notes{};  // root + each interval, kNone where unused
  int noteCount = 0;
  int root = 60;             // in the octave of C = 60 (59 to 72 with its accidental)
  int bass = 60;             // the bass note, the root when none is written
  char bassName[6] = {};     // "/E", "/F#", "" when no bass was written
  int typeIndex = -1;        // index into the style set's chord types
  bool alternative = false;  // written in parentheses, "(Am)"
  bool lowerCase = false;    // the root letter was written in lower case
};

// Reads the text of a chord symbol into chord. A text that starts with "/" while a
// chord is in force changes only the bass; any other text replaces the chord.
// Returns true when the text is a chord, false for an annotation (chord then
// holds no chord).
bool ReadChordSymbol(std::string_view text, const StyleSet& styles, ChordSymbol& chord);

// Up to 8 notes of a voiced chord, lowest first.
struct VoicedChord {
  static constexpr int kMaxNotes = 8;
  std::array<uint8_t, kMaxNotes> notes{};
  int count = 0;
  int Lowest() const { return count > 0 ? notes[0] : 60; }
};

// Voices chord for the backing: octaveShift is 12 x BackingOctave, previousLowest
// the lowest note voiced for the previous chord (60 before the first).
VoicedChord VoiceChord(const ChordSymbol& chord, int octaveShift, int previousLowest);

}  // namespace tunora
