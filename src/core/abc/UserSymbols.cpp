#include "abc/UserSymbols.h"

#include "tunefile/TuneRecord.h"

#include "base/FileIO.h"
#include "app/Settings.h"

namespace tunora {

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

void SkipBlanks(std::string_view t, size_t& i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
}

// Calls fn for every line of text (without its line end).
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  size_t i = 0;
  while (i < text.size()) {
    size_t e = i;
    while (e < text.size() && !IsLineEnd(text[e])) ++e;
    fn(text.substr(i, e - i));
    if (e < text.size() && text[e] == '\r') ++e;
    if (e < text.size() && text[e] == '\n') ++e;
    i = e;
  }
}

}  // namespace

bool UserSymbols::AddDefinition(int table, std::string_view line) {
  if (table != kDrawTable && table != kPlayTable) return false;
  size_t i = 0;
  SkipBlanks(line, i);
  if (i >= line.size()) return false;
  auto c = static_cast<unsigned char>(line[i]);
  if (!IsSymbolChar(c)) return false;
  ++i;
  SkipBlanks(line, i);
  if (i >= line.size() || line[i] != '=') return false;
  ++i;
  SkipBlanks(line, i);
  size_t e = i;
  while (e < line.size() && !IsLineEnd(line[e])) ++e;
  Entry(table, c).assign(line.substr(i, e - i));
  return true;
}

std::string& UserSymbols::Entry(int table, unsigned char c) {
  if (entries_.empty()) entries_.resize(256);
  const size_t k = Index(table, c);
  Mark(k);
  return entries_[k];
}

void UserSymbols::AddFromFieldText(int table, std::string_view text) {
  ForEachLine(text, [&](std::string_view line) { AddDefinition(table, line); });
}

void UserSymbols::LoadFromText(std::string_view text) {
  ForEachLine(text, [&](std::string_view line) {
    if (line.size() < 2 || line[1] != ':') return;
    if (line[0] == 'U') AddDefinition(kDrawTable, line.substr(2));
    if (line[0] == 'u') AddDefinition(kPlayTable, line.substr(2));
  });
}

bool UserSymbols::LoadFromFile(const std::string& path) {
  std::string bytes, error;
  if (!ReadWholeFile(path, bytes, error)) return false;
  LoadFromText(bytes);
  return true;
}

void UserSymbols::CopyFrom(const UserSymbols& other) {
  if (&other == this || other.entries_.empty()) return;
  if (entries_.empty()) entries_.resize(256);
  other.ForEachMarked([&](size_t k) {
    if (other.entries_[k].empty()) return;
    entries_[k] = other.entries_[k];
    Mark(k);
  });
}

std::string UserSymbols::AsText() const {
  std::string out;
  for (int c = 0; c < 128; ++c) {
    for (int table : {kDrawTable, kPlayTable}) {
      std::string_view e = Get(table, static_cast<unsigned char>(c));
      if (e.empty()) continue;
      out += table == kDrawTable ? "U: " : "u: ";
      out += static_cast<char>(c);
      out += " = ";
      out += e;
      out += "\r\n";
    }
  }
  return out;
}

bool UserSymbols::SaveToFile(const std::string& path, std::string& error) const {
  return WriteFileAtomically(path, AsText(), error);
}

void UserSymbols::Clear() {
  ForEachMarked([&](size_t k) { entries_[k].clear(); });
  marked_ = {};
}

bool UserSymbols::Empty() const {
  bool empty = true;
  ForEachMarked([&](size_t k) { empty = empty && entries_[k].empty(); });
  return empty;
}

UserSymbols& UserSymbols::Application() {
  static UserSymbols set;
  return set;
}

void ConnectUserSymbols(SettingsDataHooks& hooks, UserSymbols& set) {
  hooks.loadUserSymbols = [&set](const std::string& path) {
    set.Clear();
    set.LoadFromFile(path);
  };
  hooks.saveUserSymbols = [&set](const std::string& path) {
    std::string error;
    return set.SaveToFile(path, error);
  };
}

std::string TuneSymbolLines(const TuneRecord& tune) {
  std::string lines;
  for (char tag : {'U', 'u', 'I'}) {
    const std::string& value = tune.FieldText(tag);
    size_t i = 0;
    while (i < value.size()) {
      size_t e = value.find_first_of("\r\n", i);
      if (e == std::string::npos) e = value.size();
      lines += tag;
      lines += ':';
      lines.append(value, i, e - i);
      lines += "\r\n";
      i = value.find_first_not_of("\r\n", e);
      if (i == std::string::npos) break;
    }
  }
  return lines;
}

}  // namespace tunora
