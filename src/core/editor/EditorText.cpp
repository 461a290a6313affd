#include "editor/EditorText.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tunora {

std::string ToggleComment(std::string_view selection) {
  std::string out;
  if (selection.empty()) return out;
  out.reserve(selection.size() + selection.size() / 16 + 2);
  if (selection.front() != '%') {
    out += '%';
    for (size_t k = 0; k < selection.size(); ++k) {
      out += selection[k];
      if (selection[k] == '\n' && k + 1 < selection.size()) out += '%';
    }
    return out;
  }
  for (size_t k = 0; k < selection.size(); ++k) {
    bool lineStart = k == 0 || selection[k - 1] == '\n';
    if (lineStart && selection[k] == '%') continue;
    out += selection[k];
  }
  return out;
}

std::optional<size_t> ErrorEntryOffset(std::string_view entry) {
  while (!entry.empty() && (entry.back() == '\r' || entry.back() == '\n' || entry.back() == ' '))
    entry.remove_suffix(1);
  if (entry.empty() || entry.back() != ']') return std::nullopt;
  // The excerpt before it may hold brackets too: the offset is the last pair.
  size_t open = entry.rfind('[');
  if (open == std::string_view::npos || open + 2 > entry.size() - 1) return std::nullopt;
  size_t value = 0;
  for (size_t k = open + 1; k + 1 < entry.size(); ++k) {
    char c = entry[k];
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (SIZE_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  return value;
}

void ErrorCursor::Set(std::string list) {
  list_ = std::move(list);
  next_ = 0;
}

std::optional<size_t> ErrorCursor::Next() {
  while (next_ < list_.size()) {
    size_t lf = list_.find('\n', next_);
    size_t end = lf == std::string::npos ? list_.size() : lf + 1;
    std::string_view entry(list_.data() + next_, end - next_);
    next_ = end;
    if (std::optional<size_t> offset = ErrorEntryOffset(entry)) return offset;
  }
  return std::nullopt;
}

namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// The comment lines the reader moves from the header to the front of the body:
// every line beginning with '%' before bodyStart that is not taken into an H:
// field as one of its continuation lines.
struct LineSpan {
  size_t begin, end;  // end before the line break
};
std::vector<LineSpan> HeaderComments(std::string_view text, size_t bodyStart) {
  std::vector<LineSpan> spans;
  bool inHistory = false;
  size_t p = 0;
  while (p < bodyStart && p < text.size()) {
    size_t lf = text.find('\n', p);
    size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    size_t end = lf == std::string_view::npos ? text.size() : lf;
    if (end > p && text[end - 1] == '\r') --end;
    bool fieldLine = p + 1 < end && text[p + 1] == ':';
    if (inHistory && !(fieldLine && IsUpper(text[p]))) {
      p = next;
      continue;
    }
    inHistory = false;
    if (p < end && text[p] == '%') spans.push_back({p, end});
    if (fieldLine && text[p] == 'H') inHistory = true;
    p = next;
  }
  return spans;
}

}  // namespace

size_t BodyOffsetToTextPosition(std::string_view text, size_t bodyStart, std::string_view body,
                                size_t offset) {
  if (bodyStart > text.size()) bodyStart = text.size();
  // The header comments, each followed by CR LF in the body.
  std::vector<LineSpan> comments = HeaderComments(text, bodyStart);
  size_t commentLength = 0;
  bool commentsMatch = true;
  for (const LineSpan& s : comments) {
    std::string_view line = text.substr(s.begin, s.end - s.begin);
    if (body.substr(commentLength, line.size()) != line ||
        body.substr(commentLength + line.size(), 2) != "\r\n") {
      commentsMatch = false;
      break;
    }
    commentLength += line.size() + 2;
  }
  if (!commentsMatch) {
    comments.clear();
    commentLength = 0;
  }
  if (offset < commentLength) {
    size_t at = 0;
    for (const LineSpan& s : comments) {
      size_t length = s.end - s.begin + 2;
      if (offset < at + length) return std::min(s.begin + (offset - at), text.size());
      at += length;
    }
  }
  // The rest of the body is the text from bodyStart with some lines left out:
  // walk both, passing over what the body does not have.
  size_t i = bodyStart;
  size_t j = commentLength;
  if (offset > body.size()) return text.size();
  while (j < offset && i < text.size()) {
    if (text[i] == body[j]) ++j;
    ++i;
  }
  if (j < body.size()) {
    while (i < text.size() && text[i] != body[j]) ++i;
  }
  return std::min(i, text.size());
}

size_t ShownPositionOfByte(std::string_view shown, TextEncoding encoding, size_t at) {
  size_t bytes = 0;
  size_t position = 0;
  size_t k = 0;
  while (k < shown.size() && bytes < at) {
    auto lead = static_cast<unsigned char>(shown[k]);
    // The length of the UTF-8 sequence, and what the character takes in the
    // box (UTF-16 units) and in the file.
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    length = std::min(length, shown.size() - k);
    if (lead == '\n') {
      bytes += 2;
    } else {
      bytes += encoding == TextEncoding::kUtf8 ? length : 1;
    }
    position += length == 4 ? 2 : 1;
    k += length;
  }
  return position;
}

}  // namespace tunora
