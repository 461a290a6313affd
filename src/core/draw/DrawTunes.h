// Tunes drawn one after the other onto the pages of a canvas, as printing, the
// drawing window and tunora-cli render all do it, so that every output shows the
// same pages.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "draw/DrawContext.h"

namespace tunora {

struct TuneRecord;

// Draws the tunes with a fresh DrawContext and finishes the last page. Returns the
// number of pages started; 0 when the canvas could not start a page (the drawing
// stopped there). beforeTune, when set, hears the index of each tune before it is drawn.
int DrawTunes(Canvas& canvas, const std::vector<const TuneRecord*>& tunes,
              const FormatSettings& format, const LayoutParams& layout, const SymbolMap& symbols,
              const DrawJob& job, const std::function<void(size_t)>& beforeTune = {});

}  // namespace tunora
