// Commands of list making: make-list runs a registered list type over tune files
// without windows; list-types prints the registered names.
#include <string>
#include <vector>

#include "Environment.h"
#include "lists/ListType.h"
#include "lists/MakeList.h"
#include "search/MatchExpression.h"

namespace tunora::cli {
namespace {

int MakeListCommand(const Args& a) {
  if (a.positional.size() != 1)
    return Fail(
        "usage: tunora-cli make-list TYPE-NAME --files PATTERN [--out FILE] "
        "[--sort LETTERS] [--match EXPR] [--prompt VALUE]... [--subdir]");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  const std::vector<ListTypeEntry> registry = LoadListRegistry(env.programDir);
  const int index = FindListType(registry, a.positional[0]);
  if (index < 0) return Fail("no list type named \"" + a.positional[0] + "\" (see list-types)");
  ListType type;
  std::string error;
  if (!LoadListType(env.programDir, registry[static_cast<size_t>(index)].file, type, error))
    return Fail(error);
  MakeListRequest request = RequestFromType(type);
  if (a.Has("--files")) request.files = a.Get("--files");
  if (a.Has("--out")) request.output = a.Get("--out");
  if (a.Has("--sort")) request.sort = a.Get("--sort");
  if (a.Has("--match")) request.match = a.Get("--match");
  if (a.Has("--subdir")) request.subdirectories = true;
  request.promptValues = a.GetAll("--prompt");
  if (request.files.empty()) return Fail("You must enter abc file(s)");
  if (!type.oneFilePerTune && request.output.empty())
    return Fail("the list type names no output file: give --out FILE");
  MatchProgram program;
  if (!program.Compile(request.match))
    StderrSink().Message("match: " + program.ErrorText() + " (the part before it is used)");

  MakeListHooks hooks;
  hooks.env = &env.formatEnv;
  hooks.fileOptions = env.TuneOptions();
  bool failed = false;
  hooks.report = [&](const std::string& message) {
    failed = true;
    StderrSink().Message(message);
  };
  const MakeListResult result = MakeList(request, hooks);
  if (type.oneFilePerTune) {
    StderrSink().Message(std::to_string(result.filesWritten.size()) + " files written from " +
                         std::to_string(result.inputFiles) + " input files");
  } else if (result.written) {
    StderrSink().Message(std::to_string(result.entries) + " entries from " +
                         std::to_string(result.inputFiles) + " files written to " +
                         result.outputPath);
  }
  return failed || (!type.oneFilePerTune && !result.written) ? 1 : 0;
}

int ListTypes(const Args& a) {
  if (!a.positional.empty()) return Fail("usage: tunora-cli list-types");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  std::string out;
  for (const ListTypeEntry& e : LoadListRegistry(env.programDir)) out += e.name + "\n";
  return WriteOut(out) ? 0 : Fail("cannot write the output");
}

const Register kMakeList({"make-list",
                          "make-list TYPE-NAME --files PATTERN [--out FILE] [--sort LETTERS] "
                          "[--match EXPR] [--prompt VALUE]... [--subdir]",
                          {"--subdir"},
                          {"--files", "--out", "--sort", "--match", "--prompt"},
                          MakeListCommand});
const Register kListTypes({"list-types", "list-types", {}, {}, ListTypes});

}  // namespace
}  // namespace tunora::cli
