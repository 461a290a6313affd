#include "play/MidiLib.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

namespace tunora {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kNoteOff = 0x80;
// Music time stops growing here (35 years), so that clock arithmetic cannot overflow
// whatever the deltas and tempos.
constexpr uint64_t kMaxMusicUs = uint64_t{1} << 50;
// Long waits are cut into pieces of this length.
constexpr uint64_t kMaxWaitUs = 3600ull * 1000000;

// Programs and channels outside their ranges leave the set as it is.
void SetPatch(MidiPatchSet& set, int program, int channel) {
  if (program < 0 || program > 127 || channel < 0 || channel > 15) return;
  set[static_cast<size_t>(program)] = static_cast<uint16_t>(1u << channel);
}

}  // namespace

MidiPatchSet MakePatchSet(int backingProgram, int backingChannel, int melodyProgram,
                          int melodyChannel, int droneProgram, int droneChannel) {
  MidiPatchSet set{};
  SetPatch(set, backingProgram, backingChannel);
  SetPatch(set, melodyProgram, melodyChannel);
  SetPatch(set, droneProgram, droneChannel);
  return set;
}

// The timer with its output: the queue, the clock and the thread that plays the
// queue. Everything below the mutex is guarded by it.
struct MidiLib::Sync {
  enum class State { kIdle, kRunning, kPaused };

  Sync(MidiNotify n, std::function<void(bool)> priority)
      : notify(std::move(n)), setPriority(std::move(priority)) {
    thread = std::thread([this] { Run(); });
  }
  ~Sync() { Shutdown(); }

