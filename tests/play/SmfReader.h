// A small, independent reader of Standard MIDI Files for checking what the writer
// produced: chunks, variable-length quantities, running status, meta and sysex
// events. It shares no code with the writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunora::test {

struct SmfEvent {
  uint32_t time = 0;   // absolute ticks
  uint8_t status = 0;  // channel status, 0xFF for meta, 0xF0/0xF7 for sysex
  uint8_t metaType = 0;
  std::vector<uint8_t> data;   // data bytes of a channel event, or the meta/sysex payload
  bool runningStatus = false;  // the status byte was left out
  std::string Text() const { return std::string(data.begin(), data.end()); }
};

struct SmfTrack {
  std::vector<SmfEvent> events;
  size_t statusBytes = 0;  // channel status bytes actually written
};

struct SmfFile {
  int format = -1;
  int trackCount = 0;
  int division = 0;
  std::vector<SmfTrack> tracks;
  std::string error;  // empty when the file read cleanly
};

inline SmfFile ReadSmf(const std::string& bytes) {
  SmfFile f;
  size_t p = 0;
  auto u8 = [&](uint8_t& v) {
    if (p >= bytes.size()) return false;
    v = static_cast<uint8_t>(bytes[p++]);
    return true;
  };
  auto be = [&](int n, uint32_t& v) {
    v = 0;
    for (int i = 0; i < n; ++i) {
      uint8_t b;
      if (!u8(b)) return false;
      v = (v << 8) | b;
    }
    return true;
  };
  auto vlq = [&](uint32_t& v, size_t end) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      if (p >= end) return false;
      const uint8_t b = static_cast<uint8_t>(bytes[p++]);
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;  // more than four bytes
  };
  auto fail = [&](const std::string& why) {
    f.error = why + " at byte " + std::to_string(p);
    return f;
  };

  uint32_t v = 0;
  if (bytes.compare(0, 4, "MThd") != 0) return fail("no MThd");
  p = 4;
  if (!be(4, v) || v != 6) return fail("header length");
  if (!be(2, v)) return fail("format");
  f.format = static_cast<int>(v);
  if (!be(2, v)) return fail("tracks");
  f.trackCount = static_cast<int>(v);
  if (!be(2, v)) return fail("division");
  f.division = static_cast<int>(v);

  while (p < bytes.size()) {
    if (bytes.compare(p, 4, "MTrk") != 0) return fail("no MTrk");
    p += 4;
    uint32_t length = 0;
    if (!be(4, length)) return fail("track length");
    const size_t end = p + length;
    if (end > bytes.size()) return fail("track longer than the file");
    SmfTrack track;
    uint32_t time = 0;
    int running = -1;
    bool ended = false;
    while (p < end) {
      if (ended) return fail("events after end of track");
      uint32_t delta = 0;
      if (!vlq(delta, end)) return fail("delta");
      time += delta;
      SmfEvent e;
      e.time = time;
      uint8_t b = 0;
      if (!u8(b)) return fail("event");
      if (b == 0xFF) {
        e.status = 0xFF;
        if (!u8(e.metaType)) return fail("meta type");
        uint32_t n = 0;
        if (!vlq(n, end) || p + n > end) return fail("meta length");
        e.data.assign(bytes.begin() + static_cast<long>(p),
                      bytes.begin() + static_cast<long>(p + n));
        p += n;
        running = -1;
        if (e.metaType == 0x2F) ended = true;
      } else if (b == 0xF0 || b == 0xF7) {
        e.status = b;
        uint32_t n = 0;
        if (!vlq(n, end) || p + n > end) return fail("sysex length");
        p += n;
        running = -1;
      } else {
        if (b & 0x80) {
          running = b;
          ++track.statusBytes;
        } else {
          if (running < 0) return fail("running status without a status");
          --p;
          e.runningStatus = true;
        }
        e.status = static_cast<uint8_t>(running);
        const int kind = running & 0xF0;
        const int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        for (int i = 0; i < count; ++i) {
          if (!u8(b) || (b & 0x80)) return fail("data byte");
          e.data.push_back(b);
        }
      }
      track.events.push_back(std::move(e));
    }
    if (!ended) return fail("no end of track");
    f.tracks.push_back(std::move(track));
  }
  if (static_cast<int>(f.tracks.size()) != f.trackCount) return fail("track count");
  return f;
}

}  // namespace tunora::test
