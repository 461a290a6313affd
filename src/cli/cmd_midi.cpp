// The MIDI output: devices lists the output devices one a line as
// "NUMBER<TAB>DESCRIPTION", the built-in synth first; play plays a tune through one
// of them in real time, or renders it through the built-in synth into a WAV file.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>

#include "Environment.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"
#include "play/PlayFeeder.h"
#include "play/StyleSet.h"
#include "play/TuneBuild.h"

namespace tunora::cli {
namespace {

int Devices(const Args& a) {
  if (!a.positional.empty()) return Fail("devices takes no arguments\nusage: tunora-cli devices");
  MidiLib& lib = MidiLib::Application();
  InstallMidiBackends(lib, MidiBackendOptions{});
  const int count = lib.GetNumOutDevices();
  std::string out;
  for (int n = 0; n < count; ++n) {
    std::string description;
    if (!lib.GetMidiOutDescription(static_cast<unsigned>(n), description)) continue;
    out += std::to_string(n) + "\t" + description + "\n";
  }
  return WriteOut(out) ? 0 : Fail("cannot write the device list");
}

const Register kDevices({"devices", "devices", {}, {}, Devices});

constexpr unsigned kResolution = 192;
// The longest tune play --wav renders: two hours of 44.1 kHz stereo are some 1.3 GB.
constexpr int kMaxWavSeconds = 2 * 3600;

std::atomic<bool> interrupted{false};
extern "C" void OnInterrupt(int) { interrupted = true; }

// The notices of the MIDI library, passed from its timer thread to the main thread,
// which does the feeding as the player window does on its own thread.
struct Notices {
  void Post(MidiNotice notice) {
    {
      std::lock_guard lock(mutex);
      (notice == MidiNotice::kRoom ? room : empty) = true;
    }
    changed.notify_one();
  }
  // Waits for a notice (or a moment, to look at the interrupt flag).
  void Wait(bool& gotRoom, bool& gotEmpty) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(100), [this] { return room || empty; });
    gotRoom = std::exchange(room, false);
    gotEmpty = std::exchange(empty, false);
  }
  std::mutex mutex;
  std::condition_variable changed;
  bool room = false;
  bool empty = false;
};

// The device named by --device (a number or a description), else by the Device
// setting; an empty setting is the built-in synth.
bool ChooseDevice(MidiLib& lib, const std::string& named, const std::string& setting,
                  unsigned& device) {
  const std::string& wanted = named.empty() ? setting : named;
  if (wanted.empty()) {
    device = 0;
    return true;
  }
  const int count = lib.GetNumOutDevices();
  if (!wanted.empty() && std::all_of(wanted.begin(), wanted.end(), ::isdigit) &&
      wanted.size() < 6) {
    device = static_cast<unsigned>(std::stoul(wanted));
    if (device < static_cast<unsigned>(count)) return true;
  } else {
    device = lib.FindOutDevice(wanted);
    if (device != kMidiNoDevice) return true;
  }
  Fail("no MIDI output device \"" + wanted + "\" (tunora-cli devices lists them)");
  return false;
}

