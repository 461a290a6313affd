// tunora-cli find and music-search on a small folder of tunes, against reviewed
// listings in tests/search/golden. Files come in the file system's order, so the
// listing's file groups are compared in sorted order.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/RunCli.h"

namespace tunora {
namespace {

const std::string kData = std::string(TUNORA_SOURCE_DIR) + "/tests/search/data/";
const std::string kGolden = std::string(TUNORA_SOURCE_DIR) + "/tests/search/golden/";

// The listing with the data folder written as "DATA/" and its file groups sorted.
std::string Normalised(std::string out) {
  for (size_t at; (at = out.find(kData)) != std::string::npos;)
    out.replace(at, kData.size(), "DATA/");
  std::vector<std::string> groups;
  size_t from = 0;
  while (from < out.size()) {
    size_t end = out.find('\n', from);
    end = end == std::string::npos ? out.size() : end + 1;
    if (out[from] != '\t' || groups.empty()) groups.emplace_back();
    groups.back() += out.substr(from, end - from);
    from = end;
  }
  std::sort(groups.begin(), groups.end());
  std::string joined;
  for (const auto& g : groups) joined += g;
  return joined;
}

struct Case {
  const char* golden;
  std::vector<std::string> args;
};

class SearchCli : public test::CliFixture {};

TEST_F(SearchCli, ListingsMatchTheReviewedOnes) {
  const std::vector<Case> cases = {
      {"find_title.txt", {"find", kData + "*.abc", "--text", "lark", "--field", "T", "--subdir"}},
      {"find_loose.txt",
       {"find", kData, "--text", "Drowzy Magie", "--field", "T", "--loose", "25"}},
      {"find_exact.txt",
       {"find", kData + "reels.abc", "--text", "REEL", "--field", "R", "--exact"}},
      {"find_all_fields.txt", {"find", kData, "--text", "lark", "--field", "*", "--subdir"}},
      {"find_match.txt",
       {"find", kData, "--subdir", "--match", "(R=jig | R$air) & T#[Word]", "--prompt", "lark"}},
      {"music_transposed.txt",
       {"music-search", "[K:D] dAF AFA", kData, "--subdir", "--transpose", "second", "--loose",
        "0"}},
      {"music_fifth.txt",
       {"music-search", "dAF AFA", kData, "--key", "D", "--subdir", "--transpose", "all", "--loose",
        "0"}},
      {"music_beginning.txt",
       {"music-search", "E2BE dEBE", kData, "--key", "Edor", "--where", "beginning", "--loose",
        "10"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--home");
    args.push_back(home);
    const test::CliResult r = test::RunCli(args);
    EXPECT_EQ(r.status, 0) << c.golden << ": " << r.err;
    EXPECT_EQ(Normalised(r.out), test::ReadFile(kGolden + c.golden)) << c.golden;
  }
}

TEST_F(SearchCli, BadInputIsToldNotRun) {
  auto r = test::RunCli({"find", kData, "--text", "x", "--match", "R=reel", "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"find", kData, "--text", "x", "--loose", "101", "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"music-search", "abc", kData, "--transpose", "ninth", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ninth"), std::string::npos);
  r = test::RunCli({"music-search", "| |", kData, "--home", home});
  EXPECT_EQ(r.status, 1);
  // A syntax error is told with its place; the search runs on what was read.
  r = test::RunCli({"find", kData, "--match", "R=reels & (", "--home", home});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("error at 12"), std::string::npos);
  EXPECT_EQ(Normalised(r.out), "DATA/reels.abc\n\t3 Reel of Tulloch\n");
  // A folder that does not exist finds nothing and says so.
  r = test::RunCli({"find", kData + "nowhere/*.abc", "--text", "x", "--home", home});
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("No matching files were found."), std::string::npos);
}

}  // namespace
}  // namespace tunora
