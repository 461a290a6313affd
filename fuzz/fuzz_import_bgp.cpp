// The Piob Mhor importer over any bytes: it must stop, give one tune with its
// title and source lines, and tell each problem through the sink.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/MessageSink.h"
#include "import/BgpImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::CollectingSink sink;
  const std::string tune = tunora::ConvertBgpText(text, "fuzz.bgp", sink);
  if (tune.find("Z:fuzz.bgp\r\n") == std::string::npos) std::abort();
  if (tune.size() < 2 || tune.compare(tune.size() - 2, 2, "\r\n") != 0) std::abort();
  if (sink.messages.size() > size) std::abort();
  for (char c : tune)
    if (static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n' && c != '\t') std::abort();
  for (char c : "ABCDEFGag#'*,-/<=>W\\^bcdefhkltw~")
    for (char note : "GABcdefga") (void)tunora::BgpGraceExpansion(c, note, 'A');
  return 0;
}
