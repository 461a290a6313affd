// Any bytes as tunora.ini: reading every setting and writing them back must work,
// and once written (line breaks inside values become blanks) the settings stay put.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/IniFile.h"
#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::IniFile ini;
  ini.Parse(text);
  tunora::Settings s;
  tunora::ReadSettings(ini, s);
  tunora::WriteSettings(ini, s);
  tunora::WriteExitSettings(ini, s);
  tunora::IniFile again;
  again.Parse(ini.Text());
  tunora::Settings t;
  tunora::ReadSettings(again, t);
  tunora::WriteSettings(again, t);
  tunora::WriteExitSettings(again, t);
  tunora::IniFile third;
  third.Parse(again.Text());
  tunora::Settings u;
  tunora::ReadSettings(third, u);
  if (!(u.preferences == t.preferences) || !(u.midi == t.midi) || !(u.chordwise == t.chordwise) ||
      !(u.search == t.search))
    std::abort();
  for (const auto& section : again.Sections())
    for (const auto& key : again.Keys(section)) (void)again.GetString(section, key, "");
  return 0;
}
