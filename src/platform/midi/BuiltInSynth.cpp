// The built-in synth on FluidSynth: played live through an audio driver, or rendered
// into a WAV file.
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/midi/MidiBackends.h"

namespace tunora {

namespace {

// FluidSynth's errors are kept for the messages instead of going to standard error.
std::mutex gLogMutex;
std::string gLastFluidError;

void KeepFluidError(int level, const char* message, void*) {
  if (level > FLUID_WARN || message == nullptr) return;
  std::lock_guard lock(gLogMutex);
  gLastFluidError = message;
}

void InstallFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    fluid_set_log_function(FLUID_PANIC, KeepFluidError, nullptr);
    fluid_set_log_function(FLUID_ERR, KeepFluidError, nullptr);
    fluid_set_log_function(FLUID_WARN, KeepFluidError, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  });
}

std::string TakeFluidError() {
  std::lock_guard lock(gLogMutex);
  std::string e = std::move(gLastFluidError);
  gLastFluidError.clear();
  return e;
}

// The synth's output gain: a typical tune with its chords peaks near -3 dBFS
// through the General MIDI SoundFont the system supplies, without clipping.
constexpr double kSynthGain = 6.0;

// A synth with its SoundFont loaded.
struct LoadedSynth {
  LoadedSynth() = default;
  LoadedSynth(const LoadedSynth&) = delete;
  LoadedSynth& operator=(const LoadedSynth&) = delete;
  ~LoadedSynth() {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  std::string soundFont;
};

std::unique_ptr<LoadedSynth> LoadSynth(const std::string& chosen, std::string& error) {
  InstallFluidLog();
  std::string path;
  if (!FindSoundFont(chosen, path, error)) return nullptr;
  auto s = std::make_unique<LoadedSynth>();
  s->soundFont = path;
  s->settings = new_fluid_settings();
  if (s->settings == nullptr) {
    error = "The built-in synth cannot be set up.";
    return nullptr;
  }
  fluid_settings_setnum(s->settings, "synth.sample-rate", kWavSampleRate);
  fluid_settings_setnum(s->settings, "synth.gain", kSynthGain);
  s->synth = new_fluid_synth(s->settings);
  if (s->synth == nullptr) {
    error = "The built-in synth cannot be set up: " + TakeFluidError();
    return nullptr;
  }
  if (fluid_synth_sfload(s->synth, path.c_str(), 1) == FLUID_FAILED) {
    error = "The SoundFont \"" + path + "\" cannot be loaded.";
    return nullptr;
  }
  return s;
}

// The live synth keeps its loaded SoundFont between plays: loading a large one takes
// a noticeable part of a second.
std::mutex gCacheMutex;
std::unique_ptr<LoadedSynth> gCachedSynth;

std::unique_ptr<LoadedSynth> TakeSynth(const std::string& chosen, std::string& error) {
  {
    std::lock_guard lock(gCacheMutex);
    std::string path, ignored;
    if (gCachedSynth && FindSoundFont(chosen, path, ignored) && path == gCachedSynth->soundFont) {
      return std::move(gCachedSynth);
    }
  }
  return LoadSynth(chosen, error);
}

void KeepSynth(std::unique_ptr<LoadedSynth> synth) {
  fluid_synth_system_reset(synth->synth);
  std::lock_guard lock(gCacheMutex);
  gCachedSynth = std::move(synth);
}

void SendToSynth(fluid_synth_t* synth, uint8_t status, uint8_t data1, uint8_t data2) {
  const int channel = status & 0x0F;
  switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
    case 0x90:
      if (data2 == 0)
        fluid_synth_noteoff(synth, channel, data1);
      else
        fluid_synth_noteon(synth, channel, data1, data2);
      break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
    default: break;
  }
}

void CollectOption(void* data, const char*, const char* option) {
  static_cast<std::vector<std::string>*>(data)->push_back(option);
}

// The synth playing through an audio driver.
class SynthOutput : public MidiDevice {
 public:
  SynthOutput(std::unique_ptr<LoadedSynth> synth, fluid_audio_driver_t* driver)
      : synth_(std::move(synth)), driver_(driver) {}
  ~SynthOutput() override {
    delete_fluid_audio_driver(driver_);
    KeepSynth(std::move(synth_));
  }
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    SendToSynth(synth_->synth, status, data1, data2);
  }
  void Reset() override { fluid_synth_system_reset(synth_->synth); }

 private:
  std::unique_ptr<LoadedSynth> synth_;
  fluid_audio_driver_t* driver_;
};

