// Helpers of the MIDI library tests: a device that records what reaches it and when,
// a collector of the library's notices, and sox measurements of WAV files.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "play/MidiLib.h"

namespace tunora::test {

using Clock = std::chrono::steady_clock;

struct Received {
  enum Kind { kSend, kReset, kFinish, kClosed } kind = kSend;
  Clock::time_point at;
  uint8_t status = 0, data1 = 0, data2 = 0;
};

// What a recording device saw; outlives the device.
struct Recording {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Received> log;

  void Add(Received r) {
    {
      std::lock_guard lock(mutex);
      log.push_back(r);
    }
    changed.notify_all();
  }
  std::vector<Received> Snapshot() {
    std::lock_guard lock(mutex);
    return log;
  }
  std::vector<Received> Sends() {
    std::vector<Received> s = Snapshot();
    std::erase_if(s, [](const Received& r) { return r.kind != Received::kSend; });
    return s;
  }
  size_t CountSends() { return Sends().size(); }
  // Waits until n messages were sent; false on time-out.
  bool WaitForSends(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] {
      return std::count_if(log.begin(), log.end(), [](const Received& r) {
               return r.kind == Received::kSend;
             }) >= static_cast<long>(n);
    });
  }
};

class RecordingDevice : public MidiDevice {
 public:
  explicit RecordingDevice(std::shared_ptr<Recording> rec) : rec_(std::move(rec)) {}
  ~RecordingDevice() override { rec_->Add({Received::kClosed, Clock::now()}); }
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    rec_->Add({Received::kSend, Clock::now(), status, data1, data2});
  }
  void Reset() override { rec_->Add({Received::kReset, Clock::now()}); }
  bool Finish(std::string&) override {
    rec_->Add({Received::kFinish, Clock::now()});
    return true;
  }

 private:
  std::shared_ptr<Recording> rec_;
};

class RecordingPort : public MidiPort {
 public:
  explicit RecordingPort(std::string description = "Recorder", bool opens = true)
      : description_(std::move(description)), opens_(opens) {}
  std::string Description() const override { return description_; }
  std::unique_ptr<MidiDevice> Open(std::string& error) override {
    if (!opens_) {
      error = "The recorder is unplugged.";
      return nullptr;
    }
    return std::make_unique<RecordingDevice>(rec);
  }
  bool CachePatches(const MidiPatchSet&, std::string& error) override {
    if (!opens_) error = "The recorder is unplugged.";
    return opens_;
  }

  std::shared_ptr<Recording> rec = std::make_shared<Recording>();

 private:
  std::string description_;
  bool opens_;
};

// Counts the notices of the library and lets a test wait for them.
struct Notices {
  std::mutex mutex;
  std::condition_variable changed;
  int room = 0;
  int empty = 0;

  MidiNotify Notify() {
    return [this](MidiNotice notice, MidiOut) {
      {
        std::lock_guard lock(mutex);
        (notice == MidiNotice::kRoom ? room : empty)++;
      }
      changed.notify_all();
    };
  }
  // Waits until there are more room (or empty) notices than seen; false on time-out.
  bool WaitRoom(int seen, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return room > seen; });
  }
  bool WaitEmpty(int seen = 0, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return empty > seen; });
  }
  int Room() {
    std::lock_guard lock(mutex);
    return room;
  }
  int Empty() {
    std::lock_guard lock(mutex);
    return empty;
  }
};

inline MidiEvent NoteOn(uint32_t delta, uint8_t key, uint8_t velocity = 80, uint8_t channel = 0) {
  return MidiEvent{delta, static_cast<uint8_t>(0x90 | channel), key, velocity, 0};
}

inline double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// What a shell command prints on standard output and error.
inline std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

inline bool HaveSox() { return Capture("command -v sox").find("sox") != std::string::npos; }

struct WavMeasure {
  long long samples = -1;  // per channel
  int rate = 0;
  int channels = 0;
  double rms = -1;  // RMS amplitude, 1 = full scale
  double roughFrequency = -1;
};

// sox's view of a WAV file.
inline WavMeasure MeasureWav(const std::string& path) {
  WavMeasure m;
  const std::string q = "'" + path + "'";
  m.samples = std::atoll(Capture("sox --i -s " + q).c_str());
  m.rate = std::atoi(Capture("sox --i -r " + q).c_str());
  m.channels = std::atoi(Capture("sox --i -c " + q).c_str());
  const std::string stat = Capture("sox " + q + " -n stat");
  auto field = [&stat](const std::string& name) {
    const size_t at = stat.find(name);
    if (at == std::string::npos) return -1.0;
    const size_t colon = stat.find(':', at);
    return std::atof(stat.c_str() + colon + 1);
  };
  m.rms = field("RMS     amplitude");
  m.roughFrequency = field("Rough   frequency");
  return m;
}

// The left channel of a 16-bit stereo WAV file as written by the renderer (44-byte header).
inline std::vector<float> ReadWavLeft(const std::string& path) {
  std::vector<float> left;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return left;
  unsigned char frame[4];
  if (std::fseek(f, 44, SEEK_SET) == 0) {
    while (std::fread(frame, 1, 4, f) == 4) {
      left.push_back(static_cast<float>(static_cast<int16_t>(frame[0] | (frame[1] << 8))) /
                     32768.0f);
    }
  }
  std::fclose(f);
  return left;
}

// The fundamental frequency of the sound from `from` seconds on for `length` seconds,
// by autocorrelation: the shortest period that matches nearly as well as the best one
// between 60 and 2000 Hz.
inline double PitchAt(const std::vector<float>& s, int rate, double from, double length) {
  const size_t a = static_cast<size_t>(from * rate), n = static_cast<size_t>(length * rate);
  const size_t minLag = static_cast<size_t>(rate / 2000), maxLag = static_cast<size_t>(rate / 60);
  if (a + n + maxLag > s.size()) return 0;
  std::vector<double> corr(maxLag + 1, 0);
  double best = 0;
  for (size_t lag = minLag; lag <= maxLag; ++lag) {
    double c = 0, e0 = 0, e1 = 0;
    for (size_t i = a; i < a + n; ++i) {
      c += s[i] * s[i + lag];
      e0 += s[i] * s[i];
      e1 += s[i + lag] * s[i + lag];
    }
    corr[lag] = e0 > 0 && e1 > 0 ? c / std::sqrt(e0 * e1) : 0;
    best = std::max(best, corr[lag]);
  }
  for (size_t lag = minLag + 1; lag < maxLag; ++lag) {
    if (corr[lag] >= 0.9 * best && corr[lag] >= corr[lag - 1] && corr[lag] >= corr[lag + 1]) {
      return static_cast<double>(rate) / static_cast<double>(lag);
    }
  }
  return 0;
}

// The small General MIDI SoundFont when it is installed (quick to load), else the default.
inline std::string QuickSoundFont() {
  const char* small = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  return std::filesystem::exists(small) ? small : "";
}

}  // namespace tunora::test
