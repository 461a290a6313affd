// What the tune file model and tune format strings take from the settings; shared by
// the desktop program and tunora-cli so both read files the same way.
#pragma once

#include <string>

#include "app/Settings.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TuneFile.h"

namespace tunora {

// The file model's options (field order, TeX conversion, default length).
TuneFileOptions TuneFileOptionsFrom(const Settings& settings, const FormatEnv* formatEnv);
// Folders, date pattern (the settings' or else the locale's) and the incipit.
void FillFormatEnv(FormatEnv& env, const Settings& settings, const std::string& programDir);

}  // namespace tunora
