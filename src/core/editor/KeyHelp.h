// Key/Mode Help without its window: the notes and the signature of a key, and
// the key that has a given signature in a given mode, found through the
// reader's own key parsing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct KeyDescription {
  bool valid = false;  // the text names a key
  std::string notes;   // the seven scale notes, "=E ^F =G =A =B ^C =D"
  int sharps = 0;      // sharps of the signature (a double sharp counts two)
  int flats = 0;
  // "2 sharps", "1 flat", "no sharps or flats"; empty when the key needs both.
  std::string signature;
};

// The notes and signature of a key text as written after K: ("Edor", "F#m").
KeyDescription DescribeKey(std::string_view keyText);

struct KeyHelpMode {
  const char* name;          // "dorian"
  const char* abbreviation;  // what a key text writes: "dor", "m", "" for major
};
// The modes offered by the help, major first.
const std::vector<KeyHelpMode>& KeyHelpModes();

// The key with count sharps (or flats) in the mode at modeIndex of
// KeyHelpModes(); centre is the tonic's letter (A to G, either case), or 0 for
// any. nullopt when no key fits.
std::optional<std::string> FindKey(int count, bool flats, int modeIndex, char centre);

}  // namespace tunora
