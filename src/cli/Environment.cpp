#include "Environment.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "abc/UserSymbols.h"
#include "base/IniFile.h"
#include "app/ProgramDir.h"
#include "lists/SettingsUse.h"
#include "draw/DrawSettings.h"
#include "play/StyleSet.h"

namespace tunora::cli {

void StderrSink::Message(std::string_view text) {
  std::fprintf(stderr, "tunora-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

TuneFileOptions Environment::TuneOptions() const {
  return TuneFileOptionsFrom(settings, &formatEnv);
}

namespace {
std::string ExecutableDir() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  std::string dir = exe.parent_path().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}
}  // namespace

bool LoadEnvironment(const Args& args, Environment& env) {
  std::string exeDir = ExecutableDir();
  std::string error;
  env.programDir = ResolveProgramDir(args.home, exeDir, DefaultDataDir(exeDir), error);
  if (env.programDir.empty()) {
    Fail(error.empty() ? "cannot find the program directory" : error);
    return false;
  }
  StderrSink sink;
  SettingsDataHooks hooks;
  ConnectUserSymbols(hooks, UserSymbols::Application());
  ConnectDrawSettings(hooks, FormatSettings::Application(), LayoutParams::Application());
  ConnectStyleSet(hooks, sink, StyleSet::Application());
  LoadSettings(env.programDir, env.settings, sink, hooks);
  FillFormatEnv(env.formatEnv, env.settings, env.programDir);
  return true;
}

bool LoadTuneArgs(const Args& a, Environment& env, TuneFile& file, int& position, int min) {
  if (!LoadEnvironment(a, env) || !LoadTuneFile(a.positional[0], env, file)) return false;
  if (!ParsePosition(a.positional[1], min, file.TuneCount(), position)) {
    Fail("no tune " + a.positional[1] + " in " + a.positional[0] + " (it has " +
         std::to_string(file.TuneCount()) + ")");
    return false;
  }
  return true;
}

bool LoadTuneFile(const std::string& path, Environment& env, const TuneFileOptions& options,
                  TuneFile& file) {
  file.Options() = options;
  std::string error;
  if (!file.Load(path, error)) {
    Fail(error);
    return false;
  }
  // Tunes are cut at line ends, so the file is UTF-8 when every piece is.
  bool utf8 = !options.convertTeX && IsValidUtf8(file.LoadedHeader());
  for (size_t k = 1; utf8 && k <= file.TuneCount(); ++k)
    utf8 = IsValidUtf8(file.TuneAt(static_cast<int>(k))->loaded);
  env.fileEncoding = utf8 ? TextEncoding::kUtf8 : TextEncoding::kCp1252;
  return true;
}

bool LoadTuneFile(const std::string& path, Environment& env, TuneFile& file) {
  return LoadTuneFile(path, env, env.TuneOptions(), file);
}

bool TakeOutput(const Args& a, std::vector<std::string>& rest, std::string& out) {
  out = a.Get("--output");
  for (size_t i = 0; i < a.positional.size(); ++i) {
    if (a.positional[i] == "-o") {
      if (i + 1 >= a.positional.size()) return false;
      out = a.positional[++i];
    } else {
      rest.push_back(a.positional[i]);
    }
  }
  return !out.empty();
}

bool ParsePosition(const std::string& text, int min, size_t count, int& position) {
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < min || v > static_cast<long long>(count)) return false;
  position = static_cast<int>(v);
  return true;
}

bool WriteOut(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

bool ApplyMidiSets(const Args& a, Settings& settings) {
  const std::vector<std::string> sets = a.GetAll("--set");
  if (sets.empty()) return true;
  IniFile ini;
  WriteSettings(ini, settings);
  for (const std::string& s : sets) {
    const size_t eq = s.find('=');
    const std::string key = s.substr(0, eq);
    if (eq == std::string::npos || key.empty() || !ini.HasKey("Midi", key)) {
      Fail("--set takes KEY=VALUE with a Midi setting, not \"" + s + "\"");
      return false;
    }
    const std::string value = s.substr(eq + 1);
    if (const SettingRange* range = MidiSettingRange(key)) {
      int number = 0;
      const char* end = value.data() + value.size();
      auto [stop, ec] = std::from_chars(value.data() + (value.rfind('+', 0) == 0), end, number);
      if (value.empty() || ec != std::errc() || stop != end || number < range->minimum ||
          number > range->maximum) {
        Fail("--set " + key + " takes a whole number from " + std::to_string(range->minimum) +
             " to " + std::to_string(range->maximum) + ", not \"" + value + "\"");
        return false;
      }
    }
    ini.WriteString("Midi", key, value);
  }
  Settings read;
  ReadSettings(ini, read);
  settings.midi = read.midi;
  return true;
}

// Reads a signed whole number; false when the text is not one.
bool ParseInt(const std::string& text, int& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size() || text.size() - i > 6) return false;
  int v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

// Splits "a,b,c" and sets the flag of each word; false for an unknown word.
bool SetWords(const std::string& list, const std::vector<std::pair<std::string, bool*>>& words,
              std::string& unknown) {
  size_t from = 0;
  while (from <= list.size()) {
    size_t comma = list.find(',', from);
    if (comma == std::string::npos) comma = list.size();
    std::string word = list.substr(from, comma - from);
    from = comma + 1;
    if (word.empty()) continue;
    bool found = false;
    for (const auto& [name, flag] : words)
      if (name == word) {
        *flag = true;
        found = true;
      }
    if (!found) {
      unknown = word;
      return false;
    }
  }
  return true;
}

int NoTunes(const std::string& path) {
  std::fprintf(stderr, "tunora-cli: %s has no tunes; nothing written\n", path.c_str());
  return 0;
}

}  // namespace tunora::cli
