#include "app/Association.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/Ascii.h"
#include "base/FileIO.h"

namespace tunora {

namespace fs = std::filesystem;

namespace {

// Key files this small are all that is read; anything bigger is not one of ours.
constexpr size_t kKeyFileLimit = 1u << 20;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::vector<std::string> SplitPathList(const std::string& list) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= list.size()) {
    size_t colon = list.find(':', start);
    if (colon == std::string::npos) colon = list.size();
    std::string part = list.substr(start, colon - start);
    // Relative entries are invalid and ignored.
    if (!part.empty() && part.front() == '/') parts.push_back(part);
    start = colon + 1;
  }
  return parts;
}

std::string ReadKeyFile(const std::string& path) {
  std::string bytes, error;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return "";
  if (!ReadFileLimited(path, kKeyFileLimit, bytes, error)) return "";
  return bytes;
}

// Calls visit(lineStart, lineEnd, sectionOfLine, key, value) for each line.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  std::string_view section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimSpace(text.substr(pos, end - pos));
    std::string_view key, value;
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
    } else if (!line.empty() && line.front() != '#') {
      size_t eq = line.find('=');
      if (eq != std::string_view::npos) {
        key = TrimSpace(line.substr(0, eq));
        value = TrimSpace(line.substr(eq + 1));
      }
    }
    visit(pos, end, section, key, value, line);
    pos = end + 1;
  }
}

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start < value.size()) {
    size_t semi = value.find(';', start);
    if (semi == std::string_view::npos) semi = value.size();
    std::string_view item = TrimSpace(value.substr(start, semi - start));
    if (!item.empty()) items.emplace_back(item);
    start = semi + 1;
  }
  return items;
}

// The mimeapps.list files in the order they count.
std::vector<std::string> MimeAppsLists(const XdgDirs& dirs) {
  std::vector<std::string> lists{dirs.configHome + "/mimeapps.list"};
  for (const std::string& d : dirs.configDirs) lists.push_back(d + "/mimeapps.list");
  lists.push_back(dirs.dataHome + "/applications/mimeapps.list");
  for (const std::string& d : dirs.dataDirs) lists.push_back(d + "/applications/mimeapps.list");
  return lists;
}

// The path of an installed desktop entry, "" when none has that id.
std::string FindDesktopFile(const XdgDirs& dirs, const std::string& id) {
  if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..") return "";
  std::vector<std::string> roots{dirs.dataHome};
  roots.insert(roots.end(), dirs.dataDirs.begin(), dirs.dataDirs.end());
  std::error_code ec;
  for (const std::string& root : roots) {
    std::string path = root + "/applications/" + id;
    if (fs::is_regular_file(path, ec)) return path;
  }
  return "";
}

// The default program of the type: the first listed entry that is installed.
std::string DefaultDesktopId(const XdgDirs& dirs) {
  for (const std::string& list : MimeAppsLists(dirs)) {
    std::string text = ReadKeyFile(list);
    for (const std::string& id :
         SplitList(KeyFileValue(text, "Default Applications", kAbcMimeType))) {
      if (!FindDesktopFile(dirs, id).empty()) return id;
    }
  }
  return "";
}

// The program an Exec word names: a word without "/" is looked up in PATH.
std::string ExecProgram(const std::string& word) {
  if (word.find('/') != std::string::npos) return word;
  std::string path = Env("PATH");
  size_t start = 0;
  std::error_code ec;
  while (start <= path.size()) {
    size_t colon = path.find(':', start);
    if (colon == std::string::npos) colon = path.size();
    std::string dir = path.substr(start, colon - start);
    if (!dir.empty() && fs::is_regular_file(dir + "/" + word, ec)) return dir + "/" + word;
    start = colon + 1;
  }
  return word;
}

bool ExecIsProgram(std::string_view exec, const std::string& programPath) {
  std::vector<std::string> words = DesktopExecWords(exec);
  if (words.empty()) return false;
  if (words.front() == programPath) return true;
  // The same file under another name (a link, or found through PATH).
  std::error_code ec;
  std::string program = ExecProgram(words.front());
  return fs::exists(program, ec) && fs::equivalent(program, programPath, ec) && !ec;
}

