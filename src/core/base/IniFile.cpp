#include "base/IniFile.h"

#include "base/Ascii.h"
#include "base/FileIO.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>

namespace tunora {

namespace fs = std::filesystem;

namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool ValidSectionName(std::string_view s) {
  return !s.empty() && TrimBlanks(s).size() == s.size() && !HasLineBreak(s) &&
         s.find(']') == std::string_view::npos;
}

bool ValidKeyName(std::string_view s) {
  return !s.empty() && TrimBlanks(s).size() == s.size() && !HasLineBreak(s) &&
         s.find('=') == std::string_view::npos && s.front() != ';' && s.front() != '#' &&
         s.front() != '[';
}

bool Quoted(std::string_view s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

}  // namespace

IniFile::Line IniFile::ParseLine(std::string_view text) {
  Line line;
  line.raw = std::string(text);
  std::string_view t = TrimBlanks(text);
  if (t.empty()) {
    line.kind = Kind::kBlank;
  } else if (t.front() == ';' || t.front() == '#') {
    line.kind = Kind::kComment;
  } else if (t.front() == '[') {
    size_t close = t.rfind(']');
    std::string_view name =
        close == std::string_view::npos ? std::string_view() : TrimBlanks(t.substr(1, close - 1));
    if (name.empty()) {
      line.kind = Kind::kJunk;
    } else {
      line.kind = Kind::kSection;
      line.name = std::string(name);
      line.lower = LowerText(name);
    }
  } else {
    size_t eq = t.find('=');
    std::string_view key =
        eq == std::string_view::npos ? std::string_view() : TrimBlanks(t.substr(0, eq));
    if (key.empty()) {
      line.kind = Kind::kJunk;
    } else {
      line.kind = Kind::kKey;
      line.name = std::string(key);
      line.lower = LowerText(key);
      std::string_view value = TrimBlanks(t.substr(eq + 1));
      if (Quoted(value)) value = value.substr(1, value.size() - 2);
      line.value = std::string(value);
    }
  }
  return line;
}

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  warnings_.clear();
  modified_ = false;
  bom_ = text.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom_) text.remove_prefix(3);
  size_t firstNl = text.find('\n');
  crlf_ = firstNl != std::string_view::npos && firstNl > 0 && text[firstNl - 1] == '\r';

  bool inSection = false;
  size_t pos = 0;
  int number = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    std::string_view raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    ++number;

    Line line = ParseLine(raw);
    if (line.kind == Kind::kSection) inSection = true;
    // A key before the first section belongs to no section and is never read.
    if (line.kind == Kind::kJunk || (line.kind == Kind::kKey && !inSection)) {
      warnings_.push_back({number, line.raw});
    }
    lines_.push_back(std::move(line));
  }
}

std::string IniFile::Text() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string out;
  if (bom_) out = "\xEF\xBB\xBF";
  for (const Line& line : lines_) {
    out += line.raw;
    out += eol;
  }
  return out;
}

bool IniFile::Load(const std::string& path) {
  path_ = path;
  error_.clear();
  Parse({});
  std::error_code ec;
  if (fs::status(path, ec).type() == fs::file_type::not_found) return true;
  std::string content;
  if (!ReadWholeFile(path, content, error_)) return false;
  Parse(content);
  return true;
}

bool IniFile::Save() { return SaveAs(path_); }

bool IniFile::SaveAs(const std::string& path) {
  error_.clear();
  if (path.empty()) {
    error_ = "no file name";
    return false;
  }
  if (!WriteFileAtomically(path, Text(), error_)) return false;
  path_ = path;
  modified_ = false;
  return true;
}

int IniFile::FindSection(std::string_view lowerName) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && lines_[i].lower == lowerName) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

size_t IniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

int IniFile::FindKey(std::string_view section, std::string_view key) const {
  int header = FindSection(LowerText(section));
  if (header < 0) return -1;
  std::string lowerKey = LowerText(key);
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kKey && lines_[i].lower == lowerKey) return static_cast<int>(i);
  }
  return -1;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  return FindKey(section, key) >= 0;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view def) const {
  int i = FindKey(section, key);
  return i < 0 ? std::string(def) : lines_[i].value;
}

int IniFile::GetInt(std::string_view section, std::string_view key, int def) const {
  int i = FindKey(section, key);
  if (i < 0 || lines_[i].value.empty()) return def;
  std::string_view v = lines_[i].value;
  size_t p = 0;
  while (p < v.size() && IsBlank(v[p])) ++p;
  bool negative = false;
  if (p < v.size() && (v[p] == '+' || v[p] == '-')) negative = v[p++] == '-';
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int>::max()} + 1;
  int64_t n = 0;
  for (; p < v.size() && v[p] >= '0' && v[p] <= '9'; ++p) {
    n = std::min<int64_t>(n * 10 + (v[p] - '0'), kLimit);
  }
  if (negative) return static_cast<int>(-n);
  return static_cast<int>(std::min<int64_t>(n, std::numeric_limits<int>::max()));
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSectionName(section) || !ValidKeyName(key)) return false;

  std::string plain(value);
  std::replace(plain.begin(), plain.end(), '\r', ' ');
  std::replace(plain.begin(), plain.end(), '\n', ' ');
  std::string written = plain;
  if (!plain.empty() && (IsBlank(plain.front()) || IsBlank(plain.back()) || Quoted(plain))) {
    written = "\"" + plain + "\"";
  }

  int existing = FindKey(section, key);
  if (existing >= 0) {
    Line& line = lines_[existing];
    std::string raw = line.name + "=" + written;
    if (raw != line.raw) {
      line.raw = std::move(raw);
      line.value = std::move(plain);
      modified_ = true;
    }
    return true;
  }

  Line line;
  line.kind = Kind::kKey;
  line.name = std::string(key);
  line.lower = LowerText(key);
  line.value = std::move(plain);
  line.raw = line.name + "=" + written;
  modified_ = true;

  int header = FindSection(LowerText(section));
  if (header >= 0) {
    // After the last key of the section, so that comments and blank lines that
    // lead into the next section stay with it.
    size_t at = header + 1;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
      if (lines_[i].kind == Kind::kKey) at = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return true;
  }

  if (!lines_.empty() && lines_.back().kind != Kind::kBlank) lines_.push_back(Line{});
  Line head;
  head.kind = Kind::kSection;
  head.name = std::string(section);
  head.lower = LowerText(section);
  head.raw = "[" + head.name + "]";
  lines_.push_back(std::move(head));
  lines_.push_back(std::move(line));
  return true;
}

bool IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  int i = FindKey(section, key);
  if (i < 0) return false;
  lines_.erase(lines_.begin() + i);
  modified_ = true;
  return true;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  std::vector<std::string> seen;
  for (const Line& line : lines_) {
    if (line.kind != Kind::kSection) continue;
    if (std::find(seen.begin(), seen.end(), line.lower) != seen.end()) continue;
    seen.push_back(line.lower);
    names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> names;
  int header = FindSection(LowerText(section));
  if (header < 0) return names;
  std::vector<std::string> seen;
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind != Kind::kKey) continue;
    if (std::find(seen.begin(), seen.end(), line.lower) != seen.end()) continue;
    seen.push_back(line.lower);
    names.push_back(line.name);
  }
  return names;
}

}  // namespace tunora
