#include "lists/ListType.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "base/Ascii.h"
#include "base/FileIO.h"

namespace tunora {

namespace {

enum class Kind { kText, kNumber, kYesNo };

struct Key {
  const char* name;
  Kind kind;
  void* value;
};

// The keys in the order the file is written.
std::vector<Key> KeysOf(ListType& t) {
  return {{"listType", Kind::kText, &t.listType},
          {"createdBy", Kind::kText, &t.createdBy},
          {"pageLines", Kind::kNumber, &t.pageLines},
          {"noSplitTune", Kind::kYesNo, &t.noSplitTune},
          {"pageBreak", Kind::kText, &t.pageBreak},
          {"pageBreakFF", Kind::kYesNo, &t.pageBreakFF},
          {"findWin", Kind::kYesNo, &t.findWin},
          {"oneTitle", Kind::kYesNo, &t.oneTitle},
          {"match", Kind::kText, &t.match},
          {"sortOrder", Kind::kText, &t.sortOrder},
          {"changeSort", Kind::kYesNo, &t.changeSort},
          {"changeMatch", Kind::kYesNo, &t.changeMatch},
          {"inputFile", Kind::kText, &t.inputFile},
          {"subdir", Kind::kYesNo, &t.subdir},
          {"outputFormat", Kind::kText, &t.outputFormat},
          {"htmlChar", Kind::kYesNo, &t.htmlChar},
          {"texChar", Kind::kYesNo, &t.texChar},
          {"outFile", Kind::kText, &t.outFile},
          {"changeOutFile", Kind::kYesNo, &t.changeOutFile},
          {"oneFilePerTune", Kind::kYesNo, &t.oneFilePerTune},
          {"openOutput", Kind::kYesNo, &t.openOutput},
          {"headerFirst", Kind::kText, &t.headerFirst},
          {"header", Kind::kText, &t.header},
          {"footer", Kind::kText, &t.footer},
          {"footerLast", Kind::kText, &t.footerLast},
          {"subHeader1", Kind::kText, &t.subHeader[0]},
          {"subHeader2", Kind::kText, &t.subHeader[1]},
          {"subHeader3", Kind::kText, &t.subHeader[2]},
          {"subHeader4", Kind::kText, &t.subHeader[3]},
          {"information", Kind::kText, &t.information}};
}

bool IsKeyChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-';
}

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  // Skips blanks, TABs, line ends and "//" comments.
  void Skip() {
    while (at_ < s_.size()) {
      const char c = s_[at_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++at_;
      } else if (c == '/' && at_ + 1 < s_.size() && s_[at_ + 1] == '/') {
        while (at_ < s_.size() && s_[at_] != '\n') ++at_;
      } else {
        break;
      }
    }
  }
  bool End() const { return at_ >= s_.size(); }
  char Peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
  void Next() { ++at_; }
  std::string_view Word() {
    const size_t from = at_;
    while (at_ < s_.size() && IsKeyChar(s_[at_])) ++at_;
    return s_.substr(from, at_ - from);
  }
  // The value up to the next ";" outside double quotes; the ";" is consumed.
  std::string_view Value() {
    const size_t from = at_;
    bool quoted = false;
    while (at_ < s_.size()) {
      const char c = s_[at_];
      if (quoted && c == '\\') {
        at_ += 2;
        continue;
      }
      if (c == '"') quoted = !quoted;
      if (c == ';' && !quoted) break;
      ++at_;
    }
    const size_t end = std::min(at_, s_.size());
    if (at_ < s_.size()) ++at_;
    return s_.substr(from, end - from);
  }

 private:
  std::string_view s_;
  size_t at_ = 0;
};

std::string UnquoteText(std::string_view v) {
  while (!v.empty() &&
         (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n'))
    v.remove_suffix(1);
  std::string out;
  if (v.empty() || v.front() != '"') {
    out.assign(v);  // a bare word is taken as it stands
    return out;
  }
  for (size_t i = 1; i < v.size(); ++i) {
    const char c = v[i];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= v.size()) break;
    switch (v[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += "\\t"; break;  // turned into a TAB when the text is written out
      default: out += v[i]; break;
    }
  }
  return out;
}

unsigned ReadNumber(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
  unsigned long long n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    n = n * 10 + static_cast<unsigned>(v[i] - '0');
    if (n > std::numeric_limits<unsigned>::max()) return std::numeric_limits<unsigned>::max();
  }
  return static_cast<unsigned>(n);
}

void SetKey(ListType& type, std::string_view key, std::string_view value) {
  for (const Key& k : KeysOf(type)) {
    if (key != k.name) continue;
    switch (k.kind) {
      case Kind::kText: *static_cast<std::string*>(k.value) = UnquoteText(value); break;
      case Kind::kNumber: *static_cast<unsigned*>(k.value) = ReadNumber(value); break;
      case Kind::kYesNo:
        *static_cast<bool*>(k.value) = !value.empty() && (value[0] == 'Y' || value[0] == 'y');
        break;
    }
    return;
  }
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

// Configuration files are small; anything larger is not one.
constexpr size_t kMaxConfigBytes = 4 * 1024 * 1024;

}  // namespace

bool ReadListType(std::string_view text, ListType& type, std::string& error) {
  Reader r(text);
  int blocks = 0;
  for (;;) {
    r.Skip();
    if (r.End()) break;
    const std::string_view word = r.Word();
    if (word != "list") {
      if (blocks == 0) {
        error = "This is not a list type file: it does not begin with \"list {\".";
        return false;
      }
      break;  // text after the blocks is ignored
    }
    r.Skip();
    if (r.Peek() != '{') {
      error = "\"{\" missing after \"list\".";
      return blocks > 0;
    }
    r.Next();
    ++blocks;
    for (;;) {
      r.Skip();
      if (r.End()) return true;  // a block without its "}" keeps what it held
      if (r.Peek() == '}') {
        r.Next();
        break;
      }
      const std::string_view key = r.Word();
      if (key.empty()) {
        r.Value();  // not a key: skipped up to the next ";"
        continue;
      }
      r.Skip();
      SetKey(type, key, r.Value());
    }
  }
  if (blocks == 0) {
    error = "This is not a list type file: it holds no \"list {\" block.";
    return false;
  }
  return true;
}

std::string EscapeListText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"':
      case ';':
      case '\\':
        out += '\\';
        out += c;
        break;
      default: out += c; break;
    }
  }
  return out;
}

