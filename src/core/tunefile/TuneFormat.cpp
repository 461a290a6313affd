#include "tunefile/TuneFormat.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <iomanip>
#include <locale>
#include <sstream>

#include "base/Ascii.h"
#include "base/CharConvert.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

constexpr std::string_view kDefaultDatePattern = "yy-mm-dd";

// One parsed field code: "%" [flags] [width] ["." [maximum]] letter.
struct FieldCode {
  bool firstOnly = false;  // '#'
  bool skipFirst = false;  // '*'
  bool right = false;      // '+' (also set by '0')
  bool zeros = false;      // '0'
  char breakFlag = 0;      // ';', '/', '_', ':' or 0 for CR LF
  int width = 0;           // 0 = none
  int maximum = 0;         // 0 = none
  char letter = 0;
};

bool IsFlag(char c) {
  switch (c) {
    case ';':
    case '/':
    case '_':
    case ':':
    case '#':
    case '*':
    case '+':
    case '0': return true;
    default: return false;
  }
}

// Reads decimal digits at format[i], clamped to kMaxFieldWidth.
int ReadNumber(std::string_view format, size_t& i) {
  int n = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    n = n * 10 + (format[i] - '0');
    if (n > kMaxFieldWidth) n = kMaxFieldWidth;
    ++i;
  }
  return n;
}

// Parses the code after a '%' at format[i]; false when the format ends before the letter.
bool ParseCode(std::string_view format, size_t& i, FieldCode& code) {
  for (; i < format.size() && IsFlag(format[i]); ++i) {
    switch (format[i]) {
      case '#': code.firstOnly = true; break;
      case '*': code.skipFirst = true; break;
      case '+': code.right = true; break;
      case '0': code.zeros = code.right = true; break;
      default: code.breakFlag = format[i]; break;  // the last break flag wins
    }
  }
  code.width = ReadNumber(format, i);
  if (i < format.size() && format[i] == '.') {
    ++i;
    bool hasDigits = i < format.size() && format[i] >= '0' && format[i] <= '9';
    code.maximum = hasDigits ? ReadNumber(format, i) : code.width;
  }
  if (i >= format.size()) return false;
  code.letter = format[i++];
  return true;
}

void AppendBreak(std::string& out, const FieldCode& code) {
  switch (code.breakFlag) {
    case ';': out.append("; "); break;
    case '/': out.append(" / "); break;
    case '_': out.push_back(' '); break;
    case ':':
      out.append("\r\n");
      out.push_back(code.letter);
      out.push_back(':');
      break;
    default: out.append("\r\n"); break;
  }
}

// Walks a text made of segments joined by line breaks, line by line. A line ends at
// CR, LF, CR LF or the end of its segment.
template <typename Segment>
class LineWalker {
 public:
  LineWalker(Segment segment, size_t count) : segment_(segment), count_(count) {
    if (count_ > 0) current_ = segment_(0);
  }
  // True while text remains (a further line follows the last break).
  bool More() const { return offset_ < current_.size() || index_ + 1 < count_; }
  std::string_view NextLine() {
    size_t start = offset_;
    size_t end = start;
    while (end < current_.size() && current_[end] != '\r' && current_[end] != '\n') ++end;
    std::string_view line = current_.substr(start, end - start);
    if (end < current_.size()) {
      if (current_[end] == '\r' && end + 1 < current_.size() && current_[end + 1] == '\n') ++end;
      offset_ = end + 1;
    } else if (index_ + 1 < count_) {
      current_ = segment_(++index_);
      offset_ = 0;
    } else {
      offset_ = end;
    }
    return line;
  }

 private:
  Segment segment_;
  size_t count_;
  size_t index_ = 0;
  size_t offset_ = 0;
  std::string_view current_;
};

template <typename Segment>
void AppendLines(std::string& out, const FieldCode& code, Segment segment, size_t count) {
  if (count == 0) return;
  LineWalker<Segment> walker(segment, count);
  if (code.skipFirst) {
    walker.NextLine();
    if (!walker.More()) return;
  }
  for (;;) {
    out.append(walker.NextLine());
    if (code.firstOnly || !walker.More()) return;
    AppendBreak(out, code);
  }
}

void AppendTextLines(std::string& out, const FieldCode& code, std::string_view text) {
  AppendLines(
      out, code, [text](size_t) { return text; }, 1);
}

