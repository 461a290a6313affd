// The program directory: the folder that holds "tunora.ini" and every data file
// (layout, backing styles, list types, user-defined symbols, the new-file
// header, tips). In order of preference it is:
//   1. the folder given by the option --home DIR,
//   2. the folder in the environment variable TUNORA_HOME,
//   3. the executable's folder, when it holds the settings file or the default
//      data files and can be written (a portable installation or a build),
//   4. $XDG_DATA_HOME/tunora (default ~/.local/share/tunora), created on first
//      use and given the default data files that it lacks.
// Folder paths end with "/".
#pragma once

#include <string>

namespace tunora {

// The environment variables the choice depends on ("" when unset).
struct ProgramDirEnv {
  std::string tunoraHome;   // TUNORA_HOME
  std::string xdgDataHome;  // XDG_DATA_HOME
  std::string home;         // HOME
};

ProgramDirEnv ProgramDirEnvFromProcess();

// Returns the program directory as an absolute folder path ending with "/", or
// "" with error set when no usable folder was found. A folder named by --home
// or TUNORA_HOME that does not exist is created and given the default data
// files; an existing one is used as it is. When some default data files could
// not be copied, the folder is still returned and error says which.
// exeDir is the executable's folder, defaultsDir the folder of the installed
// default data files (either may be empty).
std::string ResolveProgramDir(const std::string& homeOption, const std::string& exeDir,
                              const std::string& defaultsDir, const ProgramDirEnv& env,
                              std::string& error);
// The same with the environment of the process.
std::string ResolveProgramDir(const std::string& homeOption, const std::string& exeDir,
                              const std::string& defaultsDir, std::string& error);

// The folder of the installed default data files for an executable's folder: the
// folder itself when it holds them (a build or a portable copy), else
// ../share/tunora/ beside it (an installed program), else exeDir.
std::string DefaultDataDir(const std::string& exeDir);

// True when dir holds the settings file or one of the default data files.
bool HoldsProgramData(const std::string& dir);
// True when a file can be created in dir (tried with a probe file, then removed).
bool IsWritableFolder(const std::string& dir);
// Copies the files and folders of defaultsDir into targetDir, leaving files that
// already exist there alone; executables are not data and are skipped. False
// with error naming the first failure.
bool CopyDefaultDataFiles(const std::string& defaultsDir, const std::string& targetDir,
                          std::string& error);

}  // namespace tunora
