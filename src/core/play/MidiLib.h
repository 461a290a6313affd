// The MIDI output and timing library: the output devices, a sync (the clock that
// plays queued events at the resolution and tempo set) and the output attached to it.
//
// Use from the player:
//   sync = OpenSync(notify)            0 on failure
//   SetResolution(sync, 192)
//   out = OpenMidiOut(device, sync)    0 on failure
//   PutMidiOut(out, event) ...         until it answers kMidiQueueFull
//   StartSync(sync)
//   ... on MidiNotice::kRoom feed again until refused; MidiNotice::kEmpty says that
//   every event handed over has been played.
//   PauseSync(sync, 1) / ReStartSync(sync)
//   StopSync(sync), ResetMidiOut(out), CloseMidiOut(out), CloseSync(sync)
//
// One sync and one output are open at a time. Every call may come from any thread;
// the notices are delivered on the timer thread, never while the library holds a lock,
// so a notice handler may call PutMidiOut directly (CloseSync excepted).
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "play/EventTrack.h"

namespace tunora {

// Handles; 0 means none.
using MidiSync = uint32_t;
using MidiOut = uint32_t;

// Results of the calls that return an int.
enum MidiResult : int {
  kMidiOk = 0,
  kMidiQueueFull = 1,     // PutMidiOut: not queued; hand it over again after a room notice
  kMidiBadHandle = 2,     // not the open sync or output
  kMidiBadDevice = 3,     // no such device number
  kMidiBusy = 4,          // a sync or output is already open, or the call came from a notice
  kMidiDeviceFailed = 5,  // the device refused (see LastError)
  kMidiBadValue = 6,      // a value out of range
};

// The device number of "no device chosen".
inline constexpr unsigned kMidiNoDevice = 0xFFFF;
// Version of this library's calls.
inline constexpr int kMidiLibVersion = 100;
// Events an output queues unless told otherwise.
inline constexpr size_t kMidiQueueCapacity = 512;
// Ticks per quarter note until SetResolution, and the tempo until a tempo event.
inline constexpr unsigned kMidiDefaultResolution = 192;
inline constexpr uint32_t kMidiDefaultTempo = 500000;
// Description of the built-in synth, the first device.
inline constexpr const char* kBuiltInSynthDescription = "Built-in synth";

enum class MidiNotice {
  kRoom,   // a put was refused and the queue has drained to half: feed again
  kEmpty,  // the last queued event has been played
};
using MidiNotify = std::function<void(MidiNotice, MidiOut)>;

// One entry per program: the bits of the channels that use it.
using MidiPatchSet = std::array<uint16_t, 128>;
// The patches of the backing, melody and drone instruments on their channels; each
// part in this order sets its program's entry to its channel's bit.
MidiPatchSet MakePatchSet(int backingProgram, int backingChannel, int melodyProgram,
                          int melodyChannel, int droneProgram, int droneChannel);

// An opened output device. The library calls it from one thread at a time.
class MidiDevice {
 public:
  virtual ~MidiDevice() = default;
  // One channel message: status 0x80..0xEF with its data bytes (data2 is 0 for the
  // two-byte messages 0xC0 and 0xD0).
  virtual void Send(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // Silences every channel and returns the controllers to their defaults.
  virtual void Reset() = 0;
  // Finishes the output before closing (a file writes its header); false with the
  // reason when what was made is incomplete.
  virtual bool Finish(std::string& error) {
    (void)error;
    return true;
  }
  // A device that makes its output ahead of time (a file) instead of as the clock goes:
  // the timer does not wait for it but calls Advance with the music time of each event
  // before sending it, and the device makes its output up to that time.
  virtual bool Offline() const { return false; }
  virtual void Advance(std::chrono::microseconds musicTime) { (void)musicTime; }
};

// A device that can be opened.
class MidiPort {
 public:
  virtual ~MidiPort() = default;
  virtual std::string Description() const = 0;
  // The opened device, or null with the reason in error.
  virtual std::unique_ptr<MidiDevice> Open(std::string& error) = 0;
  // Prepares the patches of the programs set in patches; false with the reason.
  virtual bool CachePatches(const MidiPatchSet& patches, std::string& error) = 0;
};

class MidiLib {
 public:
  // The current devices in the order they are numbered.
  using DeviceLister = std::function<std::vector<std::shared_ptr<MidiPort>>()>;

