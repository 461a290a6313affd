// Between the bytes of a tune's canonical text (as the tune file writes it, which
// is what the drawing's items point into) and the text of the editor's boxes:
// the body of the canonical text is the tune body, and the editor finds body
// offsets in its own text (see BodyOffsetToTextPosition).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace tunora {

class TuneFile;
struct TuneRecord;

// Where the body begins in the canonical text of record written by file.
size_t CanonicalBodyStart(const TuneFile& file, const TuneRecord& record);

// A byte range [begin, end) of the canonical text as a range of body offsets;
// nullopt when it lies before the body (a header field) or past it.
std::optional<std::pair<size_t, size_t>> CanonicalRangeToBody(size_t bodyStart, size_t bodySize,
                                                              size_t begin, size_t end);

// The body offset of the character at position of text: the inverse of
// BodyOffsetToTextPosition (the last body offset that lies at or before it).
size_t TextPositionToBodyOffset(std::string_view text, size_t bodyStart, std::string_view body,
                                size_t position);

}  // namespace tunora
