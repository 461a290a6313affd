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
  std::fprintf(to, "usage: tunora-cli COMMAND [ARGS] [--home DIR]\ncommands:\n");
  PrintCommands(to);
  std::fflush(to);
  std::string media = MediaProgram();
  if (!media.empty()) {
    std::string cmd = "'" + media + "' --list-commands" + (to == stderr ? " 1>&2" : "");
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "tunora-cli: %s failed\n", media.c_str());
  }
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  for (const auto& x : v)
    if (x == s) return true;
  return false;
}
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
  if (argc < 2) {
    PrintUsage(stderr);
    return 1;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (name == "--list-commands") {
    PrintCommands(stdout);
    return 0;
  }
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
    std::fprintf(stderr, "tunora-cli --help lists the commands\n");
#else
    PrintUsage(stderr);
#endif
    return 1;
  }
  Args args;
  bool optionsEnded = false;
  for (int k = 2; k < argc; ++k) {
    std::string a = argv[k];
    if (optionsEnded || a.size() < 3 || a.compare(0, 2, "--") != 0) {
      if (a == "--") {
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
        if (k + 1 >= argc) return Fail("option " + a + " needs a value\nusage: tunora-cli " + command->usage);
        value = argv[++k];
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