  void Shutdown() {
    {
      std::lock_guard lock(mutex);
      quit = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
  }

  // Stops the thread, silences and closes the device. Other threads may still hold the
  // timer (a call that found it before it was closed), so the device is taken under the
  // mutex and finished outside it.
  void Close() {
    Shutdown();
    std::unique_ptr<MidiDevice> closing;
    {
      std::lock_guard lock(mutex);
      if (device) {
        Silence();
        device->Reset();
      }
      closing = std::move(device);
      out = 0;
      ring.clear();
      head = count = 0;
    }
    if (closing) {
      std::string ignored;
      closing->Finish(ignored);
    }
  }

  void Run();
  // The music time in microseconds at which the queue's first event is due.
  uint64_t DueOfFront(uint64_t& frac) const;
  void Dispatch(const MidiEvent& e);
  void Silence();
  void ResetClock(Clock::time_point now);
  MidiEvent PopFront() {
    MidiEvent e = ring[head];
    head = (head + 1) % ring.size();
    --count;
    return e;
  }

  const MidiNotify notify;
  const std::function<void(bool)> setPriority;
  bool realtime = false;  // the priority was set for a live device
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;

  bool quit = false;
  State state = State::kIdle;
  unsigned resolution = kMidiDefaultResolution;
  uint32_t tempo = kMidiDefaultTempo;
  Clock::time_point start{};  // the clock time of music time 0
  Clock::time_point pausedAt{};
  uint64_t musicUs = 0;  // music time of the last event played
  uint64_t fracUs = 0;   // what the division left, in 1/resolution microseconds
  uint64_t ticks = 0;    // ticks of the events played
  bool starved = false;  // the queue ran empty while the clock ran

  std::unique_ptr<MidiDevice> device;
  MidiOut out = 0;
  std::vector<MidiEvent> ring;
  size_t head = 0;
  size_t count = 0;
  bool refused = false;
  std::array<uint16_t, 128> sounding{};  // per key, the bits of the channels sounding it
};

uint64_t MidiLib::Sync::DueOfFront(uint64_t& frac) const {
  const uint64_t num = uint64_t{ring[head].time} * tempo + fracUs;
  frac = num % resolution;
  return std::min(musicUs + num / resolution, kMaxMusicUs);
}

void MidiLib::Sync::Dispatch(const MidiEvent& e) {
  ticks += e.time;
  if (e.status == 0) {
    const uint32_t t = TempoOf(e);
    if (t > 0) tempo = t;
    return;
  }
  if (e.status < 0x80 || e.status > 0xEF) return;
  const uint8_t kind = e.status & 0xF0;
  const uint8_t channel = e.status & 0x0F;
  const uint8_t key = e.data1 & 0x7F;
  const uint8_t value = e.data2 & 0x7F;
  if (kind == kNoteOn && value > 0) {
    sounding[key] = static_cast<uint16_t>(sounding[key] | (1u << channel));
  } else if (kind == kNoteOff || kind == kNoteOn) {
    sounding[key] = static_cast<uint16_t>(sounding[key] & ~(1u << channel));
  }
  const bool twoBytes = kind == 0xC0 || kind == 0xD0;
  device->Send(e.status, key, twoBytes ? 0 : value);
}

void MidiLib::Sync::Silence() {
  if (!device) return;
  for (unsigned key = 0; key < 128; ++key) {
    for (unsigned channel = 0; sounding[key] != 0 && channel < 16; ++channel) {
      if (sounding[key] & (1u << channel)) {
        device->Send(static_cast<uint8_t>(kNoteOff | channel), static_cast<uint8_t>(key), 0);
      }
    }
    sounding[key] = 0;
  }
}

void MidiLib::Sync::ResetClock(Clock::time_point now) {
  tempo = kMidiDefaultTempo;
  musicUs = 0;
  fracUs = 0;
  ticks = 0;
  start = now;
  pausedAt = now;
}

void MidiLib::Sync::Run() {
  std::unique_lock lock(mutex);
  while (!quit) {
    if (state != State::kRunning || !device) {
      wake.wait(lock);
      continue;
    }
    if (count == 0) {
      starved = true;
      wake.wait(lock);
      continue;
    }
    const bool live = !device->Offline();
    if (setPriority && live != realtime) {
      realtime = live;
      setPriority(live);
    }
    uint64_t frac = 0;
    const uint64_t due = DueOfFront(frac);
    if (!live) {
      device->Advance(std::chrono::microseconds(due));
    } else {
      const Clock::time_point at = start + std::chrono::microseconds(due);
      const Clock::time_point now = Clock::now();
      if (now < at) {
        wake.wait_until(lock, std::min(at, now + std::chrono::microseconds(kMaxWaitUs)));
        continue;  // the state, the queue or the clock may have changed meanwhile
      }
      // After the queue ran dry the music goes on from now rather than hurrying on.
      if (starved) start += now - at;
    }
    starved = false;
    musicUs = due;
    fracUs = frac;
    Dispatch(PopFront());

    bool room = false;
    if (refused && count <= ring.size() / 2) {
      refused = false;
      room = true;
    }
    const bool empty = count == 0;
    if ((room || empty) && notify) {
      const MidiOut handle = out;
      lock.unlock();
      if (room) notify(MidiNotice::kRoom, handle);
      if (empty) notify(MidiNotice::kEmpty, handle);
      lock.lock();
    }
  }
}

MidiLib::MidiLib() = default;

MidiLib::~MidiLib() {
  std::shared_ptr<Sync> sync;
  {
    std::lock_guard lock(mutex_);
    sync = std::move(sync_);
    syncHandle_ = 0;
    outHandle_ = 0;
  }
  if (sync) sync->Close();
}

MidiLib& MidiLib::Application() {
  static MidiLib lib;
  return lib;
}

void MidiLib::SetDeviceLister(DeviceLister lister) {
  std::lock_guard lock(mutex_);
  lister_ = std::move(lister);
  devices_.clear();
  listed_ = false;
}

void MidiLib::SetTimerPriority(std::function<void(bool realtime)> setPriority) {
  std::lock_guard lock(mutex_);
  timerPriority_ = std::move(setPriority);
}

void MidiLib::ListLocked() {
  devices_ = lister_ ? lister_() : std::vector<std::shared_ptr<MidiPort>>{};
  std::erase(devices_, nullptr);
  listed_ = true;
}

std::shared_ptr<MidiPort> MidiLib::PortLocked(unsigned device) {
  if (!listed_) ListLocked();
  return device < devices_.size() ? devices_[device] : nullptr;
}

int MidiLib::GetNumOutDevices() {
  std::lock_guard lock(mutex_);
  ListLocked();
  return static_cast<int>(devices_.size());
}

bool MidiLib::GetMidiOutDescription(unsigned device, std::string& description) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<MidiPort> port = PortLocked(device);
  if (!port) return false;
  description = port->Description();
  return true;
}

unsigned MidiLib::FindOutDevice(const std::string& description) {
  std::lock_guard lock(mutex_);
  ListLocked();
  for (size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i]->Description() == description) return static_cast<unsigned>(i);
  }
  return kMidiNoDevice;
}

void MidiLib::SetError(std::string text) { error_ = std::move(text); }

std::string MidiLib::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::shared_ptr<MidiLib::Sync> MidiLib::FindSync(MidiSync handle) {
  std::lock_guard lock(mutex_);
  return handle != 0 && handle == syncHandle_ ? sync_ : nullptr;
}