bool WriteFile(const std::string& path, std::string_view bytes, std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  return WriteFileAtomically(path, bytes, error);
}

// Adds the text with key's list in [section] holding id (kept when it is there).
std::string WithListEntry(const std::string& text, std::string_view section, std::string_view key,
                          const std::string& id, bool first) {
  std::vector<std::string> items = SplitList(KeyFileValue(text, section, key));
  std::string value;
  if (first) value = id + ";";
  for (const std::string& item : items) {
    if (item != id) value += item + ";";
  }
  if (!first) value += id + ";";
  return SetKeyFileValue(text, section, key, value);
}

}  // namespace

XdgDirs XdgDirsFromProcess() {
  XdgDirs dirs;
  std::string home = Env("HOME");
  std::string dataHome = Env("XDG_DATA_HOME"), configHome = Env("XDG_CONFIG_HOME");
  dirs.dataHome = !dataHome.empty() && dataHome.front() == '/' ? dataHome : home + "/.local/share";
  dirs.configHome =
      !configHome.empty() && configHome.front() == '/' ? configHome : home + "/.config";
  dirs.dataDirs = SplitPathList(Env("XDG_DATA_DIRS"));
  if (dirs.dataDirs.empty()) dirs.dataDirs = {"/usr/local/share", "/usr/share"};
  dirs.configDirs = SplitPathList(Env("XDG_CONFIG_DIRS"));
  if (dirs.configDirs.empty()) dirs.configDirs = {"/etc/xdg"};
  return dirs;
}

std::string KeyFileValue(std::string_view text, std::string_view section, std::string_view key) {
  std::string found;
  bool have = false;
  ForEachLine(text, [&](size_t, size_t, std::string_view s, std::string_view k, std::string_view v,
                        std::string_view) {
    if (!have && s == section && k == key) {
      found = std::string(v);
      have = true;
    }
  });
  return found;
}

std::string SetKeyFileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value) + "\n";
  size_t replaceStart = std::string_view::npos, replaceEnd = 0;
  size_t sectionEnd = std::string_view::npos;  // after the section's last nonblank line
  ForEachLine(text, [&](size_t start, size_t end, std::string_view s, std::string_view k,
                        std::string_view, std::string_view content) {
    if (s != section) return;
    if (k == key && replaceStart == std::string_view::npos) {
      replaceStart = start;
      replaceEnd = end;
    }
    if (!content.empty()) sectionEnd = std::min(end + 1, text.size());
  });
  std::string result(text);
  if (replaceStart != std::string_view::npos) {
    line.pop_back();
    return result.replace(replaceStart, replaceEnd - replaceStart, line);
  }
  if (sectionEnd != std::string_view::npos) {
    if (sectionEnd == result.size() && !result.empty() && result.back() != '\n') {
      result += '\n';
      sectionEnd = result.size();
    }
    return result.insert(sectionEnd, line);
  }
  if (!result.empty() && result.back() != '\n') result += '\n';
  if (!result.empty()) result += '\n';
  return result + "[" + std::string(section) + "]\n" + line;
}

std::vector<std::string> DesktopExecWords(std::string_view exec) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '"') {
      inWord = true;
      for (++i; i < exec.size() && exec[i] != '"'; ++i) {
        if ((exec[i] == '\\' || (exec[i] == '%' && exec.substr(i + 1, 1) == "%")) &&
            i + 1 < exec.size()) {
          ++i;
        }
        word += exec[i];
      }
    } else {
      inWord = true;
      if (c == '%' && exec.substr(i + 1, 1) == "%") ++i;
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::string DesktopExecWord(const std::string& programPath) {
  bool plain = programPath.find_first_of(" \t\n\"'\\><~|&;$*?#()`%=") == std::string::npos;
  if (plain) return programPath;
  std::string word = "\"";
  for (char c : programPath) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') word += '\\';
    word += c;
    if (c == '%') word += '%';  // a literal percent sign is doubled
  }
  return word + "\"";
}

