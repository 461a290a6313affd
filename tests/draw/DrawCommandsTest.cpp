// tunora-cli render, layout and symbols, run as separate processes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/RunCli.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

class DrawCommands : public test::CliFixture {
 protected:
  DrawCommands() {
    fs::create_directories(fs::path(home) / "fonts");
    fs::copy_file(TUNORA_SOURCE_DIR "/data/fonts/MusicalSymbols.ttf",
                  fs::path(home) / "fonts" / "MusicalSymbols.ttf");
    fs::copy_file(TUNORA_SOURCE_DIR "/data/layout.cfg", fs::path(home) / "layout.cfg");
    samples = TUNORA_SOURCE_DIR "/data/samples/traditional.abc";
  }
  std::string Out(const std::string& name) { return (dir / name).string(); }
  std::string samples;
};

TEST_F(DrawCommands, OneTuneToEachFormat) {
  auto r =
      test::RunCli({"render", samples, "1", "-o", Out("t.png"), "--dpi", "40", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Out("t.png") + "\n");
  EXPECT_EQ(Read(Out("t.png")).substr(1, 3), "PNG");
  EXPECT_EQ(r.err, "");  // the font was found

  r = test::RunCli({"render", samples, "1", "-o", Out("t.pdf"), "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(Out("t.pdf")).substr(0, 4), "%PDF");

  r = test::RunCli(
      {"render", samples, "1", "-o", Out("t.svg"), "--paper", "letter", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string svg = Read(Out("t.svg"));
  EXPECT_NE(svg.find("width=\"215.90mm\" height=\"279.40mm\""), std::string::npos);
  EXPECT_NE(svg.find("Drowsy Maggie"), std::string::npos);
}

// The listing of a tune drawn with the real fonts: every item's byte range is the ABC it
// came from in the text "tune FILE N" prints.
TEST_F(DrawCommands, LayoutListsItemsWithTheirSourceBytes) {
  std::string abc = Out("t.abc");
  {
    std::ofstream f(abc, std::ios::binary);
    f << "X:3\r\nT:Listing\r\nM:2/4\r\nL:1/8\r\nK:D\r\n\"A7\"^c2 [DF]A|]\r\n";
  }
  auto tune = test::RunCli({"tune", abc, "1", "--home", home});
  auto r = test::RunCli({"layout", abc, "1", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::vector<std::string> notes, chords;
  bool clef = false;
  while (std::getline(lines, line)) {
    std::istringstream f(line);
    int page, system, staff, x, y, begin, end;
    std::string kind, symbol;
    ASSERT_TRUE(f >> page >> system >> staff >> kind >> symbol >> x >> y >> begin >> end) << line;
    EXPECT_EQ(page, 1);
    EXPECT_LT(y, 0) << line;
    if (kind == "clef") clef = clef || symbol == "g_clef";
    if (begin < 0) continue;
    ASSERT_LE(static_cast<size_t>(end), tune.out.size()) << line;
    std::string source =
        tune.out.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin));
    if (kind == "note") notes.push_back(source);
    if (kind == "chord") chords.push_back(source);
  }
  EXPECT_TRUE(clef);
  EXPECT_EQ(notes, (std::vector<std::string>{"^c2", "D", "F", "A"}));
  EXPECT_EQ(chords, (std::vector<std::string>{"\"A7\""}));
  r = test::RunCli({"layout", abc, "2", "--home", home});
  EXPECT_EQ(r.status, 1);
}

TEST_F(DrawCommands, AllTunesNumberThePageFiles) {
  auto r = test::RunCli({"render", samples, "--all", "-o", Out("all.svg"), "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(Out("all.svg")));
  EXPECT_TRUE(fs::exists(Out("all-1.svg")));
  EXPECT_TRUE(fs::exists(Out("all-2.svg")));
  EXPECT_NE(r.out.find(Out("all-2.svg") + "\n"), std::string::npos);
  size_t pages = 0;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().rfind("all-", 0) == 0) ++pages;
  EXPECT_GE(pages, 8u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), static_cast<long>(pages));
  // Without N every tune is drawn as well; a PDF holds them all in one file.
  r = test::RunCli({"render", samples, "-o", Out("all.pdf"), "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Out("all.pdf") + "\n");
}

TEST_F(DrawCommands, BadArgumentsFailWithAMessage) {
  auto r = test::RunCli({"render", samples, "1", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("usage: tunora-cli render"), std::string::npos);
  r = test::RunCli({"render", samples, "1", "-o", Out("x.gif"), "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(".pdf, .svg or .png"), std::string::npos);
  r = test::RunCli({"render", samples, "99", "-o", Out("x.png"), "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no tune 99"), std::string::npos);
  r = test::RunCli({"render", samples, "1", "-o", Out("x.png"), "--paper", "b5", "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"render", samples, "1", "-o", Out("x.png"), "--dpi", "5", "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"render", samples, "1", "--all", "-o", Out("x.png"), "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"render", Out("missing.abc"), "-o", Out("x.png"), "--home", home});
  EXPECT_EQ(r.status, 1);
  r = test::RunCli({"render", samples, "1", "-o", Out("no/such/dir/x.pdf"), "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(Out("x.png")));
}

TEST_F(DrawCommands, SymbolChart) {
  auto r = test::RunCli({"symbols", "-o", Out("chart.png"), "--dpi", "40", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(Out("chart.png")).substr(1, 3), "PNG");
  r = test::RunCli({"symbols", "-o", Out("chart.svg"), "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string svg = Read(Out("chart.svg"));
  EXPECT_NE(svg.find("Quarter Note, Stem Up"), std::string::npos);
  EXPECT_NE(svg.find("<use"), std::string::npos);
  r = test::RunCli({"symbols", "--home", home});
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace tunora