std::shared_ptr<MidiLib::Sync> MidiLib::FindOut(MidiOut handle) {
  std::lock_guard lock(mutex_);
  return handle != 0 && handle == outHandle_ ? sync_ : nullptr;
}

MidiSync MidiLib::OpenSync(MidiNotify notify) {
  std::lock_guard lock(mutex_);
  if (sync_) {
    SetError("The MIDI timer is already in use.");
    return 0;
  }
  sync_ = std::make_shared<Sync>(std::move(notify), timerPriority_);
  syncHandle_ = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  error_.clear();
  return syncHandle_;
}

int MidiLib::SetResolution(MidiSync handle, unsigned ticksPerQuarter) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return kMidiBadHandle;
  if (ticksPerQuarter == 0 || ticksPerQuarter > 0xFFFF) return kMidiBadValue;
  std::lock_guard lock(sync->mutex);
  sync->resolution = ticksPerQuarter;
  sync->fracUs = 0;
  return kMidiOk;
}

MidiOut MidiLib::OpenMidiOut(unsigned device, MidiSync sync, size_t queueCapacity) {
  std::shared_ptr<MidiPort> port;
  {
    std::lock_guard lock(mutex_);
    port = PortLocked(device);
    if (!port) {
      SetError("There is no MIDI output device number " + std::to_string(device) + ".");
      return 0;
    }
  }
  return OpenMidiOut(port, sync, queueCapacity);
}

MidiOut MidiLib::OpenMidiOut(const std::shared_ptr<MidiPort>& port, MidiSync handle,
                             size_t queueCapacity) {
  // The handle is reserved under the library mutex and the device opened outside it:
  // opening the built-in synth loads a SoundFont, and other calls must not wait for that.
  MidiOut reserved = 0;
  std::shared_ptr<Sync> sync;
  {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != syncHandle_) {
      SetError("The MIDI timer is not open.");
      return 0;
    }
    if (outHandle_ != 0) {
      SetError("A MIDI output device is already open.");
      return 0;
    }
    if (!port || queueCapacity < 2) {
      SetError("No MIDI output device was given.");
      return 0;
    }
    reserved = outHandle_ = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    sync = sync_;
  }
  std::string error;
  std::unique_ptr<MidiDevice> device = port->Open(error);
  std::lock_guard lock(mutex_);
  const bool stillOpen = sync_ == sync && outHandle_ == reserved;
  if (!device || !stillOpen) {
    if (stillOpen) outHandle_ = 0;
    if (device) device->Finish(error);
    SetError(!stillOpen ? "The MIDI timer was closed while the device was opening."
             : error.empty()
                 ? "The MIDI output device \"" + port->Description() + "\" cannot be opened."
                 : error);
    return 0;
  }
  {
    std::lock_guard syncLock(sync->mutex);
    sync->device = std::move(device);
    sync->out = reserved;
    sync->ring.assign(queueCapacity, MidiEvent{});
    sync->head = 0;
    sync->count = 0;
    sync->refused = false;
    sync->sounding.fill(0);
  }
  sync->wake.notify_all();
  error_.clear();
  return reserved;
}

int MidiLib::PutMidiOut(MidiOut out, const MidiEvent& event) {
  std::shared_ptr<Sync> sync = FindOut(out);
  if (!sync) return kMidiBadHandle;
  bool wasEmpty = false;
  {
    std::lock_guard lock(sync->mutex);
    if (sync->out != out) return kMidiBadHandle;
    if (sync->count == sync->ring.size()) {
      sync->refused = true;
      return kMidiQueueFull;
    }
    sync->ring[(sync->head + sync->count) % sync->ring.size()] = event;
    wasEmpty = sync->count++ == 0;
  }
  if (wasEmpty) sync->wake.notify_all();
  return kMidiOk;
}

int MidiLib::StartSync(MidiSync handle) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return kMidiBadHandle;
  {
    std::lock_guard lock(sync->mutex);
    sync->start = Clock::now() - std::chrono::microseconds(sync->musicUs);
    sync->starved = false;
    sync->state = Sync::State::kRunning;
  }
  sync->wake.notify_all();
  return kMidiOk;
}

int MidiLib::PauseSync(MidiSync handle, int silence) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return kMidiBadHandle;
  std::lock_guard lock(sync->mutex);
  if (sync->state != Sync::State::kRunning) return kMidiOk;
  sync->state = Sync::State::kPaused;
  sync->pausedAt = Clock::now();
  if (silence) sync->Silence();
  return kMidiOk;
}

