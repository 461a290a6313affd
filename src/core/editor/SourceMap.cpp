#include "editor/SourceMap.h"

#include "editor/EditorText.h"
#include "tunefile/TuneFile.h"

namespace tunora {

size_t CanonicalBodyStart(const TuneFile& file, const TuneRecord& record) {
  TuneRecord head = record;
  head.body.clear();
  head.words.reset();
  head.afterText.reset();
  return file.WriteTune(head, false).size();
}

std::optional<std::pair<size_t, size_t>> CanonicalRangeToBody(size_t bodyStart, size_t bodySize,
                                                              size_t begin, size_t end) {
  if (end < begin || begin < bodyStart || begin - bodyStart > bodySize) return std::nullopt;
  size_t b = begin - bodyStart;
  size_t e = std::min(end - bodyStart, bodySize);
  return std::make_pair(b, e);
}

size_t TextPositionToBodyOffset(std::string_view text, size_t bodyStart, std::string_view body,
                                size_t position) {
  // Body offsets map to text positions in order, so the answer is found by halving.
  size_t low = 0, high = body.size();
  if (BodyOffsetToTextPosition(text, bodyStart, body, 0) > position) return 0;
  while (low < high) {
    size_t mid = low + (high - low + 1) / 2;
    if (BodyOffsetToTextPosition(text, bodyStart, body, mid) <= position)
      low = mid;
    else
      high = mid - 1;
  }
  return low;
}

}  // namespace tunora