int Play(const Args& a) {
  if (a.positional.size() != 2)
    return Fail(
        "usage: tunora-cli play FILE N [--device NUMBER|DESCRIPTION] [--wav OUT.wav] "
        "[--set KEY=VALUE]...");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n) || !ApplyMidiSets(a, env.settings)) return 1;
  const MidiSettings& m = env.settings.midi;
  const TuneRecord& tune = *file.TuneAt(n);

  // The tune as the player builds it: one pass at the play speed, handed over as
  // often as Repeat says.
  TuneBuild build(FileHeaderText(file), &UserSymbols::Application());
  const StyleSet& styles = StyleSet::Application();
  PlaySettings ps = build.Gather(m, tune, styles);
  ps.speedPercent = m.speedPercent;
  PlayPiece piece;
  if (!build.BuildPiece(ps, styles, std::max(1, m.repeat), m.delay, piece)) {
    return Fail("the tune cannot be played");
  }
  if (!build.Perf().ErrorText().empty()) std::fputs(build.Perf().ErrorText().c_str(), stderr);

  MidiLib& lib = MidiLib::Application();
  MidiBackendOptions options;
  options.soundFont = m.soundFont;
  InstallMidiBackends(lib, options);
  const std::string wav = a.Get("--wav");
  // A WAV file is written under a temporary name and takes its own name only when
  // the whole tune is in it; a tune longer than the limit is refused before any work.
  std::string wavPart;
  if (!wav.empty()) {
    const double seconds = PlayFeeder::Seconds(piece, kResolution);
    if (seconds > kMaxWavSeconds) {
      return Fail("the tune plays for " + std::to_string(static_cast<long long>(seconds / 60)) +
                  " minutes; WAV output is limited to " + std::to_string(kMaxWavSeconds / 3600) +
                  " hours");
    }
    namespace fs = std::filesystem;
    const fs::path target(wav);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    wavPart = (target.parent_path() / ("." + target.filename().string() + ".part")).string();
    // A device or a pipe is written directly: renaming would replace the node.
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec)) wavPart = wav;
  }
  unsigned device = 0;
  if (wav.empty() && !ChooseDevice(lib, a.Get("--device"), m.device, device)) return 1;

  Notices notices;
  const MidiSync sync =
      lib.OpenSync([&notices](MidiNotice notice, MidiOut) { notices.Post(notice); });
  if (sync == 0) return Fail("Cannot create timer");
  lib.SetResolution(sync, kResolution);
  const MidiOut out = wav.empty() ? lib.OpenMidiOut(device, sync)
                                  : lib.OpenMidiOut(MakeWavRenderer(wavPart, options), sync);
  if (out == 0) {
    const std::string why = lib.LastError();
    lib.CloseSync(sync);
    if (!wavPart.empty()) std::remove(wavPart.c_str());
    return Fail("Cannot open MIDI device" + (why.empty() ? std::string() : ": " + why));
  }
  PlayFeeder feeder;
  feeder.Start(std::move(piece));
  interrupted = false;
  auto previous = std::signal(SIGINT, OnInterrupt);
  bool failed = feeder.Feed(lib, out) == PlayFeeder::FeedResult::kFailed;
  if (!failed) lib.StartSync(sync);
  while (!failed && !interrupted) {
    bool room = false, empty = false;
    notices.Wait(room, empty);
    if (room && !feeder.AllHandedOver()) {
      failed = feeder.Feed(lib, out) == PlayFeeder::FeedResult::kFailed;
    }
    if ((empty || feeder.AllHandedOver()) && feeder.Finished(lib, out)) break;
  }
  std::signal(SIGINT, previous);
  lib.StopSync(sync);
  lib.ResetMidiOut(out);
  const int closed = lib.CloseMidiOut(out);
  lib.CloseSync(sync);
  const bool complete = !failed && closed == kMidiOk && !interrupted;
  if (!wavPart.empty() && wavPart != wav) {
    std::error_code ec;
    if (complete) std::filesystem::rename(wavPart, wav, ec);
    if (!complete || ec) std::remove(wavPart.c_str());
    if (ec) return Fail("cannot write \"" + wav + "\": " + ec.message());
  }
  if (failed) return Fail("the MIDI output stopped: " + lib.LastError());
  if (closed != kMidiOk) {
    return Fail((wav.empty() ? std::string("the device") : "\"" + wav + "\"") +
                " could not be finished: " + lib.LastError());
  }
  return interrupted ? 130 : 0;
}

const Register kPlay({"play",
                      "play FILE N [--device NUMBER|DESCRIPTION] [--wav OUT.wav] "
                      "[--set KEY=VALUE]...",
                      {},
                      {"--device", "--wav", "--set"},
                      Play});

}  // namespace
}  // namespace tunora::cli