// Titles, the one being listed first and the others after it in order.
void AppendTitles(std::string& out, const FieldCode& code, const TuneRecord& tune, int titleIndex) {
  const std::vector<std::string>& titles = tune.titles;
  size_t count = titles.size();
  size_t first = (titleIndex >= 0 && static_cast<size_t>(titleIndex) < count)
                     ? static_cast<size_t>(titleIndex)
                     : 0;
  auto segment = [&titles, first](size_t j) -> std::string_view {
    if (j == 0) return titles[first];
    size_t k = j - 1;
    return titles[k >= first ? k + 1 : k];
  };
  AppendLines(out, code, segment, count);
}

void AppendNumber(std::string& out, const FieldCode& code, long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  std::string_view text(digits, static_cast<size_t>(result.ptr - digits));
  if (code.maximum > 0 && text.size() > static_cast<size_t>(code.maximum))
    text.remove_prefix(text.size() - static_cast<size_t>(code.maximum));
  size_t pad = static_cast<size_t>(code.width) > text.size()
                   ? static_cast<size_t>(code.width) - text.size()
                   : 0;
  if (code.zeros) {
    if (!text.empty() && text[0] == '-') {
      out.push_back('-');
      text.remove_prefix(1);
    }
    out.append(pad, '0');
    out.append(text);
  } else if (code.right) {
    out.append(pad, ' ');
    out.append(text);
  } else {
    out.append(text);
    out.append(pad, ' ');
  }
}

// f: the file name; with '#' up to its first '.', with '*' after it. p: the folder.
// Names keep their case: file names differ by case here, and a lower-cased path
// would name a file that does not exist.
void AppendPathPart(std::string& out, const FieldCode& code, std::string_view path) {
  size_t slash = path.rfind('/');
  if (code.letter == 'p') {
    if (slash != std::string_view::npos) out.append(path.substr(0, slash + 1));
  } else {
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.find('.');
    if (code.firstOnly) {
      name = name.substr(0, dot);
    } else if (code.skipFirst) {
      name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    }
    out.append(name);
  }
}

std::tm Today(const FormatEnv* env) {
  if (env != nullptr && env->today) return env->today();
  std::time_t now = std::time(nullptr);
  std::tm result{};
  if (const std::tm* local = std::localtime(&now)) result = *local;
  return result;
}

void AppendTwoDigits(std::string& out, int n) {
  n %= 100;
  if (n < 0) n = -n;
  out.push_back(static_cast<char>('0' + n / 10));
  out.push_back(static_cast<char>('0' + n % 10));
}

void AppendInt(std::string& out, int n) {
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, n);
  out.append(digits, result.ptr);
}

// Number of times c repeats at pattern[i] (case-insensitive), at most limit.
size_t RunLength(std::string_view pattern, size_t i, char c, size_t limit) {
  size_t n = 0;
  while (i + n < pattern.size() && n < limit && Lower(pattern[i + n]) == c) ++n;
  return n;
}

// Cuts the value at out[start..] to the maximum, pads it to the width and converts it.
void FinishValue(std::string& out, size_t start, const FieldCode& code, const FormatOptions& opts,
                 bool pad) {
  size_t length = out.size() - start;
  if (code.maximum > 0 && length > static_cast<size_t>(code.maximum)) {
    length = static_cast<size_t>(code.maximum);
    out.resize(start + length);
  }
  if (pad && static_cast<size_t>(code.width) > length) {
    size_t blanks = static_cast<size_t>(code.width) - length;
    if (code.right)
      out.insert(start, blanks, ' ');
    else
      out.append(blanks, ' ');
  }
  if (opts.tex) TeXDecodeForListTail(out, start);
  if (opts.html) HtmlEncodeTail(out, start);
}

