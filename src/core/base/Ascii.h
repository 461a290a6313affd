// Character tests and case folding for ASCII only. Tune text is bytes in any code page,
// so the engines never use the locale-dependent <cctype> functions on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunora {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A blank separates words on a line: space or tab.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// White space: a blank or a line end.
constexpr bool IsSpace(char c) { return IsBlank(c) || c == '\r' || c == '\n'; }

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string LowerText(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = Lower(c);
  return s;
}

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// s without leading and trailing blanks.
constexpr std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// s without leading and trailing white space.
constexpr std::string_view TrimSpace(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace tunora