std::string DesktopEntryText(const std::string& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Tunora\n"
         "GenericName=Tune Collection Editor\n"
         "Comment=Keep, play and print folk tune collections in ABC notation\n"
         "Exec=" +
         DesktopExecWord(programPath) +
         " %f\n"
         "Icon=tunora\n"
         "Terminal=false\n"
         "MimeType=text/vnd.abc;\n"
         "Categories=AudioVideo;Audio;Music;\n"
         "Keywords=ABC;folk;tune;music;notation;MIDI;\n";
}

std::string AbcMimeInfoText() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"text/vnd.abc\">\n"
         "    <comment>ABC tune file</comment>\n"
         "    <sub-class-of type=\"text/plain\"/>\n"
         "    <icon name=\"tunora\"/>\n"
         "    <glob pattern=\"*.abc\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

AssociationInfo CheckAssociation(const XdgDirs& dirs, const std::string& programPath) {
  AssociationInfo info;
  info.otherProgram = "no program";
  std::string id = DefaultDesktopId(dirs);
  std::string entry = id.empty() ? "" : ReadKeyFile(FindDesktopFile(dirs, id));
  std::string exec = KeyFileValue(entry, "Desktop Entry", "Exec");
  if (!exec.empty()) {
    info.ok = true;
    if (id == kDesktopId && ExecIsProgram(exec, programPath)) {
      info.otherProgram.clear();
    } else {
      std::string name = KeyFileValue(entry, "Desktop Entry", "Name");
      info.otherProgram = name.empty() ? exec : name;
    }
  }
  // "Open with": this program's entry listed among the added programs.
  std::string ours = ReadKeyFile(FindDesktopFile(dirs, std::string(kDesktopId)));
  if (ExecIsProgram(KeyFileValue(ours, "Desktop Entry", "Exec"), programPath)) {
    for (const std::string& list : MimeAppsLists(dirs)) {
      for (const std::string& added :
           SplitList(KeyFileValue(ReadKeyFile(list), "Added Associations", kAbcMimeType))) {
        if (added == kDesktopId) info.openWithPresent = true;
      }
    }
  }
  return info;
}

bool WriteAssociation(const XdgDirs& dirs, const std::string& programPath,
                      const std::string& iconFile, bool associate, bool addOpenWith,
                      std::string& error) {
  error.clear();
  // 1. The program's description, the file type and the icon.
  if (!WriteFile(dirs.dataHome + "/applications/" + std::string(kDesktopId),
                 DesktopEntryText(programPath), error) ||
      !WriteFile(dirs.dataHome + "/mime/packages/tunora.xml", AbcMimeInfoText(), error)) {
    return false;
  }
  if (!iconFile.empty()) {
    std::string svg;
    if (ReadFileLimited(iconFile, kKeyFileLimit, svg, error) &&
        !WriteFile(dirs.dataHome + "/icons/hicolor/scalable/apps/tunora.svg", svg, error)) {
      return false;
    }
    error.clear();  // a missing icon leaves the desktop's generic one
  }
  // 2. Another program's files stay its own unless the user said otherwise.
  const std::string listPath = dirs.configHome + "/mimeapps.list";
  std::string list = ReadKeyFile(listPath);
  std::string current = DefaultDesktopId(dirs);
  if (!current.empty() && current != kDesktopId && !associate) {
    if (!addOpenWith) return true;
    return WriteFile(
        listPath,
        WithListEntry(list, "Added Associations", kAbcMimeType, std::string(kDesktopId), false),
        error);
  }
  // 3. This program opens .abc files.
  list = SetKeyFileValue(list, "Default Applications", kAbcMimeType, std::string(kDesktopId) + ";");
  list = WithListEntry(list, "Added Associations", kAbcMimeType, std::string(kDesktopId), true);
  return WriteFile(listPath, list, error);
}

}  // namespace tunora
