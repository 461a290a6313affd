#include "play/EventTrack.h"

namespace tunora {

EventTrack::EventTrack() { events_.reserve(kInitialCapacity); }

void EventTrack::InsertEarlier(const MidiEvent& e) {
  size_t i = events_.size();
  // Events arrive nearly in order: look from the end.
  while (i > 0 && events_[i - 1].time > e.time) --i;
  events_.insert(events_.begin() + static_cast<std::ptrdiff_t>(i), e);
}

}  // namespace tunora
