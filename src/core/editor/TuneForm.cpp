#include "editor/TuneForm.h"

#include <algorithm>
#include <cstring>

#include "base/Ascii.h"
#include "tunefile/Fields.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Letters that can be a line of the form (not W, which holds the words).
bool IsFormLetter(char c) {
  if (c == 'u' || c == 'm') return true;
  return c >= 'A' && c <= 'Z' && c != 'W';
}

// Fields a tune holds one value of.
bool IsSingleValue(char c) { return std::strchr("XFKLMPQR", c) != nullptr && c != '\0'; }

bool IsTagStart(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || s[0] == 'u');
}

// The value of a form line for a record field.
std::optional<std::string> RecordValue(const TuneRecord& tune, char letter) {
  if (letter == 'X') return std::to_string(tune.number);
  if (letter == 'T') {
    std::string joined;
    for (size_t k = 0; k < tune.titles.size(); ++k) {
      if (k > 0) joined += kCrLf;
      joined += tune.titles[k];
    }
    return joined;
  }
  const std::optional<std::string>* f = tune.Field(letter);
  if (f == nullptr || !f->has_value()) return std::nullopt;
  return **f;
}

void AppendTagged(std::string& out, char letter, std::string_view value) {
  out += letter;
  out += ':';
  for (char c : value) {
    out += c;
    if (c == '\n') {
      out += letter;
      out += ':';
    }
  }
  out += kCrLf;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t k = 0; k < text.size(); ++k) {
    char c = text[k];
    if (c == '\r') {
      out += kCrLf;
      if (k + 1 < text.size() && text[k + 1] == '\n') ++k;
    } else if (c == '\n') {
      out += kCrLf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormLabel(char letter) {
  if (letter == '?') return "?:";
  if (const char* name = FieldShortName(letter)) return name;
  return std::string(1, letter) + ":";
}

bool IsMultiLine(std::string_view value) { return value.find('\n') != std::string_view::npos; }

int LineCountOf(std::string_view value) {
  return 1 + static_cast<int>(std::count(value.begin(), value.end(), '\n'));
}

FieldEditorKind EditorKindFor(char letter) {
  if (letter == 'R') return FieldEditorKind::kRhythm;
  if (std::strchr("XKLMQP", letter) != nullptr && letter != '\0')
    return FieldEditorKind::kSingleLine;
  return FieldEditorKind::kMultiLine;
}

std::optional<std::string> CleanFieldValue(char letter, std::string_view typed) {
  std::string text = WithCrLf(typed);
  if (letter == 'X') {
    std::string_view v = TrimSpace(text);
    if (v.empty()) return std::nullopt;
    for (char c : v)
      if (c < '0' || c > '9') return std::nullopt;
    return std::string(v);
  }
  if (letter != 'T') return std::string(TrimSpace(text));
  // Titles: no blank at the start of a line, nothing trailing, no empty lines.
  std::string out;
  out.reserve(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    bool lineStart = k == 0 || text[k - 1] == '\n';
    if (lineStart && text[k] == ' ') continue;
    out += text[k];
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\r' || out.back() == '\n'))
    out.pop_back();
  for (size_t k = out.find("\r\n\r\n"); k != std::string::npos; k = out.find("\r\n\r\n"))
    out.erase(k, 2);
  return out;
}

std::string FieldText(char letter, std::string_view value) {
  std::string out;
  AppendTagged(out, letter, value);
  return out;
}

std::string_view SkipLeadingSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::optional<FieldPiece> SplitFieldText(std::string_view text) {
  if (!IsTagStart(text)) return std::nullopt;
  return FieldPiece{text[0], std::string(text.substr(2))};
}

std::vector<FieldPiece> SplitPastedFields(std::string_view text) {
  std::vector<FieldPiece> pieces;
  text = SkipLeadingSpace(text);
  if (!IsTagStart(text)) return pieces;
  std::string all = WithCrLf(text);
  std::string_view rest(all);
  while (!rest.empty()) {
    size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf == std::string_view::npos ? rest.size() : lf + 1);
    rest.remove_prefix(line.size());
    if (IsTagStart(line)) {
      pieces.push_back({line[0], std::string(line.substr(2))});
    } else {
      pieces.back().value += line;
    }
  }
  // A value's own line break at its end belongs to the text, not to the value.
  for (FieldPiece& p : pieces) {
    while (!p.value.empty() && (p.value.back() == '\r' || p.value.back() == '\n'))
      p.value.pop_back();
  }
  return pieces;
}

// --- TuneForm ----------------------------------------------------------------------

TuneForm::TuneForm(std::string fieldOrder, std::string fieldExpanded)
    : fieldOrder_(std::move(fieldOrder)), fieldExpanded_(std::move(fieldExpanded)) {}

std::string TuneForm::DisplayOrder(const TuneRecord* tune) const {
  std::string order = "XT";
  auto add = [&](char c) {
    if (!IsFormLetter(c) || c == 'K' || order.find(c) != std::string::npos) return;
    order += c;
  };
  for (char c : fieldOrder_) add(c);
  if (tune != nullptr) {
    for (char c : std::string_view("mEIJYABCDFGHLMNOPQRSUVZu")) {
      if (order.find(c) == std::string::npos && tune->HasField(c)) add(c);
    }
  }
  order += 'K';
  return order;
}

int TuneForm::ExpandedIndex(char letter) const {
  if (letter == 'X') return 0;
  if (letter == 'T') return 1;
  if (letter == 'K') return static_cast<int>(fieldOrder_.size()) + 2;
  size_t at = fieldOrder_.find(letter);
  return at == std::string::npos ? -1 : static_cast<int>(at) + 2;
}

bool TuneForm::ExpandedByDefault(char letter) const {
  int index = ExpandedIndex(letter);
  return index >= 0 && static_cast<size_t>(index) < fieldExpanded_.size() &&
         fieldExpanded_[static_cast<size_t>(index)] == '1';
}

void TuneForm::Fill(const TuneRecord& tune) {
  lines.clear();
  for (char c : DisplayOrder(&tune)) {
    std::optional<std::string> value = RecordValue(tune, c);
    if (!value) continue;
    lines.push_back({c, std::move(*value), ExpandedByDefault(c)});
  }
}

int TuneForm::IndexOf(char letter) const {
  for (size_t k = 0; k < lines.size(); ++k)
    if (lines[k].letter == letter) return static_cast<int>(k);
  return -1;
}

std::string TuneForm::HeaderText() const {
  std::string out;
  for (const FormLine& line : lines) {
    if (line.letter == '?') continue;
    AppendTagged(out, line.letter, line.value);
  }
  return out;
}

std::string TuneForm::Rebuild(std::string_view body, std::string_view words) const {
  std::string out = HeaderText();
  out.reserve(out.size() + body.size() + words.size() * 2 + 8);
  out += body;
  if (!body.empty() && body.back() != '\n') out += kCrLf;
  // Line breaks after the last line of words would only give empty W: lines.
  while (!words.empty() && (words.back() == '\r' || words.back() == '\n')) words.remove_suffix(1);
  if (!words.empty()) AppendTagged(out, 'W', words);
  return out;
}

TuneForm::StoreResult TuneForm::Store(int index, std::string_view typed) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return StoreResult::kUnchanged;
  FormLine& line = lines[static_cast<size_t>(index)];
  std::optional<std::string> clean = CleanFieldValue(line.letter, typed);
  if (!clean) return StoreResult::kRejected;
  // An empty field goes even when it was empty before (a new line left empty).
  if (clean->empty() && std::strchr("XTKM", line.letter) == nullptr) {
    lines.erase(lines.begin() + index);
    return StoreResult::kRemoved;
  }
  if (*clean == line.value) return StoreResult::kUnchanged;
  line.value = std::move(*clean);
  return StoreResult::kChanged;
}

std::string TuneForm::ChooserLetters() const {
  std::string letters;
  for (char c : fieldOrder_) {
    if (!IsFormLetter(c) || c == 'E' || c == 'I' || c == 'X' || c == 'T' || c == 'K') continue;
    if (Has(c) || letters.find(c) != std::string::npos) continue;
    letters += c;
  }
  return letters;
}

int TuneForm::InsertPlaceholder(int current) {
  if (ChooserLetters().empty()) return -1;
  if (current >= static_cast<int>(lines.size())) current = -1;
  auto isXT = [&](int k) {
    return lines[static_cast<size_t>(k)].letter == 'X' ||
           lines[static_cast<size_t>(k)].letter == 'T';
  };
  int at;
  if (current >= 0 && isXT(current)) {
    bool onlyXT = std::all_of(lines.begin(), lines.end(),
                              [](const FormLine& l) { return l.letter == 'X' || l.letter == 'T'; });
    if (onlyXT) lines.push_back({'K', std::string(), ExpandedByDefault('K')});
    at = 0;
    while (at < static_cast<int>(lines.size()) && isXT(at)) ++at;
  } else if (current >= 0) {
    at = current;
  } else {
    at = static_cast<int>(lines.size());
    if (!lines.empty() && lines.back().letter == 'K') --at;
  }
  lines.insert(lines.begin() + at, FormLine{'?', std::string(), false});
  return at;
}

bool TuneForm::ChoosePlaceholder(int index, char letter, std::string value) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return false;
  FormLine& line = lines[static_cast<size_t>(index)];
  if (line.letter != '?') return false;
  line.letter = letter;
  line.value = std::move(value);
  line.expanded = ExpandedByDefault(letter);
  return true;
}

