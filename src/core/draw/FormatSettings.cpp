#include "draw/FormatSettings.h"

#include <algorithm>
#include <cstdio>

#include "base/FileIO.h"
#include "app/Settings.h"
#include "base/Ascii.h"

namespace tunora {
namespace {

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
  if (pos > text.size() || text.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[pos + i]) != Lower(word[i])) return false;
  }
  return true;
}

// Reading position within one directive line.
class Cursor {
 public:
  explicit Cursor(std::string_view line) : s_(line) {}

  bool AtEnd() const { return p_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[p_]; }
  void SkipSpaces() {
    while (p_ < s_.size() && s_[p_] == ' ') ++p_;
  }
  // A keyword at the cursor (any letter case, as a prefix); skips the spaces after it.
  bool Match(std::string_view word) {
    if (!StartsWithNoCase(s_, p_, word)) return false;
    p_ += word.size();
    SkipSpaces();
    return true;
  }
  // A keyword with an optional plural "s".
  bool MatchPlural(std::string_view word) {
    if (!StartsWithNoCase(s_, p_, word)) return false;
    p_ += word.size();
    if (Lower(Peek()) == 's') ++p_;
    SkipSpaces();
    return true;
  }
  void SkipWord() {
    while (p_ < s_.size() && s_[p_] != ' ') ++p_;
    SkipSpaces();
  }
  std::string_view Word() {
    size_t b = p_;
    while (p_ < s_.size() && s_[p_] != ' ') ++p_;
    std::string_view w = s_.substr(b, p_ - b);
    SkipSpaces();
    return w;
  }
  // A quoted string (escapes read) or a word; toLineEnd lets the unquoted form run
  // to the end of the line.
  std::string String(bool toLineEnd = false) {
    std::string out;
    if (Peek() == '"') {
      ++p_;
      while (p_ < s_.size() && s_[p_] != '"') {
        char c = s_[p_++];
        if (c == '\\' && p_ < s_.size()) {
          char e = s_[p_++];
          c = e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        out += c;
      }
      if (p_ < s_.size()) ++p_;  // the closing quote
    } else {
      size_t b = p_;
      while (p_ < s_.size() && (toLineEnd || s_[p_] != ' ')) ++p_;
      out.assign(s_.substr(b, p_ - b));
    }
    SkipSpaces();
    return out;
  }
  int32_t Decimal() {
    int32_t v = ParseDecimal(s_, p_);
    SkipRestOfWord();
    return v;
  }
  int32_t Integer() {
    SkipSpaces();
    bool negative = false;
    if (Peek() == '+' || Peek() == '-') negative = s_[p_++] == '-';
    int64_t v = 0;
    while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9') {
      if (v < 1000000000) v = v * 10 + (s_[p_] - '0');
      ++p_;
    }
    SkipRestOfWord();
    return static_cast<int32_t>(negative ? -v : v);
  }
  // "true", "on", "1" switch on; "false", "off", "0" off; anything else changes nothing.
  void Bool(bool& field, bool inverted = false) {
    if (Match("true") || Match("on") || Match("1")) {
      field = !inverted;
    } else if (Match("false") || Match("off") || Match("0")) {
      field = inverted;
    } else {
      SkipWord();
      return;
    }
    SkipRestOfWord();
  }
  std::string_view Rest() const { return AtEnd() ? std::string_view() : s_.substr(p_); }

 private:
  void SkipRestOfWord() {
    while (p_ < s_.size() && s_[p_] != ' ') ++p_;
    SkipSpaces();
  }
  std::string_view s_;
  size_t p_ = 0;
};

// Font sizes are kept from 1 to 1000 points.
int FontSize(int64_t points) { return static_cast<int>(std::clamp<int64_t>(points, 1, 1000)); }

// One font word at the cursor; false when the word is none.
bool FontWord(Cursor& c, FontSpec& font) {
  if (c.Match("face=")) {
    font.face = c.String();
  } else if (c.Match("size=")) {
    font.size = FontSize(c.Integer());
  } else if (c.Match("bold")) {
    font.bold = true;
  } else if (c.Match("italic")) {
    font.italic = true;
  } else if (c.Match("underline")) {
    font.underline = true;
  } else {
    return false;
  }
  return true;
}

