#include "play/BackingPattern.h"

#include "base/Ascii.h"

#include <algorithm>
#include <numeric>

namespace tunora {

namespace {

constexpr tick kEighth = 96;
// Limits that keep a pattern's total length within 32 bits.
constexpr tick kMaxElementLength = tick{1} << 20;
constexpr size_t kMaxElements = 2048;

// ",m1,m2," with blanks removed contains key, a meter between two commas: one of the
// comma-separated meters, its blanks left out, equals the meter of the key. Patterns
// are chosen for every tune played, so the list is not copied to be searched.
bool ListHas(std::string_view meters, std::string_view key) {
  if (key.size() < 2 || key.front() != ',' || key.back() != ',') return false;
  const std::string_view want = key.substr(1, key.size() - 2);
  size_t matched = 0;  // characters of want matched in the current meter
  bool failed = false;
  for (size_t i = 0; i <= meters.size(); ++i) {
    const char c = i < meters.size() ? meters[i] : ',';
    if (c == ' ' || c == '\t') continue;
    if (c == ',') {
      if (!failed && matched == want.size()) return true;
      matched = 0;
      failed = false;
    } else if (!failed && matched < want.size() && want[matched] == c) {
      ++matched;
    } else {
      failed = true;
    }
  }
  return false;
}

const BackingPair* FindPair(const Backing* backing, std::string_view key) {
  if (backing == nullptr) return nullptr;
  for (const BackingPair& pair : backing->pairs)
    if (ListHas(pair.meters, key)) return &pair;
  return nullptr;
}

std::string Repeat(std::string_view beat, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    if (i > 0) out += ' ';
    out += beat;
  }
  return out;
}

// A length of len ticks in pattern notation: "3" for 288, "1/2" for 48.
std::string LengthText(tick len) {
  const tick g = std::gcd(len, kEighth);
  if (g == 0) return "0";
  std::string text = std::to_string(len / g);
  if (kEighth / g != 1) text += "/" + std::to_string(kEighth / g);
  return text;
}

// Decimal digits, saturating at 65535.
uint32_t ReadNumber(std::string_view s, size_t& p) {
  uint32_t v = 0;
  while (p < s.size() && IsDigit(s[p])) {
    v = std::min<uint32_t>(v * 10 + static_cast<uint32_t>(s[p] - '0'), 65535);
    ++p;
  }
  return v;
}

}  // namespace

std::string ChoosePatternText(const Backing* backing, const MeterInfo& meter) {
  const int den = meter.denominator;
  std::string key = ",";
  if (meter.partCount > 0) {
    for (int i = 0; i < meter.partCount; ++i) {
      if (i > 0) key += '+';
      key += std::to_string(meter.parts[i]);
    }
  } else {
    key += std::to_string(meter.numerator);
  }
  key += "/" + std::to_string(den) + ",";
  if (const BackingPair* pair = FindPair(backing, key)) return pair->pattern;

  const int beats = std::max(1, meter.partCount > 0 ? static_cast<int>(meter.partCount)
                                                    : static_cast<int>(meter.beatsPerBar));
  const tick denTicks = den > 0 ? kTicksPerWhole / static_cast<tick>(den) : 0;
  if (denTicks > 0) {
    const tick b = meter.beatLength / denTicks;
    std::string beatKey = "," + std::to_string(b) + "/" + std::to_string(den) + ",";
    if (const BackingPair* pair = FindPair(backing, beatKey)) return Repeat(pair->pattern, beats);
  }

  const std::string n = LengthText(meter.beatLength > 0 ? meter.beatLength : kTicksPerQuarter);
  std::string beat = "[";
  for (char letter = 'a'; letter <= 'h'; ++letter) {
    beat += letter;
    beat += n;
  }
  beat += ']';
  return Repeat(beat, beats);
}

void BackingPattern::Parse(std::string_view text) {
  elements_.clear();
  notes_.clear();
  uint64_t total = 0;
  bool inGroup = false;
  Element group;

  // Octave marks and the length after a letter or rest.
  auto readSuffix = [&](size_t& p, int& octaves) {
    while (p < text.size() && (text[p] == '\'' || text[p] == ',')) {
      if (text[p] == '\'') {
        octaves = std::min(octaves + 1, 10);
      } else {
        octaves = std::max(octaves - 1, -10);
      }
      ++p;
    }
    uint64_t num = kEighth;
    if (p < text.size() && IsDigit(text[p])) num = uint64_t{kEighth} * ReadNumber(text, p);
    uint64_t den = 1;
    if (p < text.size() && text[p] == '/') {
      if (p + 1 < text.size() && IsDigit(text[p + 1])) {
        ++p;
        den = std::max<uint32_t>(ReadNumber(text, p), 1);
      } else {
        int slashes = 0;
        while (p < text.size() && text[p] == '/') {
          ++slashes;
          ++p;
        }
        den = uint64_t{1} << std::min(slashes, 20);
      }
    }
    return static_cast<tick>(std::min<uint64_t>(num / den, kMaxElementLength));
  };

  auto addElement = [&](const Element& e) {
    if (elements_.size() >= kMaxElements) return;
    elements_.push_back(e);
    total += e.length;
  };

  size_t p = 0;
  while (p < text.size()) {
    const char c = text[p];
    if ((c >= 'a' && c <= 'h') || c == 'z') {
      ++p;
      int octaves = 0;
      const tick length = readSuffix(p, octaves);
      const bool rest = c == 'z';
      if (inGroup) {
        if (!rest && notes_.size() < kMaxElements * 8) {
          notes_.push_back({static_cast<uint8_t>(c - 'a'), static_cast<int8_t>(octaves)});
          ++group.noteCount;
        }
        group.length = length;
      } else {
        Element e;
        e.firstNote = static_cast<uint32_t>(notes_.size());
        if (!rest) {
          notes_.push_back({static_cast<uint8_t>(c - 'a'), static_cast<int8_t>(octaves)});
          e.noteCount = 1;
        }
        e.length = length;
        addElement(e);
      }
    } else if (c == '[') {
      ++p;
      if (!inGroup) {
        inGroup = true;
        group = Element{};
        group.firstNote = static_cast<uint32_t>(notes_.size());
      }
    } else if (c == ']') {
      ++p;
      if (inGroup) {
        inGroup = false;
        if (group.noteCount > 0 || group.length > 0) addElement(group);
      }
    } else {
      ++p;
    }
  }
  if (inGroup && (group.noteCount > 0 || group.length > 0)) addElement(group);
  total_ = static_cast<tick>(std::min<uint64_t>(total, 0xFFFFFFFFu));
}

}  // namespace tunora
