// The drawing settings that the application loads at start-up: the format
// directives of the layout file and the measures of the "Music" section.
#pragma once

#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"

namespace tunora {

// Connects both to the settings hooks of LoadSettings.
inline void ConnectDrawSettings(SettingsDataHooks& hooks, FormatSettings& fs,
                                LayoutParams& params) {
  ConnectFormatSettings(hooks, fs);
  ConnectLayoutParams(hooks, params);
}

}  // namespace tunora