  MidiLib();
  ~MidiLib();  // closes whatever is still open
  MidiLib(const MidiLib&) = delete;
  MidiLib& operator=(const MidiLib&) = delete;

  // The application's library, whose devices the platform installs at start-up.
  // Only the program and the CLI use it; the engines are given what they read.
  static MidiLib& Application();

  void SetDeviceLister(DeviceLister lister);
  // Called on the timer thread before it plays for a device, with realtime true for a
  // live device and false for one that renders ahead (the platform sets the thread's
  // priority there).
  void SetTimerPriority(std::function<void(bool realtime)> setPriority);

  // Lists the devices afresh and gives their number.
  int GetNumOutDevices();
  // The description of device n of the last listing; false when there is no such device.
  bool GetMidiOutDescription(unsigned device, std::string& description);
  // The number of the device whose description equals this one exactly, or kMidiNoDevice.
  unsigned FindOutDevice(const std::string& description);

  // The timer; notices about its output go to notify. 0 when a sync is already open.
  MidiSync OpenSync(MidiNotify notify);
  // Ticks per quarter note (1 to 65535); applies from the next event on.
  int SetResolution(MidiSync sync, unsigned ticksPerQuarter);
  // Opens device n of the last listing (or the port given) on the sync, with a queue
  // of queueCapacity events (at least 2). 0 on failure, with the reason in LastError.
  MidiOut OpenMidiOut(unsigned device, MidiSync sync, size_t queueCapacity = kMidiQueueCapacity);
  MidiOut OpenMidiOut(const std::shared_ptr<MidiPort>& port, MidiSync sync,
                      size_t queueCapacity = kMidiQueueCapacity);
  // Queues one event; its time is the delta in ticks from the event before. Status 0
  // is a tempo (microseconds per quarter note in data1..data3, most significant first)
  // that applies at that point; other statuses below 0x80 or above 0xEF are played
  // as silence. kMidiQueueFull when the queue is full.
  int PutMidiOut(MidiOut out, const MidiEvent& event);
  // Starts the clock at the first queued event; after a stop, starts it afresh.
  int StartSync(MidiSync sync);
  // Holds the clock; with silence set the notes sounding are ended. Pausing a paused
  // sync changes nothing.
  int PauseSync(MidiSync sync, int silence);
  // Goes on from where the pause held the clock.
  int ReStartSync(MidiSync sync);
  // Stops the clock and ends the notes sounding; the queue is kept until ResetMidiOut.
  int StopSync(MidiSync sync);
  // Drops the queued events, ends the notes sounding and resets the device.
  int ResetMidiOut(MidiOut out);
  // Closes the device; kMidiDeviceFailed (device closed all the same) when it could
  // not finish its output.
  int CloseMidiOut(MidiOut out);
  // Ends the timer, closing its output when still open. Not from a notice handler.
  int CloseSync(MidiSync sync);
  int GetMaxMidiVersion() const { return kMidiLibVersion; }

  // Caches the patches on device n; false with the reason in LastError.
  bool CachePatches(unsigned device, const MidiPatchSet& patches);

  // The reason of the last failure, "" after a success.
  std::string LastError() const;
  // Events handed to the output and not yet played; 0 when it is not open. A player
  // that has handed over everything is done when a kEmpty notice finds this at 0 (a
  // notice may arrive after the events handed over since it was sent).
  size_t QueuedEvents(MidiOut out);
  // Ticks of the music played since the start (moves on between events).
  uint64_t SyncPosition(MidiSync sync);
  // Whether a sync or an output is open.
  bool AnythingOpen() const;

 private:
  struct Sync;
  void ListLocked();
  std::shared_ptr<MidiPort> PortLocked(unsigned device);
  std::shared_ptr<Sync> FindSync(MidiSync handle);
  std::shared_ptr<Sync> FindOut(MidiOut handle);
  void SetError(std::string text);

  mutable std::mutex mutex_;
  DeviceLister lister_;
  std::function<void(bool)> timerPriority_;
  std::vector<std::shared_ptr<MidiPort>> devices_;
  bool listed_ = false;
  std::shared_ptr<Sync> sync_;
  MidiSync syncHandle_ = 0;
  MidiOut outHandle_ = 0;
  uint32_t nextHandle_ = 1;
  std::string error_;
};

}  // namespace tunora