void ExpandCode(std::string& out, const FieldCode& code, const TuneRecord* tune, int titleIndex,
                const FormatOptions& opts, const FormatEnv* env,
                const std::vector<std::string>& extraTexts) {
  const size_t start = out.size();
  const char letter = code.letter;
  switch (letter) {
    case 'X': AppendNumber(out, code, tune != nullptr ? tune->number : 0); return;
    case 'x': {
      int position = 0;
      if (tune != nullptr && tune->owner != nullptr) position = tune->owner->PositionOf(*tune);
      AppendNumber(out, code, position);
      return;
    }
    case 'T':
      if (tune != nullptr) AppendTitles(out, code, *tune, titleIndex);
      break;
    case 'W':
      if (tune != nullptr && tune->words) AppendTextLines(out, code, *tune->words);
      break;
    case 't':
      if (tune != nullptr) AppendTextLines(out, code, tune->body);
      break;
    case 'z':
      if (tune != nullptr && tune->owner != nullptr)
        AppendTextLines(out, code, tune->owner->WriteTune(*tune, false));
      break;
    case 'i':
      if (tune != nullptr) {
        if (!tune->incipit && env != nullptr && env->incipit) tune->incipit = env->incipit(*tune);
        if (tune->incipit) AppendTextLines(out, code, *tune->incipit);
      }
      break;
    case 'f':
    case 'p':
      if (tune != nullptr && tune->owner != nullptr) AppendPathPart(out, code, tune->owner->name);
      break;
    case 'a':
      if (env != nullptr) out.append(env->programDir);
      break;
    case 'b':
      if (env != nullptr) out.append(env->abcDir);
      break;
    case 'd':
      AppendDate(out,
                 env != nullptr ? std::string_view(env->shortDatePattern) : kDefaultDatePattern,
                 Today(env), code.breakFlag != 0);
      break;
    case 'k':
      // The width is the 1-based number of the extra text, so there is no padding.
      if (code.width >= 1 && static_cast<size_t>(code.width) <= extraTexts.size())
        AppendTextLines(out, code, extraTexts[static_cast<size_t>(code.width) - 1]);
      FinishValue(out, start, code, opts, false);
      return;
    case 'm':
    case 'u':
    default:
      if (RecordFieldSlot(letter) < 0) {
        out.push_back(letter);  // not a field: the letter itself ("%%" gives "%")
        return;
      }
      if (tune != nullptr) {
        const std::optional<std::string>* field = tune->Field(letter);
        if (field != nullptr && *field) {
          if ((*field)->find('%') == std::string::npos)
            AppendTextLines(out, code, **field);
          else
            AppendTextLines(out, code, FieldValueWithoutComment(**field));
        }
      }
      break;
  }
  FinishValue(out, start, code, opts, true);
}

}  // namespace

