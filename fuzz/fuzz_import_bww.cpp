// The Bagpipe Music Writer importer and the abcbmw.cfg reader over any bytes: the
// first part of the input is the table, the rest the BWW file. Both must stop,
// keep their limits and write tunes that hold no control characters but line
// ends, each with its pipe key.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/BwwImport.h"
#include "import/BwwTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t split = all.find('\x1e');
  tunora::BwwTable table;
  if (split == std::string_view::npos) {
    table.Parse("gg={g}\ndbc={gcd}\ntar={GdGe}\nsharpc=^\nfermatla=!fermata!\nREST_4=z2\nspace=\n");
  } else {
    table.Parse(all.substr(0, split));
    all.remove_prefix(split + 1);
  }
  if (table.Pairs().size() > tunora::BwwTable::kMaxPairs) std::abort();
  for (const auto& p : table.Pairs())
    if (p.token.empty() || p.token.size() > 16 || p.abc.size() > 16) std::abort();
  const tunora::BwwResult r = tunora::ConvertBwwText(all, table, "fuzz.bww");
  for (const std::string& tune : r.tunes) {
    if (tune.find("K:Hp\r\n") == std::string::npos) std::abort();
    for (size_t i = 0; i < tune.size(); ++i) {
      const auto c = static_cast<unsigned char>(tune[i]);
      if (c == '\r' && (i + 1 >= tune.size() || tune[i + 1] != '\n')) std::abort();
      if (c < 32 && c != '\r' && c != '\n' && c != '\t') std::abort();
    }
  }
  return 0;
}