void FontWords(Cursor& c, FontSpec& font) {
  while (!c.AtEnd()) {
    if (!FontWord(c, font)) c.SkipWord();
  }
}

int AlignWord(Cursor& c, bool adjustWords, int old) {
  if (c.Match("left")) return kAlignLeft;
  if (c.Match("right")) return kAlignRight;
  if (c.Match("center")) return kAlignCenter;
  if (c.Match(adjustWords ? "justify" : "full")) return kAlignFull;
  c.SkipWord();
  return old;
}

void ParseHeaderBlock(Cursor& c, FormatSettings& fs) {
  HeaderBlock block;
  block.font = fs.headerFont;
  block.fields = std::string(c.Word());
  while (!c.AtEnd()) {
    if (c.Match("size=")) {
      if (c.Peek() == '+' || c.Peek() == '-') {
        bool minus = c.Peek() == '-';
        c.Match(minus ? "-" : "+");
        int32_t d = c.Integer();
        block.font.size = FontSize(static_cast<int64_t>(fs.headerFont.size) + (minus ? -d : d));
      } else {
        block.font.size = FontSize(c.Integer());
      }
    } else if (FontWord(c, block.font)) {
    } else if (c.Match("align=")) {
      block.align = block.adjust = AlignWord(c, false, block.align);
    } else if (c.Match("adjust=")) {
      block.adjust = AlignWord(c, true, block.adjust);
    } else if (c.Match("start=")) {
      block.start = c.String();
    } else if (c.Match("end=")) {
      block.end = c.String();
    } else if (c.Match("newline=")) {
      block.newline = c.String();
    } else if (c.Match("width=")) {
      block.width = c.Decimal();
    } else if (c.Match("spacebefore=")) {
      block.spaceBefore = c.Decimal();
    } else if (c.Match("spaceafter=")) {
      block.spaceAfter = c.Decimal();
    } else if (c.Match("linespacing=")) {
      block.lineSpacing = c.Decimal();
    } else if (c.Match("maxlines=")) {
      int32_t n = c.Integer();
      block.maxLines = n < 0 ? 0 : static_cast<uint32_t>(n);
    } else if (c.Match("after")) {
      block.after = true;
    } else if (c.Match("freshline")) {
      block.freshline = true;
    } else if (c.Match("merge")) {
      block.merge = true;
    } else if (c.Match("caps")) {
      block.capitalised = true;
    } else {
      c.SkipWord();
    }
  }
  fs.headers.push_back(std::move(block));
}

// Whether a "tune" line carries the line-feed word: the complete switch line that
// WriteFormat produces. Such a line states every switch, so the nine start off.
bool IsCompleteSwitchLine(std::string_view rest) {
  Cursor c(rest);
  while (!c.AtEnd()) {
    if (c.Match("hardLf") || c.Match("softLf")) return true;
    c.SkipWord();
  }
  return false;
}

