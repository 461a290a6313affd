// Standard MIDI Files: the writer of chunks, events and meta events, and the
// performance of a tune written as a format 1 file at 192 ticks per quarter.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "play/EventTrack.h"

namespace tunora {

class Performance;

class MidiFileWriter {
 public:
  MidiFileWriter() = default;
  ~MidiFileWriter();
  MidiFileWriter(const MidiFileWriter&) = delete;
  MidiFileWriter& operator=(const MidiFileWriter&) = delete;

  // Creates the file and writes the header chunk. Fails when the writer is
  // already open or the file cannot be created.
  bool Open(const std::string& path, int format, int tracks, int division);
  // The same into memory (Bytes()).
  bool OpenMemory(int format, int tracks, int division);

  // A track is assembled whole and written when it ends.
  void StartTrack();
  // Writes the end-of-track event, fills in the length and writes the track.
  bool EndTrack();

  // A channel event with running status: the status byte is left out when it
  // equals the last one written in this track; data2 only for 8n, 9n, An, Bn, En.
  void WriteEvent(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
  // WriteEvent for each event of a track in order, its time the delta, but firstDelta
  // for the first. An event without a status (below 0x80) is left out, its delta too.
  void WriteEvents(const std::vector<MidiEvent>& events, uint32_t firstDelta);
  void WriteMeta(uint32_t delta, uint8_t type, const uint8_t* bytes, size_t length);
  void WriteText(uint32_t delta, uint8_t type, std::string_view text);
  void WriteTempo(uint32_t delta, uint32_t microsecondsPerQuarter);
  void WriteTimeSignature(uint32_t delta, int numerator, int denominator);
  void WriteKeySignature(uint32_t delta, int sharps, int minor);

  // Writes what is left, closes the file; the total number of bytes written, or
  // -1 when writing failed.
  long Close();

  bool IsOpen() const { return open_; }
  const std::string& Bytes() const { return memory_; }
  // Hands over the bytes written into memory, leaving the writer without them.
  std::string TakeBytes() { return std::move(memory_); }
  // Makes room for about bytes in memory, so that a large file grows its buffer once.
  void Reserve(size_t bytes) { memory_.reserve(bytes); }

  // Appends a variable-length quantity (7 bits a byte, high bit on all but the last).
  static void AppendVlq(std::string& out, uint32_t value);

 private:
  // The bytes of the track being assembled: in memory they go straight after the
  // earlier chunks, for a file they wait in buffer_ until the track ends.
  std::string& Out() { return toMemory_ && open_ ? memory_ : buffer_; }
  // Puts the bytes of a channel event at p (at most 7); past them.
  char* PutEvent(char* p, uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
  void Flush(std::string_view bytes);
  void WriteHeader(int format, int tracks, int division);

  bool open_ = false;
  bool ok_ = true;
  bool toMemory_ = false;
  std::FILE* file_ = nullptr;
  int format_ = 1;
  int tracks_ = 0;
  int division_ = 192;
  std::string buffer_;  // the track being assembled, for a file
  std::string memory_;
  size_t trackStart_ = 0;  // where the track being assembled begins in Out()
  bool inTrack_ = false;
  long total_ = 0;
  int lastStatus_ = -1;
};

// The bytes of a tune's MIDI file: the conductor track (time signature, key
// signature, tempos), one track per voice that sounds, then the backing and the
// drone when they were used. perf must come from a build without a merged track.
std::string MidiFileBytes(const Performance& perf);
// MidiFileBytes written to path through a temporary file, so that a failure leaves
// an existing file as it was; false with a message in error.
bool WriteMidiFile(const Performance& perf, const std::string& path, std::string& error);

// A tune title made fit for a file name: characters that file names cannot hold
// (control characters and \ / : * ? " < > |) removed, cut to 200 bytes so that any
// title fits a file name, blanks and dots at the ends trimmed.
std::string CleanFileName(std::string_view title);

}  // namespace tunora
