#include "tools/NoteWriter.h"

#include <cstring>
#include <numeric>

namespace tunora {

namespace {

constexpr char kChromatic[] = "C.D.EF.G.A.B";

// The first accidental of the key in pitch-class order: +1, -1 or 0.
int FirstAccidental(const KeyInfo& key) {
  for (int8_t a : key.letterAccidentals)
    if (a != 0) return a > 0 ? 1 : -1;
  return 0;
}

}  // namespace

int LetterPcOf(char letter) { return LetterSemitones(letter); }

int AccidentalFor(int pitch, int letterPc) { return ((pitch % 12 - letterPc + 18) % 12) - 6; }

int FoldIntoOctave(int pitch) {
  if (pitch > 71) pitch -= 12 * ((pitch - 60) / 12);
  if (pitch < 60) pitch += 12 * ((71 - pitch) / 12);
  return pitch;
}

std::string LengthText(uint64_t num, uint64_t den) {
  if (num == 0 || den == 0) return {};
  const uint64_t g = std::gcd(num, den);
  num /= g;
  den /= g;
  if (den == 1) return num == 1 ? std::string() : std::to_string(num);
  if (num == 1) return den == 2 ? std::string("/") : "/" + std::to_string(den);
  return std::to_string(num) + "/" + std::to_string(den);
}

bool ParseFraction(std::string_view text, uint32_t& num, uint32_t& den) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  auto number = [](std::string_view digits, uint32_t& value) {
    if (digits.empty() || digits.size() > 5) return false;
    value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value >= 1;
  };
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    den = 1;
    return number(text, num);
  }
  return number(text.substr(0, slash), num) && number(text.substr(slash + 1), den);
}

std::string BlackKeyName(const KeyInfo& key, int pc) {
  pc = ((pc % 12) + 12) % 12;
  if (kChromatic[pc] != '.') return std::string(1, kChromatic[pc]);
  if (FirstAccidental(key) >= 0) return std::string{kChromatic[(pc + 11) % 12], '#'};
  return std::string{kChromatic[(pc + 1) % 12], 'b'};
}

std::string ChordStyleName(const KeyInfo& key, int pc) {
  pc = ((pc % 12) + 12) % 12;
  const char* name = key.names[pc];
  if (LetterPcOf(name[0]) < 0) return BlackKeyName(key, pc);
  const int acc = AccidentalFor(pc + 60, LetterPcOf(name[0]));
  if (acc == 0) return std::string(1, name[0]);
  if (acc == 1) return std::string{name[0], '#'};
  if (acc == -1) return std::string{name[0], 'b'};
  return BlackKeyName(key, pc);
}

void NoteSpeller::SetKey(const KeyInfo& key) {
  key_ = key;
  ResetBar();
}

void NoteSpeller::ResetBar() { std::memset(memory_, 0, sizeof memory_); }

int NoteSpeller::Sounds(int writtenPitch, int letterPc) const {
  if (writtenPitch < 0 || writtenPitch > 127 || letterPc < 0 || letterPc > 11) return -1;
  const int16_t held = memory_[writtenPitch];
  if (held == kNatural) return writtenPitch;
  if (held != 0) return writtenPitch + held;
  return writtenPitch + key_.letterAccidentals[letterPc];
}

void NoteSpeller::Remember(int writtenPitch, int16_t writtenAccidental) {
  if (writtenPitch >= 0 && writtenPitch < 128 && writtenAccidental != 0)
    memory_[writtenPitch] = writtenAccidental;
}

void NoteSpeller::Write(std::string& out, int pitch, int letterPc, bool forceAccidental) {
  int acc = 0;
  if (letterPc >= 0) {
    acc = AccidentalFor(pitch, letterPc);
    if (acc < -2 || acc > 2) letterPc = -1;
  }
  if (letterPc < 0) {
    letterPc = LetterPcOf(key_.names[pitch % 12][0]);
    acc = letterPc >= 0 ? AccidentalFor(pitch, letterPc) : 99;
  }
  int natural = pitch - acc;
  if (acc < -2 || acc > 2 || natural < 0 || natural > 127) {
    // Spelled on a letter that would leave the pitch range: the plain letter or
    // the one below with a sharp.
    letterPc = LetterPcOf(kChromatic[pitch % 12] != '.' ? kChromatic[pitch % 12]
                                                        : kChromatic[(pitch + 11) % 12]);
    acc = AccidentalFor(pitch, letterPc);
    natural = pitch - acc;
  }
  if (forceAccidental || Sounds(natural, letterPc) != pitch) {
    if (acc == 0) {
      out += '=';
    } else {
      out.append(static_cast<size_t>(acc > 0 ? acc : -acc), acc > 0 ? '^' : '_');
    }
    memory_[natural] = acc == 0 ? kNatural : static_cast<int16_t>(acc);
  }
  const char letter = kChromatic[letterPc];
  if (natural >= 72) {
    out += static_cast<char>(letter + 32);
    out.append(static_cast<size_t>((natural - 72) / 12), '\'');
  } else {
    out += letter;
    if (natural < 60) out.append(static_cast<size_t>((71 - natural) / 12), ',');
  }
}

}  // namespace tunora