void ParseTune(Cursor& c, FormatSettings& fs) {
  if (IsCompleteSwitchLine(c.Rest())) {
    fs.restsInBeamGroup = fs.halfStemForBeamedRest = fs.slashFlaggedGrace = false;
    fs.cancelKey = fs.clefFirstStaffOnly = fs.keyFirstStaffOnly = false;
    fs.chordsBelow = fs.ghbStyle = fs.graceNotesUp = fs.titleArticleFirst = false;
  }
  while (!c.AtEnd()) {
    if (c.Match("spaceBeforeTune=")) {
      fs.spaceBeforeTune = c.Decimal();
    } else if (c.Match("spaceAfterTune=")) {
      fs.spaceAfterTune = c.Decimal();
    } else if (c.Match("staffSpacing=")) {
      fs.staffSpacing = c.Decimal();
    } else if (c.Match("noteSpacing=")) {
      fs.noteSpacing = c.Decimal();
    } else if (c.Match("chordVpos=")) {
      fs.chordVpos = c.Decimal();
    } else if (c.Match("hardLf")) {
      fs.softLf = false;
    } else if (c.Match("softLf")) {
      fs.softLf = true;
    } else if (c.Match("restsInBeamGroup")) {
      fs.restsInBeamGroup = true;
    } else if (c.Match("halfStemForBeamedRest")) {
      fs.halfStemForBeamedRest = true;
    } else if (c.Match("slashFlaggedGrace")) {
      fs.slashFlaggedGrace = true;
    } else if (c.Match("cancelKey")) {
      fs.cancelKey = true;
    } else if (c.Match("clefFirstStaffOnly")) {
      fs.clefFirstStaffOnly = true;
    } else if (c.Match("keyFirstStaffOnly")) {
      fs.keyFirstStaffOnly = true;
    } else if (c.Match("chordsBelow")) {
      fs.chordsBelow = true;
    } else if (c.Match("GHBStyle")) {
      fs.ghbStyle = true;
    } else if (c.Match("graceNotesUp")) {
      fs.graceNotesUp = true;
    } else if (c.Match("titleArticleFirst")) {
      fs.titleArticleFirst = true;
    } else {
      c.SkipWord();
    }
  }
}

void ParsePageHeaderFooter(Cursor& c, std::string& text, int& align, FontSpec& font) {
  while (!c.AtEnd()) {
    if (c.Match("off")) {
      text.clear();
    } else if (c.Match("left")) {
      align = kAlignLeft;
    } else if (c.Match("right")) {
      align = kAlignRight;
    } else if (c.Match("center")) {
      align = kAlignCenter;
    } else if (c.Match("text=")) {
      text = c.String();
    } else if (!FontWord(c, font)) {
      c.SkipWord();
    }
  }
}

void ParsePage(Cursor& c, FormatSettings& fs) {
  if (c.MatchPlural("margin")) {
    while (!c.AtEnd()) {
      if (c.Match("top=")) {
        fs.topMargin = c.Decimal();
      } else if (c.Match("bottom=")) {
        fs.bottomMargin = c.Decimal();
      } else if (c.Match("left=")) {
        fs.leftMargin = c.Decimal();
      } else if (c.Match("right=")) {
        fs.rightMargin = c.Decimal();
      } else if (c.Match("header=")) {
        fs.headerDistance = c.Decimal();
      } else if (c.Match("footer=")) {
        fs.footerDistance = c.Decimal();
      } else {
        c.SkipWord();
      }
    }
  } else if (c.Match("opposite")) {
    fs.oppositePages = true;
  } else if (c.Match("single")) {
    fs.oppositePages = false;
  } else if (c.MatchPlural("number")) {
    fs.firstPageNumber = 1;
    while (!c.AtEnd()) {
      if (c.Match("on")) {
        fs.pageNumbers = true;
      } else if (c.Match("off")) {
        fs.pageNumbers = false;
      } else if (c.Match("top")) {
        fs.pageNumberBottom = false;
      } else if (c.Match("bottom")) {
        fs.pageNumberBottom = true;
      } else if (c.Match("left")) {
        fs.pageNumberAlign = kAlignLeft;
      } else if (c.Match("right")) {
        fs.pageNumberAlign = kAlignRight;
      } else if (c.Match("center")) {
        fs.pageNumberAlign = kAlignCenter;
      } else if (c.Match("first=")) {
        int32_t n = c.Integer();
        fs.firstPageNumber = n < 0 ? 0 : static_cast<uint32_t>(n);
      } else if (!FontWord(c, fs.pageNumberFont)) {
        c.SkipWord();
      }
    }
  } else if (c.MatchPlural("header")) {
    ParsePageHeaderFooter(c, fs.pageHeader, fs.pageHeaderAlign, fs.pageHeaderFont);
  } else if (c.MatchPlural("footer")) {
    ParsePageHeaderFooter(c, fs.pageFooter, fs.pageFooterAlign, fs.pageFooterFont);
  }
}

