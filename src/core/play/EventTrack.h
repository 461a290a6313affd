// Timed MIDI events and the growable event array of one voice, the backing, the
// drone or the tempo map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "abc/AbcModel.h"

namespace tunora {

// One event: time in ticks (absolute while building, a delta after finishing),
// status and three data bytes. Note off is a note on (0x90 | channel) with
// velocity 0. In the tempo map the status is 0 and data1..data3 hold the tempo
// in microseconds per quarter note, most significant byte first.
struct MidiEvent {
  uint32_t time = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  uint8_t data3 = 0;

  bool operator==(const MidiEvent&) const = default;
};
static_assert(sizeof(MidiEvent) == 8);

inline constexpr uint8_t kNoteOn = 0x90;
inline constexpr uint8_t kProgramChange = 0xC0;
inline constexpr uint8_t kPitchBend = 0xE0;

// The tempo event for microseconds per quarter note (24 bits).
inline MidiEvent TempoEvent(uint32_t time, uint32_t microseconds) {
  return MidiEvent{time, 0, static_cast<uint8_t>(microseconds >> 16),
                   static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds)};
}
inline uint32_t TempoOf(const MidiEvent& e) {
  return (uint32_t{e.data1} << 16) | (uint32_t{e.data2} << 8) | e.data3;
}

class EventTrack {
 public:
  static constexpr size_t kInitialCapacity = 4096;

  // Room for kInitialCapacity events.
  EventTrack();

  // Inserts in time order: after every event whose time is less than or equal to
  // the event's own, so that among equal times the earlier-inserted stays first.
  // Called for nearly every event of a build: always inlined, so that the common
  // append costs no call.
  [[gnu::always_inline]] void Insert(const MidiEvent& e) {
    // Most events come in order: they go to the end.
    if (!events_.empty() && events_.back().time > e.time) {
      InsertEarlier(e);
    } else {
      events_.push_back(e);
    }
  }
  // Appends without looking at the order (copies, merging).
  void Append(const MidiEvent& e) { events_.push_back(e); }
  void Clear() { events_.clear(); }
  // No events and the properties of a new track; the room stays.
  void Reset() {
    events_.clear();
    used = false;
    voice = VoiceInfo{};
    program = octave = channel = 0;
  }

  size_t Count() const { return events_.size(); }
  size_t Capacity() const { return events_.capacity(); }
  std::vector<MidiEvent>& Events() { return events_; }
  const std::vector<MidiEvent>& Events() const { return events_; }
  uint32_t LastTime() const { return events_.empty() ? 0 : events_.back().time; }

  // Set when an event other than the opening program change was added.
  bool used = false;

  // The voice's playing properties.
  VoiceInfo voice;  // number, names, clef, transpose, totalShift ...
  int program = 0;
  int octave = 0;
  int channel = 0;

 private:
  void InsertEarlier(const MidiEvent& e);
  std::vector<MidiEvent> events_;
};

}  // namespace tunora
