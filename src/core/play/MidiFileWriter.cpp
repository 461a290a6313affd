#include "play/MidiFileWriter.h"

#include <algorithm>

#include "base/FileIO.h"
#include "play/Performance.h"

namespace tunora {

namespace {

constexpr size_t kBufferStep = 2048;
// A channel event: a delta of up to 4 bytes, the status and two data bytes.
constexpr size_t kMaxEventBytes = 7;
constexpr std::string_view kProducedBy = "Produced by Tunora 2.0";

void AppendBig(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Writes value as a variable-length quantity (at most 4 bytes) into bytes; its length.
size_t PutVlq(char* bytes, uint32_t value) {
  value &= 0x0FFFFFFF;
  if (value < 0x80) {
    bytes[0] = static_cast<char>(value);
    return 1;
  }
  size_t n = 1;
  while ((value >> (7 * n)) != 0) ++n;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t part = (value >> (7 * (n - 1 - i))) & 0x7F;
    bytes[i] = static_cast<char>(i + 1 < n ? part | 0x80 : part);
  }
  return n;
}

// Channel events of kinds 8n, 9n, An, Bn and En carry two data bytes (one bit each
// in the mask, by the high nibble), Cn and Dn one.
inline bool HasData2(uint8_t status) { return ((0x4F00u >> (status >> 4)) & 1u) != 0; }

}  // namespace

MidiFileWriter::~MidiFileWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void MidiFileWriter::AppendVlq(std::string& out, uint32_t value) {
  char bytes[4];
  out.append(bytes, PutVlq(bytes, value));
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
  inTrack_ = false;  // tracks begin after the header
  buffer_.clear();
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
  if (toMemory_ && open_) {
    if (inTrack_) memory_.resize(trackStart_);  // a track started again drops what it had
    trackStart_ = memory_.size();
  } else {
    buffer_.clear();
    buffer_.reserve(kBufferStep);
    trackStart_ = 0;
  }
  inTrack_ = true;
  std::string& out = Out();
  out += "MTrk";
  AppendBig(out, 0, 4);  // the length, filled in at the end
  lastStatus_ = -1;      // a new track remembers no status
}

bool MidiFileWriter::EndTrack() {
  std::string& out = Out();
  if (!inTrack_ || out.size() < trackStart_ + 8) return false;
  inTrack_ = false;
  out.append("\0\xFF\x2F\0", 4);  // delta 0, end of track
  const auto length = static_cast<uint32_t>(out.size() - trackStart_ - 8);
  for (size_t i = 0; i < 4; ++i)
    out[trackStart_ + 4 + i] = static_cast<char>((length >> (8 * (3 - i))) & 0xFF);
  if (&out == &buffer_) {
    Flush(buffer_);
    buffer_.clear();
  }
  return ok_;
}

char* MidiFileWriter::PutEvent(char* p, uint32_t delta, uint8_t status, uint8_t data1,
                               uint8_t data2) {
  p += PutVlq(p, delta);
  if (status != lastStatus_) {
    *p++ = static_cast<char>(status);
    lastStatus_ = status;
  }
  *p++ = static_cast<char>(data1 & 0x7F);
  if (HasData2(status)) *p++ = static_cast<char>(data2 & 0x7F);
  return p;
}

void MidiFileWriter::WriteEvent(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
  char bytes[kMaxEventBytes];
  Out().append(bytes, static_cast<size_t>(PutEvent(bytes, delta, status, data1, data2) - bytes));
}

void MidiFileWriter::WriteEvents(const std::vector<MidiEvent>& events, uint32_t firstDelta) {
  // Room for the longest events is made once, and what is left over cut off at the end.
  std::string& out = Out();
  const size_t at = out.size();
  out.resize(at + kMaxEventBytes * events.size());
  char* const begin = out.data();
  char* p = begin + at;
  int last = lastStatus_;
  bool first = true;
  for (const MidiEvent& e : events) {
    const uint32_t delta = first ? firstDelta : e.time;
    first = false;
    if (e.status < 0x80) continue;
    // Most deltas take one or two bytes, most events repeat the status before them.
    if (delta < 0x80) {
      *p++ = static_cast<char>(delta);
    } else if (delta < 0x4000) {
      *p++ = static_cast<char>(0x80 | (delta >> 7));
      *p++ = static_cast<char>(delta & 0x7F);
    } else {
      p += PutVlq(p, delta);
    }
    if (e.status != last) {
      *p++ = static_cast<char>(e.status);
      last = e.status;
    }
    *p++ = static_cast<char>(e.data1 & 0x7F);
    if (HasData2(e.status)) *p++ = static_cast<char>(e.data2 & 0x7F);
  }
  lastStatus_ = last;
  out.resize(static_cast<size_t>(p - begin));
}

void MidiFileWriter::WriteMeta(uint32_t delta, uint8_t type, const uint8_t* bytes, size_t length) {
  std::string& out = Out();
  AppendVlq(out, delta);
  out += static_cast<char>(0xFF);
  out += static_cast<char>(type);
  AppendVlq(out, static_cast<uint32_t>(length));
  if (length > 0) out.append(reinterpret_cast<const char*>(bytes), length);
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
  if (toMemory_) {
    // A track started without an event is left out, as a file leaves it out.
    if (inTrack_ && memory_.size() <= trackStart_ + 8) memory_.resize(trackStart_);
    total_ = static_cast<long>(memory_.size());
  } else if (buffer_.size() > 8) {
    Flush(buffer_);
  }
  buffer_.clear();
  inTrack_ = false;
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
  }
  open_ = false;
  return ok_ ? total_ : -1;
}

// ------------------------------------------------------------------------ the file of a tune

namespace {

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
    w.WriteEvents(v.Events(), pickup);
    w.EndTrack();
  }
  for (const EventTrack* t : {&perf.Backing(), &perf.Drone()}) {
    if (!t->used) continue;
    w.StartTrack();
    w.WriteText(0, 0x03, t == &perf.Backing() ? "backing" : "drone");
    w.WriteEvents(t->Events(), pickup);
    w.EndTrack();
  }
}

}  // namespace

std::string MidiFileBytes(const Performance& perf) {
  // Room for the longest events, which each track's events are written into before
  // what is left over is cut off, so the buffer never grows; the texts and the chunk
  // heads come on top.
  size_t events = perf.TempoMap().Count() + perf.Backing().Count() + perf.Drone().Count();
  for (const EventTrack& v : perf.Voices()) events += v.Count();
  MidiFileWriter w;
  w.Reserve(kMaxEventBytes * events + 256 + perf.Title().size());
  w.OpenMemory(1, TrackCount(perf), 192);
  WriteTracks(w, perf);
  w.Close();
  return w.TakeBytes();
}

bool WriteMidiFile(const Performance& perf, const std::string& path, std::string& error) {
  return WriteFileAtomically(path, MidiFileBytes(perf), error);
}

std::string CleanFileName(std::string_view title) {
  std::string out;
  out.reserve(title.size());
  for (char c : title) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    switch (c) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|': continue;
      default: out += c;
    }
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