void ParseLine(std::string_view line, FormatSettings& fs) {
  Cursor c(line);
  if (!c.Match("%%fmt ")) return;
  if (c.MatchPlural("setting")) {
    if (c.Match("unit=")) {
      if (c.Match("cm")) {
        fs.unit = kUnitCentimetres;
      } else if (c.Match("in")) {
        fs.unit = kUnitInches;
      }
    } else if (c.Match("font=")) {
      FontSpec* font = nullptr;
      if (c.Match("header")) {
        font = &fs.headerFont;
      } else if (c.Match("notation")) {
        font = &fs.notationFont;
      } else if (c.Match("chords")) {
        font = &fs.chordFont;
      } else if (c.Match("lyricsafter")) {  // before "lyrics", which it begins with
        font = &fs.lyricsAfterFont;
      } else if (c.Match("lyrics")) {
        font = &fs.lyricsFont;
      } else if (c.Match("expressions")) {
        font = &fs.exprFont;
      } else if (c.Match("text")) {
        font = &fs.textFont;
      }
      if (font != nullptr) FontWords(c, *font);
    }
    return;
  }
  if (c.Match("page ")) {
    ParsePage(c, fs);
    return;
  }
  if (c.Match("header ")) {
    ParseHeaderBlock(c, fs);
  } else if (c.Match("tune ")) {
    ParseTune(c, fs);
  } else if (c.Match("barsperstaff ")) {
    fs.barsPerStaff = std::max(0, c.Integer());
  } else if (c.Match("exprabove ")) {
    c.Bool(fs.exprAbove);
  } else if (c.Match("exprbelow ")) {
    c.Bool(fs.exprAbove, true);
  } else if (c.Match("graceslurs ")) {
    c.Bool(fs.graceSlurs);
  } else if (c.Match("indent ")) {
    fs.indent = c.Decimal();
  } else if (c.Match("measurefirst ")) {
    fs.measureFirst = c.Integer();
  } else if (c.Match("measurenb ")) {
    fs.measureInterval = c.Integer();
  } else if (c.Match("measurebox ")) {
    c.Bool(fs.measureBox);
  } else if (c.Match("musiconly ")) {
    c.Bool(fs.showText, true);
  } else if (c.Match("oneperpage ")) {
    c.Bool(fs.onePerPage);
  } else if (c.Match("staffstartbar ")) {
    c.Bool(fs.staffStartBar);
  } else if (c.Match("tupletstyle ")) {
    fs.tupletStyle[0] = std::clamp(c.Integer(), 0, 2);
    fs.tupletStyle[1] = std::clamp(c.Integer(), 0, 3);
  } else if (c.Match("scale ")) {
    fs.staffSize = ScalePercent(c.Decimal());
  } else if (c.Match("stretchlast ")) {
    c.Bool(fs.stretchLast);
  } else if (c.Match("stretchstaff ")) {
    c.Bool(fs.stretchStaff);
  } else if (c.Match("screendrawmargins ")) {
    c.Bool(fs.showMargins);
  } else if (c.Match("botmargin ")) {
    fs.bottomMargin = c.Decimal();
  } else if (c.Match("topmargin ")) {
    fs.topMargin = c.Decimal();
  } else if (c.Match("leftmargin ")) {
    fs.leftMargin = c.Decimal();
  } else if (c.Match("staffwidth ")) {
    fs.staffWidth = c.Decimal();
  } else if (c.Match("footer ")) {
    fs.pageFooter = c.String(true);
  } else if (c.Match("musicspace ")) {
    fs.spaceBeforeTune = c.Decimal();
  } else if (c.Match("staffsep ")) {
    fs.staffSpacing = c.Decimal();
  } else if (c.Match("gchordfont ")) {
    fs.chordFont.face = c.String();
    fs.chordFont.size = FontSize(c.Integer());
  } else if (c.Match("textfont ")) {
    fs.textFont.face = c.String();
    fs.textFont.size = FontSize(c.Integer());
  }
}

const char* AlignName(int align) {
  switch (align) {
    case kAlignLeft: return "left";
    case kAlignRight: return "right";
    case kAlignFull: return "full";
    default: return "center";
  }
}