class SynthPort : public MidiPort {
 public:
  explicit SynthPort(MidiBackendOptions options) : options_(std::move(options)) {}
  std::string Description() const override { return kBuiltInSynthDescription; }

  std::unique_ptr<MidiDevice> Open(std::string& error) override {
    std::unique_ptr<LoadedSynth> synth = TakeSynth(options_.soundFont, error);
    if (!synth) return nullptr;
    std::vector<std::string> drivers;
    if (!options_.audioDriver.empty()) {
      drivers.push_back(options_.audioDriver);
    } else {
      std::vector<std::string> built;
      fluid_settings_foreach_option(synth->settings, "audio.driver", &built, CollectOption);
      for (const char* name : {"pipewire", "pulseaudio", "alsa"}) {
        if (std::find(built.begin(), built.end(), name) != built.end()) drivers.push_back(name);
      }
    }
    if (options_.audioDriver == "file") {
      fluid_settings_setstr(synth->settings, "audio.file.name", options_.audioFile.c_str());
    }
    std::string tried, reason;
    for (const std::string& name : drivers) {
      TakeFluidError();
      fluid_settings_setstr(synth->settings, "audio.driver", name.c_str());
      if (fluid_audio_driver_t* driver = new_fluid_audio_driver(synth->settings, synth->synth)) {
        return std::make_unique<SynthOutput>(std::move(synth), driver);
      }
      tried += (tried.empty() ? "" : ", ") + name;
      reason = TakeFluidError();
    }
    KeepSynth(std::move(synth));
    error = "No audio output could be opened for the built-in synth";
    if (!tried.empty()) error += " (tried " + tried + ")";
    error += reason.empty() ? "." : ": " + reason;
    return nullptr;
  }

  // The patches are in the SoundFont: loading it ahead makes the first play start at once.
  bool CachePatches(const MidiPatchSet&, std::string&) override {
    std::string ignored;
    if (std::unique_ptr<LoadedSynth> synth = TakeSynth(options_.soundFont, ignored)) {
      KeepSynth(std::move(synth));
    }
    return true;
  }

 private:
  MidiBackendOptions options_;
};

void PutLE(std::array<uint8_t, 44>& header, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) header[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The header of a 16-bit stereo PCM file with this many frames.
std::array<uint8_t, 44> WavHeader(uint64_t frames) {
  constexpr uint32_t kChannels = 2, kBytesPerFrame = 4;
  const auto dataBytes = static_cast<uint32_t>(frames * kBytesPerFrame);
  std::array<uint8_t, 44> h{};
  auto tag = [&h](size_t at, const char* name) { std::copy(name, name + 4, h.begin() + at); };
  tag(0, "RIFF");
  PutLE(h, 4, 36 + dataBytes, 4);
  tag(8, "WAVE");
  tag(12, "fmt ");
  PutLE(h, 16, 16, 4);  // size of the format chunk
  PutLE(h, 20, 1, 2);   // PCM
  PutLE(h, 22, kChannels, 2);
  PutLE(h, 24, kWavSampleRate, 4);
  PutLE(h, 28, kWavSampleRate * kBytesPerFrame, 4);
  PutLE(h, 32, kBytesPerFrame, 2);
  PutLE(h, 34, 16, 2);  // bits per sample
  tag(36, "data");
  PutLE(h, 40, dataBytes, 4);
  return h;
}

// The synth writing a WAV file as fast as it can: the timer hands it each event's
// music time and it renders the sound up to there first.
class WavOutput : public MidiDevice {
 public:
  static constexpr uint64_t kMaxFrames = (0xFFFFFFFFull - 36) / 4;

  WavOutput(std::unique_ptr<LoadedSynth> synth, std::FILE* file, std::string path, double tail)
      : synth_(std::move(synth)), file_(file), path_(std::move(path)), tail_(tail) {}
  ~WavOutput() override {
    if (file_) std::fclose(file_);
  }

  bool Offline() const override { return true; }
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    SendToSynth(synth_->synth, status, data1, data2);
  }
  void Reset() override { fluid_synth_system_reset(synth_->synth); }

  void Advance(std::chrono::microseconds musicTime) override {
    const auto us = static_cast<uint64_t>(std::max<int64_t>(0, musicTime.count()));
    const uint64_t target = (us * kWavSampleRate + 500000) / 1000000;
    if (target > frames_) Render(target - frames_);
  }

  bool Finish(std::string& error) override {
    if (tail_ > 0) Render(static_cast<uint64_t>(std::llround(tail_ * kWavSampleRate)));
    const std::array<uint8_t, 44> header = WavHeader(frames_);
    if (!failed_ && (std::fseek(file_, 0, SEEK_SET) != 0 ||
                     std::fwrite(header.data(), 1, header.size(), file_) != header.size())) {
      failed_ = true;
    }
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_ && error_.empty()) error_ = "The file \"" + path_ + "\" cannot be written.";
    error = error_;
    return !failed_;
  }

 private:
  void Render(uint64_t frames) {
    constexpr int kBlock = 1024;
    std::array<float, kBlock * 2> in;
    std::array<uint8_t, kBlock * 4> out;
    while (frames > 0 && !failed_) {
      if (frames_ >= kMaxFrames) {
        failed_ = true;
        error_ = "The WAV file \"" + path_ + "\" would pass the 4 GB that the format allows.";
        return;
      }
      const int n = static_cast<int>(std::min<uint64_t>({frames, kBlock, kMaxFrames - frames_}));
      in.fill(0);
      fluid_synth_write_float(synth_->synth, n, in.data(), 0, 2, in.data(), 1, 2);
      for (int i = 0; i < n * 2; ++i) {
        const float v = std::clamp(in[static_cast<size_t>(i)], -1.0f, 1.0f);
        const auto s = static_cast<int16_t>(std::lrint(v * 32767.0f));
        out[static_cast<size_t>(2 * i)] = static_cast<uint8_t>(s & 0xFF);
        out[static_cast<size_t>(2 * i + 1)] = static_cast<uint8_t>((s >> 8) & 0xFF);
      }
      if (std::fwrite(out.data(), 4, static_cast<size_t>(n), file_) != static_cast<size_t>(n)) {
        failed_ = true;
        return;
      }
      frames_ += static_cast<uint64_t>(n);
      frames -= static_cast<uint64_t>(n);
    }
  }

  std::unique_ptr<LoadedSynth> synth_;
  std::FILE* file_;
  std::string path_;
  double tail_;
  uint64_t frames_ = 0;
  bool failed_ = false;
  std::string error_;
};

