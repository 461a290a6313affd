#include "play/StyleEdit.h"

#include "base/Ascii.h"

namespace tunora {

namespace {

bool NameCharacterOk(unsigned char c) {
  if (c <= ' ' || c == 0x7F) return false;
  switch (c) {
    case ';':
    case '/':
    case '(':
    case ')':
    case '"': return false;
    default: return true;
  }
}

}  // namespace

bool IsStyleValueText(std::string_view text) {
  for (char c : text) {
    if (c == ';' || c == '\r' || c == '\n' || c == '\0') return false;
  }
  return true;
}

bool MakeChordType(std::string_view name, const std::vector<std::string>& noteTexts,
                   ChordType& out) {
  if (name.size() > ChordType::kMaxName) return false;
  for (char c : name) {
    if (!NameCharacterOk(static_cast<unsigned char>(c))) return false;
  }
  // "Cb5" reads as C flat with the type "5".
  if (!name.empty() && (name[0] == '#' || name[0] == 'b' || name[0] == '^' || name[0] == '_'))
    return false;
  if (noteTexts.empty() || noteTexts.size() > ChordType::kMaxNotes) return false;

  ChordType chord;
  chord.name = std::string(name);
  for (const std::string& text : noteTexts) {
    std::string_view digits = TrimBlanks(text);
    if (digits.empty() || digits.size() > 3) return false;
    int value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value > 127) return false;
    chord.notes.push_back(value);
  }

  // The file must give the same type back.
  std::string block = "chord { name " + chord.name + "; notes";
  for (int n : chord.notes) block += " " + std::to_string(n);
  block += ";}";
  StyleSet check;
  unsigned line = 0;
  if (!check.Parse(block, line) || check.chordTypes.size() != 1 || !(check.chordTypes[0] == chord))
    return false;
  out = std::move(chord);
  return true;
}

void SetStandardBacking(std::vector<Backing>& backings, size_t index) {
  if (index >= backings.size()) return;
  for (size_t i = 0; i < backings.size(); ++i) backings[i].use = i == index;
}

}  // namespace tunora