const char* AdjustName(int adjust) {
  switch (adjust) {
    case kAlignLeft: return "left";
    case kAlignRight: return "right";
    case kAlignFull: return "justify";
    default: return "center";
  }
}

// A string between double quotes: backslash, quote, CR, LF and TAB escaped so that
// the line stays one line and reads back the same.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

std::string Styles(const FontSpec& f) {
  std::string out;
  if (f.bold) out += " bold";
  if (f.italic) out += " italic";
  if (f.underline) out += " underline";
  return out;
}

std::string FullFont(const FontSpec& f) {
  return "face=" + Quoted(f.face) + " size=" + std::to_string(f.size) + Styles(f);
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

int32_t ParseDecimal(std::string_view text, size_t& pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  bool digitFirst = pos < text.size() && text[pos] >= '0' && text[pos] <= '9';
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  int64_t whole = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (whole < 2000000) whole = whole * 10 + (text[pos] - '0');
    ++pos;
  }
  whole = std::min<int64_t>(whole, 2000000);
  int64_t value = (negative ? -whole : whole) * 1000;
  if (digitFirst && pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    int zeros = 0;
    while (pos < text.size() && text[pos] == '0') {
      ++zeros;
      ++pos;
    }
    int64_t n = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (n < 100000000) n = n * 10 + (text[pos] - '0');
      ++pos;
    }
    if (n != 0) {
      while (n > 999) n /= 10;
      if (n < 10) n *= 10;
      if (n < 100) n *= 10;
      for (int i = 0; i < zeros; ++i) n /= 10;
      value += n;
    }
  }
  return static_cast<int32_t>(value);
}

std::string FormatDecimal(int32_t value) {
  char buf[32];
  int64_t v = value;
  const char* sign = v < 0 ? "-" : "";
  if (v < 0) v = -v;
  std::snprintf(buf, sizeof buf, "%s%lld.%03lld", sign, static_cast<long long>(v / 1000),
                static_cast<long long>(v % 1000));
  return buf;
}

bool ParseThousandths(std::string_view text, int32_t& value) {
  size_t pos = 0, end = text.size();
  while (pos < end && text[pos] == ' ') ++pos;
  while (end > pos && text[end - 1] == ' ') --end;
  bool negative = false;
  if (pos < end && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  int64_t thousandths = 0;
  bool anyDigit = false;
  for (; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    thousandths = thousandths * 10 + (text[pos] - '0');
    if (thousandths > 2000000) return false;
    anyDigit = true;
  }
  thousandths *= 1000;
  if (pos < end && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    int64_t place = 100;
    for (; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
      thousandths += (text[pos] - '0') * place;  // digits past the third add 0
      place /= 10;
      anyDigit = true;
    }
  }
  if (pos != end || !anyDigit) return false;
  value = static_cast<int32_t>(negative ? -thousandths : thousandths);
  return true;
}

int ScalePercent(int32_t thousandths) {
  int64_t percent = thousandths < 10000 ? thousandths / 10 : thousandths / 1000;
  return static_cast<int>(std::clamp<int64_t>(percent, 10, 400));
}

void ParseFormat(std::string_view text, FormatSettings& fs) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A line also ends at a lone carriage return.
    size_t cr = line.find('\r');
    if (cr != std::string_view::npos) line = line.substr(0, cr);
    if (!line.empty()) ParseLine(line, fs);
    pos = end + 1;
  }
}

