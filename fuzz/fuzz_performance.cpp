// The performance builder over any tune: it must end, keep its event arrays
// within the limit, produce valid MIDI data bytes and a MIDI file that reads as
// chunks of the lengths it announces.
//
// Input layout: two flag bytes, then lines K, M, L, Q, R and the drone text (the
// header's P: part order when the drone is off), the rest is the body.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "play/MidiFileWriter.h"
#include "play/Performance.h"
#include "play/StyleSet.h"

namespace {

std::string_view NextLine(std::string_view& in) {
  size_t e = in.find('\n');
  std::string_view line = in.substr(0, e);
  in = e == std::string_view::npos ? std::string_view{} : in.substr(e + 1);
  return line;
}

const tunora::StyleSet& Styles() {
  static const tunora::StyleSet set = [] {
    tunora::StyleSet s;
    unsigned line = 0;
    s.Parse(
        "rhythm { name reel; meter C|; tempo 1/4=200; swing 1/8 2 /16 17 15; swingbr 5 3 4; }\n"
        "rhythm { name ; meter 6/8; tempo 3/8=100; swing 1/8 3 /8 9 7 8; beatlen 1/4 2 /4 5 3; }\n"
        "chord { name ; notes 0 4 7; }\nchord { name m; notes 0 3 7; }\n"
        "chord { name 7; notes 0 4 7 10; }\nchord { name x; notes 0 2 4 5 7 9 11; }\n"
        "backing { name b; use; meter 4/4,C: a2 [b2c2d2] c,2 [b2c2d2]; meter 1/4: a//[b'c'']3/2;"
        " meter 6/8: a2 [bcd] c,2 [bcd]; }\n",
        line);
    return s;
  }();
  return set;
}

// Walks the chunks of a MIDI file; aborts when a length points outside it.
void CheckChunks(const std::string& bytes, int tracks) {
  if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0) std::abort();
  size_t p = 14;
  int seen = 0;
  while (p < bytes.size()) {
    if (p + 8 > bytes.size() || bytes.compare(p, 4, "MTrk") != 0) std::abort();
    const auto* u = reinterpret_cast<const unsigned char*>(bytes.data() + p + 4);
    const size_t len = (size_t{u[0]} << 24) | (size_t{u[1]} << 16) | (size_t{u[2]} << 8) | u[3];
    p += 8 + len;
    if (p > bytes.size()) std::abort();
    ++seen;
  }
  if (seen != tracks) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t f0 = data[0], f1 = data[1];
  std::string_view in(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string key(NextLine(in)), meter(NextLine(in)), unit(NextLine(in)), tempo(NextLine(in)),
      rhythm(NextLine(in)), drone(NextLine(in));
  const std::string body(in);

  tunora::PlaySettings s;
  if ((f0 & 1) != 0) s.keyText = key;
  s.meterText = meter;
  s.unitLengthText = unit;
  s.tempoText = tempo;
  s.rhythmText = rhythm;
  s.body = body;
  s.title = "fuzz";
  s.symbolLines = "u:~=!roll!\nu:T=!trill!\nu:H=::\nu:J=|1\n";
  s.commonEqualsCut = (f0 & 2) != 0;
  s.noRepeats = (f0 & 4) != 0;
  s.playChords = (f0 & 8) != 0;
  s.playGraces = (f0 & 16) != 0;
  s.droneOn = (f0 & 32) != 0;
  s.droneText = drone;
  if (!s.droneOn) s.partsText = drone;
  s.warnBarLen = (f0 & 64) != 0;
  s.repeat = 1 + (f1 & 3);
  s.transpose = static_cast<int>(f1 >> 4) - 8;
  s.graceFraction = 1 + (f1 & 12);
  s.multiGraceFraction = 1 + ((f1 >> 2) & 7) * 100;
  s.speedPercent = 1 + f1 * 100;
  s.backingOctave = (f1 & 1) ? -1 : 1;
  if ((f0 & 128) != 0)
    s.range = tunora::PlaySettings::Range{body.size() / 4, body.size() / 3,
                                          body.size() - body.size() / 5};

  for (bool merged : {false, true}) {
    s.merged = merged;
    tunora::Performance perf(Styles());
    if (!perf.Build(s)) std::abort();
    size_t total = perf.Backing().Count() + perf.Drone().Count() + perf.TempoMap().Count();
    for (const tunora::EventTrack& t : perf.Voices()) {
      total += t.Count();
      for (const tunora::MidiEvent& e : t.Events()) {
        if (e.status != 0 && (e.status < 0x80 || e.data1 > 127 || e.data2 > 127)) std::abort();
      }
    }
    if (total > tunora::Performance::kMaxEvents + 64) std::abort();
    if (perf.Voices().size() > static_cast<size_t>(tunora::Performance::kMaxVoices)) std::abort();
    if (!merged) {
      int tracks = 1 + (perf.Backing().used ? 1 : 0) + (perf.Drone().used ? 1 : 0);
      for (const tunora::EventTrack& t : perf.Voices()) tracks += t.used ? 1 : 0;
      CheckChunks(tunora::MidiFileBytes(perf), tracks);
    }
  }
  return 0;
}
