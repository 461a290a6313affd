#include "draw/ItemHitMap.h"

#include <cstdlib>
#include <limits>

namespace tunora {

void ItemHitMap::Add(const LaidOutItem& item, int tune) {
  if (item.begin < 0 || item.end < item.begin) return;
  Entry e;
  e.page = item.page;
  e.kind = std::string(item.kind);
  e.begin = item.begin;
  e.end = item.end;
  e.left = std::min(item.left, item.right);
  e.right = std::max(item.left, item.right);
  e.bottom = std::min(item.bottom, item.top);
  e.top = std::max(item.bottom, item.top);
  e.tune = tune;
  entries_.push_back(std::move(e));
}

const ItemHitMap::Entry* ItemHitMap::At(int page, int32_t x, int32_t y, int32_t slack) const {
  const Entry* best = nullptr;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (const Entry& e : entries_) {
    if (e.page != page) continue;
    if (x < e.left - slack || x > e.right + slack || y < e.bottom - slack || y > e.top + slack)
      continue;
    int64_t dx = x - (static_cast<int64_t>(e.left) + e.right) / 2;
    int64_t dy = y - (static_cast<int64_t>(e.bottom) + e.top) / 2;
    int64_t distance = dx * dx + dy * dy;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = &e;
    }
  }
  return best;
}

const ItemHitMap::Entry* ItemHitMap::BySource(int tune, int32_t offset) const {
  const Entry* best = nullptr;
  for (const Entry& e : entries_) {
    if (e.tune != tune) continue;
    bool holds = e.begin == e.end ? offset == e.begin : offset >= e.begin && offset < e.end;
    if (!holds) continue;
    if (best == nullptr || e.end - e.begin < best->end - best->begin) best = &e;
  }
  return best;
}

}  // namespace tunora