void TuneForm::DropPlaceholder(int index) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return;
  if (lines[static_cast<size_t>(index)].letter == '?') lines.erase(lines.begin() + index);
}

bool TuneForm::Cut(int index) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return false;
  char c = lines[static_cast<size_t>(index)].letter;
  if (c == 'X' || c == 'T' || c == 'K') return false;
  lines.erase(lines.begin() + index);
  return true;
}

int TuneForm::SetField(char letter, std::string_view text, bool append) {
  if (!IsFormLetter(letter)) return -1;
  std::optional<std::string> clean = CleanFieldValue(letter, text);
  if (!clean) return -1;
  int index = IndexOf(letter);
  if (index >= 0) {
    FormLine& line = lines[static_cast<size_t>(index)];
    if (append && !IsSingleValue(letter) && !line.value.empty()) {
      if (clean->empty()) return index;
      line.value += kCrLf;
      line.value += *clean;
    } else {
      line.value = std::move(*clean);
    }
    return index;
  }
  int at = static_cast<int>(lines.size());
  if (!lines.empty() && lines.back().letter == 'K' && letter != 'K') --at;
  // X and T lead the form.
  if (letter == 'X') at = 0;
  if (letter == 'T') at = !lines.empty() && lines.front().letter == 'X' ? 1 : 0;
  lines.insert(lines.begin() + at, FormLine{letter, std::move(*clean), ExpandedByDefault(letter)});
  return at;
}

