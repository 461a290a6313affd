// List making against reviewed listings in tests/lists/golden: one list type per
// behaviour (sorting, sub-headers, pages, placeholders, conversions, one file per
// tune), run over the small folder tests/lists/data. The folder is written "DATA/".
#include "lists/MakeList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "abc/Incipit.h"
#include "tunefile/TuneFormat.h"
#include "search/FileSearch.h"
#include "support/Golden.h"
#include "support/Scratch.h"

namespace tunora {
namespace {

const std::string kData = std::string(TUNORA_SOURCE_DIR) + "/tests/lists/data/";
const std::string kGolden = std::string(TUNORA_SOURCE_DIR) + "/tests/lists/golden/";

FormatEnv Env() {
  FormatEnv env;
  env.shortDatePattern = "yyyy-mm-dd";
  env.today = [] {
    std::tm t{};
    t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 6;
    return t;
  };
  env.incipit = [](const TuneRecord& tune) { return ComputeIncipit(tune); };
  return env;
}

std::string Normalised(std::string out) {
  for (size_t at; (at = out.find(kData)) != std::string::npos;)
    out.replace(at, kData.size(), "DATA/");
  return out;
}

class MakeListTest : public ::testing::Test {
 protected:
  // Runs type over the data folder into a scratch file.
  MakeListResult Run(const ListType& type, bool subdir = false,
                     std::vector<std::string> prompts = {}) {
    MakeListRequest r = RequestFromType(type);
    r.files = kData + "*.abc";
    r.subdirectories = subdir;
    r.output = scratch.File("out.txt");
    r.promptValues = std::move(prompts);
    hooks.env = &env;
    hooks.report = [this](const std::string& m) { reports.push_back(m); };
    return MakeList(r, hooks);
  }
  void ExpectGolden(const std::string& name, const MakeListResult& result) {
    ASSERT_TRUE(result.written) << name;
    EXPECT_EQ(test::ReadFile(result.outputPath), result.text);
    test::ExpectListing(kGolden + name, Normalised(result.text));
  }

