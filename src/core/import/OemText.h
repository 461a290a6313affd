// Text of DOS programs: the OEM character set (code page 437) as code page 1252.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

// Converts code page 437 bytes to code page 1252; characters the code page lacks
// (box drawing, Greek letters ...) become '?'. Bytes below 128 stay.
std::string OemToWindows(std::string_view text);

}  // namespace tunora