std::string FieldValueWithoutComment(std::string_view value) {
  if (value.find('%') == std::string_view::npos) return std::string(value);
  std::string out;
  out.reserve(value.size());
  bool inComment = false;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\n' || c == '\r') {
      inComment = false;
    } else if (inComment) {
      continue;
    } else if (c == '%' && (i == 0 || value[i - 1] != '\\')) {
      while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
      inComment = true;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

void AppendDate(std::string& out, std::string_view pattern, const std::tm& date,
                bool keepSeparators) {
  const int year = date.tm_year + 1900;
  for (size_t i = 0; i < pattern.size();) {
    char c = Lower(pattern[i]);
    if (c == 'y' && RunLength(pattern, i, 'y', 4) == 4) {
      AppendInt(out, year);
      i += 4;
    } else if (c == 'y' && RunLength(pattern, i, 'y', 2) == 2) {
      AppendTwoDigits(out, year);
      i += 2;
    } else if (c == 'm' || c == 'd') {
      int value = c == 'm' ? date.tm_mon + 1 : date.tm_mday;
      size_t run = RunLength(pattern, i, c, 2);
      if (run == 2)
        AppendTwoDigits(out, value);
      else
        AppendInt(out, value);
      i += run;
    } else {
      if (keepSeparators) out.push_back(pattern[i]);
      ++i;
    }
  }
}

size_t ExpandFormat(std::string& out, std::string_view format, const TuneRecord* tune,
                    int titleIndex, const FormatOptions& opts, const FormatEnv* env,
                    const std::vector<std::string>& extraTexts) {
  const size_t begin = out.size();
  size_t i = 0;
  while (i < format.size()) {
    // Copy the run of plain text up to the next code or escape in one go.
    size_t run = i;
    while (run < format.size() && format[run] != '%' && !(opts.readEscapes && format[run] == '\\'))
      ++run;
    out.append(format.substr(i, run - i));
    i = run;
    if (i >= format.size()) break;
    if (format[i] == '\\') {
      if (i + 1 < format.size()) out.push_back(format[i + 1] == 't' ? '\t' : format[i + 1]);
      i += 2;
      continue;
    }
    size_t codeStart = i++;
    FieldCode code;
    if (!ParseCode(format, i, code)) {
      out.append(format.substr(codeStart));  // an unfinished code is kept as written
      break;
    }
    ExpandCode(out, code, tune, titleIndex, opts, env, extraTexts);
  }
  return out.size() - begin;
}

std::string FormatCodeLetters(std::string_view format, const FormatOptions& opts) {
  std::string letters;
  for (size_t i = 0; i < format.size();) {
    if (opts.readEscapes && format[i] == '\\') {
      i += 2;
    } else if (format[i] == '%') {
      FieldCode code;
      if (!ParseCode(format, ++i, code)) break;
      letters += code.letter;
    } else {
      ++i;
    }
  }
  return letters;
}

std::string ExpandFormat(std::string_view format, const TuneRecord* tune, int titleIndex,
                         const FormatOptions& opts, const FormatEnv* env,
                         const std::vector<std::string>& extraTexts) {
  std::string out;
  ExpandFormat(out, format, tune, titleIndex, opts, env, extraTexts);
  return out;
}

namespace {

// Splits a formatted date into digit runs and the text between them.
struct DateTokens {
  std::vector<std::string_view> parts;  // alternating; digit runs flagged below
  std::vector<bool> numeric;
};

DateTokens Tokenize(std::string_view text) {
  DateTokens tokens;
  size_t i = 0;
  while (i < text.size()) {
    bool digit = text[i] >= '0' && text[i] <= '9';
    size_t j = i;
    while (j < text.size() && (text[j] >= '0' && text[j] <= '9') == digit) ++j;
    tokens.parts.push_back(text.substr(i, j - i));
    tokens.numeric.push_back(digit);
    i = j;
  }
  return tokens;
}

}  // namespace

std::string DatePatternFromSamples(std::string_view sample, std::string_view early) {
  DateTokens a = Tokenize(sample);
  DateTokens b = Tokenize(early);
  if (a.parts.size() != b.parts.size()) return "";
  std::string pattern;
  int years = 0, months = 0, days = 0;
  for (size_t k = 0; k < a.parts.size(); ++k) {
    std::string_view part = a.parts[k];
    if (a.numeric[k] != b.numeric[k]) return "";
    if (!a.numeric[k]) {
      for (char c : part) {
        unsigned char u = static_cast<unsigned char>(c);
        // Names of months or days, or other letters, do not fit a numeric pattern.
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 128) return "";
      }
      pattern.append(part);
    } else if (part == "2033" || part == "33") {
      pattern.append(part.size() == 4 ? "yyyy" : "yy");
      ++years;
    } else if (part == "11") {
      pattern.append(b.parts[k].size() == 2 ? "mm" : "m");
      ++months;
    } else if (part == "22") {
      pattern.append(b.parts[k].size() == 2 ? "dd" : "d");
      ++days;
    } else {
      return "";
    }
  }
  if (years != 1 || months != 1 || days != 1) return "";
  return pattern;
}

std::string LocaleShortDatePattern() {
  try {
    std::locale locale("");
    auto format = [&locale](int month, int day, int weekday, int yearDay) {
      std::tm date{};
      date.tm_year = 2033 - 1900;
      date.tm_mon = month - 1;
      date.tm_mday = day;
      date.tm_wday = weekday;
      date.tm_yday = yearDay;
      std::ostringstream stream;
      stream.imbue(locale);
      stream << std::put_time(&date, "%x");
      return stream.str();
    };
    std::string pattern = DatePatternFromSamples(format(11, 22, 2, 325), format(1, 5, 3, 4));
    if (!pattern.empty()) return pattern;
  } catch (const std::exception&) {
    // An unknown or broken locale setting: fall back to the default.
  }
  return std::string(kDefaultDatePattern);
}

std::string BuildOutputFieldCode(const OutputFieldChoice& choice) {
  static constexpr char kNewlineFlags[] = {0, ';', '/', '_', ':'};
  static constexpr char kLineFlags[] = {0, '#', '*'};
  std::string code = "%";
  if (choice.newlines > 0 && choice.newlines < 5) code.push_back(kNewlineFlags[choice.newlines]);
  if (choice.lines > 0 && choice.lines < 3) code.push_back(kLineFlags[choice.lines]);
  if (choice.rightAdjust) code.push_back('+');
  if (choice.leadingZeros) code.push_back('0');
  if (choice.minWidth > 0) AppendInt(code, choice.minWidth);
  if (choice.maxWidth > 0) {
    code.push_back('.');
    AppendInt(code, choice.maxWidth);
  }
  code.push_back(choice.field);
  return code;
}

}  // namespace tunora
