// How late the MIDI library's timer sends events: 3000 notes on a 0.5 ms tick, with
// chords and gaps up to 3 ms (about four seconds of music), sent to a device that notes
// the clock at each message. Prints the lateness at the median, the 99th percentile
// and the worst. Goal: 2 ms at the 99th percentile with the timer's real-time priority.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "play/EventTrack.h"
#include "play/MidiLib.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Stamps {
  std::mutex mutex;
  std::vector<Clock::time_point> at;
};

class StampDevice : public tunora::MidiDevice {
 public:
  explicit StampDevice(std::shared_ptr<Stamps> s) : stamps_(std::move(s)) {}
  void Send(uint8_t, uint8_t, uint8_t) override {
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(stamps_->mutex);
    stamps_->at.push_back(now);
  }
  void Reset() override {}

 private:
  std::shared_ptr<Stamps> stamps_;
};

class StampPort : public tunora::MidiPort {
 public:
  std::string Description() const override { return "Stamps"; }
  std::unique_ptr<tunora::MidiDevice> Open(std::string&) override {
    return std::make_unique<StampDevice>(stamps);
  }
  bool CachePatches(const tunora::MidiPatchSet&, std::string&) override { return true; }
  std::shared_ptr<Stamps> stamps = std::make_shared<Stamps>();
};

double At(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

}  // namespace

int main() {
  using namespace tunora;
  MidiLib lib;
  auto port = std::make_shared<StampPort>();
  std::mutex mutex;
  std::condition_variable done;
  bool empty = false;
  const MidiSync sync = lib.OpenSync([&](MidiNotice notice, MidiOut) {
    if (notice != MidiNotice::kEmpty) return;
    std::lock_guard lock(mutex);
    empty = true;
    done.notify_all();
  });
  const MidiOut out = lib.OpenMidiOut(port, sync, 4096);
  if (out == 0) return 1;
  lib.SetResolution(sync, 192);
  constexpr int kEvents = 3000;
  constexpr double kTickUs = 96000.0 / 192;
  const uint32_t deltas[] = {1, 0, 2, 3, 1, 4, 6, 2, 0, 1, 3, 5};
  lib.PutMidiOut(out, TempoEvent(0, 96000));
  std::vector<double> due;
  double t = 0;
  for (int i = 0; i < kEvents; ++i) {
    const uint32_t d = deltas[i % std::size(deltas)];
    t += d * kTickUs;
    due.push_back(t);
    lib.PutMidiOut(out, MidiEvent{d, 0x90, static_cast<uint8_t>(i % 128), 80, 0});
  }
  const Clock::time_point start = Clock::now();
  lib.StartSync(sync);
  {
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return empty; });
  }
  std::vector<double> late;
  for (size_t i = 0; i < port->stamps->at.size() && i < due.size(); ++i)
    late.push_back(std::chrono::duration<double, std::micro>(port->stamps->at[i] - start).count() -
                   due[i]);
  std::printf(
      "MIDI timer: %d events over %.1f s, late by p50 %.0f us, p99 %.0f us, max %.0f us "
      "(goal: p99 under 2000 us)\n",
      kEvents, t / 1e6, At(late, 0.5), At(late, 0.99), At(late, 1.0));
  lib.CloseMidiOut(out);
  lib.CloseSync(sync);
  return 0;
}
