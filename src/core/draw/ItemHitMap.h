// The laid-out items of a drawing, kept per page for finding what lies under a
// point (a click on the music) and what was drawn from a byte of the tune text
// (the editor's cursor). Filled from the engine's item reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "draw/Canvas.h"

namespace tunora {

class ItemHitMap {
 public:
  struct Entry {
    int page = 0;
    std::string kind;
    int32_t begin = -1, end = -1;  // bytes of the canonical tune text
    int32_t left = 0, bottom = 0, right = 0, top = 0;
    int tune = 0;  // index of the tune in the drawing
  };

  void Clear() { entries_.clear(); }
  // Keeps an item that has a source range; others are of no use for hits.
  void Add(const LaidOutItem& item, int tune);
  const std::vector<Entry>& Entries() const { return entries_; }

  // The item whose box, widened by slack drawing units, holds the point on that
  // page; of several, the one whose centre is nearest. Null when none.
  const Entry* At(int page, int32_t x, int32_t y, int32_t slack) const;
  // The items of a tune whose source range holds byte offset, or starts there
  // when the range is empty; the first of the smallest ranges. Null when none.
  const Entry* BySource(int tune, int32_t offset) const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace tunora
