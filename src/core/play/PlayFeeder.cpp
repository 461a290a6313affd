#include "play/PlayFeeder.h"

#include <algorithm>

namespace tunora {

namespace {
int Passes(const PlayPiece& piece) { return std::max(piece.passes, 1); }
}  // namespace

void PlayFeeder::Start(PlayPiece piece) {
  Clear();
  MakeCurrent(std::move(piece));
}

void PlayFeeder::Enqueue(PlayPiece piece) {
  if (!current_) {
    MakeCurrent(std::move(piece));
  } else {
    queue_.push_back(std::move(piece));
  }
}

void PlayFeeder::Clear() {
  current_.reset();
  queue_.clear();
  index_ = 0;
  passesDone_ = 0;
  handedTicks_ = 0;
  starts_.clear();
}

void PlayFeeder::MakeCurrent(PlayPiece piece) {
  index_ = 0;
  passesDone_ = 0;
  if (piece.events.empty()) {
    // Nothing to play: the next piece follows at once.
    if (queue_.empty()) return;
    PlayPiece next = std::move(queue_.front());
    queue_.pop_front();
    MakeCurrent(std::move(next));
    return;
  }
  PieceStart start;
  start.tag = piece.tag;
  start.tick = handedTicks_;
  start.passes = Passes(piece);
  start.musicTick = handedTicks_;
  if (piece.delayTicks != 0 && piece.events.size() > 1) {
    // The delay replaces the second event's delta: the music moves by the difference.
    const uint64_t second = piece.events[1].time;
    start.musicTick =
        handedTicks_ + piece.delayTicks >= second ? handedTicks_ + piece.delayTicks - second : 0;
  }
  starts_.push_back(start);
  current_ = std::move(piece);
}

PlayFeeder::FeedResult PlayFeeder::Feed(MidiLib& lib, MidiOut out) {
  while (current_) {
    const PlayPiece& piece = *current_;
    if (index_ >= piece.events.size()) {
      // The end of a pass: again from the first event, or the next piece.
      index_ = 0;
      if (++passesDone_ < Passes(piece)) continue;
      current_.reset();
      if (queue_.empty()) break;
      PlayPiece next = std::move(queue_.front());
      queue_.pop_front();
      MakeCurrent(std::move(next));
      continue;
    }
    MidiEvent e = piece.events[index_];
    if (index_ == 1 && passesDone_ == 0 && piece.delayTicks != 0) e.time = piece.delayTicks;
    const int result = lib.PutMidiOut(out, e);
    if (result == kMidiQueueFull) return FeedResult::kRefused;
    if (result != kMidiOk) return FeedResult::kFailed;
    handedTicks_ += e.time;
    ++index_;
  }
  return FeedResult::kAllHandedOver;
}

bool PlayFeeder::Finished(MidiLib& lib, MidiOut out) const {
  return AllHandedOver() && lib.QueuedEvents(out) == 0;
}

std::optional<PlayFeeder::Heard> PlayFeeder::HeardAt(uint64_t position) const {
  if (starts_.empty()) return std::nullopt;
  auto it = std::upper_bound(starts_.begin(), starts_.end(), position,
                             [](uint64_t p, const PieceStart& s) { return p < s.tick; });
  const PieceStart& s = it == starts_.begin() ? starts_.front() : *(it - 1);
  Heard heard;
  heard.tag = s.tag;
  heard.ticks = position > s.musicTick ? position - s.musicTick : 0;
  return heard;
}

uint32_t PlayFeeder::DelayTicks(unsigned seconds, uint32_t tempo, unsigned resolution) {
  if (seconds == 0 || tempo == 0) return 0;
  const uint64_t ticks = uint64_t{seconds} * 1000000u * resolution / tempo;
  return static_cast<uint32_t>(std::min<uint64_t>(ticks, 0xFFFFFFFFu));
}

uint32_t PlayFeeder::FirstTempo(const std::vector<MidiEvent>& events) {
  for (const MidiEvent& e : events) {
    if (e.status == 0 && TempoOf(e) != 0) return TempoOf(e);
  }
  return kMidiDefaultTempo;
}

double PlayFeeder::Seconds(const PlayPiece& piece, unsigned resolution) {
  // Tempo changes carry over from one pass into the next, as they do when played.
  uint32_t tempo = kMidiDefaultTempo;
  double pass = 0;
  double firstPass = 0;
  for (int p = 0; p < 2; ++p) {
    double seconds = 0;
    for (size_t k = 0; k < piece.events.size(); ++k) {
      const MidiEvent& e = piece.events[k];
      uint32_t delta = e.time;
      if (p == 0 && k == 1 && piece.delayTicks != 0) delta = piece.delayTicks;
      seconds += double(delta) * tempo / 1e6 / std::max(1u, resolution);
      if (e.status == 0 && TempoOf(e) != 0) tempo = TempoOf(e);
    }
    (p == 0 ? firstPass : pass) = seconds;
  }
  return firstPass + pass * (std::max(1, piece.passes) - 1);
}

}  // namespace tunora
