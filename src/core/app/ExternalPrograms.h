// The external programs: nine user-defined command lines run on the tune file or
// on the selected tune. A command line holds placeholders: %1 the file (quoted,
// or plain with short file names), %2 the selected tune's number, %? text the
// user types, %% a percent sign. The expanded line is split into words as a
// shell would and started directly, never through a shell, so nothing in a file
// name can run anything.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class IniFile;

inline constexpr int kExternalProgramCount = 9;
// The expanded command line, like the buffer it was once built in, holds at most
// this many characters with its terminator.
inline constexpr size_t kExternalCommandLimit = 500;
// The temporary file of a selected-tune entry, in the program directory.
inline constexpr std::string_view kExternalTuneFile = "abctmp.abc";

struct ExternalProgram {
  std::string command;
  std::string menuText;
  bool selectedTune = false;  // works on the selected tune, else on the whole file
  bool shortNames = false;    // %1 gives the plain path, unquoted

  bool Defined() const { return !command.empty(); }
  bool operator==(const ExternalProgram&) const = default;
};

using ExternalPrograms = std::array<ExternalProgram, kExternalProgramCount>;

// Section "ExternProgram": Command%d, MenuText%d, Flags%d (n = number - 1).
void LoadExternalPrograms(const IniFile& ini, ExternalPrograms& programs);
void SaveExternalPrograms(IniFile& ini, const ExternalPrograms& programs);

// The options dialog refuses a set where entry 1 is empty but another is defined;
// this gives its message, or "".
std::string ExternalProgramsProblem(const ExternalPrograms& programs);

struct ExpandInput {
  std::string path;  // the file %1 stands for
  bool shortNames = false;
  std::string tuneNumber;  // %2, "" when no tune is selected
  // %?: asks the user; nullopt when the user cancelled.
  std::function<std::optional<std::string>()> prompt;
};

enum class ExpandResult { kOk, kCancelled, kTooLong };

// Expands a command line into out. kTooLong when the result, or a replacement,
// would not fit into the limit: out then holds what fitted and must not run.
ExpandResult ExpandExternalCommand(std::string_view line, const ExpandInput& input,
                                   std::string& out);

// Splits a command line into words as a POSIX shell does, without any expansion:
// blanks separate words; '...' is literal; "..." is literal except that a
// backslash escapes " \ $ and `; outside quotes a backslash escapes any character.
std::vector<std::string> SplitShellWords(std::string_view line);

}  // namespace tunora