  test::ScratchDir scratch{"tunora-lists-"};
  FormatEnv env = Env();
  MakeListHooks hooks;
  std::vector<std::string> reports;
};

ListType Index(std::string format) {
  ListType t;
  t.outputFormat = std::move(format);
  return t;
}

TEST_F(MakeListTest, ListingsMatchTheReviewedOnes) {
  struct Case {
    const char* golden;
    std::function<void(ListType&)> set;
    bool subdir = false;
    std::vector<std::string> prompts = {};
  };
  const std::vector<Case> cases = {
      // File order, every title of a tune an entry of its own.
      {"file_order.txt", [](ListType& t) { t.outputFormat = "%X %#T\\t(%R)\r\n"; }},
      // Sorted by rhythm then key, case-insensitively, a heading per rhythm with its
      // count and one per key under it; a new rhythm starts its key headings afresh
      // (the reels have a D key heading although the jigs before ended with D).
      {"rhythm_key.txt",
       [](ListType& t) {
         t.sortOrder = "RK";
         t.subHeader[0] = "== %#R (%6k)\r\n";
         t.subHeader[1] = "  -- %#K\r\n";
       }},
      // The second sub-header is unused with one sort key.
      {"rhythm_only_one_level.txt",
       [](ListType& t) {
         t.sortOrder = "R";
         t.subHeader[0] = "== %#R\r\n";
         t.subHeader[1] = "never written\r\n";
       }},
      // Tune numbers sort by value; oneTitle gives one entry per tune.
      {"number_one_title.txt",
       [](ListType& t) {
         t.sortOrder = "X";
         t.oneTitle = true;
         t.footerLast = "%5k entries\r\n";
       }},
      // A placeholder answered by the first prompt, also as the k code.
      {"placeholder.txt",
       [](ListType& t) {
         t.match = "T#[Title word]";
         t.headerFirst = "Titles with \"%1k\":\r\n";
       },
       false,
       {"lark"}},
      // Pages of 9 lines, a 2-line footer, a 1-line header: two entries of 3 lines
      // fill a page exactly; a third moves whole to the next page ...
      {"pages_no_split.txt",
       [](ListType& t) {
         t.outputFormat = "%X\r\n%#T\r\n%R\r\n";
         t.pageLines = 9;
         t.header = "[page]\r\n";
         t.footer = "--\r\n\r\n";
         t.pageBreak = "<break>\r\n";
       }},
      // ... or are split line by line.
      {"pages_split.txt",
       [](ListType& t) {
         t.outputFormat = "%X\r\n%#T\r\n%R\r\n";
         t.pageLines = 8;
         t.noSplitTune = false;
         t.header = "[page]\r\n";
         t.footer = "--\r\n\r\n";
         t.pageBreakFF = true;
       }},
      // HTML entities for field values (code page 1252 and UTF-8 files alike), never
      // for the template; TeX escapes decoded.
      {"html_tex.txt",
       [](ListType& t) {
         t.outputFormat = "<li>%#T &mdash; %C</li>\r\n";
         t.htmlChar = true;
         t.texChar = true;
         t.match = "X<8";
       },
       true},
      // Multi-line values, the incipit and a TAB from the \t escape.
      {"incipit_notes.txt",
       [](ListType& t) {
         t.outputFormat = "%#T\\t%i\\t%;N\r\n";
         t.oneTitle = true;
       }},
  };
  for (const Case& c : cases) {
    ListType type = Index("%X %#T\r\n");
    c.set(type);
    ExpectGolden(c.golden, Run(type, c.subdir, c.prompts));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(MakeListTest, OneFilePerTuneNamesFilesSafely) {
  ListType type = Index("%z\r\n");
  type.oneFilePerTune = true;
  type.oneTitle = true;
  type.outFile = scratch.File("split/") + "%#T.abc";
  type.match = "R=polka | R=waltz";
  type.headerFirst = "%% from %f\r\n";
  const MakeListResult r = Run(type, true);
  EXPECT_TRUE(r.written);
  // The same name twice gets "-2".
  std::vector<std::string> names;
  for (const std::string& p : r.filesWritten)
    names.push_back(Normalised(p.substr(p.rfind('/') + 1)));
  EXPECT_EQ(names, (std::vector<std::string>{"Caf\xc3\xa9 Waltz.abc", "Caf\xc3\xa9 Waltz-2.abc"}));
  type.match = "R=polka";
  type.oneTitle = false;
  // A slash in a title becomes a dash instead of leading into another folder.
  const MakeListResult polka = Run(type, true);
  ASSERT_EQ(polka.filesWritten.size(), 2u);
  EXPECT_EQ(polka.filesWritten[1], scratch.File("split/") + "AC-DC Polka.abc");
  EXPECT_EQ(test::ReadFile(polka.filesWritten[1]).substr(0, 21), "% from utf8.abc\r\nX:1\r");
}

TEST_F(MakeListTest, FailuresLeaveNothingBehind) {
  // The output cannot be made: a file stands where its folder should be.
  test::WriteFile(scratch.File("plain"), "x");
  MakeListRequest r = RequestFromType(Index("%X\r\n"));
  r.files = kData + "*.abc";
  r.output = scratch.File("plain") + "/out.txt";
  hooks.report = [this](const std::string& m) { reports.push_back(m); };
  MakeListResult result = MakeList(r, hooks);
  EXPECT_FALSE(result.written);
  EXPECT_EQ(reports, std::vector<std::string>{"Cannot write file " + r.output});
  // Stop: no output at all.
  r.output = scratch.File("stopped.txt");
  hooks.poll = [] { return false; };
  result = MakeList(r, hooks);
  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(std::filesystem::exists(r.output));
}

TEST_F(MakeListTest, OpenWindowTextAndTheOutputItself) {
  // A file open in a window is read with its unsaved changes.
  hooks.openText = [](const std::string& path) -> std::optional<std::string> {
    if (path.ends_with("tunes.abc")) return std::string("X:5\r\nT:Unsaved\r\nK:D\r\nd|\r\n");
    return std::nullopt;
  };
  EXPECT_EQ(Run(Index("%X %#T\r\n")).text, "5 Unsaved\r\n");
  // The list written into the folder it reads is not read back on the next run.
  hooks.openText = {};
  MakeListRequest r = RequestFromType(Index("%X %#T\r\n"));
  r.files = scratch.File("*.abc");
  r.output = scratch.File("book.abc");
  test::WriteFile(scratch.File("a.abc"), "X:1\r\nT:One\r\nK:D\r\nd|\r\n");
  test::WriteFile(r.output, "X:9\r\nT:Old book\r\nK:D\r\nd|\r\n");
  EXPECT_EQ(MakeList(r, hooks).text, "1 One\r\n");
}

TEST(FoundListFromOutput, FileLinesGiveEntries) {
  FoundList list;
  FoundListFromOutput(
      "X:3\r\nT:Lark\r\nF:/t/a.abc\r\nX:4\r\nT:Jig\r\nF:/t/a.abc\r\nT:B\r\nF:/t/b.abc\r\n", list);
  EXPECT_EQ(list.Text(), "/t/a.abc\n\t3 Lark\n\t4 Jig\n/t/b.abc\n\t4 B\n");
}

}  // namespace
}  // namespace tunora