std::string WriteListType(const ListType& type) {
  std::string out = "// Tunora list type configuration. Do not edit.\r\nlist {\r\n";
  for (const Key& k : KeysOf(const_cast<ListType&>(type))) {
    out += '\t';
    out += k.name;
    out += ' ';
    switch (k.kind) {
      case Kind::kText:
        out += '"' + EscapeListText(*static_cast<const std::string*>(k.value)) + '"';
        break;
      case Kind::kNumber: out += std::to_string(*static_cast<const unsigned*>(k.value)); break;
      case Kind::kYesNo: out += *static_cast<const bool*>(k.value) ? 'Y' : 'N'; break;
    }
    out += ";\r\n";
  }
  out += "}\r\n";
  return out;
}

std::vector<ListTypeEntry> ReadListRegistry(std::string_view text) {
  std::vector<std::string_view> lines = Lines(text);
  std::vector<ListTypeEntry> entries;
  size_t i = 0;
  if (!lines.empty() && lines[0] == "Do not edit this file.") i = 1;
  for (; i + 1 < lines.size(); i += 2) {
    if (lines[i].empty() && lines[i + 1].empty()) continue;
    entries.push_back({std::string(lines[i]), std::string(lines[i + 1])});
  }
  return entries;
}

std::string WriteListRegistry(const std::vector<ListTypeEntry>& entries) {
  std::string out = "Do not edit this file.\r\n";
  for (const ListTypeEntry& e : entries) out += e.name + "\r\n" + e.file + "\r\n";
  return out;
}

int FindListType(const std::vector<ListTypeEntry>& entries, std::string_view name) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (EqualNoCase(entries[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::string CheckListTypeNames(const std::string& name, std::string& file) {
  if (name.empty() || file.empty()) return "You must enter a list type and file name.";
  if (file.find_first_of("\\/:*?\"<>|") != std::string::npos)
    return "File name may not contain one of\n\\/:*?\"<>|";
  if (file == "." || file == "..") return "You must enter a list type and file name.";
  if (file.find('.') == std::string::npos) file += ".cfg";
  return {};
}

std::string CannotWriteMessage(const std::string& path) { return "Cannot write file " + path; }

std::string ListTypePath(const std::string& programDir, const std::string& file) {
  return programDir + std::string(kListTypeFolder) + "/" + file;
}

std::vector<ListTypeEntry> LoadListRegistry(const std::string& programDir) {
  std::string text, error;
  if (!ReadFileLimited(programDir + std::string(kListRegistryFile), kMaxConfigBytes, text, error))
    return {};
  return ReadListRegistry(text);
}

bool SaveListRegistry(const std::string& programDir, const std::vector<ListTypeEntry>& entries,
                      std::string& error) {
  const std::string path = programDir + std::string(kListRegistryFile);
  std::string why;
  if (WriteFileAtomically(path, WriteListRegistry(entries), why)) return true;
  error = CannotWriteMessage(path);
  return false;
}

bool LoadListTypeFile(const std::string& path, ListType& type, std::string& error) {
  std::string text;
  if (!ReadFileLimited(path, kMaxConfigBytes, text, error)) return false;
  if (text.size() > kMaxConfigBytes) {
    error = path + ": too large for a list type file";
    return false;
  }
  if (!ReadListType(text, type, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool LoadListType(const std::string& programDir, const std::string& file, ListType& type,
                  std::string& error) {
  type = ListType{};
  type.file = file;
  return LoadListTypeFile(ListTypePath(programDir, file), type, error);
}

bool SaveListType(const std::string& programDir, const ListType& type, std::string& error) {
  const std::string path = ListTypePath(programDir, type.file);
  std::string why;
  if (WriteFileAtomically(path, WriteListType(type), why)) return true;
  error = CannotWriteMessage(path);
  return false;
}

}  // namespace tunora
