// Text helpers of the tune editor: turning lines into ABC comments and back,
// stepping through the error list of a play, and finding the place in the
// editor's text that an error offset of the tune body names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/TextEncoding.h"

namespace tunora {

// Comment Selection: when the text does not begin with '%', a '%' goes at its
// start and after every LF inside it (not after an LF that ends it); when it
// does, every '%' at its start or right after an LF is removed.
std::string ToggleComment(std::string_view selection);

// The offset in the square brackets that end an error entry ("... [123]"),
// or nullopt when the entry has none.
std::optional<size_t> ErrorEntryOffset(std::string_view entry);

// The error list of the last play started from an editor, with its current
// entry. Next gives the offset of the current entry and moves on; at the end
// it gives nothing (there is no wrap-around).
class ErrorCursor {
 public:
  // A new list; the first entry becomes current.
  void Set(std::string list);
  void Clear() { Set(std::string()); }
  const std::string& List() const { return list_; }
  bool Empty() const { return list_.empty(); }
  bool AtEnd() const { return next_ >= list_.size(); }
  // The offset of the current entry, and the following entry becomes current.
  // Entries without an offset are passed over.
  std::optional<size_t> Next();

 private:
  std::string list_;
  size_t next_ = 0;  // start of the current entry
};

// The position in text of the character at offset of body, where body is the
// tune body read from text (bytes, CR LF line ends) and bodyStart is where the
// body begins in text. The reader puts the header's comment lines in front of
// the body and drops its empty lines; both are followed back here. Offsets past
// the end give text.size().
size_t BodyOffsetToTextPosition(std::string_view text, size_t bodyStart, std::string_view body,
                                size_t offset);

// The position, in UTF-16 units of a box's text, of the first character that
// begins at or after byte `at` of the same text as the tune file holds it
// (encoding, CR LF line ends). shown is the box's text as UTF-8, LF line ends.
size_t ShownPositionOfByte(std::string_view shown, TextEncoding encoding, size_t at);

}  // namespace tunora
