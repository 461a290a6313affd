#include "tunefile/TeX.h"

#include <array>
#include <cstring>

namespace tunora {
namespace {

struct AccentRow {
  char accent;
  const char* letters;
  const unsigned char* chars;
};

// Accent, letters that combine with it, and the code page 1252 results.
constexpr unsigned char kUmlaut[] = {228, 235, 239, 246, 252, 255, 159, 196, 203, 207, 214, 220};
constexpr unsigned char kAcute[] = {225, 233, 237, 243, 250, 253, 193, 201, 205, 211, 218, 221};
constexpr unsigned char kCircumflex[] = {226, 234, 238, 244, 251, 194, 202, 206, 212, 219};
constexpr unsigned char kGrave[] = {224, 232, 236, 242, 249, 192, 200, 204, 210, 217};
constexpr unsigned char kTilde[] = {227, 241, 245, 195, 209, 213};
constexpr AccentRow kAccents[] = {
    {'"', "aeiouyYAEIOU", kUmlaut},   {'\'', "aeiouyAEIOUY", kAcute},
    {'^', "aeiouAEIOU", kCircumflex}, {'`', "aeiouAEIOU", kGrave},
    {'~', "anoANO", kTilde},
};

struct BraceName {
  const char* name;  // includes the closing brace
  unsigned char ch;
};
constexpr BraceName kBraceNames[] = {
    {"AA}", 197},
    {"Aa}", 197},
    {"aa}", 229},
    {"AE}", 198},
    {"ae}", 230},
    {"cc}", 231},
    {"cC}", 199},
    {"o}", 248},
    {"O}", 216},
    {"OE}", 140},
    {"oe}", 156},
    {"ss}", 223},
    {"DH}", 208},
    {"dh}", 240},
    {"TH}", 222},
    {"th}", 254},
    {"copyright}", 169},
    {"P}", 182},
    {"S}", 167},
    {"dag}", 134},
    {"ddag}", 135},
    {"dots}", 133},
    {"pounds}", 163},
    {"texttrademark}", 153},
    {"textregistered}", 174},
    {"textexclamdown}", 161},
    {"textquestiondown}", 191},
    {"textpm}", 177},
    {"textperthousand}", 137},
    {"textcurrency}", 164},
    {"texteuro}", 128},
    {"textyen}", 165},
};

bool StartsWith(const std::string& s, size_t pos, const char* lit) {
  size_t n = std::strlen(lit);
  return s.size() - pos >= n && s.compare(pos, n, lit) == 0;
}

// Replacement texts for 128..255 when encoding.
std::array<const char*, 128> BuildEncodeTable() {
  std::array<const char*, 128> t{};
  auto set = [&t](int c, const char* r) { t[static_cast<size_t>(c - 128)] = r; };
  // Accented letters: backslash, accent, base letter.
  static const char* const kAccented[64] = {
      "\\`A",   "\\'A", "\\^A", "\\~A",  "\\\"A", "{\\AA}", "{\\AE}", "\\c{C}",  // 192-199
      "\\`E",   "\\'E", "\\^E", "\\\"E", "\\`I",  "\\'I",   "\\^I",   "\\\"I",   // 200-207
      "{\\DH}", "\\~N", "\\`O", "\\'O",  "\\^O",  "\\~O",   "\\\"O",  "x",       // 208-215
      "{\\O}",  "\\`U", "\\'U", "\\^U",  "\\\"U", "\\'Y",   "{\\TH}", "{\\ss}",  // 216-223
      "\\`a",   "\\'a", "\\^a", "\\~a",  "\\\"a", "{\\aa}", "{\\ae}", "\\c{c}",  // 224-231
      "\\`e",   "\\'e", "\\^e", "\\\"e", "\\`i",  "\\'i",   "\\^i",   "\\\"i",   // 232-239
      "{\\dh}", "\\~n", "\\`o", "\\'o",  "\\^o",  "\\~o",   "\\\"o",  "/",       // 240-247
      "{\\o}",  "\\`u", "\\'u", "\\^u",  "\\\"u", "\\'y",   "{\\th}", "\\\"y",   // 248-255
  };
  for (int c = 192; c < 256; ++c) set(c, kAccented[c - 192]);
  set(128, "{\\texteuro}");
  set(129, " ");
  set(130, "'");
  set(131, "f");
  set(132, "\"");
  set(133, "...");
  set(134, "{\\dag}");
  set(135, "{\\ddag}");
  set(136, "^");
  set(137, "{\\textperthousand}");
  set(138, "\\v{S}");
  set(139, "<");
  set(140, "{\\OE}");
  for (int c : {141, 142, 143, 144, 157, 158, 160}) set(c, " ");
  set(145, "'");
  set(146, "'");
  set(147, "\"");
  set(148, "\"");
  set(149, ".");
  set(150, "-");
  set(151, "-");
  set(152, "~");
  set(153, "{\\texttrademark}");
  set(154, "\\v{s}");
  set(155, ">");
  set(156, "{\\oe}");
  set(159, "\\\"Y");
  set(161, "{\\textexclamdown}");
  set(162, "c");
  set(163, "{\\pounds}");
  set(164, "{\\textcurrency}");
  set(165, "{\\textyen}");
  set(166, "|");
  set(167, "{\\S}");
  set(168, "\"");
  set(169, "{\\copyright}");
  set(170, "a");
  set(171, "<<");
  set(172, "-");
  set(173, "-");
  set(174, "{\\textregistered}");
  set(175, "-");
  set(176, "o");
  set(177, "{\\textpm}");
  set(178, "2");
  set(179, "3");
  set(180, "'");
  set(181, "u");
  set(182, "{\\P}");
  set(183, ".");
  set(184, ",");
  set(185, "1");
  set(186, "0");
  set(187, ">>");
  set(188, "1/4");
  set(189, "1/2");
  set(190, "3/4");
  set(191, "{\\textquestiondown}");
  return t;
}

const std::array<const char*, 128>& EncodeTable() {
  static const std::array<const char*, 128> table = BuildEncodeTable();
  return table;
}

}  // namespace

void TeXDecode(std::string& text) {
  if (text.find_first_of("\\{") == std::string::npos) return;
  const std::string& in = text;
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    char c = in[i];
    if (c == '\\') {
      if (i + 1 >= n) {  // a backslash at the very end stays
        out += c;
        ++i;
        continue;
      }
      unsigned char next = static_cast<unsigned char>(in[i + 1]);
      if (next > 126) {
        out += c;
        out += static_cast<char>(next);
        i += 2;
        continue;
      }
      if (std::strchr("#$%&\\_{}", next) != nullptr && next != 0) {
        out += static_cast<char>(next);
        i += 2;
        continue;
      }
      const AccentRow* row = nullptr;
      for (const AccentRow& r : kAccents)
        if (r.accent == static_cast<char>(next)) row = &r;
      if (row != nullptr) {
        if (i + 2 < n) {
          const char* hit = in[i + 2] != 0 ? std::strchr(row->letters, in[i + 2]) : nullptr;
          if (hit != nullptr) {
            out += static_cast<char>(row->chars[hit - row->letters]);
          } else {
            out.append(in, i, 3);
          }
          i += 3;
        } else {
          out.append(in, i, n - i);
          i = n;
        }
        continue;
      }
      if (next == 'c' || next == 'v') {
        static const struct {
          const char* seq;
          unsigned char ch;
        } kHooks[] = {{"\\c{c}", 231}, {"\\c{C}", 199}, {"\\v{s}", 154}, {"\\v{S}", 138}};
        bool done = false;
        for (const auto& h : kHooks) {
          if (StartsWith(in, i, h.seq)) {
            out += static_cast<char>(h.ch);
            i += 5;
            done = true;
            break;
          }
        }
        if (done) continue;
      }
      out.append(in, i, 2);  // any other pair stays as it is
      i += 2;
      continue;
    }
    if (c == '{' && i + 1 < n && in[i + 1] == '\\') {
      bool done = false;
      for (const BraceName& b : kBraceNames) {
        if (StartsWith(in, i + 2, b.name)) {
          out += static_cast<char>(b.ch);
          i += 2 + std::strlen(b.name);
          done = true;
          break;
        }
      }
      if (done) continue;
      out.append(in, i, 2);
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  text.swap(out);
}

std::string TeXEncode(std::string_view text, bool escapeSpecials) {
  const auto& table = EncodeTable();
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 128) {
      if (escapeSpecials && (c == '#' || c == '&' || c == '\\')) out += '\\';
      out += ch;
    } else {
      out += table[c - 128];
    }
  }
  return out;
}

}  // namespace tunora
