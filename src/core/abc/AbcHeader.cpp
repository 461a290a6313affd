#include "abc/AbcHeader.h"

#include "base/Ascii.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace tunora {

const ModeDef kModeTable[kModeCount] = {
    {"aeo", {2, 1, 2, 2, 1, 2, 2}, "aeolian"},  {"ion", {2, 2, 1, 2, 2, 2, 1}, "ionian"},
    {"min", {2, 1, 2, 2, 1, 2, 2}, "minor"},    {"maj", {2, 2, 1, 2, 2, 2, 1}, "major"},
    {"phr", {1, 2, 2, 2, 1, 2, 2}, "phrygian"}, {"fry", {1, 2, 2, 2, 1, 2, 2}, "phrygian"},
    {"dor", {2, 1, 2, 2, 2, 1, 2}, "dorian"},   {"mix", {2, 2, 1, 2, 2, 1, 2}, "mixolydian"},
    {"lyd", {2, 2, 2, 1, 2, 2, 1}, "lydian"},   {"loc", {1, 2, 2, 1, 2, 2, 2}, "locrian"},
    {"m", {2, 1, 2, 2, 1, 2, 2}, "minor"},      {"", {2, 2, 1, 2, 2, 2, 1}, "major"},
};

namespace {

constexpr uint32_t kNumberLimit = 65535;
constexpr char kLetterChars[7] = {'C', 'D', 'E', 'F', 'G', 'A', 'B'};

char At(std::string_view t, size_t i) { return i < t.size() ? t[i] : '\0'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

void SkipBlanks(std::string_view t, size_t& i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
}
void SkipWhite(std::string_view t, size_t& i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\r' || t[i] == '\n')) ++i;
}

// True when word (lower case) begins t[i...], without regard to case.
bool HasPrefix(std::string_view t, size_t i, std::string_view word) {
  if (t.size() - std::min(i, t.size()) < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (Lower(t[i + k]) != word[k]) return false;
  return true;
}

// Letter index 0..6 (C..B) of a note letter of either case, -1 otherwise.
int LetterIndex(char c) {
  switch (Lower(c)) {
    case 'c': return 0;
    case 'd': return 1;
    case 'e': return 2;
    case 'f': return 3;
    case 'g': return 4;
    case 'a': return 5;
    case 'b': return 6;
    default: return -1;
  }
}

// Reads an optionally signed number; false (pos unchanged) when no digits follow.
bool ReadSigned(std::string_view t, size_t& pos, int& value) {
  size_t i = pos;
  bool negative = false;
  if (At(t, i) == '-' || At(t, i) == '+') {
    negative = t[i] == '-';
    ++i;
  }
  uint32_t n = 0;
  if (!ReadNumber(t, i, n)) return false;
  value = negative ? -static_cast<int>(n) : static_cast<int>(n);
  pos = i;
  return true;
}

// The accidental of a letter whose natural pitch class is natPc, for a degree at pc:
// the first of 0, +1, -1, +2, -2 that fits; otherwise the nearest signed distance.
int SpellAccidental(int pc, int natPc) {
  int d = ((pc - natPc) % 12 + 12) % 12;
  switch (d) {
    case 0: return 0;
    case 1: return 1;
    case 11: return -1;
    case 2: return 2;
    case 10: return -2;
    default: return d <= 6 ? d : d - 12;
  }
}

void SetName(char (&name)[6], char letter, int accidental) {
  int k = 0;
  name[k++] = letter;
  char sign = accidental > 0 ? '#' : 'b';
  int count = std::min(std::abs(accidental), 4);
  for (int n = 0; n < count; ++n) name[k++] = sign;
  name[k] = '\0';
}

int NameAccidental(const char* name) {
  int a = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p == '#') ++a;
    if (*p == 'b') --a;
  }
  return a;
}

bool InSet(int k, std::initializer_list<int> set) {
  return std::find(set.begin(), set.end(), k) != set.end();
}

void SpellKeyNames(KeyInfo& key, int tonicPc, int tonicLetterIndex) {
  for (int u = 0; u < 12; ++u) {
    key.letters[u] = '.';
    std::strcpy(key.names[u], ".");
  }
  for (int i = 0; i < 7; ++i) {
    int pc = key.scale[i] - 60;
    key.letters[pc] = kLetterChars[(tonicLetterIndex + i) % 7];
    std::memcpy(key.names[pc], key.scaleNames[i], sizeof key.names[pc]);
  }
  static constexpr char kChromatic[] = "C.D.EF.G.A.B";
  for (int u = 0; u < 12; ++u) {
    if (key.letters[u] != '.' || std::strcmp(key.names[u], ".") != 0) continue;
    int k = (u - tonicPc + 12) % 12;
    int r;
    if (InSet(k, {1, 3, 5, 8, 10}) || k == 0) {
      r = (u + 1) % 12;
    } else if (InSet(k, {2, 4, 6, 9, 11})) {
      r = (u + 11) % 12;
    } else {  // k == 7
      r = std::strchr(key.names[(u + 1) % 12], '#') != nullptr ? (u + 1) % 12 : (u + 11) % 12;
    }
    if (key.letters[r] == '.') {
      char own = kChromatic[u] != '.' ? kChromatic[u] : kChromatic[(u + 11) % 12];
      key.names[u][0] = own;
      key.names[u][1] = '#';
      key.names[u][2] = '\0';
      continue;
    }
    int step = ((u - r + 12) % 12 == 1) ? 1 : -1;
    int d = NameAccidental(key.names[r]) + step;
    key.letters[u] = key.letters[r];
    char* name = key.names[u];
    name[0] = key.letters[r];
    const char* text = d == 1 ? "#" : d == 2 ? "##" : d == -1 ? "b" : d == -2 ? "bb" : "=";
    std::strcpy(name + 1, text);
  }
}

}  // namespace

