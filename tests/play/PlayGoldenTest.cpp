// Golden event listings: each tests/play/golden/NAME.abc is a small tune that shows one
// playback rule; NAME.events is its reviewed `tunora-cli events` listing. The file's
// header may hold a line "% set: KEY=VALUE ..." with the Midi settings of the run.
//
// To write the listings anew (for a new case, or after a change meant to alter them):
//   TUNORA_UPDATE_GOLDEN=1 build/bin/tunora_tests --gtest_filter='PlayGolden.*'
// then review every changed listing by hand (git diff) before checking it in.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/Golden.h"
#include "support/RunCli.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

// "--set KEY=VALUE" for every word of the "% set:" lines of the file's header.
std::vector<std::string> SetArguments(const std::string& abc) {
  std::vector<std::string> args;
  for (const std::string& line : test::SplitLines(abc)) {
    if (line.rfind("X:", 0) == 0) break;
    if (line.rfind("% set:", 0) != 0) continue;
    std::istringstream words(line.substr(6));
    for (std::string w; words >> w;) {
      args.push_back("--set");
      args.push_back(w);
    }
  }
  return args;
}

class PlayGolden : public test::CliFixture {};

TEST_F(PlayGolden, EveryListingAsReviewed) {
  const fs::path folder = fs::path(TUNORA_SOURCE_DIR) / "tests" / "play" / "golden";
  // The shipped style file (rhythms, swing, backings) and symbols (~ a roll, T a
  // trill), as users have them.
  for (const char* name : {"abcstyle.cfg", "userdef.abc"})
    fs::copy_file(fs::path(TUNORA_SOURCE_DIR) / "data" / name, fs::path(home) / name);
  const std::vector<fs::path> cases = test::GoldenInputs(folder);
  ASSERT_GE(cases.size(), 40u);
  for (const fs::path& abc : cases) {
    SCOPED_TRACE(abc.filename().string());
    std::vector<std::string> args{"events", abc.string(), "1", "--home", home};
    for (const std::string& a : SetArguments(test::ReadFile(abc.string()))) args.push_back(a);
    const test::CliResult r = test::RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    test::ExpectListing(fs::path(abc).replace_extension(".events"), r.out);
  }
}

}  // namespace
}  // namespace tunora
