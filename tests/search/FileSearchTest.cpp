// The Found Files list and the walk over the files of a pattern.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "search/FileSearch.h"
#include "support/Scratch.h"

namespace tunora {
namespace {

TEST(FoundList, FileLinesAndNoRepeatedEntries) {
  FoundList list;
  list.Add("/t/a.abc", "1 One");
  list.Add("/t/a.abc", "1 One");  // the same entry again: not added
  list.Add("/t/a.abc", "2 Two");
  list.Add("/t/a.abc", "3 Three");
  list.Add("/t/b.abc", "1 One");
  EXPECT_EQ(list.Text(), "/t/a.abc\n\t1 One\n\t2 Two\n\t3 Three\n/t/b.abc\n\t1 One\n");
  EXPECT_EQ(list.MatchingFiles(), 2);
  EXPECT_EQ(list.Entries().size(), 4u);
  list.Clear();
  EXPECT_EQ(list.Text(), "");
  EXPECT_EQ(list.MatchingFiles(), 0);
}

// A big file shared out among threads gives the list one thread gives: the same
// tunes, lines and order, each thread with a test of its own.
TEST(RunFileSearch, SharedAmongThreadsListsAsOneThread) {
  test::ScratchDir dir;
  std::string text;
  for (int k = 1; k <= 500; ++k)
    text += "X:" + std::to_string(k) + "\nT:Tune " + std::to_string(k) + "\nK:G\n" +
            (k % 7 == 0 ? "GEG GAB|\n" : "ABc def|\n") + "\n";
  test::WriteFile(dir.File("big.abc"), text);
  test::WriteFile(dir.File("small.abc"), "X:1\nT:Small\nK:G\nGEG GAB|\n");
  auto makeTest = [](std::atomic<int>* made) {
    if (made != nullptr) ++*made;
    return [](const TuneRecord& tune, std::string& line) {
      if (tune.body.find("GEG") == std::string::npos) return false;
      line = std::to_string(tune.number) + " " + tune.titles.front();
      return true;
    };
  };
  FileSearchRun run;
  run.patterns = {dir.Path().string() + "/big.abc", dir.Path().string() + "/none/*.abc",
                  dir.Path().string() + "/small.abc", dir.Path().string() + "/"};
  run.test = makeTest(nullptr);
  std::vector<std::string> messages;
  run.skipped = [&](const std::string& m) { messages.push_back(m); };
  FoundList one;
  ASSERT_TRUE(RunFileSearch(run, one));
  const std::vector<std::string> oneMessages = messages;
  messages.clear();
  std::atomic<int> made{0};
  run.newTest = [&] {
    return std::function<bool(const TuneRecord&, std::string&)>(makeTest(&made));
  };
  FoundList shared;
  ASSERT_TRUE(RunFileSearch(run, shared));
  EXPECT_EQ(shared.Text(), one.Text());
  EXPECT_EQ(messages, oneMessages);
  EXPECT_EQ(oneMessages.size(), 1u);
  // One big file alone has its tunes shared out.
  run.patterns = {dir.Path().string() + "/big.abc"};
  FoundList alone;
  run.newTest = {};
  ASSERT_TRUE(RunFileSearch(run, alone));
  run.newTest = [&] {
    return std::function<bool(const TuneRecord&, std::string&)>(makeTest(&made));
  };
  FoundList aloneShared;
  ASSERT_TRUE(RunFileSearch(run, aloneShared));
  EXPECT_EQ(aloneShared.Text(), alone.Text());
  made = 0;
  run.patterns = {dir.Path().string() + "/big.abc", dir.Path().string() + "/small.abc"};
  EXPECT_GT(one.Entries().size(), 72u);  // the folder holds both files again
  FoundList two;
  ASSERT_TRUE(RunFileSearch(run, two));
  EXPECT_EQ(made.load(),
            static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)) - 1);
}

TEST(FileWalk, PatternsFoldersAndSubfolders) {
  EXPECT_TRUE(MatchesWildcard("*.abc", "reels.abc"));
  EXPECT_FALSE(MatchesWildcard("*.abc", "reels.abc~"));
  EXPECT_TRUE(MatchesWildcard("r?el*", "reel.abc"));
  EXPECT_TRUE(MatchesWildcard("*a*b*c", "xxaybzc"));
  EXPECT_FALSE(MatchesWildcard("a*b", "a"));

  test::ScratchDir dir;
  std::filesystem::create_directories(dir.Path() / "sub" / "deeper");
  for (const char* name : {"a.abc", "b.txt", "sub/c.abc", "sub/deeper/d.abc"})
    test::WriteFile(dir.File(name), "X:1\nT:t\nK:C\nC\n");
  auto walk = [&](const std::string& pattern, bool sub) {
    std::vector<std::string> seen;
    const bool ok = WalkFiles(pattern, sub, [&](const std::string& path) {
      seen.push_back(path.substr(dir.Dir().size()));
      return true;
    });
    std::sort(seen.begin(), seen.end());
    if (!ok) seen.push_back("(no folder)");
    return seen;
  };
  EXPECT_EQ(walk(dir.Dir() + "*.abc", false), (std::vector<std::string>{"a.abc"}));
  EXPECT_EQ(walk(dir.Dir() + "*.abc", true),
            (std::vector<std::string>{"a.abc", "sub/c.abc", "sub/deeper/d.abc"}));
  EXPECT_EQ(walk(dir.Path().string(), false), (std::vector<std::string>{"a.abc"}));
  EXPECT_EQ(walk(dir.File("b.txt"), false), (std::vector<std::string>{"b.txt"}));
  EXPECT_EQ(walk(dir.Dir() + "none/*.abc", true), (std::vector<std::string>{"(no folder)"}));
  // A link back up the tree is walked once, not without end.
  std::error_code ec;
  std::filesystem::create_directory_symlink(dir.Path(), dir.Path() / "sub" / "loop", ec);
  if (!ec) {
    EXPECT_EQ(walk(dir.Dir() + "*.abc", true).size(), 3u);
  }
}

}  // namespace
}  // namespace tunora
