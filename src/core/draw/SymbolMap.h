// The music symbols: 155 numbered symbols, each drawn as one character of the
// notation font. SymbolMap says which character draws which symbol; it is the
// string setting MusicalSymbols of the section "Fonts".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tunora {

// Symbol numbers the drawing uses.
enum SymbolId : int {
  SYM_G_CLEF = 1,
  SYM_F_CLEF = 2,
  SYM_C_CLEF = 3,
  SYM_BARLINE = 7,
  SYM_THIN_THICK = 8,
  SYM_THICK_THIN = 9,
  SYM_THICK_BARLINE = 10,
  SYM_BEGIN_REPEAT = 12,
  SYM_END_REPEAT = 13,
  SYM_FILLED_HEAD = 17,
  SYM_UNFILLED_HEAD = 18,
  SYM_BREVE = 19,
  SYM_WHOLE = 20,
  SYM_HALF_UP = 21,
  SYM_HALF_DOWN = 22,
  SYM_QUARTER_UP = 23,
  SYM_QUARTER_DOWN = 24,
  SYM_EIGHTH_UP = 25,
  SYM_EIGHTH_DOWN = 26,
  SYM_128TH_DOWN = 34,
  SYM_DOT = 39,
  SYM_GRACE_EIGHTH_UP = 42,
  SYM_GRACE_EIGHTH_DOWN = 43,
  SYM_GRACE_QUARTER_UP = 44,
  SYM_GRACE_QUARTER_DOWN = 45,
  SYM_GRACE_SLASHED_UP = 46,
  SYM_SHARP = 49,
  SYM_FLAT = 50,
  SYM_NATURAL = 51,
  SYM_DOUBLE_SHARP = 52,
  SYM_DOUBLE_FLAT = 53,
  SYM_SMALL_SHARP = 54,
  SYM_WHOLE_REST = 60,
  SYM_HALF_REST = 61,
  SYM_QUARTER_REST = 62,
  SYM_EIGHTH_REST = 63,
  SYM_128TH_REST = 67,
  SYM_COMMON_TIME = 69,
  SYM_CUT_TIME = 70,
  SYM_METER_0 = 71,
  SYM_METER_PLUS = 81,
  SYM_TUPLET_0 = 83,
  SYM_BREATH = 94,
  SYM_STACCATO = 95,
  SYM_TENUTO = 96,
  SYM_PIZZ = 97,
  SYM_ACCENT = 102,
  SYM_TRILL = 103,
  SYM_ROLL = 105,
  SYM_PRALLTRILLER = 107,
  SYM_HARMONIC = 108,
  SYM_FERMATA_ABOVE = 109,
  SYM_FERMATA_BELOW = 110,
  SYM_UPBOW = 111,
  SYM_DOWNBOW = 112,
  SYM_SLIDE = 113,
  SYM_MORDENT = 114,
  SYM_TURN = 115,
  SYM_SMALL_TRIANGLE_DOWN = 119,
  SYM_DOT_IN_V = 128,
  SYM_DYN_F = 131,
  SYM_DYN_FF = 132,
  SYM_DYN_FFF = 133,
  SYM_DYN_P = 134,
  SYM_DYN_PP = 135,
  SYM_DYN_PPP = 136,
  SYM_DYN_MF = 137,
  SYM_DYN_MP = 138,
  SYM_DYN_SF = 139,
  SYM_CODA = 146,
  SYM_SEGNO = 147,
  SYM_DC = 148,
  SYM_DS = 149,
  SYM_TEMPO_QUARTER = 150,
};

class SymbolMap {
 public:
  static constexpr int kCount = 155;

  // The default map.
  SymbolMap();
  // A stored map; when it is not 155 characters long the default is used.
  explicit SymbolMap(std::string_view stored);

  // The character that draws a symbol; a blank for numbers outside the list.
  uint8_t Char(int symbol) const {
    return symbol >= 0 && symbol < kCount ? static_cast<uint8_t>(map_[static_cast<size_t>(symbol)])
                                          : uint8_t{' '};
  }
  // Sets the character of a symbol that can be chosen; false for headings and
  // numbers outside the list.
  bool Set(int symbol, uint8_t character);
  const std::string& Text() const { return map_; }

  // "G Clef", "--- CLEFS ---" ... ; "" outside the list.
  static const char* Name(int symbol);
  // The symbol's name as a listing word: lower case, every run of other characters
  // one underscore ("g_clef", "quarter_note_stem_up"); "-" outside the list.
  static std::string_view Key(int symbol);
  // Group headings are listed but cannot be chosen and are never drawn.
  static bool IsHeading(int symbol);
  static bool IsSelectable(int symbol) {
    return symbol >= 0 && symbol < kCount && !IsHeading(symbol);
  }

  bool operator==(const SymbolMap&) const = default;

 private:
  std::string map_;
};

}  // namespace tunora
