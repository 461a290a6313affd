#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RunCli.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

using CliTest = test::CliFixture;

const char* kReels =
    "%abc\nO:Ireland\n\nX:1\nT:The Silver Spear\nT:Spear, The\nR:reel\nK:D\nFA|defe d2|\n\n"
    "X:2\nT:Drowsy Maggie\nR:reel\nK:Edor\nE2BE dEBE|\n\nplayed fast\nX:12\nT:Kesh, The\nR:jig\nK:G\nGAG|\n";

TEST_F(CliTest, ListShowsHeaderLineAndOneLinePerTune) {
  std::string f = Write("reels.abc", kReels);
  auto r = RunCli({"list", f, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 [preface text]\n1 The Silver Spear\n2 Drowsy Maggie\n12 Kesh, The\n");

  r = RunCli({"list", f, "--format", "%03X\\t%R|%x", "--home", home});
  EXPECT_EQ(r.out, "0 [preface text]\n001\treel|1\n002\treel|2\n012\tjig|3\n");

  // The settings of the program directory are used.
  std::ofstream(home + "/tunora.ini") << "[Preferences]\nTunelistFormat=%#T (%X)\nPreftextFormat=Header\n";
  r = RunCli({"list", f, "--home", home});
  EXPECT_EQ(r.out, "Header\nThe Silver Spear (1)\nDrowsy Maggie (2)\nKesh, The (12)\n");
}

TEST_F(CliTest, TuneWritesCanonicalTextWithCrLf) {
  std::string f = Write("reels.abc", kReels);
  auto r = RunCli({"tune", f, "2", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "X:2\r\nT:Drowsy Maggie\r\nR:reel\r\nK:Edor\r\nE2BE dEBE|\r\n\r\nplayed fast\r\n");
  for (const char* bad : {"0", "4", "x", "-1", "99999999999"}) {
    r = RunCli({"tune", f, bad, "--home", home});
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("no tune"), std::string::npos) << r.err;
  }
}

TEST_F(CliTest, SaveWritesCanonicalFileAndConvertsTeX) {
  std::string in = Write("in.abc", "X:1\nT:K\xe4se & Brot\nK:G\nabc\n");
  std::string out = (dir / "out.abc").string();
  auto r = RunCli({"save", in, out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out), "X:1\r\nT:K\xe4se & Brot\r\nK:G\r\nabc\r\n");

  r = RunCli({"save", in, out, "--tex", "--tex-escapes", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out), "X:1\r\nT:K\\\"ase \\& Brot\r\nK:G\r\nabc\r\n");
  // Reading it back with TeX on restores the letters.
  std::string back = (dir / "back.abc").string();
  ASSERT_EQ(RunCli({"save", out, back, "--home", home}).status, 0);
  r = RunCli({"format", out, "1", "%T", "--home", home});
  EXPECT_EQ(r.out, "K\\\"ase \\& Brot\n");
  r = RunCli({"format", out, "1", "%T", "--tex", "--home", home});
  EXPECT_EQ(r.out, "K\xe4se & Brot\n");
}

TEST_F(CliTest, FormatExpandsAgainstOneTune) {
  std::string f = Write("Reels.abc", kReels);
  auto r = RunCli({"format", f, "1", "%X %#T", "--title", "1", "--home", home});
  EXPECT_EQ(r.out, "1 Spear, The\n");
  r = RunCli({"format", f, "3", "[%5X][%3.2X]%% %#f.%*f %k %2k", "--extra", "one", "--extra", "two",
              "--home", home});
  EXPECT_EQ(r.out, "[12   ][12 ]% Reels.abc  two\n");
  r = RunCli({"format", f, "0", "%X|%T|", "--home", home});
  EXPECT_EQ(r.out, "0||\n");
  r = RunCli({"format", f, "1", "A\\tB %R", "--escapes", "--html", "--home", home});
  EXPECT_EQ(r.out, "A\tB reel\n");
}

TEST_F(CliTest, BadUsageAndUnreadableInputFailWithOneLine) {
  EXPECT_EQ(RunCli({}).status, 1);
  EXPECT_EQ(RunCli({"frobnicate"}).status, 1);
  auto r = RunCli({"list", (dir / "missing.abc").string(), "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.abc"), std::string::npos);
  r = RunCli({"list", dir.string(), "--home", home});
  EXPECT_EQ(r.status, 1);
  r = RunCli({"list", "a", "b", "--home", home});
  EXPECT_EQ(r.status, 1);
  r = RunCli({"list", "a", "--bogus", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--bogus"), std::string::npos);
  r = RunCli({"list", "a", "--format"});
  EXPECT_EQ(r.status, 1);
  r = RunCli({"save", Write("x.abc", "X:1\n"), (dir / "no" / "such" / "out.abc").string(), "--home", home});
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace tunora
