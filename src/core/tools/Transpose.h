// Transposition: a tune, or part of its body, moved by a number of semitones
// (through the tune rewriter), and the coupling of the Transpose page's "by"
// and "to key" choices. Melody search transposes its phrases through here too.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tools/TuneRewriter.h"

namespace tunora {

// Transposition of a K: text by shift semitones: the tonic moved, folded into
// the octave and named in chord style from the old key's names, then the mode's
// abbreviation, the key's own accidentals moved with it, then the words that
// followed them (a clef, for instance). A K: that names no key is kept as it is.
std::string TransposeKeyText(std::string_view keyText, int shift);

// A pitch moved by shift and kept within 1..127 by whole octaves.
int TransposePitch(int pitch, int shift);

// The whole tune moved by shift semitones: the new body and the new K: text.
RewriteResult TransposeTune(const TuneTexts& tune, int shift, const StyleSet& styles);

// The pitches (and rest codes) of the notes of a tune as the reader reads them.
std::vector<int> NotePitches(const TuneTexts& tune);

// The semitones of the page: by + 12 x octaves, negated for down.
int TransposeShift(int by, int octaves, bool up);

// The seventeen tonics of the key list; a natural tonic carries a trailing blank.
inline constexpr std::array<std::string_view, 17> kKeyListTonics = {
    "Gb", "Db", "Ab", "Eb", "Bb", "F ", "C ", "G ", "D ",
    "A ", "E ", "B ", "F#", "C#", "G#", "D#", "A#"};

// The key list's tonic for a tune in tuneKey moved by "by" up or down: folded into
// the octave, named like the transposed K:, with a trailing blank when natural.
std::string KeyListTonic(std::string_view tuneKeyText, int by, bool up);

// The "by" of the page for a tonic chosen in the key list (a text such as "Bb" or
// "F "): new minus old tonic for up, old minus new for down, in 0..11. -1 when the
// text names no tonic.
int ByForTonic(std::string_view tuneKeyText, std::string_view tonic, bool up);

// The mode text of a K: (what follows the tonic and its accidental), for the key
// list's entries.
std::string KeyModeText(std::string_view keyText);

}  // namespace tunora
