// Backing patterns: the rhythm in which the notes of a voiced chord are played,
// chosen from a backing by meter and read from its notation:
//   a to h   the chord's first to eighth voiced note (lowest first); z a rest
//   ' ,      after a letter: an octave up or down (repeatable)
//   n /m //  length in eighths (96 ticks), divided by m, or by 2 per slash
//   [ ... ]  notes together; the group lasts as long as its last note
// Every other character is skipped; the pattern repeats from its start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abc/AbcModel.h"
#include "play/StyleSet.h"

namespace tunora {

// The pattern text for a bar of meter: the backing's pattern for the whole bar,
// else its pattern for one beat repeated per beat (per part of an additive
// meter), else the default one-beat pattern "[a2b2c2d2e2f2g2h2]" (lengths of one
// beat) repeated per beat. backing may be null.
std::string ChoosePatternText(const Backing* backing, const MeterInfo& meter);

class BackingPattern {
 public:
  struct Note {
    uint8_t index;   // 0 = a ... 7 = h
    int8_t octaves;  // from ' and ,
  };
  struct Element {
    uint32_t firstNote = 0;  // into Notes()
    uint32_t noteCount = 0;  // 0 for a rest
    tick length = 0;
  };

  // Reads pattern text; reuses the storage of an earlier pattern.
  void Parse(std::string_view text);

  const std::vector<Element>& Elements() const { return elements_; }
  const std::vector<Note>& Notes() const { return notes_; }
  // The length of one pass through the pattern; 0 when it has no length.
  tick Total() const { return total_; }

 private:
  std::vector<Element> elements_;
  std::vector<Note> notes_;
  tick total_ = 0;
};

}  // namespace tunora