bool ReadNumber(std::string_view text, size_t& pos, uint32_t& value) {
  if (!IsDigit(At(text, pos))) return false;
  uint32_t n = 0;
  while (IsDigit(At(text, pos))) {
    n = std::min<uint32_t>(n * 10 + static_cast<uint32_t>(text[pos] - '0'), kNumberLimit);
    ++pos;
  }
  value = n;
  return true;
}

void ReadLengthMultiplier(std::string_view text, size_t& pos, uint32_t& num, uint32_t& den) {
  num = 1;
  den = 1;
  char c = At(text, pos);
  if (c >= '1' && c <= '9') ReadNumber(text, pos, num);
  if (At(text, pos) != '/') return;
  ++pos;
  c = At(text, pos);
  if (c >= '1' && c <= '9') {
    ReadNumber(text, pos, den);
    return;
  }
  den = 2;
  while (At(text, pos) == '/') {
    if (den < 32768) den *= 2;
    ++pos;
  }
}

// ---------------------------------------------------------------------------- K:

void ParseKey(std::string_view text, KeyInfo& key) {
  key = KeyInfo{};
  size_t start = 0;
  SkipWhite(text, start);
  std::string_view t = text.substr(start);
  if (t == "HP" || t == "Hp") {
    key.bagpipeKey = t == "HP" ? 1 : 2;
    t = "Amix";
  }
  size_t i = 0;
  int letter = i < t.size() ? LetterIndex(t[i]) : -1;
  if (i < t.size()) ++i;
  if (letter < 0) {
    key.noKey = true;
    letter = 0;
  } else {
    key.tonicLetter = static_cast<uint8_t>(60 + kLetterSemitones[letter]);
    key.tonic = key.tonicLetter;
    char c = At(t, i);
    if (c == '#' || c == '^') {
      key.tonicAccidental = 1;
      ++i;
    } else if (c == 'b' || c == '_') {
      key.tonicAccidental = -1;
      ++i;
    }
    key.tonic = static_cast<uint8_t>(key.tonic + key.tonicAccidental);
  }

  // Mode: the first row whose abbreviation begins the text; the last row takes anything.
  SkipBlanks(t, i);
  for (const ModeDef& m : kModeTable) {
    if (HasPrefix(t, i, m.abbreviation)) {
      key.mode = &m;
      break;
    }
  }
  while (IsLetter(At(t, i))) ++i;

  // Explicit accidentals: each sets its letter's accidental outright, whatever the
  // mode gave it (the tonic's letter too); a later one for a letter wins.
  while (key.explicitCount < 7) {
    SkipBlanks(t, i);
    char c = At(t, i);
    int acc = 0;
    size_t run = 1;
    if (c == '^' || c == '_') {
      while (run < 2 && At(t, i + run) == c) ++run;
      acc = c == '^' ? static_cast<int>(run) : -static_cast<int>(run);
    } else if (c == '=') {
      // "clef=bass" and the like: an = straight after a word assigns, it is no natural.
      if (i > 0 && (IsLetter(t[i - 1]) || IsDigit(t[i - 1]))) break;
    } else {
      break;
    }
    char l = At(t, i + run);
    int li = LetterIndex(l);
    if (li < 0) {
      if (IsLetter(l)) key.noKey = true;
      break;
    }
    key.explicitAccidentals[key.explicitCount] = static_cast<int8_t>(acc);
    key.explicitLetters[key.explicitCount] = static_cast<uint8_t>(60 + kLetterSemitones[li]);
    ++key.explicitCount;
    i += run + 1;
  }

  // The scale, spelled degree by degree on consecutive letters; a letter with an
  // explicit accidental takes it.
  int tonicPc = (key.tonic - 60 + 12) % 12;
  int chain = tonicPc;
  for (int d = 0; d < 7; ++d) {
    const int natPcOfDegree = kLetterSemitones[(letter + d) % 7];
    int pc = chain;
    for (int e = key.explicitCount; e-- > 0;) {
      if (key.explicitLetters[e] - 60 == natPcOfDegree) {
        pc = (natPcOfDegree + key.explicitAccidentals[e] + 12) % 12;
        break;
      }
    }
    int li = (letter + d) % 7;
    int natPc = kLetterSemitones[li];
    int acc = SpellAccidental(pc, natPc);
    key.letterAccidentals[natPc] = static_cast<int8_t>(acc);
    key.scale[d] = static_cast<uint8_t>(60 + pc);
    char name[6];
    SetName(name, kLetterChars[li], acc);
    std::memcpy(key.scaleNames[d], name, sizeof key.scaleNames[d]);
    chain = (chain + key.mode->steps[d]) % 12;
  }
  SpellKeyNames(key, tonicPc, letter);
}

