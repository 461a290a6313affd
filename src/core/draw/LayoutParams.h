// The fine engraving measures of drawn music: line thicknesses, spacings, stem and
// beam geometry, rest positions, bracket geometry and one vertical/horizontal offset
// triple per music symbol. Kept in the settings section "Music", one integer key per
// value. The application keeps one set; every drawing scales a private copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tunora {

class IniFile;
struct SettingsDataHooks;

// Indices of the 50 named parameters.
enum LayoutIndex : int {
  LP_LineThickness = 0,
  LP_LineSpacing,
  LP_LedgerLength,
  LP_SpaceBeforeBarline,
  LP_SpaceAfterBarline,
  LP_BarlineSpacing,
  LP_SpaceAfterMeter,
  LP_KeySpacing,
  LP_SpaceAfterKey,
  LP_SpaceAfterClef,
  LP_SpaceBeforeMusic,
  LP_SpaceAfterAccidental,
  LP_AccidentalSpacing,
  LP_SpaceAfterGraceNote,
  LP_GraceNotePercent,
  LP_StemThickness,
  LP_StemLength,
  LP_HalfStemLength,
  LP_DownStemVpos,
  LP_DownStemHpos,
  LP_UpStemVpos,
  LP_UpStemHpos,
  LP_SpaceBeforeDot,
  LP_DotSpacing,
  LP_DotVpos,
  LP_BeamThickness,
  LP_BeamSpacing,
  LP_BrokenBeamLength,
  LP_TupletThickness,
  LP_TupletHeight,
  LP_TupletGap,
  LP_TieHpos,
  LP_TieVpos,
  LP_TieArcPercent,
  LP_SlurThickness,
  LP_HairpinThickness,
  LP_HairpinHeight,
  LP_Rest1Vpos,
  LP_Rest2Vpos,
  LP_Rest4Vpos,
  LP_Rest8Vpos,
  LP_Rest16Vpos,
  LP_Rest32Vpos,
  LP_Rest64Vpos,
  LP_Rest128Vpos,
  LP_BracketThickness,
  LP_BracketHeight,
  LP_BracketGap,
  LP_BracketTextHpos,
  LP_BracketTextVpos,
};

class LayoutParams {
 public:
  static constexpr int kNamedCount = 50;
  static constexpr int kSymbols = 155;
  static constexpr int kAboveBase = kNamedCount;
  static constexpr int kBelowBase = kAboveBase + kSymbols;
  static constexpr int kHorizontalBase = kBelowBase + kSymbols;
  static constexpr int kValueCount = kHorizontalBase + kSymbols;  // 515

  LayoutParams() { Reset(); }

  int32_t operator[](int index) const { return values_[static_cast<std::size_t>(index)]; }
  int32_t& operator[](int index) { return values_[static_cast<std::size_t>(index)]; }
  int32_t Get(LayoutIndex i) const { return values_[static_cast<std::size_t>(i)]; }

  // Per-symbol offsets; a symbol number outside 0..154 gives 0.
  int32_t Above(int symbol) const { return SymbolValue(kAboveBase, symbol); }
  int32_t Below(int symbol) const { return SymbolValue(kBelowBase, symbol); }
  int32_t Horizontal(int symbol) const { return SymbolValue(kHorizontalBase, symbol); }

  // Every value back to its default, every per-symbol offset to 0.
  void Reset();
  // Reads section "Music"; missing keys give the defaults.
  void Load(const IniFile& ini);
  // Writes all 515 keys to section "Music" in table order.
  void Save(IniFile& ini) const;
  // Multiplies every scaled value by percent / 100, product first, truncating toward
  // zero. 100 changes nothing.
  void ScaleLayout(int percent);

  // The settings key of a value ("LineThickness", "SymbolVerticalAbove7" ...).
  static const char* NamedKey(int index);
  static int32_t Default(int index);
  // Whether a value follows the staff size (the percentages and rest offsets do not).
  static bool IsScaled(int index);

  bool operator==(const LayoutParams&) const = default;

  // The application's set, loaded at start-up.
  // Only the program and the CLI use it; the engines are given what they read.
  static LayoutParams& Application();

 private:
  int32_t SymbolValue(int base, int symbol) const {
    return symbol >= 0 && symbol < kSymbols ? values_[static_cast<std::size_t>(base + symbol)] : 0;
  }
  std::array<int32_t, kValueCount> values_{};
};

// Loads the application's set from the "Music" section of the settings file.
void ConnectLayoutParams(SettingsDataHooks& hooks, LayoutParams& params);

}  // namespace tunora
