#include "base/CharConvert.h"

#include <array>
#include <cstring>

namespace tunora {

namespace {

// Entities of the bytes 161..255, in byte order.
constexpr std::array<std::string_view, 95> kLatin1Entities = {
    "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",   "&uml;",
    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "-",        "&reg;",    "-",        "&deg;",
    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  "&para;",   "&middot;", "&cedil;",
    "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&Agrave;",
    "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;", "&Egrave;",
    "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",   "&ETH;",
    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",  "&Oslash;",
    "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",  "&agrave;",
    "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;", "&egrave;",
    "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",   "&eth;",
    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;", "&oslash;",
    "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};

struct EntityTable {
  std::array<std::string_view, 256> entry{};
  constexpr EntityTable() {
    entry['&'] = "&amp;";
    entry['<'] = "&lt;";
    entry['>'] = "&gt;";
    for (size_t i = 0; i < kLatin1Entities.size(); ++i) entry[161 + i] = kLatin1Entities[i];
  }
};
constexpr EntityTable kEntities;

// Accent escapes: the accent character, its plain letters and the accented results.
struct AccentRow {
  char accent;
  std::string_view letters;
  std::string_view results;
};
constexpr AccentRow kAccents[] = {
    {'\'', "aeiouAEIOU", "\xE1\xE9\xED\xF3\xFA\xC1\xC9\xCD\xD3\xDA"},
    {'`', "aeiouAEIOU", "\xE0\xE8\xEC\xF2\xF9\xC0\xC8\xCC\xD2\xD9"},
    {'^', "aeiouAEIOU", "\xE2\xEA\xEE\xF4\xFB\xC2\xCA\xCE\xD4\xDB"},
    {'"', "aeiouAEIOU", "\xE4\xEB\xEF\xF6\xFC\xC4\xCB\xCF\xD6\xDC"},
    {'~', "anoANO", "\xE3\xF1\xF5\xC3\xD1\xD5"},
};

const AccentRow* FindAccent(char c) {
  for (const AccentRow& row : kAccents)
    if (row.accent == c) return &row;
  return nullptr;
}

}  // namespace

std::string_view HtmlEntity(unsigned char c) { return kEntities.entry[c]; }

void HtmlEncodeTail(std::string& text, size_t from) {
  if (from >= text.size()) return;
  size_t extra = 0;
  bool any = false;
  for (size_t i = from; i < text.size(); ++i) {
    std::string_view e = kEntities.entry[static_cast<unsigned char>(text[i])];
    if (!e.empty()) {
      any = true;
      extra += e.size() - 1;
    }
  }
  if (!any) return;
  size_t oldEnd = text.size();
  text.resize(oldEnd + extra);
  // Fill from the back so every source byte is read before it is overwritten.
  size_t w = text.size();
  for (size_t r = oldEnd; r-- > from;) {
    unsigned char c = static_cast<unsigned char>(text[r]);
    std::string_view e = kEntities.entry[c];
    if (e.empty()) {
      text[--w] = static_cast<char>(c);
    } else {
      w -= e.size();
      std::memcpy(&text[w], e.data(), e.size());
    }
  }
}

void TeXDecodeForListTail(std::string& text, size_t from) {
  if (from >= text.size()) return;
  const size_t end = text.size();
  // A '{' after the last '}' has no closing brace.
  size_t lastClose = text.rfind('}');
  bool anyClose = lastClose != std::string::npos && lastClose >= from;
  size_t w = from;
  size_t r = from;
  while (r < end) {
    char c = text[r];
    if (c == '\\') {
      if (r + 1 >= end) break;  // a lone backslash at the end is dropped
      const AccentRow* accent = FindAccent(text[r + 1]);
      if (accent == nullptr) {
        text[w++] = text[r + 1];
        r += 2;
        continue;
      }
      if (r + 2 >= end) break;  // backslash and accent at the end give nothing
      size_t k = accent->letters.find(text[r + 2]);
      if (k != std::string_view::npos) text[w++] = accent->results[k];
      r += 3;
    } else if (c == '{') {
      if (!anyClose || r > lastClose) {
        ++r;  // no closing brace: only the '{' goes
        continue;
      }
      size_t close = text.find('}', r + 1);
      std::string_view group(text.data() + r, close - r + 1);
      if (group == "{\\aa}") {
        text[w++] = '\xE5';
      } else if (group == "{\\AA}") {
        text[w++] = '\xC5';
      }
      r = close + 1;
    } else {
      text[w++] = c;
      ++r;
    }
  }
  text.resize(w);
}

std::string HtmlEncode(std::string_view text) {
  std::string out(text);
  HtmlEncodeTail(out, 0);
  return out;
}

std::string TeXDecodeForList(std::string_view text) {
  std::string out(text);
  TeXDecodeForListTail(out, 0);
  return out;
}

}  // namespace tunora
