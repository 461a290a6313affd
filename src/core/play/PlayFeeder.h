// Hands the events of a play to the output of the MIDI library: one tune's merged
// track played a number of passes, with a delay before its music on the first pass,
// then the tunes queued behind it, without stopping the output between them.
//
//   feeder.Start(piece);     the first tune
//   feeder.Enqueue(next);    more tunes, also while playing
//   feeder.Feed(lib, out);   the first batch before StartSync, then on every room
//                            notice of the library
//   on an empty notice:      feeder.Finished(lib, out) says that the play is over
//
// Everything runs on the thread that receives the notices (never on the timer thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "play/EventTrack.h"
#include "play/MidiLib.h"

namespace tunora {

// One tune ready to be handed over.
struct PlayPiece {
  std::vector<MidiEvent> events;  // a merged track, times as deltas
  int passes = 1;                 // times the track is played; below 1 counts as 1
  // With two events or more: the second event's delta on the first pass, which
  // holds back the music after the opening events (0: the track's own delta).
  uint32_t delayTicks = 0;
  uint64_t tag = 0;  // the caller's name for the piece
};

class PlayFeeder {
 public:
  enum class FeedResult {
    kRefused,        // the output is full: feed again on its room notice
    kAllHandedOver,  // nothing is left to hand over
    kFailed,         // the output refused for another reason (closed, bad handle)
  };

  // Where a piece's music begins in the play.
  struct PieceStart {
    uint64_t tag = 0;
    uint64_t tick = 0;       // ticks handed over before its first event
    uint64_t musicTick = 0;  // where its music begins, after its delay
    int passes = 1;
  };
  // The piece heard at a position of the play, and how far its music has come.
  struct Heard {
    uint64_t tag = 0;
    uint64_t ticks = 0;  // since its music began (0 during its delay)
  };

  // Forgets everything and makes piece the current one.
  void Start(PlayPiece piece);
  // Puts a piece at the end of the queue; it becomes current at once when every
  // event before it has been handed over (Feed must then run again).
  void Enqueue(PlayPiece piece);
  // Forgets every piece.
  void Clear();

  // Hands events to out until it refuses one or nothing is left.
  FeedResult Feed(MidiLib& lib, MidiOut out);

  // True when every event of every piece has been handed over.
  bool AllHandedOver() const { return !current_.has_value(); }
  // True when everything was handed over and the output has played it.
  bool Finished(MidiLib& lib, MidiOut out) const;

  // The piece being handed over (null when all is handed over), its passes done so
  // far, and the pieces waiting behind it.
  const PlayPiece* Current() const { return current_ ? &*current_ : nullptr; }
  int PassesDone() const { return passesDone_; }
  size_t Waiting() const { return queue_.size(); }
  // Ticks of all the events handed over.
  uint64_t TicksHandedOver() const { return handedTicks_; }
  // Every piece that became current, in order.
  const std::vector<PieceStart>& Starts() const { return starts_; }

  // The piece heard at position (ticks of the play, as MidiLib::SyncPosition gives
  // them); nullopt before Start.
  std::optional<Heard> HeardAt(uint64_t position) const;

  // Ticks at the resolution that last seconds at a tempo (microseconds per quarter).
  static uint32_t DelayTicks(unsigned seconds, uint32_t tempo, unsigned resolution = 192);
  // The tempo of a track's first tempo event, or the library's default tempo.
  static uint32_t FirstTempo(const std::vector<MidiEvent>& events);
  // How long a piece sounds, every pass and the delay included, in seconds, at the
  // resolution (ticks per quarter note) it is played with.
  static double Seconds(const PlayPiece& piece, unsigned resolution = 192);

 private:
  void MakeCurrent(PlayPiece piece);

  std::optional<PlayPiece> current_;
  std::deque<PlayPiece> queue_;
  size_t index_ = 0;
  int passesDone_ = 0;
  uint64_t handedTicks_ = 0;
  std::vector<PieceStart> starts_;
};

}  // namespace tunora
