// Any bytes as a list type configuration file and as lists.cfg: reading never
// fails badly, and what is written from a read file reads back to the same list
// type (once written, a file stays as it is).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lists/ListType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tunora::ListType type;
  std::string error;
  if (tunora::ReadListType(text, type, error)) {
    const std::string written = tunora::WriteListType(type);
    tunora::ListType back;
    if (!tunora::ReadListType(written, back, error)) std::abort();
    tunora::ListType third;
    if (!tunora::ReadListType(tunora::WriteListType(back), third, error) || !(third == back))
      std::abort();
  }
  const auto entries = tunora::ReadListRegistry(text);
  if (tunora::ReadListRegistry(tunora::WriteListRegistry(entries)) != entries) std::abort();
  return 0;
}
