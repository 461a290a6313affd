#include "editor/PaneLayout.h"

#include <algorithm>

namespace tunora {

std::array<int, 3> PaneHeights(const PaneLayoutInput& in) {
  std::array<int, 3> h{0, 0, 0};
  int height = std::max(0, in.height);
  long total = 0;
  int lastShown = -1;
  for (int k = 0; k < 3; ++k) {
    if (!in.shown[static_cast<size_t>(k)]) continue;
    total += std::max(1, in.weights[static_cast<size_t>(k)]);
    lastShown = k;
  }
  if (lastShown < 0) return h;
  int given = 0;
  for (int k = 0; k < 3; ++k) {
    if (!in.shown[static_cast<size_t>(k)]) continue;
    if (k == lastShown) {
      h[static_cast<size_t>(k)] = height - given;
    } else {
      long w = std::max(1, in.weights[static_cast<size_t>(k)]);
      h[static_cast<size_t>(k)] = static_cast<int>(height * w / total);
      given += h[static_cast<size_t>(k)];
    }
  }
  bool tune = in.shown[kTunePane];
  bool words = in.shown[kWordsPane];
  if (in.shown[kHeaderPane] && (tune || words) && in.headerNeed >= 0 &&
      in.headerNeed < h[kHeaderPane]) {
    int surplus = h[kHeaderPane] - in.headerNeed;
    h[kHeaderPane] = in.headerNeed;
    if (tune && words) {
      h[kTunePane] += surplus / 2;
      h[kWordsPane] += surplus - surplus / 2;
    } else if (tune) {
      h[kTunePane] += surplus;
    } else {
      h[kWordsPane] += surplus;
    }
  }
  return h;
}

bool CanHidePane(const std::array<bool, 3>& shown, int pane) {
  if (pane < 0 || pane > 2 || !shown[static_cast<size_t>(pane)]) return false;
  int count = static_cast<int>(std::count(shown.begin(), shown.end(), true));
  return count > 1;
}

}  // namespace tunora
