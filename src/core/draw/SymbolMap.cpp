#include "draw/SymbolMap.h"

#include <array>

#include "app/Settings.h"

namespace tunora {
namespace {

constexpr const char* kNames[SymbolMap::kCount] = {
    "--- CLEFS ---",
    "G Clef",
    "F Clef",
    "C Clef",
    "--- LINES & REPEATS ---",
    "5 Staff Lines (not used)",
    "Leger Line (not used)",
    "Barline",
    "Thin + Thick Barline",
    "Thick + Thin Barline",
    "Thick Barline",
    "Dashed Barline",
    "Begin Repeat",
    "End Repeat",
    "Repeat Dots",
    "Repeat Previous Bar",
    "--- NOTES ---",
    "Filled Notehead",
    "Unfilled Notehead",
    "Double Whole Note (Breve)",
    "Whole Note (Semibreve)",
    "Half Note, Stem Up",
    "Half Note, Stem Down",
    "Quarter Note, Stem Up",
    "Quarter Note, Stem Down",
    "Eighth Note, Stem Up",
    "Eighth Note, Stem Down",
    "Sixteenth Note, Stem Up",
    "Sixteenth Note, Stem Down",
    "32nd Note, Stem Up",
    "32nd Note, Stem Down",
    "64th Note, Stem Up",
    "64th Note, Stem Down",
    "128th Note, Stem Up",
    "128th Note, Stem Down",
    "8th Flag, Stem Up (not used)",
    "8th Flag, Stem Down (not used)",
    "16th Flag, Stem Up (not used)",
    "16th Flag, Stem Down (not used)",
    "Dot",
    "X Notehead",
    "--- GRACE NOTES ---",
    "Eighth Grace Note, Stem Up",
    "Eighth Grace Note, Stem Down",
    "Quarter Grace Note, Stem Up",
    "Quarter Grace Note, Stem Down",
    "Slashed Grace Note, Stem Up",
    "Slashed Grace Note, Stem Down",
    "--- ACCIDENTALS ---",
    "Sharp",
    "Flat",
    "Natural",
    "Double Sharp",
    "Double Flat",
    "Small Sharp",
    "Small Flat",
    "Small Natural",
    "Small Double Sharp",
    "Small Double Flat",
    "--- RESTS ---",
    "Whole Note Rest",
    "Half Note Rest",
    "Quarter Note Rest",
    "Eighth Note Rest",
    "Sixteenth Note Rest",
    "32nd Note Rest",
    "64th Note Rest",
    "128th Note Rest",
    "--- METER ---",
    "Common Time",
    "Cut Time",
    "Meter 0",
    "Meter 1",
    "Meter 2",
    "Meter 3",
    "Meter 4",
    "Meter 5",
    "Meter 6",
    "Meter 7",
    "Meter 8",
    "Meter 9",
    "Meter +",
    "--- TUPLETS ---",
    "Tuplet 0",
    "Tuplet 1",
    "Tuplet 2",
    "Tuplet 3",
    "Tuplet 4",
    "Tuplet 5",
    "Tuplet 6",
    "Tuplet 7",
    "Tuplet 8",
    "Tuplet 9",
    "--- ACCENTS, ETC ---",
    "Breath Mark '",
    "Staccato .",
    "Tenuto _",
    "Left Hand Pizz +",
    "Pedal Ped",
    "Pedal End *",
    "Left Parenthesis (",
    "Right Parenthesis )",
    "Accent >",
    "Trill tr",
    "^",
    "Roll ~",
    "Arpeggio",
    "Pralltriller",
    "Harmonic o",
    "Fermata Above",
    "Fermata Below",
    "Upbow",
    "Downbow",
    "Slide",
    "Mordent",
    "Turn",
    "Dot under ^",
    "Triangle Up",
    "Small Triangle Up",
    "Small Triangle Down",
    "Long Pralltriller",
    "Three Sausages",
    "x",
    "| Above",
    "| Below",
    "Simple Trill",
    "Filled Triangle Up",
    "Simple Trill Mark",
    "Dot in v",
    "Diamond",
    "--- DYNAMICS ---",
    "f",
    "ff",
    "fff",
    "p",
    "pp",
    "ppp",
    "mf",
    "mp",
    "sf",
    "z",
    "fz",
    "m",
    "r",
    "s",
    "--- OTHER ---",
    "Coda",
    "Segno",
    "D.C.",
    "D.S.",
    "Tempo Quarter Note =",
    "8va",
    "8vb",
    "Bracket, Upper Half",
    "Bracket, Lower Half",
};

}  // namespace

SymbolMap::SymbolMap() : map_(kDefaultMusicalSymbols) {}

SymbolMap::SymbolMap(std::string_view stored)
    : map_(stored.size() == static_cast<size_t>(kCount) ? stored : kDefaultMusicalSymbols) {}

bool SymbolMap::Set(int symbol, uint8_t character) {
  if (!IsSelectable(symbol)) return false;
  map_[static_cast<size_t>(symbol)] = static_cast<char>(character);
  return true;
}

const char* SymbolMap::Name(int symbol) {
  return symbol >= 0 && symbol < kCount ? kNames[symbol] : "";
}

std::string_view SymbolMap::Key(int symbol) {
  static const std::array<std::string, kCount> keys = [] {
    std::array<std::string, kCount> out;
    for (int s = 0; s < kCount; ++s) {
      std::string& k = out[static_cast<size_t>(s)];
      bool gap = false;
      for (const char* c = kNames[s]; *c != '\0'; ++c) {
        char ch = *c;
        bool word =
            (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z');
        if (!word) {
          gap = true;
          continue;
        }
        if (gap) k += '_';
        gap = false;
        k += ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
      }
      if (gap) k += '_';
    }
    return out;
  }();
  if (symbol < 0 || symbol >= kCount) return "-";
  return keys[static_cast<size_t>(symbol)];
}

bool SymbolMap::IsHeading(int symbol) {
  return symbol >= 0 && symbol < kCount && std::string_view(kNames[symbol]).substr(0, 3) == "---";
}

}  // namespace tunora
