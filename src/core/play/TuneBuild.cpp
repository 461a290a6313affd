#include "play/TuneBuild.h"

#include <new>

#include "app/Settings.h"
#include "play/StyleSet.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

TuneBuild::TuneBuild(std::string_view fileHeader) {
  if (!fileHeader.empty()) fileSymbols_.LoadFromText(fileHeader);
}

PlaySettings TuneBuild::Gather(const MidiSettings& midi, const TuneRecord& tune,
                               const StyleSet& styles, std::string_view lastDrone) {
  symbolLines_ = TuneSymbolLines(tune);
  PlaySettings ps = GatherPlaySettings(midi, tune, styles, lastDrone);
  ps.tuneSymbols = &fileSymbols_;
  ps.symbolLines = symbolLines_;
  return ps;
}

bool TuneBuild::Build(const PlaySettings& settings, const StyleSet& styles) {
  try {
    if (!perf_ || perfStyles_ != &styles) {
      perf_ = std::make_unique<Performance>(styles);
      perfStyles_ = &styles;
    }
    return perf_->Build(settings);
  } catch (const std::bad_alloc&) {
    // What was half built is dropped with its memory.
    perf_.reset();
    perfStyles_ = nullptr;
    return false;
  }
}

bool TuneBuild::Build(const MidiSettings& midi, const TuneRecord& tune, bool merged,
                      int speedPercent) {
  const StyleSet& styles = StyleSet::Application();
  PlaySettings ps = Gather(midi, tune, styles);
  ps.merged = merged;
  ps.speedPercent = speedPercent;
  return Build(ps, styles);
}

void ChooseDrone(PlaySettings& settings, std::string text) {
  settings.droneOn = text.find_first_not_of(" \t\r\n") != std::string::npos;
  settings.droneText = std::move(text);
}

}  // namespace tunora