int MidiLib::ReStartSync(MidiSync handle) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return kMidiBadHandle;
  {
    std::lock_guard lock(sync->mutex);
    if (sync->state != Sync::State::kPaused) return kMidiOk;
    sync->start += Clock::now() - sync->pausedAt;
    sync->state = Sync::State::kRunning;
  }
  sync->wake.notify_all();
  return kMidiOk;
}

int MidiLib::StopSync(MidiSync handle) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return kMidiBadHandle;
  {
    std::lock_guard lock(sync->mutex);
    sync->state = Sync::State::kIdle;
    sync->Silence();
  }
  sync->wake.notify_all();
  return kMidiOk;
}

int MidiLib::ResetMidiOut(MidiOut out) {
  std::shared_ptr<Sync> sync = FindOut(out);
  if (!sync) return kMidiBadHandle;
  std::lock_guard lock(sync->mutex);
  if (sync->out != out) return kMidiBadHandle;
  sync->head = 0;
  sync->count = 0;
  sync->refused = false;
  sync->Silence();
  sync->device->Reset();
  sync->ResetClock(Clock::now());
  return kMidiOk;
}

int MidiLib::CloseMidiOut(MidiOut out) {
  std::unique_ptr<MidiDevice> device;
  std::shared_ptr<Sync> sync;
  {
    std::lock_guard lock(mutex_);
    if (out == 0 || out != outHandle_) return kMidiBadHandle;
    sync = sync_;
    outHandle_ = 0;
  }
  {
    std::lock_guard lock(sync->mutex);
    sync->Silence();
    device = std::move(sync->device);
    sync->out = 0;
    sync->ring.clear();
    sync->head = 0;
    sync->count = 0;
  }
  std::string error;
  const bool finished = !device || device->Finish(error);
  device.reset();
  std::lock_guard lock(mutex_);
  if (!finished) {
    SetError(error);
    return kMidiDeviceFailed;
  }
  error_.clear();
  return kMidiOk;
}

int MidiLib::CloseSync(MidiSync handle) {
  std::shared_ptr<Sync> sync;
  {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != syncHandle_) return kMidiBadHandle;
    if (sync_->thread.get_id() == std::this_thread::get_id()) return kMidiBusy;
    sync = std::move(sync_);
    syncHandle_ = 0;
    outHandle_ = 0;
  }
  sync->Close();
  return kMidiOk;
}

bool MidiLib::CachePatches(unsigned device, const MidiPatchSet& patches) {
  std::shared_ptr<MidiPort> port;
  {
    std::lock_guard lock(mutex_);
    port = PortLocked(device);
  }
  std::string error;
  const bool ok = port && port->CachePatches(patches, error);
  std::lock_guard lock(mutex_);
  if (ok) {
    error_.clear();
  } else {
    SetError(!port ? "There is no MIDI output device number " + std::to_string(device) + "."
                   : error);
  }
  return ok;
}

size_t MidiLib::QueuedEvents(MidiOut out) {
  std::shared_ptr<Sync> sync = FindOut(out);
  if (!sync) return 0;
  std::lock_guard lock(sync->mutex);
  return sync->out == out ? sync->count : 0;
}

uint64_t MidiLib::SyncPosition(MidiSync handle) {
  std::shared_ptr<Sync> sync = FindSync(handle);
  if (!sync) return 0;
  std::lock_guard lock(sync->mutex);
  if (sync->state == Sync::State::kIdle || sync->count == 0 || !sync->device ||
      sync->device->Offline()) {
    return sync->ticks;
  }
  const Clock::time_point now = sync->state == Sync::State::kPaused ? sync->pausedAt : Clock::now();
  const Clock::time_point last = sync->start + std::chrono::microseconds(sync->musicUs);
  if (now <= last) return sync->ticks;
  uint64_t frac = 0;
  const uint64_t untilNext = sync->DueOfFront(frac) - sync->musicUs;
  const auto elapsed = std::min<uint64_t>(
      untilNext, static_cast<uint64_t>(
                     std::chrono::duration_cast<std::chrono::microseconds>(now - last).count()));
  return sync->ticks + elapsed * sync->resolution / sync->tempo;
}

bool MidiLib::AnythingOpen() const {
  std::lock_guard lock(mutex_);
  return sync_ != nullptr || outHandle_ != 0;
}

}  // namespace tunora
