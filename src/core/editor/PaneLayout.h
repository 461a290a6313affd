// How the tune editor shares its height among the header, tune and words
// panes: in proportion to their weights, with the header pane shrinking to
// what its lines need and giving the rest to the other panes.
#pragma once

#include <array>

namespace tunora {

enum EditorPane { kHeaderPane = 0, kTunePane = 1, kWordsPane = 2 };

struct PaneLayoutInput {
  int height = 0;  // shared among the shown panes
  std::array<bool, 3> shown{true, true, false};
  std::array<int, 3> weights{2, 5, 2};
  int headerNeed = 0;  // sum of the header lines' heights plus 4
};

// The height of each pane; 0 for a hidden one.
std::array<int, 3> PaneHeights(const PaneLayoutInput& input);

// A pane may be hidden unless it is the last one shown.
bool CanHidePane(const std::array<bool, 3>& shown, int pane);

}  // namespace tunora
