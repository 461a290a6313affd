#include "draw/LayoutListing.h"

#include <cstdio>

namespace tunora {

std::string FormatLaidOutItem(const LaidOutItem& item) {
  char head[160];
  std::snprintf(head, sizeof head, "%d %d %d %.*s %.*s %d %d %d %d", item.page, item.system,
                item.staff, static_cast<int>(item.kind.size()), item.kind.data(),
                static_cast<int>(item.symbol.size()), item.symbol.data(), item.x, item.y,
                item.begin, item.end);
  std::string line = head;
  if (!item.text.empty()) {
    // The text in double quotes; a quote, a backslash or a line end in it is escaped.
    line += " \"";
    for (char c : item.text) {
      if (c == '"' || c == '\\') {
        line += '\\';
        line += c;
      } else if (c == '\n') {
        line += "\\n";
      } else if (c == '\r') {
        line += "\\r";
      } else {
        line += c;
      }
    }
    line += '"';
  }
  line += '\n';
  return line;
}

}  // namespace tunora
