#include "import/AbcText.h"

#include <numeric>

namespace tunora {

std::string AbcLengthText(long num, long den) {
  if (num <= 0 || den <= 0) return std::string();
  const long g = std::gcd(num, den);
  num /= g;
  den /= g;
  if (den == 1) return num == 1 ? std::string() : std::to_string(num);
  if (num == 1 && den == 2) return "/";
  if (num == 1 && den == 4) return "//";
  return (num == 1 ? std::string() : std::to_string(num)) + "/" + std::to_string(den);
}

std::string PrintableText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 32 && c != '\t') || u == 127) c = '?';
  }
  return out;
}

}  // namespace tunora
