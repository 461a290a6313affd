// Writing music back as ABC text: note names spelled in a key, lengths as
// multipliers of the unit length, and chord roots in chord style. Shared by the
// tune rewriter (tidying and transposition) and Chordwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "abc/AbcModel.h"

namespace tunora {

// The pitch class (C = 0) of a note letter of either case, -1 for any other character.
int LetterPcOf(char letter);

// The accidental (-6..5) that puts a letter of pitch class letterPc on pitch.
int AccidentalFor(int pitch, int letterPc);

// A pitch moved into the octave 60..71.
int FoldIntoOctave(int pitch);

// The multiplier num/den of the unit length as written after a note: "" for 1,
// "3", "/" for a half, "/4", "3/2". The fraction is reduced first; den 0 gives "".
std::string LengthText(uint64_t num, uint64_t den);

// A strict fraction "n/d" or "n" (digits only, both at least 1); false otherwise.
bool ParseFraction(std::string_view text, uint32_t& num, uint32_t& den);

// The name of pitch class pc (0 = C) in chord style, a letter and at most one
// "#" or "b", taken from the key's spelled names. A name the key spells with a
// double accidental is named as a black key of the key's side (sharps, or
// flats when the key's first accidental is a flat).
std::string ChordStyleName(const KeyInfo& key, int pc);

// A black key named for a key with no accidentals or sharps first ("C#"), or
// with flats first ("Db"); pc is a black key.
std::string BlackKeyName(const KeyInfo& key, int pc);

// Spells notes in a key, keeping its own accidental memory for the bar so that
// a plain note is only written plain when it sounds as intended.
class NoteSpeller {
 public:
  void SetKey(const KeyInfo& key);
  const KeyInfo& Key() const { return key_; }
  // A bar line: the accidentals written so far no longer hold.
  void ResetBar();

  // Appends accidentals, letter and octave marks of pitch (0..127). letterPc is
  // the pitch class of the letter to spell on (from a written accidental), or -1
  // for the key's own name of the pitch; forceAccidental writes an accidental even
  // where the key or the bar would give the pitch.
  void Write(std::string& out, int pitch, int letterPc, bool forceAccidental);

  // The pitch a plain letter (of pitch class letterPc) written at writtenPitch
  // sounds now, after what the bar has written so far.
  int Sounds(int writtenPitch, int letterPc) const;
  // A note written elsewhere (copied unchanged) with its written accidental.
  void Remember(int writtenPitch, int16_t writtenAccidental);

 private:
  KeyInfo key_;
  int16_t memory_[128] = {};  // kNatural, +n, -n or 0, by the written pitch
};

}  // namespace tunora