// --- raw text ------------------------------------------------------------------------

std::string SetRawField(std::string_view raw, char letter, std::string_view value, bool append) {
  std::string text = WithCrLf(raw);
  std::string clean(TrimSpace(WithCrLf(value)));
  if (letter == 'X') {
    std::optional<std::string> x = CleanFieldValue('X', clean);
    if (!x) return text;
    clean = *x;
  }
  if (IsSingleValue(letter)) append = false;

  // The header: leading blank lines, then lines whose second character is ':'
  // (and comment lines among them), up to and including K:.
  struct Span {
    size_t begin, end;
  };
  std::vector<Span> fieldLines;  // lines of this letter
  size_t kLine = std::string::npos;
  size_t headerEnd = 0;
  size_t p = 0;
  while (p < text.size() && (text[p] == '\r' || text[p] == '\n')) ++p;
  headerEnd = p;
  while (p < text.size()) {
    size_t lf = text.find('\n', p);
    size_t next = lf == std::string::npos ? text.size() : lf + 1;
    bool letterFirst = (text[p] >= 'A' && text[p] <= 'Z') || (text[p] >= 'a' && text[p] <= 'z');
    bool field = next - p >= 2 && letterFirst && text[p + 1] == ':';
    if (!field && text[p] != '%') break;
    if (field && text[p] == 'K') {
      kLine = p;
      break;
    }
    if (field && text[p] == letter) fieldLines.push_back({p, next});
    p = next;
    headerEnd = next;
  }
  if (letter == 'K' && kLine != std::string::npos) {
    size_t lf = text.find('\n', kLine);
    fieldLines.push_back({kLine, lf == std::string::npos ? text.size() : lf + 1});
  }

  std::string lines = FieldText(letter, clean);
  if (fieldLines.empty()) {
    size_t at = kLine != std::string::npos ? kLine : headerEnd;
    // A last header line without its line break gets one first.
    if (at == text.size() && at > 0 && text.back() != '\n') {
      text += kCrLf;
      at = text.size();
    }
    text.insert(at, lines);
    return text;
  }
  if (append) {
    size_t at = fieldLines.back().end;
    if (at == text.size() && text.back() != '\n') {
      text += kCrLf;
      at = text.size();
    }
    text.insert(at, lines);
    return text;
  }
  // Replaced in place: the first line of the field takes the new lines, the
  // others go.
  for (size_t k = fieldLines.size(); k-- > 1;)
    text.erase(fieldLines[k].begin, fieldLines[k].end - fieldLines[k].begin);
  const Span& first = fieldLines.front();
  bool hadBreak = first.end > first.begin && text[first.end - 1] == '\n';
  if (!hadBreak) lines.resize(lines.size() - 2);
  text.replace(first.begin, first.end - first.begin, lines);
  return text;
}

}  // namespace tunora
