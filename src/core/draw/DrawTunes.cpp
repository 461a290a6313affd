#include "draw/DrawTunes.h"

namespace tunora {

int DrawTunes(Canvas& canvas, const std::vector<const TuneRecord*>& tunes,
              const FormatSettings& format, const LayoutParams& layout, const SymbolMap& symbols,
              const DrawJob& job, const std::function<void(size_t)>& beforeTune) {
  DrawContext dc(canvas, format, layout, symbols, job);
  bool ok = true;
  for (size_t i = 0; i < tunes.size(); ++i) {
    const TuneRecord* tune = tunes[i];
    if (tune == nullptr) continue;
    if (beforeTune) beforeTune(i);
    if (!dc.DrawTune(*tune)) {
      ok = false;
      break;
    }
  }
  dc.Finish();
  return ok ? dc.PagesStarted() : 0;
}

}  // namespace tunora
