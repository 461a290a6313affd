#include "app/ExternalPrograms.h"

#include "base/IniFile.h"

namespace tunora {

namespace {

constexpr std::string_view kSection = "ExternProgram";

std::string Key(const char* name, int n) { return name + std::to_string(n); }

// A path inside double quotes, with the characters that are special there escaped,
// so that splitting gives the path back whole.
std::string QuotePath(std::string_view path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

void LoadExternalPrograms(const IniFile& ini, ExternalPrograms& programs) {
  for (int n = 0; n < kExternalProgramCount; ++n) {
    ExternalProgram& p = programs[static_cast<size_t>(n)];
    p.command = ini.GetString(kSection, Key("Command", n), "");
    p.menuText = ini.GetString(kSection, Key("MenuText", n), "");
    std::string flags = ini.GetString(kSection, Key("Flags", n), "0000000000");
    p.selectedTune = flags.size() > 0 && flags[0] == '1';
    p.shortNames = flags.size() > 1 && flags[1] == '1';
  }
}

void SaveExternalPrograms(IniFile& ini, const ExternalPrograms& programs) {
  for (int n = 0; n < kExternalProgramCount; ++n) {
    const ExternalProgram& p = programs[static_cast<size_t>(n)];
    ini.WriteString(kSection, Key("Command", n), p.command);
    ini.WriteString(kSection, Key("MenuText", n), p.menuText);
    std::string flags =
        std::string(1, p.selectedTune ? '1' : '0') + (p.shortNames ? '1' : '0') + "00000000";
    ini.WriteString(kSection, Key("Flags", n), flags);
  }
}

std::string ExternalProgramsProblem(const ExternalPrograms& programs) {
  if (programs[0].Defined()) return "";
  for (const ExternalProgram& p : programs) {
    if (p.Defined()) return "If you define external commands, you must start on number 1.";
  }
  return "";
}

ExpandResult ExpandExternalCommand(std::string_view line, const ExpandInput& input,
                                   std::string& out) {
  out.clear();
  const size_t room = kExternalCommandLimit - 1;  // the terminator takes one place
  auto append = [&](std::string_view text) {
    if (out.size() + text.size() > room) return false;
    out.append(text);
    return true;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c != '%' || i + 1 >= line.size()) {
      if (!append(std::string_view(&line[i], 1))) return ExpandResult::kTooLong;
      continue;
    }
    char what = line[++i];
    std::string replacement;
    if (what == '1') {
      replacement = input.shortNames ? input.path : QuotePath(input.path);
    } else if (what == '2') {
      replacement = input.tuneNumber;
    } else if (what == '?') {
      std::optional<std::string> typed = input.prompt ? input.prompt() : std::nullopt;
      if (!typed) return ExpandResult::kCancelled;
      replacement = *typed;
    } else {
      replacement = std::string(1, what);
    }
    if (!append(replacement)) return ExpandResult::kTooLong;
  }
  return ExpandResult::kOk;
}

std::vector<std::string> SplitShellWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) close = line.size();  // open quote: to the end
      word.append(line.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos) {
          ++i;
        }
        word += line[i];
      }
    } else if (c == '\\') {
      if (i + 1 < line.size()) word += line[++i];
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

}  // namespace tunora
