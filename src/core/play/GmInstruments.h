// The 128 General MIDI instrument names, by program number, for the instrument
// choosers of the playback options and for the command line.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

inline constexpr int kGmProgramCount = 128;

// The name of a program ("Acoustic Grand Piano" for 0); "" outside 0 to 127.
std::string_view GmInstrumentName(int program);
// The program number and its name, as the choosers list them: "0 Acoustic Grand Piano".
std::string GmInstrumentLabel(int program);

}  // namespace tunora
