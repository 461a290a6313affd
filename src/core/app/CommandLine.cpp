#include "app/CommandLine.h"

#include "base/Ascii.h"

namespace tunora {

namespace {

// "/s" and "-s" are options. Absolute paths begin with a slash too: a word
// beginning with "/" that holds a second slash or a dot is a path.
bool IsOptionWord(const std::string& word) {
  if (word.size() < 2 || !IsLetter(word[1])) return false;
  if (word[0] == '-') return true;
  return word[0] == '/' && word.find_first_of("/.", 1) == std::string::npos;
}
}  // namespace

CommandLineInfo ParseCommandLine(const std::vector<std::string>& words) {
  CommandLineInfo info;
  size_t i = 0;
  while (i < words.size()) {
    const std::string& word = words[i];
    if (word == "--home") {
      if (i + 1 < words.size()) info.home = words[i + 1];
      i += 2;
      continue;
    }
    if (word.rfind("--home=", 0) == 0) {
      info.home = word.substr(7);
      ++i;
      continue;
    }
    if (word.empty()) {
      ++i;
      continue;
    }
    info.empty = false;
    if (!IsOptionWord(word)) {
      info.fileToOpen = word;
      break;
    }
    switch (Lower(word[1])) {
      case 's': info.banner = false; break;
      case 'w':
        info.banner = false;
        info.playerOnly = true;
        if (i + 1 < words.size()) info.playerFile = words[++i];
        break;
      case 'm': info.noSave = true; break;
      case 'd': info.midiDebug = true; break;
      case 'b':
        if (i + 1 < words.size()) ++i;  // the word after /b is read and not used
        break;
      case 'e': break;
      default: info.ignored.push_back(word); break;
    }
    ++i;
  }
  return info;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  size_t p = 0;
  while (p < line.size()) {
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    size_t start = p;
    while (p < line.size() && line[p] != ' ' && line[p] != '\t') ++p;
    if (p > start) words.emplace_back(line.substr(start, p - start));
  }
  return words;
}

}  // namespace tunora
