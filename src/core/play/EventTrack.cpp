#include "play/EventTrack.h"

namespace tunora {

EventTrack::EventTrack() { events_.reserve(kInitialCapacity); }

void EventTrack::Grow() {
  // The capacity doubles when one free slot is left.
  if (events_.size() + 1 >= events_.capacity()) events_.reserve(events_.capacity() * 2 + 2);
}

void EventTrack::Insert(const MidiEvent& e) {
  Grow();
  // Most events come in order: they go to the end.
  if (events_.empty() || events_.back().time <= e.time) {
    events_.push_back(e);
    return;
  }
  size_t i = events_.size();
  // Events arrive nearly in order: look from the end.
  while (i > 0 && events_[i - 1].time > e.time) --i;
  events_.insert(events_.begin() + static_cast<std::ptrdiff_t>(i), e);
}

void EventTrack::Append(const MidiEvent& e) {
  Grow();
  events_.push_back(e);
}

}  // namespace tunora