// ---------------------------------------------------------------------------- M:

tick DefaultUnitLength(const MeterInfo& m) {
  bool twoFour = m.numerator == 2 && m.denominator == 4 && m.partCount == 0 && !m.isSymbol;
  return twoFour || m.denominator == 16 ? 48 : 96;
}

void ParseMeter(std::string_view text, MeterInfo& m, bool commonEqualsCut, bool chooseUnitLength) {
  constexpr int kMaxNumerator = 999;
  constexpr int kMaxDenominator = 768;  // keeps every grid length at 1 tick or more
  tick unit = m.unitLength;
  tick defaultUnit = m.defaultUnitLength;
  m = MeterInfo{};
  m.unitLength = unit;
  m.defaultUnitLength = defaultUnit;

  size_t i = 0;
  SkipWhite(text, i);
  auto readDenominator = [&] {
    uint32_t d = 0;
    ReadNumber(text, i, d);
    m.denominator = static_cast<int16_t>(d == 0 ? 4 : std::min<uint32_t>(d, kMaxDenominator));
  };
  char c = At(text, i);
  if (c == 'C' && At(text, i + 1) == '|') {
    m.numerator = 2;
    m.denominator = 2;
    m.isSymbol = true;
  } else if (c == 'C') {
    m.numerator = 4;
    m.denominator = 4;
    m.isSymbol = true;
  } else if (c >= '1' && c <= '9') {
    uint32_t n = 0;
    ReadNumber(text, i, n);
    if (At(text, i) == '+') {
      uint32_t sum = 0;
      m.parts[m.partCount++] = static_cast<int16_t>(std::min<uint32_t>(n, kMaxNumerator));
      sum += n;
      while (At(text, i) == '+') {
        size_t j = i + 1;
        uint32_t part = 0;
        if (!ReadNumber(text, j, part)) break;
        i = j;
        if (m.partCount < MeterInfo::kMaxParts) {
          m.parts[m.partCount++] = static_cast<int16_t>(std::min<uint32_t>(part, kMaxNumerator));
          sum += part;
        }
      }
      m.numerator = static_cast<int16_t>(std::min<uint32_t>(sum, kMaxNumerator));
      if (At(text, i) == '/') {
        ++i;
        readDenominator();
      }
    } else {
      m.numerator = static_cast<int16_t>(std::min<uint32_t>(n, kMaxNumerator));
      if (At(text, i) == '/') {
        ++i;
        readDenominator();
      }
    }
  }

  if (chooseUnitLength) {
    m.defaultUnitLength = DefaultUnitLength(m);
    m.unitLength = m.defaultUnitLength;
  }

  const int num = m.numerator;
  const int den = m.denominator;
  if (num == 0) {
    // Free meter: a quarter-note grid, and no bar length to check against.
    m.beatsPerBar = 1;
    m.beatLength = 192;
    m.barLength = 0;
    m.subBeatLength = 96;
    m.offbeatLength = 96;
  } else if (m.partCount > 0) {
    m.subBeatLength = kTicksPerWhole / static_cast<tick>(den);
    tick shortest = 1536;
    tick bar = 0;
    for (int p = 0; p < m.partCount; ++p) {
      m.partLengths[p] = static_cast<tick>(m.parts[p]) * m.subBeatLength;
      bar += m.partLengths[p];
      shortest = std::min(shortest, m.partLengths[p]);
    }
    m.barLength = bar;
    m.beatLength = std::max<tick>(shortest, 1);
    m.beatsPerBar = m.partCount;
    m.offbeatLength = 0;
  } else if (num % 3 == 0 && num >= 6) {
    m.subBeatLength = kTicksPerWhole / static_cast<tick>(den);
    m.beatLength = 3 * m.subBeatLength;
    m.beatsPerBar = static_cast<int16_t>(num / 3);
    m.barLength = m.beatLength * static_cast<tick>(num / 3);
    m.offbeatLength = 0;
  } else if (num == 4 && den == 4 && commonEqualsCut) {
    m.beatsPerBar = 2;
    m.subBeatLength = 96;
    m.beatLength = 384;
    m.offbeatLength = 192;
    m.barLength = 768;
  } else if (num % 2 == 1 && den > 4) {
    m.beatsPerBar = static_cast<int16_t>(std::max(num * 10 / 22, 1));
    m.subBeatLength = kTicksPerWhole / static_cast<tick>(den);
    m.beatLength = 2 * m.subBeatLength;
    m.barLength = static_cast<tick>(num) * kTicksPerWhole / static_cast<tick>(den);
    m.offbeatLength = 0;
  } else {
    m.beatsPerBar = static_cast<int16_t>(num);
    m.beatLength = kTicksPerWhole / static_cast<tick>(den);
    m.offbeatLength = m.beatLength / 2;
    m.barLength = m.beatLength * static_cast<tick>(num);
    m.subBeatLength = m.unitLength;
  }
}

