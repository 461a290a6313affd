#include "editor/KeyHelp.h"

#include "abc/AbcHeader.h"
#include "abc/AbcModel.h"

namespace tunora {

namespace {

constexpr char kLetters[7] = {'C', 'D', 'E', 'F', 'G', 'A', 'B'};

int LetterIndexOfPitch(int pitch) {
  int pc = ((pitch - 60) % 12 + 12) % 12;
  for (int k = 0; k < 7; ++k)
    if (kLetterSemitones[k] == pc) return k;
  return 0;
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

KeyDescription DescribeKey(std::string_view keyText) {
  KeyDescription d;
  size_t start = 0;
  while (start < keyText.size() && (keyText[start] == ' ' || keyText[start] == '\t')) ++start;
  keyText.remove_prefix(start);
  if (keyText.empty()) return d;
  KeyInfo key;
  ParseKey(keyText, key);
  if (key.noKey) return d;
  d.valid = true;
  int first = LetterIndexOfPitch(key.tonicLetter);
  for (int step = 0; step < 7; ++step) {
    int li = (first + step) % 7;
    int acc = key.letterAccidentals[kLetterSemitones[li]];
    if (!d.notes.empty()) d.notes += ' ';
    if (acc == 0) d.notes += '=';
    for (int k = 0; k < acc; ++k) d.notes += '^';
    for (int k = 0; k > acc; --k) d.notes += '_';
    d.notes += kLetters[li];
  }
  for (int li = 0; li < 7; ++li) {
    int acc = key.letterAccidentals[kLetterSemitones[li]];
    if (acc > 0) d.sharps += acc;
    if (acc < 0) d.flats -= acc;
  }
  if (d.sharps > 0 && d.flats > 0) return d;
  if (d.sharps > 0)
    d.signature = Plural(d.sharps, "sharp", "sharps");
  else if (d.flats > 0)
    d.signature = Plural(d.flats, "flat", "flats");
  else
    d.signature = "no sharps or flats";
  return d;
}

const std::vector<KeyHelpMode>& KeyHelpModes() {
  static const std::vector<KeyHelpMode> modes = {
      {"major", ""},      {"minor", "m"},        {"ionian", "ion"},
      {"aeolian", "aeo"}, {"dorian", "dor"},     {"phrygian", "phr"},
      {"lydian", "lyd"},  {"mixolydian", "mix"}, {"locrian", "loc"},
  };
  return modes;
}

std::optional<std::string> FindKey(int count, bool flats, int modeIndex, char centre) {
  const std::vector<KeyHelpMode>& modes = KeyHelpModes();
  if (count < 0 || count > 6 || modeIndex < 0 || modeIndex >= static_cast<int>(modes.size()))
    return std::nullopt;
  if (centre >= 'a' && centre <= 'g') centre = static_cast<char>(centre - 'a' + 'A');
  std::string letters = centre == 0 ? std::string("CGDAEBF") : std::string(1, centre);
  if (centre != 0 && (centre < 'A' || centre > 'G')) return std::nullopt;
  // Natural tonics first, then the accidental that goes the signature's way.
  const char* accidentals[3] = {"", flats ? "b" : "#", flats ? "#" : "b"};
  for (const char* acc : accidentals) {
    for (char letter : letters) {
      std::string text(1, letter);
      text += acc;
      text += modes[static_cast<size_t>(modeIndex)].abbreviation;
      KeyDescription d = DescribeKey(text);
      if (!d.valid || d.signature.empty()) continue;
      int wantSharps = flats ? 0 : count;
      int wantFlats = flats ? count : 0;
      if (d.sharps == wantSharps && d.flats == wantFlats) return text;
    }
  }
  return std::nullopt;
}

}  // namespace tunora
