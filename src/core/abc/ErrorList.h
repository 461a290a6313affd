// The error list of a tune: one text of entries "L <line>: <message>: <excerpt>
// [<offset>]" each ended by CR LF, filled while a tune is performed and shown by
// the player; the tune editor steps through it by the offsets.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunora {

enum AbcMessageId {
  MSG_ERROR_IN_TUNE = 0,
  MSG_INCORRECT_SYNTAX = 1,
  MSG_BAR_LENGTH = 2,
  MSG_INCOMPLETE_TEMPO = 3,
};

std::string_view AbcMessageText(AbcMessageId id);

// The 10 characters of text at position, CR and LF shown as character 171 and
// tabs as blanks; shorter at the end of the text.
std::string ErrorExcerpt(std::string_view text, size_t position);

// One entry, "L %d: %s: %s [%u]" and CR LF.
std::string FormatErrorEntry(int line, std::string_view message, std::string_view excerpt,
                             size_t position);

class ErrorList {
 public:
  // Appends one entry for the message at position of text.
  void AddError(AbcMessageId id, int line, std::string_view text, size_t position);
  // As above, the excerpt taken from excerptSource (from its start) instead.
  void AddError(AbcMessageId id, int line, std::string_view excerptSource, size_t excerptAt,
                size_t position);

  const std::string& Text() const { return text_; }
  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  void Clear() {
    text_.clear();
    count_ = 0;
  }

 private:
  std::string text_;
  int count_ = 0;
};

}  // namespace tunora