// ---------------------------------------------------------------------------- L:

namespace {
tick ClampLength(uint64_t ticks) {
  return static_cast<tick>(std::clamp<uint64_t>(ticks, 1, kMaxNoteLength));
}
}  // namespace

tick ParseUnitLength(std::string_view text) {
  size_t i = 0;
  SkipBlanks(text, i);
  if (i >= text.size() || IsLineEnd(text[i])) return 0;
  uint32_t num = 1, den = 1;
  ReadLengthMultiplier(text, i, num, den);
  return ClampLength(uint64_t{num} * kTicksPerWhole / den);
}

// ---------------------------------------------------------------------------- Q:

void ParseTempo(std::string_view text, tick unitLength, tick meterBeat, TempoInfo& tempo) {
  tempo = TempoInfo{};
  tempo.beatLength = std::max<tick>(meterBeat, 1);
  tempo.beatsPerMinute = 120;
  size_t i = 0;
  SkipBlanks(text, i);
  auto readBpm = [&] {
    SkipBlanks(text, i);
    if (At(text, i) != '=') return;
    ++i;
    SkipBlanks(text, i);
    uint32_t b = 0;
    ReadNumber(text, i, b);
    if (b != 0) tempo.beatsPerMinute = b;
  };
  char c = At(text, i);
  if (c == 'C' || c == 'c') {
    ++i;
    uint32_t n = 0;
    ReadNumber(text, i, n);
    if (n == 0) n = 1;
    tempo.beatLength = ClampLength(uint64_t{unitLength} * n);
    readBpm();
  } else if (IsDigit(c)) {
    uint32_t n = 0;
    ReadNumber(text, i, n);
    if (At(text, i) == '/') {
      ++i;
      uint32_t d = 0;
      ReadNumber(text, i, d);
      if (d == 0) d = 4;
      tempo.beatLength = ClampLength(uint64_t{n} * kTicksPerWhole / d);
      readBpm();
    } else {
      size_t j = i;
      SkipBlanks(text, j);
      if (At(text, j) != '=') {
        tempo.beatsPerMinute = n != 0 ? n : 120;
        tempo.bareNumber = true;
      }
    }
  }
}

