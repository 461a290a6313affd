// tunora-cli commands register themselves here; main() dispatches on the first word.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tunora::cli {

struct Args {
  std::vector<std::string> positional;                       // words that are not options
  std::vector<std::pair<std::string, std::string>> options;  // --name value (value "" for flags)
  std::string home;                                          // --home DIR, "" when not given

  bool Has(const std::string& name) const;
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  std::vector<std::string> GetAll(const std::string& name) const;
};

struct CommandSpec {
  std::string name;
  std::string usage;                    // one line: "list FILE [--format FMT]"
  std::vector<std::string> flags;       // options without a value, e.g. "--tex"
  std::vector<std::string> valued;      // options taking a value, e.g. "--format"
  std::function<int(const Args&)> run;  // returns the exit status
};

// Registers a command; use from a static object in the command's own file.
struct Register {
  explicit Register(CommandSpec command);
};

const std::vector<CommandSpec>& Commands();

// Prints "tunora-cli: message" on standard error and returns 1.
int Fail(const std::string& message);

}  // namespace tunora::cli
