// tunora-cli: Tunora's engines as batch commands.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "Command.h"

namespace tunora::cli {

namespace {
std::vector<CommandSpec>& Registry() {
  static std::vector<CommandSpec> commands;
  return commands;
}

// The drawing and sound commands are in a second program beside this one.
std::string MediaProgram() {
#ifdef TUNORA_CLI_MEDIA
  return "";
#else
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  std::filesystem::path media = self.parent_path() / "tunora-cli-media";
  return std::filesystem::exists(media, ec) ? media.string() : "";
#endif
}

void PrintCommands(std::FILE* to) {
  for (const CommandSpec& c : Commands()) std::fprintf(to, "  %s\n", c.usage.c_str());
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: tunora-cli COMMAND [ARGS] [--home DIR]\n"
               "       tunora-cli COMMAND --help\ncommands:\n");
  PrintCommands(to);
  std::fflush(to);
  std::string media = MediaProgram();
  if (!media.empty()) {
    std::string cmd = "'" + media + "' --list-commands" + (to == stderr ? " 1>&2" : "");
    if (std::system(cmd.c_str()) != 0)
      std::fprintf(stderr, "tunora-cli: %s failed\n", media.c_str());
  }
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  for (const auto& x : v)
    if (x == s) return true;
  return false;
}

// True when some command's option of this name takes a value (--home always does).
bool TakesValue(const std::string& option) {
  if (option == "--home") return true;
  for (const CommandSpec& c : Commands())
    if (Contains(c.valued, option)) return true;
  return false;
}

// The exit status for a command word that names no command.
constexpr int kUnknownCommand = 2;
}  // namespace

Register::Register(CommandSpec command) { Registry().push_back(std::move(command)); }

const std::vector<CommandSpec>& Commands() { return Registry(); }

bool Args::Has(const std::string& name) const {
  for (const auto& o : options)
    if (o.first == name) return true;
  return false;
}

std::string Args::Get(const std::string& name, const std::string& fallback) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->first == name) return it->second;
  return fallback;
}

std::vector<std::string> Args::GetAll(const std::string& name) const {
  std::vector<std::string> all;
  for (const auto& o : options)
    if (o.first == name) all.push_back(o.second);
  return all;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tunora-cli: %s\n", message.c_str());
  return 1;
}

}  // namespace tunora::cli

int main(int argc, char** argv) {
  using namespace tunora::cli;
  std::ios::sync_with_stdio(false);
  // Options may stand before or after the command word, so the command is the
  // first word that is neither an option nor the value of one.
  const std::vector<std::string> words(argv + 1, argv + argc);
  bool help = false;
  size_t commandAt = words.size();
  for (size_t k = 0; k < words.size(); ++k) {
    const std::string& w = words[k];
    if (w == "--") break;
    if (w == "--help" || w == "-h") {
      help = true;
    } else if (w == "--list-commands" && commandAt == words.size()) {
      PrintCommands(stdout);
      return 0;
    } else if (w.size() > 2 && w.compare(0, 2, "--") == 0) {
      if (w.find('=') == std::string::npos && TakesValue(w)) ++k;
    } else if (commandAt == words.size()) {
      commandAt = k;
      if (w == "help") help = true;
    }
  }
  if (commandAt == words.size() || words[commandAt] == "help") {
    if (help) {
      PrintUsage(stdout);
      return 0;
    }
    PrintUsage(stderr);
    return 1;
  }
  const std::string& name = words[commandAt];
  const CommandSpec* command = nullptr;
  for (const CommandSpec& c : Commands())
    if (c.name == name) command = &c;
  if (command == nullptr) {
    std::string media = MediaProgram();
    if (!media.empty()) {
      argv[0] = media.data();
      execv(media.c_str(), argv);
    }
    Fail("unknown command \"" + name + "\"");
#ifdef TUNORA_CLI_MEDIA
    std::fprintf(stderr,
                 "usage: tunora-cli COMMAND [ARGS] [--home DIR]\n"
                 "tunora-cli --help lists the commands\n");
#else
    PrintUsage(stderr);
#endif
    return kUnknownCommand;
  }
  if (help) {
    std::printf("usage: tunora-cli %s\n", command->usage.c_str());
    return 0;
  }
  Args args;
  bool optionsEnded = false;
  for (size_t k = 0; k < words.size(); ++k) {
    if (k == commandAt) continue;
    std::string a = words[k];
    if (optionsEnded || a.size() < 3 || a.compare(0, 2, "--") != 0) {
      if (a == "--" && !optionsEnded) {
        optionsEnded = true;
        continue;
      }
      args.positional.push_back(a);
      continue;
    }
    std::string value;
    bool hasInline = false;
    if (size_t eq = a.find('='); eq != std::string::npos) {
      value = a.substr(eq + 1);
      a.resize(eq);
      hasInline = true;
    }
    if (a == "--home" || Contains(command->valued, a)) {
      if (!hasInline) {
        if (k + 1 >= words.size() || k + 1 == commandAt)
          return Fail("option " + a + " needs a value\nusage: tunora-cli " + command->usage);
        value = words[++k];
      }
      if (a == "--home")
        args.home = value;
      else
        args.options.emplace_back(a, value);
    } else if (Contains(command->flags, a) && !hasInline) {
      args.options.emplace_back(a, "");
    } else {
      return Fail("unknown option " + a + "\nusage: tunora-cli " + command->usage);
    }
  }
  return command->run(args);
}
