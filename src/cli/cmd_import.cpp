// The import command: Bagpipe Music Writer, Piob Mhor and SongWright files to ABC.
#include <cstdio>

#include "Environment.h"
#include "import/Importer.h"

namespace tunora::cli {
namespace {

int Import(const Args& a) {
  std::vector<std::string> files;
  std::string target;
  TakeOutput(a, files, target);
  if (files.empty())
    return Fail("usage: tunora-cli import FILE... [-o OUT.abc] [--type bww|bgp|sw]");
  ImportKind forced = ImportKind::kBww;
  const bool typeGiven = a.Has("--type");
  if (typeGiven && !ParseImportKind(a.Get("--type"), forced))
    return Fail("--type takes bww, bgp or sw");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  TuneFile file(env.TuneOptions());
  StderrSink sink;
  int failed = 0;
  for (const std::string& path : files) {
    const ImportKind kind = typeGiven ? forced : ImportKindFromPath(path);
    ImportOutcome outcome = ConvertFile(kind, path, env.programDir, sink);
    if (!outcome.ok) {
      std::fprintf(stderr, "tunora-cli: %s\n", outcome.error.c_str());
      ++failed;
      continue;
    }
    InsertTunes(file, static_cast<int>(file.TuneCount()), outcome.tunes);
    if (outcome.errorLines > 0)
      std::fprintf(stderr, "%s: %d error line(s)\n", path.c_str(), outcome.errorLines);
  }
  if (failed == static_cast<int>(files.size())) return 1;
  const std::string out = file.WriteFile();
  if (!target.empty()) {
    std::string error;
    if (!file.Save(target, error)) return Fail(error);
  } else if (!WriteOut(out)) {
    return Fail("cannot write the output");
  }
  return failed == 0 ? 0 : 1;
}

const Register kImport({"import",
                        "import FILE... [-o OUT.abc] [--type bww|bgp|sw]",
                        {},
                        {"--type", "--output"},
                        Import});

}  // namespace
}  // namespace tunora::cli