// ---------------------------------------------------------------------------- V:

void VoiceInfo::ResetToSentinels() { *this = VoiceInfo{}; }

VoiceInfo VoiceInfo::Stored(int number) {
  VoiceInfo v;
  v.number = number;
  v.clefOctave = 0;
  v.clefShift = 0;
  v.merge = 0;
  v.stems = 0;
  v.transpose = 0;
  v.totalShift = 0;
  return v;
}

void VoiceInfo::MergeFrom(const VoiceInfo& f) {
  if (f.number != 0) number = f.number;
  if (!f.name.empty()) name = f.name;
  if (!f.shortName.empty()) shortName = f.shortName;
  if (f.clef != kClefNone) clef = f.clef;
  if (f.clefOctave != kUnset) clefOctave = f.clefOctave;
  if (f.clefShift != kUnset) clefShift = f.clefShift;
  if (f.merge != kUnsetMerge) merge = f.merge;
  if (f.stems != kUnsetStems) stems = f.stems;
  if (f.transpose != kUnset) transpose = f.transpose;
  int shift = (clefShift == kUnset ? 0 : clefShift) + (transpose == kUnset ? 0 : transpose);
  totalShift = static_cast<int16_t>(std::clamp(shift, -32767, 32766));
}

namespace {

enum VoiceKeyword {
  kVoiceNumber = 1,
  kVoiceName,
  kVoiceShort,
  kVoiceClef,
  kVoiceMerge,
  kVoiceStems,
  kVoiceTranspose,
  kVoiceC
};
struct Word {
  std::string_view word;
  int id;
};
constexpr Word kVoiceWords[] = {{"number", kVoiceNumber},       {"name", kVoiceName},
                                {"short", kVoiceShort},         {"clef", kVoiceClef},
                                {"merge", kVoiceMerge},         {"stems", kVoiceStems},
                                {"transpose", kVoiceTranspose}, {"c", kVoiceC}};
constexpr Word kClefWords[] = {{"treble", kClefTreble},   {"bass", kClefBass},
                               {"alto", kClefAlto},       {"tenor", kClefTenor},
                               {"soprano", kClefSoprano}, {"baritone", kClefBaritone},
                               {"piano", kClefPiano}};
constexpr Word kMidiWords[] = {{"channel", MIDI_CHANNEL},
                               {"program", MIDI_PROGRAM},
                               {"grace", MIDI_GRACE},
                               {"chordprog", MIDI_CHORDPROG},
                               {"droneprog", MIDI_DRONEPROG},
                               {"chordchannel", MIDI_CHORDCHANNEL},
                               {"dronechannel", MIDI_DRONECHANNEL},
                               {"transpose", MIDI_TRANSPOSE}};

template <size_t N>
const Word* FindWord(const Word (&table)[N], std::string_view t, size_t i) {
  for (const Word& w : table)
    if (HasPrefix(t, i, w.word)) return &w;
  return nullptr;
}

int16_t ClampShort(int v) { return static_cast<int16_t>(std::clamp(v, -32767, 32766)); }

}  // namespace

