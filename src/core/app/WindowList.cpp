#include "app/WindowList.h"

#include <climits>
#include <cstdio>

#include "base/IniFile.h"

namespace tunora {

namespace {

// Reads an optionally signed decimal number; false when there are no digits or
// it does not fit in an int.
bool ReadNumber(std::string_view text, size_t& p, long long& value) {
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
  size_t start = p;
  long long v = 0;
  while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
    v = v * 10 + (text[p] - '0');
    if (v > 4294967295LL) return false;
    ++p;
  }
  if (p == start) return false;
  value = negative ? -v : v;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  return true;
}

std::string Key(std::string_view name, int n) { return std::string(name) + std::to_string(n); }

}  // namespace

std::string FormatPlacement(const WindowPlacement& w) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", w.flags, w.showCmd, w.minX,
                w.minY, w.maxX, w.maxY, w.left, w.top, w.right, w.bottom);
  return buffer;
}

std::optional<WindowPlacement> ParsePlacement(std::string_view text) {
  long long v[10];
  size_t p = 0;
  for (int i = 0; i < 10; ++i) {
    if (!ReadNumber(text, p, v[i])) return std::nullopt;
    if (i < 2 ? v[i] < 0 : (v[i] < INT_MIN || v[i] > INT_MAX)) return std::nullopt;
    if (i < 9) {
      if (p >= text.size() || text[p] != ',') return std::nullopt;
      ++p;
    }
  }
  if (p != text.size()) return std::nullopt;
  WindowPlacement w;
  w.flags = static_cast<unsigned>(v[0]);
  w.showCmd = static_cast<unsigned>(v[1]);
  w.minX = static_cast<int>(v[2]);
  w.minY = static_cast<int>(v[3]);
  w.maxX = static_cast<int>(v[4]);
  w.maxY = static_cast<int>(v[5]);
  w.left = static_cast<int>(v[6]);
  w.top = static_cast<int>(v[7]);
  w.right = static_cast<int>(v[8]);
  w.bottom = static_cast<int>(v[9]);
  return w;
}

std::string FormatWindowDoc(const WindowDoc& doc) {
  switch (doc.kind) {
    case WindowDoc::Kind::kTuneList: return doc.path + "?" + std::to_string(doc.line);
    case WindowDoc::Kind::kEditor:
      return "?" + std::to_string(doc.position) + "?" + doc.path + "?" + (doc.raw ? "1" : "0");
    case WindowDoc::Kind::kPlayer: return "?p?0";
    case WindowDoc::Kind::kFileSearch: return "?f?0";
  }
  return {};
}

std::optional<WindowDoc> ParseWindowDoc(std::string_view text) {
  if (text.empty()) return std::nullopt;
  WindowDoc doc;
  if (text[0] != '?') {
    // A path, optionally followed by "?" and a line number. Paths do not hold
    // "?" as the program writes them; the last "?" separates the number.
    doc.kind = WindowDoc::Kind::kTuneList;
    size_t q = text.rfind('?');
    doc.path = std::string(text.substr(0, q));
    if (q != std::string_view::npos) {
      size_t p = q + 1;
      long long line = 0;
      if (ReadNumber(text, p, line) && line > 0 && line <= INT_MAX)
        doc.line = static_cast<int>(line);
    }
    if (doc.path.empty()) return std::nullopt;
    return doc;
  }
  if (text.size() >= 2 && text[1] == 'p') {
    doc.kind = WindowDoc::Kind::kPlayer;
    return doc;
  }
  if (text.size() >= 2 && text[1] == 'f') {
    doc.kind = WindowDoc::Kind::kFileSearch;
    return doc;
  }
  // "?position?path?raw": the path runs to the last "?".
  doc.kind = WindowDoc::Kind::kEditor;
  size_t p = 1;
  long long position = 0;
  if (!ReadNumber(text, p, position) || position < 1 || position > INT_MAX) return std::nullopt;
  if (p >= text.size() || text[p] != '?') return std::nullopt;
  ++p;
  size_t last = text.rfind('?');
  if (last < p) last = std::string_view::npos;
  doc.position = static_cast<unsigned>(position);
  doc.path = std::string(text.substr(p, last == std::string_view::npos ? text.npos : last - p));
  if (last != std::string_view::npos) doc.raw = text.substr(last + 1) == "1";
  if (doc.path.empty()) return std::nullopt;
  return doc;
}

void WriteWindowList(IniFile& ini, const std::vector<SavedWindow>& windows, int active) {
  int count = static_cast<int>(windows.size());
  for (int n = 1; n <= count; ++n) {
    ini.WriteString(kWindowsSection, Key("WinPos", n), FormatPlacement(windows[n - 1].placement));
    ini.WriteString(kWindowsSection, Key("WinDoc", n), FormatWindowDoc(windows[n - 1].doc));
  }
  // Keys of a longer earlier list would otherwise come back with it.
  for (int n = count + 1;; ++n) {
    bool pos = ini.DeleteKey(kWindowsSection, Key("WinPos", n));
    bool doc = ini.DeleteKey(kWindowsSection, Key("WinDoc", n));
    if (!pos && !doc) break;
  }
  ini.WriteInt(kWindowsSection, "WinCount", count);
  ini.WriteInt(kWindowsSection, "Active", active >= 0 && active <= count ? active : 0);
}

SavedWindowList ReadWindowList(const IniFile& ini) {
  SavedWindowList list;
  int count = ini.GetInt(kWindowsSection, "WinCount", 0);
  list.active = ini.GetInt(kWindowsSection, "Active", 0);
  // A damaged count must not make start-up walk millions of keys.
  constexpr int kMaxWindows = 1000;
  if (count > kMaxWindows) count = kMaxWindows;
  for (int n = 1; n <= count; ++n) {
    std::string pos = ini.GetString(kWindowsSection, Key("WinPos", n), "");
    std::string docText = ini.GetString(kWindowsSection, Key("WinDoc", n), "");
    if (pos.empty() || docText.empty()) continue;
    auto placement = ParsePlacement(pos);
    auto doc = ParseWindowDoc(docText);
    if (!placement || !doc) continue;
    list.windows.push_back({*placement, *doc});
    list.numbers.push_back(n);
  }
  return list;
}

std::optional<WindowPlacement> ReadMainPlacement(const IniFile& ini) {
  std::string text = ini.GetString(kWindowsSection, "WinPos", "");
  if (text.empty()) return std::nullopt;
  return ParsePlacement(text);
}

void WriteMainPlacement(IniFile& ini, const WindowPlacement& placement) {
  ini.WriteString(kWindowsSection, "WinPos", FormatPlacement(placement));
}

}  // namespace tunora
