// Checks of file names typed into the program's file dialog.
#pragma once

#include <string_view>

namespace tunora {

// True when the dialog accepts name: it holds no backslash, slash, colon,
// double quote, less-than or greater-than sign, vertical bar or character
// below 32, and no * or ? unless wildcards are allowed. An empty name is refused.
bool IsAcceptableFileName(std::string_view name, bool allowWildcards);

}  // namespace tunora
