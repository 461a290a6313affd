#include "play/TuneBuild.h"

#include <algorithm>
#include <new>

#include "app/Settings.h"
#include "play/StyleSet.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

TuneBuild::TuneBuild(std::string_view fileHeader, const UserSymbols* programSymbols)
    : programSymbols_(programSymbols) {
  if (!fileHeader.empty()) fileSymbols_.LoadFromText(fileHeader);
}

PlaySettings TuneBuild::Gather(const MidiSettings& midi, const TuneRecord& tune,
                               const StyleSet& styles, std::string_view lastDrone) {
  symbolLines_ = TuneSymbolLines(tune);
  PlaySettings ps = GatherPlaySettings(midi, tune, styles, lastDrone);
  ps.programSymbols = programSymbols_;
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

bool TuneBuild::Build(const MidiSettings& midi, const TuneRecord& tune, const StyleSet& styles,
                      bool merged, int speedPercent) {
  PlaySettings ps = Gather(midi, tune, styles);
  ps.merged = merged;
  ps.speedPercent = speedPercent;
  return Build(ps, styles);
}

bool TuneBuild::BuildForFile(PlaySettings settings, const StyleSet& styles, int passes) {
  settings.merged = false;
  settings.speedPercent = 100;
  settings.repeat = passes;
  return Build(settings, styles);
}

bool TuneBuild::BuildPiece(PlaySettings settings, const StyleSet& styles, int passes,
                           int delaySeconds, PlayPiece& piece) {
  settings.merged = true;
  settings.repeat = 1;  // the passes are the player's: one pass is handed over again
  if (!Build(settings, styles)) return false;
  piece.events = std::move(perf_->Voices()[0].Events());
  piece.passes = passes;
  const auto delay = static_cast<unsigned>(std::clamp(delaySeconds, 0, kMaxPlayDelaySeconds));
  piece.delayTicks =
      PlayFeeder::DelayTicks(delay, PlayFeeder::FirstTempo(piece.events), kMidiDefaultResolution);
  return true;
}

void ChooseDrone(PlaySettings& settings, std::string text) {
  settings.droneOn = text.find_first_not_of(" \t\r\n") != std::string::npos;
  settings.droneText = std::move(text);
}

}  // namespace tunora
