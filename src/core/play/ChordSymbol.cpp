#include "play/ChordSymbol.h"

#include "abc/AbcModel.h"

#include <algorithm>
#include <cstring>

namespace tunora {

namespace {

// Pitch of a note letter in the octave of C = 60, or -1 (z and other characters).
int LetterPitch(char c) {
  const int semitones = LetterSemitones(c);
  return semitones < 0 ? -1 : 60 + semitones;
}

// The bass from a bass text: a note letter with an optional # or b; else the root.
void ReadBass(std::string_view text, ChordSymbol& chord) {
  chord.bass = chord.root;
  chord.bassName[0] = '\0';
  if (text.empty()) return;
  const int pitch = LetterPitch(text[0]);
  if (pitch < 0) return;
  chord.bass = pitch;
  size_t n = 0;
  chord.bassName[n++] = '/';
  chord.bassName[n++] = text[0];
  if (text.size() > 1 && (text[1] == '#' || text[1] == 'b')) {
    chord.bass += text[1] == '#' ? 1 : -1;
    chord.bassName[n++] = text[1];
  }
  chord.bassName[n] = '\0';
}

std::string_view DropClosingParen(std::string_view s) {
  if (!s.empty() && s.back() == ')') s.remove_suffix(1);
  return s;
}

}  // namespace

bool ReadChordSymbol(std::string_view text, const StyleSet& styles, ChordSymbol& chord) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);

  // A bass change of the chord in force.
  if (chord.valid && !text.empty() && text[0] == '/') {
    chord.root = chord.noteCount > 0 ? chord.notes[0] : chord.root;
    ReadBass(DropClosingParen(text.substr(1, 3)), chord);
    return true;
  }

  chord = ChordSymbol{};
  chord.notes.fill(ChordSymbol::kNone);
  size_t p = 0;
  if (p < text.size() && text[p] == '(') {
    chord.alternative = true;
    ++p;
  }
  if (p >= text.size()) return false;
  const char letter = text[p];
  const int rootPitch = LetterPitch(letter);
  if (rootPitch < 0) return false;
  chord.lowerCase = letter >= 'a' && letter <= 'z';
  chord.root = rootPitch;
  ++p;
  char accidental = 0;
  if (p < text.size() && (text[p] == '#' || text[p] == '^')) {
    chord.root += 1;
    accidental = '#';
    ++p;
  } else if (p < text.size() && (text[p] == 'b' || text[p] == '_')) {
    chord.root -= 1;
    accidental = 'b';
    ++p;
  }

  // Type up to the first / (or, without one, the first '('), then the bass text.
  constexpr size_t kMaxType = 15;
  std::string_view rest = text.substr(p);
  std::string_view type;
  std::string_view bassText;
  size_t sep = rest.find('/');
  if (sep == std::string_view::npos) sep = rest.find('(');
  if (sep != std::string_view::npos && sep <= kMaxType) {
    type = rest.substr(0, sep);
    if (rest[sep] == '(') chord.alternative = true;
    bassText = DropClosingParen(rest.substr(sep + 1, 3));
  } else {
    type = DropClosingParen(rest.substr(0, kMaxType));
  }

  const ChordType* ct = styles.FindChordType(type);
  if (ct == nullptr) {
    chord = ChordSymbol{};
    return false;
  }
  chord.valid = true;
  chord.typeIndex = static_cast<int>(ct - styles.chordTypes.data());
  for (int interval : ct->notes) {
    if (chord.noteCount >= ChordSymbol::kMaxNotes) break;
    const int note = chord.root + interval;
    if (note > 127) continue;
    chord.notes[static_cast<size_t>(chord.noteCount++)] = static_cast<uint8_t>(note);
  }
  size_t n = 0;
  chord.name[n++] = static_cast<char>(letter >= 'a' ? letter - 32 : letter);
  if (accidental != 0) chord.name[n++] = accidental;
  const size_t room = sizeof chord.name - 1 - n;
  const size_t copy = std::min(room, ct->name.size());
  std::memcpy(chord.name + n, ct->name.data(), copy);
  chord.name[n + copy] = '\0';
  ReadBass(bassText, chord);
  return true;
}

VoicedChord VoiceChord(const ChordSymbol& chord, int octaveShift, int previousLowest) {
  VoicedChord v;
  if (!chord.valid) return v;
  const int o = octaveShift;
  const int bass = chord.bass;
  int d = o - previousLowest + bass;
  int s = 0;
  while (d > 5) {
    d -= 12;
    s -= 12;
  }
  if (d < -6) s += 12 * ((5 - d) / 12);
  while (bass + s > 66) s -= 12;
  while (bass + s < 43) s += 12;

  auto add = [&v](int pitch) {
    if (v.count < VoicedChord::kMaxNotes && pitch >= 0 && pitch <= 127)
      v.notes[static_cast<size_t>(v.count++)] = static_cast<uint8_t>(pitch);
  };

  const int count = chord.noteCount;
  const int bassPc = ((bass % 12) + 12) % 12;
  int start = -1;
  for (int i = 0; i < count && start < 0; ++i)
    if (chord.notes[static_cast<size_t>(i)] % 12 == bassPc) start = i;
  int previous = bass + s + o;
  bool first = true;
  if (start < 0) {
    // The bass is not a chord note: it sounds below the chord on its own.
    add(previous);
    first = false;
    int best = 12;
    start = 0;
    for (int i = 0; i < count; ++i) {
      const int dist = ((chord.notes[static_cast<size_t>(i)] - bass) % 12 + 12) % 12;
      if (dist >= 1 && dist < best) {
        best = dist;
        start = i;
      }
    }
  }
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    int pitch;
    if (first) {
      pitch = bass + s + o;
      first = false;
    } else {
      pitch = chord.notes[static_cast<size_t>(i)] + s + o;
      while (pitch < previous) pitch += 12;
      while (pitch > previous + 12) pitch -= 12;
    }
    add(pitch);
    previous = pitch;
  }
  return v;
}

}  // namespace tunora
