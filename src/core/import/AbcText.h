// Small pieces of ABC text the importers share.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

// The length multiplier of a note num/den units long: "" for 1, "3" for 3, "/" for
// 1/2, "//" for 1/4, otherwise the reduced fraction ("3/2", "/8").
std::string AbcLengthText(long num, long den);

// Text for an ABC line: control characters other than TAB (line ends included)
// become '?'.
std::string PrintableText(std::string_view text);

}  // namespace tunora
