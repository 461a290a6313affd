// The Piob Mhor (BGP) importer. A BGP file is a compact character code: title
// lines, then a body in braces in which single characters stand for notes with a
// length digit, bar lines, repeats, endings, meter, tempo and gracenote codes.
// The body is read into items (notes with their gracenote codes, bars, fields),
// then written as one ABC tune in the highland-pipe key. Problems go to the
// message sink one by one, with the line number, and the conversion goes on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunora {

class MessageSink;

// Files larger than this are refused.
inline constexpr size_t kBgpMaxFileSize = 16382;

// The gracenotes (ABC pipe-scale letters, without braces) that gracenote code
// `code` gives before melody note `note` (an ABC letter G A B c d e f g a) when
// `previous` was the note before (0 for none); "" when the code has no
// expansion for that note.
std::string BgpGraceExpansion(char code, char note, char previous);

// Converts the bytes of a BGP file into one ABC tune (CR LF lines, no X:).
std::string ConvertBgpText(std::string_view text, std::string_view sourcePath, MessageSink& sink);

}  // namespace tunora