void ParseVoice(std::string_view text, VoiceInfo& v) {
  v.ResetToSentinels();
  // The field ends at the first line end.
  size_t end = 0;
  while (end < text.size() && !IsLineEnd(text[end])) ++end;
  std::string_view t = text.substr(0, end);

  size_t i = 0;
  SkipBlanks(t, i);
  uint32_t n = 0;
  if (At(t, i) >= '1' && At(t, i) <= '9' && ReadNumber(t, i, n)) v.number = static_cast<int>(n);

  for (;;) {
    SkipBlanks(t, i);
    if (i >= t.size()) break;
    const Word* kw = FindWord(kVoiceWords, t, i);
    if (kw == nullptr) break;
    i += kw->word.size();
    while (IsLetter(At(t, i))) ++i;  // the rest of the word
    SkipBlanks(t, i);
    if (At(t, i) != '=') {
      if (kw->id == kVoiceClef) continue;
      break;
    }
    ++i;
    SkipBlanks(t, i);
    bool ok = true;
    switch (kw->id) {
      case kVoiceNumber:
        n = 0;
        ReadNumber(t, i, n);
        v.number = static_cast<int>(n);
        break;
      case kVoiceName:
      case kVoiceShort: {
        std::string& target = kw->id == kVoiceName ? v.name : v.shortName;
        if (At(t, i) == '"') {
          size_t close = t.find('"', i + 1);
          if (close == std::string_view::npos) {
            ok = false;
            break;
          }
          target.assign(t.substr(i + 1, close - i - 1));
          i = close + 1;
        } else {
          size_t s = i;
          while (i < t.size() && t[i] != ' ' && t[i] != '\t') ++i;
          target.assign(t.substr(s, i - s));
        }
        break;
      }
      case kVoiceClef: {
        const Word* clef = FindWord(kClefWords, t, i);
        if (clef == nullptr) {
          ok = false;
          break;
        }
        v.clef = static_cast<uint8_t>(clef->id);
        i += clef->word.size();
        if (t.substr(i, 2) == "+8") {
          v.clefOctave = 1;
          i += 2;
        } else if (t.substr(i, 2) == "-8") {
          v.clefOctave = -1;
          i += 2;
        } else if (t.substr(i, 3) == "+16") {
          v.clefOctave = 2;
          i += 3;
        } else if (t.substr(i, 3) == "-16") {
          v.clefOctave = -2;
          i += 3;
        } else {
          v.clefOctave = 0;
        }
        break;
      }
      case kVoiceMerge:
        n = 0;
        ReadNumber(t, i, n);
        v.merge = static_cast<uint16_t>(std::min<uint32_t>(n, 65534));
        break;
      case kVoiceStems:
        if (HasPrefix(t, i, "up")) {
          v.stems = 1;
          i += 2;
        } else if (HasPrefix(t, i, "down")) {
          v.stems = -1;
          i += 4;
        } else if (HasPrefix(t, i, "normal")) {
          v.stems = 0;
          i += 6;
        } else {
          ok = false;
        }
        break;
      case kVoiceTranspose: {
        int value = 0;
        ReadSigned(t, i, value);
        v.transpose = ClampShort(value);
        break;
      }
      case kVoiceC: {
        char c = At(t, i);
        if (c != 'c' && c != 'C') {
          ok = false;
          break;
        }
        int pitch = c == 'c' ? 72 : 60;
        ++i;
        for (;;) {
          char m = At(t, i);
          if (m == '\'' && pitch <= 115) {
            pitch += 12;
          } else if (m == ',' && pitch >= 12) {
            pitch -= 12;
          } else {
            break;
          }
          ++i;
        }
        v.clefShift = static_cast<int16_t>(pitch - 72);
        break;
      }
    }
    if (!ok) break;
  }
}

// ---------------------------------------------------------------------------- %%

int ParseDirectiveId(std::string_view text) {
  size_t i = 0;
  SkipBlanks(text, i);
  return HasPrefix(text, i, "midi") ? kDirectiveMidi : kDirectiveOther;
}

void ParseMidiDirective(std::string_view text, MidiInfo& midi) {
  size_t i = 0;
  SkipBlanks(text, i);
  while (i < text.size() && IsLetter(text[i])) ++i;  // the directive word
  SkipBlanks(text, i);
  const Word* kw = FindWord(kMidiWords, text, i);
  if (kw == nullptr) {
    midi.keyword = MIDI_NONE;
    return;
  }
  midi.keyword = kw->id;
  i += kw->word.size();
  SkipBlanks(text, i);
  uint32_t n = 0;
  switch (kw->id) {
    case MIDI_CHANNEL:
    case MIDI_CHORDCHANNEL:
    case MIDI_DRONECHANNEL:
      ReadNumber(text, i, n);
      midi.channel = static_cast<int>(n);
      break;
    case MIDI_PROGRAM:
    case MIDI_CHORDPROG:
    case MIDI_DRONEPROG:
      ReadNumber(text, i, n);
      midi.program = static_cast<int>(n);
      break;
    case MIDI_GRACE:
      if (text.substr(i, 2) == "1/") {
        i += 2;
        ReadNumber(text, i, n);
        midi.graceDenominator = static_cast<int>(n);
      }
      break;
    case MIDI_TRANSPOSE: {
      int value = 0;
      ReadSigned(text, i, value);
      midi.transpose = value;
      break;
    }
  }
}

}  // namespace tunora