std::string WriteHeaderBlock(const HeaderBlock& b, const FontSpec& headerFont) {
  std::string out = b.fields + " ";
  out += "align=" + std::string(AlignName(b.align)) + " ";
  if (b.adjust != b.align) out += "adjust=" + std::string(AdjustName(b.adjust)) + " ";
  if (b.maxLines != 0) out += "maxlines=" + std::to_string(b.maxLines) + " ";
  if (b.width != 0) out += "width=" + FormatDecimal(b.width) + " ";
  if (b.spaceBefore != 0) out += "spacebefore=" + FormatDecimal(b.spaceBefore) + " ";
  if (b.spaceAfter != 0) out += "spaceafter=" + FormatDecimal(b.spaceAfter) + " ";
  if (b.lineSpacing != 0) out += "linespacing=" + FormatDecimal(b.lineSpacing) + " ";
  if (!b.start.empty()) out += "start=" + Quoted(b.start) + " ";
  if (!b.end.empty()) out += "end=" + Quoted(b.end) + " ";
  if (!b.newline.empty()) out += "newline=" + Quoted(b.newline) + " ";
  if (b.after) out += "after ";
  if (b.freshline) out += "freshline ";
  if (b.merge) out += "merge ";
  if (b.capitalised) out += "caps ";
  if (b.font.face == headerFont.face) {
    int d = b.font.size - headerFont.size;
    if (d > 0) out += "size=+" + std::to_string(d);
    if (d < 0) out += "size=-" + std::to_string(-d);
  } else {
    out += "face=" + Quoted(b.font.face) + " size=" + std::to_string(b.font.size);
  }
  out += Styles(b.font);
  return out;
}

