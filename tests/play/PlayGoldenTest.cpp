// Golden event listings: each tests/play/golden/NAME.abc is a small tune that shows one
// playback rule; NAME.events is its reviewed `tunora-cli events` listing. The file's
// header may hold a line "% set: KEY=VALUE ..." with the Midi settings of the run.
//
// To write the listings anew (for a new case, or after a change meant to alter them):
//   TUNORA_UPDATE_GOLDEN=1 build/bin/tunora_tests --gtest_filter='PlayGolden.*'
// then review every changed listing by hand (git diff) before checking it in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunCli.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The lines that differ, "-" expected and "+" actual, with two lines of context, from
// a longest common subsequence of the two listings.
std::string Diff(const std::string& expected, const std::string& actual) {
  const std::vector<std::string> a = Lines(expected), b = Lines(actual);
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::vector<std::string> rows;
  std::vector<bool> changed;
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[i] == b[j]) {
      rows.push_back("  " + a[i++]);
      changed.push_back(false);
      ++j;
    } else if (j < m && (i == n || lcs[i][j + 1] >= lcs[i + 1][j])) {
      rows.push_back("+ " + b[j++]);
      changed.push_back(true);
    } else {
      rows.push_back("- " + a[i++]);
      changed.push_back(true);
    }
  }
  std::string out;
  bool gap = false;
  for (size_t k = 0; k < rows.size(); ++k) {
    bool near = false;
    for (size_t d = (k >= 2 ? k - 2 : 0); d <= std::min(rows.size() - 1, k + 2); ++d)
      near = near || changed[d];
    if (near) {
      out += rows[k] + "\n";
      gap = false;
    } else if (!gap) {
      out += "  ...\n";
      gap = true;
    }
  }
  return out;
}

// "--set KEY=VALUE" for every word of the "% set:" lines of the file's header.
std::vector<std::string> SetArguments(const std::string& abc) {
  std::vector<std::string> args;
  for (const std::string& line : Lines(abc)) {
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
  const bool update = std::getenv("TUNORA_UPDATE_GOLDEN") != nullptr;
  std::vector<fs::path> cases;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".abc") cases.push_back(entry.path());
  std::sort(cases.begin(), cases.end());
  ASSERT_GE(cases.size(), 40u);
  for (const fs::path& abc : cases) {
    SCOPED_TRACE(abc.filename().string());
    std::vector<std::string> args{"events", abc.string(), "1", "--home", home};
    for (const std::string& a : SetArguments(test::ReadFile(abc.string()))) args.push_back(a);
    const test::CliResult r = test::RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    fs::path listing = abc;
    listing.replace_extension(".events");
    if (update) {
      test::WriteFile(listing.string(), r.out);
      continue;
    }
    ASSERT_TRUE(fs::exists(listing)) << "no reviewed listing " << listing.filename();
    const std::string expected = test::ReadFile(listing.string());
    EXPECT_TRUE(r.out == expected) << abc.filename().string() << " plays differently:\n"
                                   << Diff(expected, r.out);
  }
}

}  // namespace
}  // namespace tunora
