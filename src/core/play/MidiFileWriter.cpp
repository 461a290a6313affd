#include "play/MidiFileWriter.h"

#include <algorithm>

#include "base/FileIO.h"
#include "play/Performance.h"

namespace tunora {

namespace {

constexpr size_t kBufferStep = 2048;
constexpr std::string_view kProducedBy = "Produced by Tunora 2.0";

void AppendBig(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool HasData2(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return kind == 0x80 || kind == 0x90 || kind == 0xA0 || kind == 0xB0 || kind == 0xE0;
}

}  // namespace

MidiFileWriter::~MidiFileWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void MidiFileWriter::AppendVlq(std::string& out, uint32_t value) {
  value &= 0x0FFFFFFF;
  char bytes[4];
  int n = 0;
  bytes[n++] = static_cast<char>(value & 0x7F);
  while ((value >>= 7) != 0) bytes[n++] = static_cast<char>((value & 0x7F) | 0x80);
  while (n > 0) out += bytes[--n];
}

bool MidiFileWriter::Open(const std::string& path, int format, int tracks, int division) {
  if (open_) return false;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  toMemory_ = false;
  WriteHeader(format, tracks, division);
  return ok_;
}

bool MidiFileWriter::OpenMemory(int format, int tracks, int division) {
  if (open_) return false;
  toMemory_ = true;
  memory_.clear();
  WriteHeader(format, tracks, division);
  return true;
}

void MidiFileWriter::WriteHeader(int format, int tracks, int division) {
  open_ = true;
  ok_ = true;
  total_ = 0;
  format_ = format;
  tracks_ = tracks;
  division_ = division;
  std::string header = "MThd";
  AppendBig(header, 6, 4);
  AppendBig(header, static_cast<uint32_t>(format), 2);
  AppendBig(header, static_cast<uint32_t>(tracks), 2);
  AppendBig(header, static_cast<uint32_t>(division), 2);
  Flush(header);
}

void MidiFileWriter::Flush(std::string_view bytes) {
  if (!open_) return;
  if (toMemory_) {
    memory_.append(bytes);
  } else if (file_ == nullptr ||
             std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    ok_ = false;
  }
  total_ += static_cast<long>(bytes.size());
}

void MidiFileWriter::StartTrack() {
  buffer_.clear();
  buffer_.reserve(kBufferStep);
  buffer_ += "MTrk";
  AppendBig(buffer_, 0, 4);  // the length, filled in at the end
  lastStatus_ = -1;          // a new track remembers no status
}

bool MidiFileWriter::EndTrack() {
  if (buffer_.size() < 8) return false;
  const uint8_t end[3] = {0x2F, 0, 0};
  buffer_ += '\0';  // delta 0
  buffer_ += static_cast<char>(0xFF);
  buffer_.append(reinterpret_cast<const char*>(end), 2);
  const uint32_t length = static_cast<uint32_t>(buffer_.size() - 8);
  for (int i = 0; i < 4; ++i)
    buffer_[4 + static_cast<size_t>(i)] = static_cast<char>((length >> (8 * (3 - i))) & 0xFF);
  Flush(buffer_);
  buffer_.clear();
  return ok_;
}

void MidiFileWriter::WriteEvent(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
  AppendVlq(buffer_, delta);
  if (status != lastStatus_) {
    Put(status);
    lastStatus_ = status;
  }
  Put(data1 & 0x7F);
  if (HasData2(status)) Put(data2 & 0x7F);
}

void MidiFileWriter::WriteMeta(uint32_t delta, uint8_t type, const uint8_t* bytes, size_t length) {
  AppendVlq(buffer_, delta);
  Put(0xFF);
  Put(type);
  AppendVlq(buffer_, static_cast<uint32_t>(length));
  if (length > 0) buffer_.append(reinterpret_cast<const char*>(bytes), length);
  lastStatus_ = -1;  // the next channel event writes its status again
}

void MidiFileWriter::WriteText(uint32_t delta, uint8_t type, std::string_view text) {
  WriteMeta(delta, type, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void MidiFileWriter::WriteTempo(uint32_t delta, uint32_t microsecondsPerQuarter) {
  const uint8_t b[3] = {static_cast<uint8_t>(microsecondsPerQuarter >> 16),
                        static_cast<uint8_t>(microsecondsPerQuarter >> 8),
                        static_cast<uint8_t>(microsecondsPerQuarter)};
  WriteMeta(delta, 0x51, b, 3);
}

void MidiFileWriter::WriteTimeSignature(uint32_t delta, int numerator, int denominator) {
  int k = 0;
  if (denominator > 1) {
    while (k < 30 && (1 << k) < denominator) ++k;
  }
  const uint8_t b[4] = {static_cast<uint8_t>(std::clamp(numerator, 0, 255)),
                        static_cast<uint8_t>(k), 24, 8};
  WriteMeta(delta, 0x58, b, 4);
}

void MidiFileWriter::WriteKeySignature(uint32_t delta, int sharps, int minor) {
  const uint8_t b[2] = {static_cast<uint8_t>(static_cast<int8_t>(std::clamp(sharps, -128, 127))),
                        static_cast<uint8_t>(minor)};
  WriteMeta(delta, 0x59, b, 2);
}

long MidiFileWriter::Close() {
  if (!open_) return -1;
  if (buffer_.size() > 8) Flush(buffer_);
  buffer_.clear();
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
  }
  open_ = false;
  return ok_ ? total_ : -1;
}

// ------------------------------------------------------------------------ the file of a tune

namespace {

void WriteTrackEvents(MidiFileWriter& w, const EventTrack& track, uint32_t firstDelta) {
  bool first = true;
  for (const MidiEvent& e : track.Events()) {
    const uint32_t delta = first ? firstDelta : e.time;
    first = false;
    if (e.status < 0x80) continue;
    w.WriteEvent(delta, e.status, e.data1, e.data2);
  }
}

int TrackCount(const Performance& perf) {
  int tracks = 1;
  for (const EventTrack& v : perf.Voices())
    if (v.used) ++tracks;
  if (perf.Backing().used) ++tracks;
  if (perf.Drone().used) ++tracks;
  return tracks;
}

// Every track of the tune into an open writer.
void WriteTracks(MidiFileWriter& w, const Performance& perf) {
  const uint32_t pickup = perf.pickupOffset;

  // The conductor track.
  w.StartTrack();
  w.WriteTimeSignature(0, perf.MeterNumerator(), perf.MeterDenominator());
  w.WriteKeySignature(0, perf.KeySharps(), 0);
  bool first = true;
  for (const MidiEvent& e : perf.TempoMap().Events()) {
    w.WriteTempo(first ? pickup : e.time, TempoOf(e));
    first = false;
  }
  w.EndTrack();

  bool titled = false;
  for (const EventTrack& v : perf.Voices()) {
    if (!v.used) continue;
    w.StartTrack();
    w.WriteText(0, 0x01, kProducedBy);
    if (!titled) {
      w.WriteText(0, 0x03, perf.Title());
      titled = true;
    }
    const std::string& name = v.voice.name.empty() ? v.voice.shortName : v.voice.name;
    if (!name.empty()) w.WriteText(0, 0x04, name);
    WriteTrackEvents(w, v, pickup);
    w.EndTrack();
  }
  for (const EventTrack* t : {&perf.Backing(), &perf.Drone()}) {
    if (!t->used) continue;
    w.StartTrack();
    w.WriteText(0, 0x03, t == &perf.Backing() ? "backing" : "drone");
    WriteTrackEvents(w, *t, pickup);
    w.EndTrack();
  }
}

}  // namespace

std::string MidiFileBytes(const Performance& perf) {
  MidiFileWriter w;
  w.OpenMemory(1, TrackCount(perf), 192);
  WriteTracks(w, perf);
  w.Close();
  return w.Bytes();
}

bool WriteMidiFile(const Performance& perf, const std::string& path, std::string& error) {
  return WriteFileAtomically(path, MidiFileBytes(perf), error);
}

bool WriteNewMidiFile(const Performance& perf, const std::string& path, std::string& error) {
  // Assembled in memory and handed to the system in one write: in bulk, creating the
  // files is most of the work, so every call saved counts.
  const std::string bytes = MidiFileBytes(perf);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    error = "Cannot write \"" + path + "\".";
    return false;
  }
  std::setvbuf(f, nullptr, _IONBF, 0);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) {
    std::remove(path.c_str());
    error = "Cannot write \"" + path + "\": the disk may be full.";
    return false;
  }
  return true;
}

std::string CleanFileName(std::string_view title) {
  std::string out;
  for (char c : title) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) continue;
    out += c;
  }
  // File systems allow 255 bytes in a name; the title leaves room for the number and
  // the extension, and is cut between characters, never inside a UTF-8 sequence.
  constexpr size_t kMaxTitleBytes = 200;
  if (out.size() > kMaxTitleBytes) {
    size_t cut = kMaxTitleBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  size_t b = out.find_first_not_of(" .");
  if (b == std::string::npos) return {};
  size_t e = out.find_last_not_of(" .");
  return out.substr(b, e - b + 1);
}

}  // namespace tunora