std::string WriteFormat(const FormatSettings& fs) {
  std::string out;
  out.reserve(2048 + fs.headers.size() * 160);
  out += "%%fmt setting unit=";
  out += fs.unit == kUnitInches ? "in" : "cm";
  out += "\r\n";
  const std::pair<const char*, const FontSpec*> fonts[] = {
      {"header", &fs.headerFont},   {"notation", &fs.notationFont},
      {"chords", &fs.chordFont},    {"lyrics", &fs.lyricsFont},
      {"text", &fs.textFont},       {"lyricsafter", &fs.lyricsAfterFont},
      {"expressions", &fs.exprFont}};
  for (const auto& [kind, font] : fonts) {
    out += "%%fmt setting font=" + std::string(kind) + " " + FullFont(*font) + "\r\n";
  }
  out += "%%fmt page margin top=" + FormatDecimal(fs.topMargin) +
         " bottom=" + FormatDecimal(fs.bottomMargin) + " left=" + FormatDecimal(fs.leftMargin) +
         " right=" + FormatDecimal(fs.rightMargin) + " header=" + FormatDecimal(fs.headerDistance) +
         " footer=" + FormatDecimal(fs.footerDistance) + "\r\n";
  out += fs.oppositePages ? "%%fmt page opposite\r\n" : "%%fmt page single\r\n";
  out += "%%fmt page number ";
  if (!fs.pageNumbers) {
    out += "off\r\n";
  } else {
    out += fs.pageNumberBottom ? "on bottom" : "on top";
    out += " " + std::string(AlignName(fs.pageNumberAlign)) + " ";
    if (fs.firstPageNumber != 1) out += "first=" + std::to_string(fs.firstPageNumber) + " ";
    out += FullFont(fs.pageNumberFont) + "\r\n";
  }
  out += "%%fmt page header ";
  if (fs.pageHeader.empty()) {
    out += "off\r\n";
  } else {
    out += "on " + std::string(AlignName(fs.pageHeaderAlign)) + " text=" + Quoted(fs.pageHeader) +
           " " + FullFont(fs.pageHeaderFont) + "\r\n";
  }
  out += "%%fmt page footer ";
  if (fs.pageFooter.empty()) {
    out += "off\r\n";
  } else {
    out += " " + std::string(AlignName(fs.pageFooterAlign)) + " text=" + Quoted(fs.pageFooter) +
           " " + FullFont(fs.pageFooterFont) + "\r\n";
  }
  for (const HeaderBlock& b : fs.headers) {
    out += "%%fmt header " + WriteHeaderBlock(b, fs.headerFont) + "\r\n";
  }
  // The settings of the layout pages that have a directive word of their own.
  out += "%%fmt scale " + std::to_string(fs.staffSize) + "\r\n";
  out += "%%fmt indent " + FormatDecimal(fs.indent) + "\r\n";
  out += "%%fmt staffwidth " + FormatDecimal(fs.staffWidth) + "\r\n";
  out += "%%fmt barsperstaff " + std::to_string(fs.barsPerStaff) + "\r\n";
  out += "%%fmt measurefirst " + std::to_string(fs.measureFirst) + "\r\n";
  out += "%%fmt measurenb " + std::to_string(fs.measureInterval) + "\r\n";
  out += "%%fmt measurebox " + std::string(OnOff(fs.measureBox)) + "\r\n";
  out += "%%fmt stretchlast " + std::string(OnOff(fs.stretchLast)) + "\r\n";
  out += "%%fmt stretchstaff " + std::string(OnOff(fs.stretchStaff)) + "\r\n";
  out += "%%fmt oneperpage " + std::string(OnOff(fs.onePerPage)) + "\r\n";
  out += "%%fmt staffstartbar " + std::string(OnOff(fs.staffStartBar)) + "\r\n";
  out += "%%fmt tupletstyle " + std::to_string(fs.tupletStyle[0]) + " " +
         std::to_string(fs.tupletStyle[1]) + "\r\n";
  out += "%%fmt screendrawmargins " + std::string(OnOff(fs.showMargins)) + "\r\n";
  out += "%%fmt exprabove " + std::string(OnOff(fs.exprAbove)) + "\r\n";
  out += "%%fmt graceslurs " + std::string(OnOff(fs.graceSlurs)) + "\r\n";
  out += "%%fmt musiconly " + std::string(OnOff(!fs.showText)) + "\r\n";
  out += "%%fmt tune spaceBeforeTune=" + FormatDecimal(fs.spaceBeforeTune) + "\r\n";
  out += "%%fmt tune spaceAfterTune=" + FormatDecimal(fs.spaceAfterTune) + "\r\n";
  out += "%%fmt tune staffSpacing=" + FormatDecimal(fs.staffSpacing) + "\r\n";
  out += "%%fmt tune noteSpacing=" + FormatDecimal(fs.noteSpacing) + "\r\n";
  out += "%%fmt tune chordVpos=" + FormatDecimal(fs.chordVpos) + "\r\n";
  out += "%%fmt tune";
  const std::pair<bool, const char*> switches[] = {
      {fs.restsInBeamGroup, " restsInBeamGroup"},
      {fs.halfStemForBeamedRest, " halfStemForBeamedRest"},
      {fs.slashFlaggedGrace, " slashFlaggedGrace"},
      {fs.cancelKey, " cancelKey"},
      {fs.clefFirstStaffOnly, " clefFirstStaffOnly"},
      {fs.keyFirstStaffOnly, " keyFirstStaffOnly"},
      {fs.chordsBelow, " chordsBelow"},
      {fs.ghbStyle, " GHBStyle"},
      {fs.graceNotesUp, " graceNotesUp"},
      {fs.titleArticleFirst, " titleArticleFirst"}};
  for (const auto& [on, word] : switches) {
    if (on) out += word;
  }
  out += fs.softLf ? " softLf\r\n" : " hardLf\r\n";
  return out;
}

FormatSettings FormatSettings::FromText(std::string_view text) {
  FormatSettings fs;
  ParseFormat(text, fs);
  return fs;
}

void FormatSettings::ScaleLengths(int percent) {
  if (percent == 100) return;
  auto scale = [percent](int32_t v) {
    return static_cast<int32_t>(static_cast<int64_t>(v) * percent / 100);
  };
  notationFont.size = scale(notationFont.size);
  staffSpacing = scale(staffSpacing);
  indent = scale(indent);
  noteSpacing = scale(noteSpacing);
  chordVpos = scale(chordVpos);
}

FormatSettings& FormatSettings::Application() {
  static FormatSettings fs;
  return fs;
}

void ConnectFormatSettings(SettingsDataHooks& hooks, FormatSettings& fs) {
  hooks.loadLayoutFile = [&fs](const std::string& path) {
    fs = FormatSettings();
    std::string text, error;
    if (ReadWholeFile(path, text, error)) ParseFormat(text, fs);
  };
}

}  // namespace tunora
