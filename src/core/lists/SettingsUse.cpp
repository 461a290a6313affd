#include "lists/SettingsUse.h"

#include "abc/Incipit.h"

namespace tunora {

TuneFileOptions TuneFileOptionsFrom(const Settings& settings, const FormatEnv* formatEnv) {
  TuneFileOptions o;
  o.fieldOrder = settings.preferences.fieldOrder;
  o.convertTeX = settings.preferences.convertTeX;
  o.cvtTeXEsc = settings.preferences.cvtTeXEsc;
  o.defaultLength = settings.preferences.defaultLength;
  o.newFileCrLf = settings.preferences.newFileCrLf;
  o.formatEnv = formatEnv;
  return o;
}

void FillFormatEnv(FormatEnv& env, const Settings& settings, const std::string& programDir) {
  env.programDir = programDir;
  env.abcDir = settings.preferences.abcDir;
  env.shortDatePattern =
      settings.shortDatePattern.empty() ? LocaleShortDatePattern() : settings.shortDatePattern;
  env.incipit = ComputeIncipit;
}

}  // namespace tunora
