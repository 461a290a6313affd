#include "import/OemText.h"

#include <cstdint>

namespace tunora {

namespace {

// Code page 1252 bytes of the code page 437 characters 128 to 255.
constexpr uint8_t kOemHigh[128] = {
    199, 252, 233, 226, 228, 224, 229, 231, 234, 235, 232, 239, 238, 236, 196, 197, 201, 230, 198,
    244, 246, 242, 251, 249, 255, 214, 220, 162, 163, 165, 63,  131, 225, 237, 243, 250, 241, 209,
    170, 186, 191, 63,  172, 189, 188, 161, 171, 187, 63,  63,  63,  63,  63,  63,  63,  63,  63,
    63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,
    63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  63,
    63,  63,  223, 63,  63,  63,  63,  181, 63,  63,  63,  63,  63,  63,  63,  63,  63,  63,  177,
    63,  63,  63,  63,  247, 63,  176, 63,  183, 63,  63,  178, 63,  160,
};

}  // namespace

std::string OemToWindows(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 128) c = static_cast<char>(kOemHigh[u - 128]);
  }
  return out;
}

}  // namespace tunora
