#include "tools/Transpose.h"

#include "abc/AbcHeader.h"
#include "base/Ascii.h"
#include "tools/NoteWriter.h"

namespace tunora {

namespace {

// The tonic's text length at the start of a K: text (letter and accidental), after
// leading blanks; 0 when it names no tonic.
size_t TonicEnd(std::string_view t, size_t i) {
  if (i >= t.size() || std::string_view("ABCDEFGabcdefg").find(t[i]) == std::string_view::npos)
    return 0;
  ++i;
  if (i < t.size() && (t[i] == '#' || t[i] == '^' || t[i] == 'b' || t[i] == '_')) ++i;
  return i;
}

// The number of accidentals of the key named tonic and mode (a double counts two).
int SignatureSize(const std::string& tonic, std::string_view mode) {
  KeyInfo key;
  ParseKey(tonic + std::string(mode), key);
  int n = 0;
  for (int8_t a : key.letterAccidentals) n += a < 0 ? -a : a;
  return n;
}

}  // namespace

int TransposePitch(int pitch, int shift) {
  int p = pitch + shift;
  if (p < 1) p += 12 * ((12 - p) / 12);
  if (p > 127) p -= 12 * ((p - 116) / 12);
  return p;
}

std::string TransposeKeyText(std::string_view keyText, int shift) {
  KeyInfo key;
  ParseKey(keyText, key);
  if (key.noKey) return std::string(keyText);
  const int tonic = FoldIntoOctave(key.tonic + shift);
  std::string out = ChordStyleName(key, tonic - 60);
  // A tonic whose key would need more than seven accidentals (B# major, Fb
  // major) is named the other way round (C, E).
  if (SignatureSize(out, key.mode->abbreviation) > 7) {
    for (std::string other :
         {BlackKeyName(KeyInfo{}, tonic - 60), std::string{"C.D.EF.G.A.B"[(tonic + 1) % 12], 'b'},
          std::string{"C.D.EF.G.A.B"[(tonic + 11) % 12], '#'}}) {
      if (other[0] == '.') continue;
      if (SignatureSize(other, key.mode->abbreviation) < SignatureSize(out, key.mode->abbreviation))
        out = other;
    }
  }
  out += key.mode->abbreviation;

  // The key's own accidentals move with it, each on the letter its natural moves
  // to (one that would need a double accidental, or fall on the tonic's letter,
  // is left out: the notes then carry it); the words after them stay.
  KeyInfo moved;
  ParseKey(out, moved);
  std::string accidentals;
  std::string_view t = keyText;
  while (!t.empty() &&
         (t.front() == ' ' || t.front() == '\t' || t.front() == '\r' || t.front() == '\n'))
    t.remove_prefix(1);
  std::string_view rest;
  if (key.bagpipeKey == 0) {
    size_t i = 1;
    if (i < t.size() && (t[i] == '#' || t[i] == '^' || t[i] == 'b' || t[i] == '_')) ++i;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    size_t w = i;
    while (w < t.size() && IsLetter(t[w])) ++w;
    // The mode word; a word with "=" is no mode, and a word that names no mode
    // (a clef, for instance) stays.
    if (key.mode->abbreviation[0] != '\0' && (w == t.size() || t[w] != '=')) i = w;
    for (;;) {
      size_t j = i;
      while (j < t.size() && (t[j] == ' ' || t[j] == '\t')) ++j;
      if (j + 1 < t.size() && (t[j] == '^' || t[j] == '_' || t[j] == '=') &&
          std::string_view("ABCDEFGabcdefg").find(t[j + 1]) != std::string_view::npos &&
          (j + 2 >= t.size() || !IsLetter(t[j + 2]))) {
        auto pc = [](int p) { return ((p % 12) + 12) % 12; };
        const int natural = LetterPcOf(t[j + 1]);
        const int pitch = pc(natural + (t[j] == '^' ? 1 : t[j] == '_' ? -1 : 0) + shift);
        const char letter = moved.names[pc(natural + shift)][0];
        if (LetterPcOf(letter) >= 0 && letter != out[0]) {
          const int acc = AccidentalFor(pitch, LetterPcOf(letter));
          if (acc >= -1 && acc <= 1) {
            accidentals += ' ';
            accidentals += acc > 0 ? '^' : acc < 0 ? '_' : '=';
            accidentals += static_cast<char>(letter | 0x20);
          }
        }
        i = j + 2;
        continue;
      }
      i = j;
      break;
    }
    rest = t.substr(i);
  }
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  out += accidentals;
  if (!rest.empty()) {
    out += ' ';
    out += rest;
  }
  return out;
}

RewriteResult TransposeTune(const TuneTexts& tune, int shift, const StyleSet& styles) {
  TuneRewriter rewriter(styles);
  RewriteOptions options;
  options.mode = RewriteOptions::kTranspose;
  options.shift = shift;
  return rewriter.Rewrite(tune, options);
}

std::vector<int> NotePitches(const TuneTexts& tune) {
  AbcParser reader;
  reader.Init(tune.key, tune.meter, tune.unitLength, tune.body, {}, false);
  std::vector<int> pitches;
  size_t pos = 0;
  bool first = true;
  for (TokenKind k; (k = reader.NextToken(pos, first)) != TK_END; first = false)
    if (k == TK_NOTE) pitches.push_back(reader.note.pitch);
  return pitches;
}

int TransposeShift(int by, int octaves, bool up) {
  const int shift = by + 12 * octaves;
  return up ? shift : -shift;
}

std::string KeyListTonic(std::string_view tuneKeyText, int by, bool up) {
  KeyInfo key;
  ParseKey(tuneKeyText, key);
  const int tonic = FoldIntoOctave(key.tonic + (up ? by : -by));
  std::string name = ChordStyleName(key, tonic - 60);
  if (name.size() == 1) name += ' ';
  return name;
}

int ByForTonic(std::string_view tuneKeyText, std::string_view tonic, bool up) {
  size_t i = 0;
  while (i < tonic.size() && tonic[i] == ' ') ++i;
  if (TonicEnd(tonic, i) == 0) return -1;
  KeyInfo chosen;
  ParseKey(tonic.substr(i, TonicEnd(tonic, i) - i), chosen);
  KeyInfo key;
  ParseKey(tuneKeyText, key);
  int by = up ? chosen.tonic - key.tonic : key.tonic - chosen.tonic;
  while (by < 0) by += 12;
  while (by > 11) by -= 12;
  return by;
}

std::string KeyModeText(std::string_view keyText) {
  size_t i = 0;
  while (i < keyText.size() && (keyText[i] == ' ' || keyText[i] == '\t')) ++i;
  const size_t end = TonicEnd(keyText, i);
  std::string_view rest = end == 0 ? keyText.substr(i) : keyText.substr(end);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r' || rest.back() == '\n'))
    rest.remove_suffix(1);
  return std::string(rest);
}

}  // namespace tunora
