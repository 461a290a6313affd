#include "app/ProgramDir.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace tunora {

namespace fs = std::filesystem;

namespace {

// Files whose presence marks a folder as a program directory.
constexpr std::array<std::string_view, 7> kMarkerFiles = {
    "tunora.ini", "template.abc", "tips.txt",   "abcstyle.cfg",
    "layout.cfg", "lists.cfg",    "userdef.abc"};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string FolderPath(const fs::path& dir) {
  std::error_code ec;
  fs::path absolute = fs::absolute(dir, ec);
  std::string s = (ec ? dir : absolute).lexically_normal().string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

bool IsFolder(const fs::path& dir) {
  std::error_code ec;
  return fs::is_directory(dir, ec);
}

// A folder named by the user: used as it is when it exists, else created and
// given the default data files.
std::string UseNamedFolder(const std::string& dir, const std::string& defaultsDir,
                           std::string& error) {
  std::error_code ec;
  fs::file_status st = fs::status(dir, ec);
  if (fs::is_directory(st)) return FolderPath(dir);
  if (st.type() != fs::file_type::not_found) {
    error = dir + " is not a folder";
    return "";
  }
  if (!fs::create_directories(dir, ec) && !IsFolder(dir)) {
    error = "cannot create the folder " + dir + ": " + ec.message();
    return "";
  }
  std::string result = FolderPath(dir);
  if (!defaultsDir.empty()) CopyDefaultDataFiles(defaultsDir, result, error);
  return result;
}

}  // namespace

ProgramDirEnv ProgramDirEnvFromProcess() {
  return {Env("TUNORA_HOME"), Env("XDG_DATA_HOME"), Env("HOME")};
}

std::string DefaultDataDir(const std::string& exeDir) {
  if (exeDir.empty() || HoldsProgramData(exeDir)) return exeDir;
  fs::path installed = fs::path(exeDir) / ".." / "share" / "tunora";
  if (HoldsProgramData(installed.string())) return FolderPath(installed);
  return exeDir;
}

bool HoldsProgramData(const std::string& dir) {
  std::error_code ec;
  for (std::string_view name : kMarkerFiles) {
    if (fs::is_regular_file(fs::path(dir) / name, ec)) return true;
  }
  return false;
}

bool IsWritableFolder(const std::string& dir) {
  if (!IsFolder(dir)) return false;
  fs::path probe = fs::path(dir) / ".tunora-write-probe";
  std::error_code ec;
  if (fs::exists(fs::symlink_status(probe, ec))) return false;  // not ours to touch
  bool writable;
  {
    std::ofstream out(probe, std::ios::binary);
    writable = static_cast<bool>(out);
  }
  fs::remove(probe, ec);
  return writable;
}

bool CopyDefaultDataFiles(const std::string& defaultsDir, const std::string& targetDir,
                          std::string& error) {
  std::error_code ec;
  fs::path from(defaultsDir);
  fs::path to(targetDir);
  if (!IsFolder(from)) {
    error = "the folder of default data files " + defaultsDir + " does not exist";
    return false;
  }
  // A folder without the program's data (the executable's folder of an installed
  // program, say) is not copied: its files are someone else's.
  if (!HoldsProgramData(defaultsDir)) {
    error = "the folder " + defaultsDir + " holds no default data files";
    return false;
  }
  if (fs::equivalent(from, to, ec)) return true;

  bool ok = true;
  auto fail = [&](const std::string& what) {
    if (ok) error = what;
    ok = false;
  };
  fs::recursive_directory_iterator it(from, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    fail("cannot read " + defaultsDir + ": " + ec.message());
    return false;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) {
      fail("cannot read " + defaultsDir + ": " + ec.message());
      break;
    }
    const fs::directory_entry& entry = *it;
    fs::path target = to / fs::relative(entry.path(), from, ec);
    std::error_code entryEc;
    if (entry.is_directory(entryEc)) {
      fs::create_directories(target, entryEc);
      if (!IsFolder(target)) fail("cannot create the folder " + target.string());
      continue;
    }
    if (!entry.is_regular_file(entryEc)) continue;
    fs::perms perms = entry.status(entryEc).permissions();
    if ((perms & fs::perms::owner_exec) != fs::perms::none) continue;
    if (fs::exists(fs::symlink_status(target, entryEc))) continue;
    fs::copy_file(entry.path(), target, fs::copy_options::skip_existing, entryEc);
    if (entryEc) fail("cannot copy " + entry.path().string() + ": " + entryEc.message());
  }
  return ok;
}

std::string ResolveProgramDir(const std::string& homeOption, const std::string& exeDir,
                              const std::string& defaultsDir, const ProgramDirEnv& env,
                              std::string& error) {
  error.clear();
  if (!homeOption.empty()) return UseNamedFolder(homeOption, defaultsDir, error);
  if (!env.tunoraHome.empty()) return UseNamedFolder(env.tunoraHome, defaultsDir, error);

  if (!exeDir.empty() && HoldsProgramData(exeDir) && IsWritableFolder(exeDir)) {
    return FolderPath(exeDir);
  }

  // A relative XDG_DATA_HOME is invalid and ignored.
  fs::path base;
  if (!env.xdgDataHome.empty() && fs::path(env.xdgDataHome).is_absolute()) {
    base = env.xdgDataHome;
  } else if (!env.home.empty()) {
    base = fs::path(env.home) / ".local" / "share";
  } else {
    error = "no folder for the program data: neither XDG_DATA_HOME nor HOME is set";
    return "";
  }
  fs::path dir = base / "tunora";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!IsFolder(dir)) {
    error = "cannot create the folder " + dir.string() + (ec ? ": " + ec.message() : "");
    return "";
  }
  std::string result = FolderPath(dir);
  if (!defaultsDir.empty()) CopyDefaultDataFiles(defaultsDir, result, error);
  return result;
}

std::string ResolveProgramDir(const std::string& homeOption, const std::string& exeDir,
                              const std::string& defaultsDir, std::string& error) {
  return ResolveProgramDir(homeOption, exeDir, defaultsDir, ProgramDirEnvFromProcess(), error);
}

}  // namespace tunora
