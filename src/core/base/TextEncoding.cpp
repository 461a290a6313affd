#include "base/TextEncoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tunora {
namespace {

// Bytes 0x80..0x9F of code page 1252; undefined bytes keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence at i and its code point; 0 when invalid.
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    unsigned char d = b(i + k);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Calls f(codePoint) for every character of UTF-8 text; bytes that are not part
// of a valid sequence are taken as code page 1252 characters.
template <typename F>
void ForEachCodePoint(std::string_view utf8, F&& f) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp;
    size_t len = DecodeUtf8At(utf8, i, cp);
    if (len == 0) {
      f(Cp1252ToUnicode(static_cast<unsigned char>(utf8[i])));
      ++i;
    } else {
      f(cp);
      i += len;
    }
  }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    // Runs of ASCII are the common case: eight bytes are looked at in one step.
    if (i + 8 <= bytes.size()) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    size_t len = DecodeUtf8At(bytes, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

TextEncoding ChooseFileEncoding(std::string_view bytes, bool convertTeX) {
  if (convertTeX) return TextEncoding::kCp1252;
  return IsValidUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kCp1252;
}

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (size_t k = 0; k < kHigh.size(); ++k)
    if (kHigh[k] == c) return static_cast<int>(0x80 + k);
  return -1;
}

std::string DecodeText(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8 && IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  if (encoding == TextEncoding::kUtf8) {
    ForEachCodePoint(bytes, [&](char32_t cp) { AppendUtf8(out, cp); });
  } else {
    // Runs of ASCII are the same bytes in both: they are copied as they are.
    for (size_t i = 0; i < bytes.size(); ++i) {
      size_t run = i;
      while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
      out.append(bytes.data() + i, run - i);
      if (run == bytes.size()) break;
      AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(bytes[run])));
      i = run;
    }
  }
  return out;
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding, size_t* unmappable) {
  if (unmappable != nullptr) *unmappable = 0;
  std::string out;
  out.reserve(utf8.size());
  if (encoding == TextEncoding::kUtf8) {
    if (IsValidUtf8(utf8)) return std::string(utf8);
    ForEachCodePoint(utf8, [&](char32_t cp) { AppendUtf8(out, cp); });
    return out;
  }
  ForEachCodePoint(utf8, [&](char32_t cp) {
    int b = UnicodeToCp1252(cp);
    if (b < 0) {
      if (unmappable != nullptr) ++*unmappable;
      out += '?';
    } else {
      out += static_cast<char>(b);
    }
  });
  return out;
}

std::string Transcode(std::string_view bytes, TextEncoding from, TextEncoding to,
                      size_t* unmappable) {
  if (from == to) {
    if (unmappable != nullptr) *unmappable = 0;
    return std::string(bytes);
  }
  return EncodeText(DecodeText(bytes, from), to, unmappable);
}

std::string CrLfToLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string LfToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace tunora
