// The abcbmw.cfg reader over any bytes: it must stop, keep its limits (600
// pairs, 16 characters a token and a text) and find each token it kept.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/BwwTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::BwwTable table;
  table.Parse(text);
  if (table.Pairs().size() > tunora::BwwTable::kMaxPairs) std::abort();
  for (const auto& p : table.Pairs()) {
    if (p.token.empty() || p.token.size() > 16 || p.abc.size() > 16) std::abort();
    size_t length = 0;
    const auto* found = table.LongestMatch(p.token, length);
    if (found == nullptr || length < p.token.size()) std::abort();
  }
  return 0;
}
