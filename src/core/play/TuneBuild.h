// One tune built for playing or for a MIDI file, the way the player and tunora-cli
// build it: the settings gathered from the Midi settings, the tune and the style set,
// with the u: symbols of the file header and of the tune's own header.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "abc/UserSymbols.h"
#include "play/Performance.h"
#include "play/PlayFeeder.h"
#include "play/PlaySettings.h"

namespace tunora {

class StyleSet;
struct MidiSettings;
struct TuneRecord;

// The longest delay before the music of a live play, in seconds.
inline constexpr int kMaxPlayDelaySeconds = 3600;

class TuneBuild {
 public:
  // fileHeader: the tune file's header text, whose u: lines apply to every tune.
  // programSymbols: the program's set (userdef.abc), below the file's; may be null.
  explicit TuneBuild(std::string_view fileHeader = {}, const UserSymbols* programSymbols = nullptr);
  TuneBuild(const TuneBuild&) = delete;
  TuneBuild& operator=(const TuneBuild&) = delete;

  // The settings the player gathers for tune (see GatherPlaySettings); their views
  // point into tune and into this object, which must both outlive the build.
  PlaySettings Gather(const MidiSettings& midi, const TuneRecord& tune, const StyleSet& styles,
                      std::string_view lastDrone = {});
  // Builds the performance for settings; false when it cannot be built (a repeat
  // count of 0, or no memory for it).
  bool Build(const PlaySettings& settings, const StyleSet& styles);
  // Gather and Build: one merged track for live play or separate tracks for a file, at
  // a speed percentage.
  bool Build(const MidiSettings& midi, const TuneRecord& tune, const StyleSet& styles, bool merged,
             int speedPercent);
  // Builds settings for a MIDI file, as the player window and tunora-cli write it:
  // separate tracks at full speed, the music played passes times. False as Build.
  bool BuildForFile(PlaySettings settings, const StyleSet& styles, int passes);

  // Builds settings for live play: one pass as a merged track, taken out into piece
  // to be handed over passes times, its music held back delaySeconds (0 to
  // kMaxPlayDelaySeconds) at its own first tempo. The performance keeps its length
  // and error list. False as Build.
  bool BuildPiece(PlaySettings settings, const StyleSet& styles, int passes, int delaySeconds,
                  PlayPiece& piece);

  Performance& Perf() { return *perf_; }
  const Performance& Perf() const { return *perf_; }
  bool Built() const { return perf_ != nullptr; }

 private:
  const UserSymbols* programSymbols_ = nullptr;
  UserSymbols fileSymbols_;
  std::string symbolLines_;
  std::unique_ptr<Performance> perf_;
  const StyleSet* perfStyles_ = nullptr;
};

// Gives settings a drone text chosen by the user in place of the gathered one; the
// drone plays when the text is not blank.
void ChooseDrone(PlaySettings& settings, std::string text);

}  // namespace tunora
