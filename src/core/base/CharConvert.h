// Conversions applied to field values written into lists: TeX accent escapes to
// code page 1252 characters, and 8-bit characters and HTML's special characters to
// HTML character entities. Both work on 8-bit text.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

// The entity that replaces byte c in HTML output, or an empty view when c is copied.
std::string_view HtmlEntity(unsigned char c);

// Replaces &, <, > and the characters 161..255 by their HTML entities (173 and 175
// become "-"); every other byte, the double quote included, is copied.
std::string HtmlEncode(std::string_view text);

// Decodes the TeX escapes of list values: accent escapes (\' \` \^ \" \~ before a
// letter), a backslash before any other character, {\aa} and {\AA}; any other
// braced group is dropped.
std::string TeXDecodeForList(std::string_view text);

// In-place forms working on text[from..]; used where values are built inside a
// larger output buffer. Decoding never lengthens the text.
void HtmlEncodeTail(std::string& text, size_t from);
void TeXDecodeForListTail(std::string& text, size_t from);

}  // namespace tunora
