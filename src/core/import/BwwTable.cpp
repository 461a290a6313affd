#include "import/BwwTable.h"

#include <algorithm>

#include "base/Ascii.h"
#include "base/FileIO.h"
#include "import/AbcText.h"

namespace tunora {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  return true;
}

// Symbols are lower-case words: a key counts where the symbol ends (at the end, a
// blank, punctuation, or the capital that begins the next symbol when two are
// written together), so "tarbrea" is not read as "tarb" and "rea".
bool EndsSymbol(std::string_view text, size_t at) {
  if (at >= text.size()) return true;
  const char c = text[at];
  return !((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
}

}  // namespace

void BwwTable::Parse(std::string_view text) {
  pairs_.clear();
  for (auto& bucket : byFirst_) bucket.clear();
  truncated_ = dropped_ = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
    if (line.size() > kMaxLine) {
      line = line.substr(0, kMaxLine);
      ++truncated_;
    }
    if (line.empty() || line[0] == '%') continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) continue;
    std::string_view token = line.substr(0, eq);
    std::string_view abc = line.substr(eq + 1);
    abc = abc.substr(0, std::min(abc.find('%'), abc.size()));
    // Blanks around the token and at the end of the text are layout, not content.
    while (!token.empty() && (token.back() == ' ' || token.back() == '\t')) token.remove_suffix(1);
    while (!token.empty() && (token.front() == ' ' || token.front() == '\t'))
      token.remove_prefix(1);
    while (!abc.empty() && (abc.back() == ' ' || abc.back() == '\t')) abc.remove_suffix(1);
    if (token.empty()) continue;
    if (token.size() > kMaxText || abc.size() > kMaxText) ++truncated_;
    if (pairs_.size() >= kMaxPairs) {
      ++dropped_;
      continue;
    }
    // A control character in the text would go into every tune that uses the symbol.
    pairs_.push_back(
        {std::string(token.substr(0, kMaxText)), PrintableText(abc.substr(0, kMaxText))});
    byFirst_[static_cast<unsigned char>(Lower(token[0]))].push_back(
        static_cast<uint16_t>(pairs_.size() - 1));
  }
}

bool BwwTable::Load(const std::string& path) {
  std::string bytes, error;
  if (!ReadFileLimited(path, 1 << 20, bytes, error)) return false;
  Parse(bytes);
  return true;
}

const BwwTable::Pair* BwwTable::LongestMatch(std::string_view text, size_t& length) const {
  const Pair* best = nullptr;
  length = 0;
  if (text.empty()) return nullptr;
  for (uint16_t index : byFirst_[static_cast<unsigned char>(Lower(text[0]))]) {
    const Pair& p = pairs_[index];
    if (p.token.size() > length && StartsWithNoCase(text, p.token) &&
        EndsSymbol(text, p.token.size())) {
      best = &p;
      length = p.token.size();
    }
  }
  return best;
}

}  // namespace tunora
