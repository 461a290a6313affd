#include "draw/LayoutParams.h"

#include <string>

#include "base/IniFile.h"
#include "app/Settings.h"

namespace tunora {
namespace {

constexpr const char* kMusicSection = "Music";

struct NamedParam {
  const char* key;
  int32_t def;
  bool scaled;
};

constexpr NamedParam kNamed[LayoutParams::kNamedCount] = {
    {"LineThickness", 20, true},
    {"LineSpacing", 210, true},
    {"LedgerLength", 400, true},
    {"SpaceBeforeBarline", 0, true},
    {"SpaceAfterBarline", 0, true},
    {"BarlineSpacing", 20, true},
    {"SpaceAfterMeter", 0, true},
    {"KeySpacing", 0, true},
    {"SpaceAfterKey", 0, true},
    {"SpaceAfterClef", 0, true},
    {"SpaceBeforeMusic", 0, true},
    {"SpaceAfterAccidental", 0, true},
    {"AccidentalSpacing", 0, true},
    {"SpaceAfterGraceNote", 0, true},
    {"GraceNotePercent", 50, false},
    {"StemThickness", 20, true},
    {"StemLength", 700, true},
    {"HalfStemLength", 200, true},
    {"DownStemVpos", 0, true},
    {"DownStemHpos", 0, true},
    {"UpStemVpos", 0, true},
    {"UpStemHpos", 0, true},
    {"SpaceBeforeDot", 0, true},
    {"DotSpacing", 0, true},
    {"DotVpos", 0, true},
    {"BeamThickness", 80, true},
    {"BeamSpacing", 60, true},
    {"BrokenBeamLength", 200, true},
    {"TupletThickness", 20, true},
    {"TupletHeight", 200, true},
    {"TupletGap", 200, true},
    {"TieHpos", 0, true},
    {"TieVpos", 0, true},
    {"TieArcPercent", 10, false},
    {"SlurThickness", 20, true},
    {"HairpinThickness", 20, true},
    {"HairpinHeight", 20, true},
    {"Rest1Vpos", 0, false},
    {"Rest2Vpos", 0, false},
    {"Rest4Vpos", 0, false},
    {"Rest8Vpos", 0, false},
    {"Rest16Vpos", 0, false},
    {"Rest32Vpos", 0, false},
    {"Rest64Vpos", 0, false},
    {"Rest128Vpos", 0, false},
    {"BracketThickness", 20, true},
    {"BracketHeight", 400, true},
    {"BracketGap", 200, true},
    {"BracketTextHpos", 0, true},
    {"BracketTextVpos", 0, true},
};

std::string SymbolKey(const char* prefix, int symbol) {
  return std::string(prefix) + std::to_string(symbol);
}

}  // namespace

const char* LayoutParams::NamedKey(int index) {
  return index >= 0 && index < kNamedCount ? kNamed[index].key : "";
}

int32_t LayoutParams::Default(int index) {
  return index >= 0 && index < kNamedCount ? kNamed[index].def : 0;
}

bool LayoutParams::IsScaled(int index) {
  if (index < 0 || index >= kValueCount) return false;
  return index >= kNamedCount || kNamed[index].scaled;
}

void LayoutParams::Reset() {
  for (int i = 0; i < kValueCount; ++i) values_[static_cast<size_t>(i)] = Default(i);
}

void LayoutParams::Load(const IniFile& ini) {
  for (int i = 0; i < kNamedCount; ++i) {
    values_[static_cast<size_t>(i)] = ini.GetInt(kMusicSection, kNamed[i].key, kNamed[i].def);
  }
  for (int s = 0; s < kSymbols; ++s) {
    (*this)[kAboveBase + s] = ini.GetInt(kMusicSection, SymbolKey("SymbolVerticalAbove", s), 0);
    (*this)[kBelowBase + s] = ini.GetInt(kMusicSection, SymbolKey("SymbolVerticalBelow", s), 0);
    (*this)[kHorizontalBase + s] = ini.GetInt(kMusicSection, SymbolKey("SymbolHorizontal", s), 0);
  }
}

void LayoutParams::Save(IniFile& ini) const {
  for (int i = 0; i < kNamedCount; ++i) ini.WriteInt(kMusicSection, kNamed[i].key, (*this)[i]);
  for (int s = 0; s < kSymbols; ++s) {
    ini.WriteInt(kMusicSection, SymbolKey("SymbolVerticalAbove", s), Above(s));
    ini.WriteInt(kMusicSection, SymbolKey("SymbolVerticalBelow", s), Below(s));
    ini.WriteInt(kMusicSection, SymbolKey("SymbolHorizontal", s), Horizontal(s));
  }
}

void LayoutParams::ScaleLayout(int percent) {
  if (percent == 100) return;
  for (int i = 0; i < kValueCount; ++i) {
    if (!IsScaled(i)) continue;
    int64_t v = static_cast<int64_t>(values_[static_cast<size_t>(i)]) * percent / 100;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    values_[static_cast<size_t>(i)] = static_cast<int32_t>(v);
  }
}

LayoutParams& LayoutParams::Application() {
  static LayoutParams params;
  return params;
}

void ConnectLayoutParams(SettingsDataHooks& hooks, LayoutParams& params) {
  hooks.loadMusicSection = [&params](const IniFile& ini) { params.Load(ini); };
}

}  // namespace tunora
