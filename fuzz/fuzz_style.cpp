// The style-file reader over any bytes: it must stop (reading stops at an error),
// what it kept must write and read back the same, and the patterns and chord
// symbols built from it must stay in their bounds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "abc/AbcHeader.h"
#include "play/BackingPattern.h"
#include "play/ChordSymbol.h"
#include "play/StyleSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::StyleSet set;
  unsigned line = 0;
  const bool ok = set.Parse(text, line);
  if (!ok && (line == 0 || line > size + 1)) std::abort();
  if (set.rhythms.size() > size || set.backings.size() > size) std::abort();

  // What was kept writes back to a text that reads the same.
  const std::string written = set.Write();
  tunora::StyleSet again;
  unsigned line2 = 0;
  if (!again.Parse(written, line2)) std::abort();
  if (!(again == set)) std::abort();

  // Patterns of every backing, for a few meters; chord symbols from the tail.
  tunora::BackingPattern pattern;
  for (const char* m : {"4/4", "6/8", "3/4", "2+3/8", "none", "7/16"}) {
    tunora::MeterInfo meter;
    tunora::ParseMeter(m, meter, true, true);
    for (const tunora::Backing& b : set.backings) {
      pattern.Parse(tunora::ChoosePatternText(&b, meter));
      uint64_t sum = 0;
      for (const auto& e : pattern.Elements()) {
        if (e.firstNote + e.noteCount > pattern.Notes().size()) std::abort();
        sum += e.length;
      }
      if (sum != pattern.Total() && pattern.Total() != 0xFFFFFFFFu) std::abort();
    }
  }
  tunora::ChordSymbol chord;
  int previous = 60;
  for (size_t i = 0; i < size && i < 64; i += 4) {
    tunora::ReadChordSymbol(text.substr(i, 8), set, chord);
    tunora::VoicedChord v = tunora::VoiceChord(chord, 12 * (static_cast<int>(i % 3) - 1), previous);
    if (v.count > tunora::VoicedChord::kMaxNotes) std::abort();
    for (int k = 1; k < v.count; ++k)
      if (v.notes[static_cast<size_t>(k)] < v.notes[static_cast<size_t>(k - 1)]) std::abort();
    previous = v.Lowest();
  }
  return 0;
}