class WavPort : public MidiPort {
 public:
  WavPort(std::string path, MidiBackendOptions options, double tail)
      : path_(std::move(path)), options_(std::move(options)), tail_(tail) {}
  std::string Description() const override { return "WAV file " + path_; }

  // A fresh synth for each file, so that the same music always gives the same file.
  std::unique_ptr<MidiDevice> Open(std::string& error) override {
    std::unique_ptr<LoadedSynth> synth = LoadSynth(options_.soundFont, error);
    if (!synth) return nullptr;
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    const std::array<uint8_t, 44> header = WavHeader(0);
    if (file == nullptr || std::fwrite(header.data(), 1, header.size(), file) != header.size()) {
      if (file) std::fclose(file);
      error = "The file \"" + path_ + "\" cannot be written.";
      return nullptr;
    }
    return std::make_unique<WavOutput>(std::move(synth), file, path_, std::max(0.0, tail_));
  }
  bool CachePatches(const MidiPatchSet&, std::string&) override { return true; }

 private:
  std::string path_;
  MidiBackendOptions options_;
  double tail_;
};

}  // namespace

bool FindSoundFont(const std::string& chosen, std::string& path, std::string& error) {
  InstallFluidLog();
  if (!chosen.empty()) {
    if (fluid_is_soundfont(chosen.c_str())) {
      path = chosen;
      return true;
    }
    error = "The SoundFont \"" + chosen + "\" cannot be read.";
    return false;
  }
  static const char* const kInstalled[] = {
      "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf3/FluidR3_GM.sf3",
      "/usr/share/soundfonts/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3",
      "/usr/share/soundfonts/default.sf2",
  };
  for (const char* candidate : kInstalled) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec) && fluid_is_soundfont(candidate)) {
      path = candidate;
      return true;
    }
  }
  error =
      "No General MIDI SoundFont is installed for the built-in synth. Install "
      "fluid-soundfont-gm or timgm6mb-soundfont, or choose a SoundFont file.";
  return false;
}

std::shared_ptr<MidiPort> MakeBuiltInSynthPort(const MidiBackendOptions& options) {
  return std::make_shared<SynthPort>(options);
}

std::shared_ptr<MidiPort> MakeWavRenderer(const std::string& path,
                                          const MidiBackendOptions& options, double tailSeconds) {
  return std::make_shared<WavPort>(path, options, tailSeconds);
}

}  // namespace tunora
