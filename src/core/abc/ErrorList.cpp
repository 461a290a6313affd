#include "abc/ErrorList.h"

namespace tunora {

std::string_view AbcMessageText(AbcMessageId id) {
  switch (id) {
    case MSG_ERROR_IN_TUNE: return "Error in ABC tune.";
    case MSG_INCORRECT_SYNTAX: return "Warning: Incorrect abc syntax.";
    case MSG_BAR_LENGTH: return "Warning: Too many or too few notes in bar";
    case MSG_INCOMPLETE_TEMPO:
      return "Warning: Incomplete tempo specification may cause compatibility\n"
             "problems. Use for example 1/4=120.";
  }
  return "";
}

std::string ErrorExcerpt(std::string_view text, size_t position) {
  std::string excerpt;
  for (size_t i = position; i < text.size() && i < position + 10; ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') c = static_cast<char>(171);
    if (c == '\t') c = ' ';
    excerpt += c;
  }
  return excerpt;
}

std::string FormatErrorEntry(int line, std::string_view message, std::string_view excerpt,
                             size_t position) {
  std::string entry = "L " + std::to_string(line) + ": ";
  entry.append(message);
  entry += ": ";
  entry.append(excerpt);
  entry += " [" + std::to_string(position) + "]\r\n";
  return entry;
}

void ErrorList::AddError(AbcMessageId id, int line, std::string_view text, size_t position) {
  text_ += FormatErrorEntry(line, AbcMessageText(id), ErrorExcerpt(text, position), position);
  ++count_;
}

void ErrorList::AddError(AbcMessageId id, int line, std::string_view excerptSource,
                         size_t excerptAt, size_t position) {
  text_ +=
      FormatErrorEntry(line, AbcMessageText(id), ErrorExcerpt(excerptSource, excerptAt), position);
  ++count_;
}

}  // namespace tunora
