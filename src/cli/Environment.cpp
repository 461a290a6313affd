#include "Environment.h"

#include <cstdio>
#include <filesystem>

#include "app/ProgramDir.h"

namespace tunora::cli {

void StderrSink::Message(std::string_view text) {
  std::fprintf(stderr, "tunora-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

TuneFileOptions Environment::TuneOptions() const {
  TuneFileOptions o;
  o.fieldOrder = settings.preferences.fieldOrder;
  o.convertTeX = settings.preferences.convertTeX != 0;
  o.cvtTeXEsc = settings.preferences.cvtTeXEsc != 0;
  o.defaultLength = settings.preferences.defaultLength;
  o.formatEnv = &formatEnv;
  return o;
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
  env.programDir = ResolveProgramDir(args.home, exeDir, exeDir, error);
  if (env.programDir.empty()) {
    Fail(error.empty() ? "cannot find the program directory" : error);
    return false;
  }
  StderrSink sink;
  LoadSettings(env.programDir, env.settings, sink);
  env.formatEnv.programDir = env.programDir;
  env.formatEnv.abcDir = env.settings.preferences.abcDir;
  env.formatEnv.shortDatePattern = env.settings.shortDatePattern.empty()
                                       ? LocaleShortDatePattern()
                                       : env.settings.shortDatePattern;
  return true;
}

bool LoadTuneFile(const std::string& path, const TuneFileOptions& options, TuneFile& file) {
  file.Options() = options;
  std::string error;
  if (!file.Load(path, error)) {
    Fail(error);
    return false;
  }
  return true;
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

}  // namespace tunora::cli
