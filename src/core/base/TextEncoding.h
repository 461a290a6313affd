// How the bytes of a tune file become visible text and back. A file whose bytes
// are valid UTF-8 is shown and edited as UTF-8; any other file as code page 1252.
// Edits are encoded back the same way, so a byte changes only where the user
// changed the text. Visible text is handed over as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunora {

enum class TextEncoding { kUtf8, kCp1252 };

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The encoding of a file's bytes. With TeX conversion on, the decoded characters
// are code page 1252 bytes, so such a file is always code page 1252.
TextEncoding ChooseFileEncoding(std::string_view bytes, bool convertTeX);

// Code page 1252 byte to Unicode. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so
// every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);
// Unicode to a code page 1252 byte; -1 when the code page has no such character.
int UnicodeToCp1252(char32_t c);

// Bytes of a document as UTF-8 text. For a UTF-8 document a byte that is not
// part of a valid sequence is shown as its code page 1252 character.
std::string DecodeText(std::string_view bytes, TextEncoding encoding);
// UTF-8 text as bytes of a document. Characters the code page cannot hold
// become '?', and unmappable (when given) receives their count. Invalid UTF-8
// input bytes are taken as code page 1252 characters.
std::string EncodeText(std::string_view utf8, TextEncoding encoding, size_t* unmappable = nullptr);
// Bytes of one document as bytes of another.
std::string Transcode(std::string_view bytes, TextEncoding from, TextEncoding to,
                      size_t* unmappable = nullptr);

// Line ends between the model (CR LF) and edit fields (LF). Lone CRs become LF.
std::string CrLfToLf(std::string_view text);
std::string LfToCrLf(std::string_view text);

}  // namespace tunora
