#include "base/FileNames.h"

namespace tunora {

bool IsAcceptableFileName(std::string_view name, bool allowWildcards) {
  if (name.empty()) return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 32) return false;
    switch (c) {
      case '\\':
      case '/':
      case ':':
      case '"':
      case '<':
      case '>':
      case '|': return false;
      case '*':
      case '?':
        if (!allowWildcards) return false;
        break;
      default: break;
    }
  }
  return true;
}

}  // namespace tunora
