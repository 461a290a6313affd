// Checks and list operations of the style editors: what may be typed into a
// value of "abcstyle.cfg", chord types made from the fields of their editor,
// and moving, deleting and marking entries of the style set's lists.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "play/StyleSet.h"

namespace tunora {

// The reader takes a value up to the next ";" and trims blanks around it, so a
// value may hold neither ";" nor a line end (nor a NUL).
bool IsStyleValueText(std::string_view text);

// A chord type from the chord editor's type name and the texts of its notes
// (semitones above the root, one text per note). False when the type could not
// be read back: a name longer than ChordType::kMaxName, with a blank, a control
// character or one of ; / ( ) ", or beginning with an accidental (# b ^ _) that a
// chord symbol would take for the root's; or no notes, more than
// ChordType::kMaxNotes, or a note that is not a number from 0 to 127.
bool MakeChordType(std::string_view name, const std::vector<std::string>& noteTexts,
                   ChordType& out);

// Swaps entry index with the one before (up) or after it; the new index of the
// entry, or index unchanged when it cannot move.
template <typename T>
size_t MoveEntry(std::vector<T>& list, size_t index, bool up) {
  if (index >= list.size()) return index;
  if (up) {
    if (index == 0) return index;
    std::swap(list[index], list[index - 1]);
    return index - 1;
  }
  if (index + 1 >= list.size()) return index;
  std::swap(list[index], list[index + 1]);
  return index + 1;
}

// Marks backing index as the one used when no style is chosen, and no other.
void SetStandardBacking(std::vector<Backing>& backings, size_t index);

}  // namespace tunora
