// The SongWright importer over any bytes: it must stop, and a tune it gives
// begins with the title and carries a key line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/SongWrightImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string tune = tunora::ConvertSongWrightText(text, "fuzz.sng");
  if (!tune.empty() && (tune.compare(0, 2, "T:") != 0 || tune.find("\r\nK:") == std::string::npos))
    std::abort();
  for (char c : tune)
    if (static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n' && c != '\t') std::abort();
  int triplets = 0;
  (void)tunora::ConvertSongWrightMusic(text, triplets);
  return 0;
}
