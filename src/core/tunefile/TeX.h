// TeX escapes in ABC files: decoding to code page 1252 characters on load and
// encoding on save.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

// Decodes TeX escapes in place.
void TeXDecode(std::string& text);
// Encodes characters 128..255 as TeX escapes; with escapeSpecials also #, & and backslash.
std::string TeXEncode(std::string_view text, bool escapeSpecials);

}  // namespace tunora
