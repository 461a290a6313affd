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
    "X:2\nT:Drowsy Maggie\nR:reel\nK:Edor\nE2BE dEBE|\n\nplayed fast\nX:12\nT:Kesh, "
    "The\nR:jig\nK:G\nGAG|\n";

TEST_F(CliTest, ListShowsHeaderLineAndOneLinePerTune) {
  std::string f = Write("reels.abc", kReels);
  auto r = RunCli({"list", f, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 [preface text]\n1 The Silver Spear\n2 Drowsy Maggie\n12 Kesh, The\n");

  r = RunCli({"list", f, "--format", "%03X\\t%R|%x", "--home", home});
  EXPECT_EQ(r.out, "0 [preface text]\n001\treel|1\n002\treel|2\n012\tjig|3\n");

  // The settings of the program directory are used.
  std::ofstream(home + "/tunora.ini")
      << "[Preferences]\nTunelistFormat=%#T (%X)\nPreftextFormat=Header\n";
  r = RunCli({"list", f, "--home", home});
  EXPECT_EQ(r.out, "Header\nThe Silver Spear (1)\nDrowsy Maggie (2)\nKesh, The (12)\n");
}

TEST_F(CliTest, TuneWritesCanonicalTextWithCrLf) {
  std::string f = Write("reels.abc", kReels);
  auto r = RunCli({"tune", f, "2", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "X:2\r\nT:Drowsy Maggie\r\nR:reel\r\nK:Edor\r\nE2BE dEBE|\r\n\r\nplayed fast\r\n");
  for (const char* bad : {"0", "4", "x", "-1", "99999999999"}) {
    r = RunCli({"tune", f, bad, "--home", home});
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("no tune"), std::string::npos) << r.err;
  }
}

TEST_F(CliTest, SaveKeepsTheFileOrWritesCanonicalFormAndConvertsTeX) {
  const std::string text = "%abc\n\nX: 1\nT:K\xe4se & Brot\nK:G\nabc\n";
  std::string in = Write("in.abc", text);
  std::string out = (dir / "out.abc").string();
  auto r = RunCli({"save", in, out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out), text);
  r = RunCli({"save", "--canonical", in, out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out), "%abc\r\n\r\nX:1\r\nT:K\xe4se & Brot\r\nK:G\r\nabc\r\n");

  r = RunCli({"save", in, out, "--canonical", "--tex", "--tex-escapes", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out), "%abc\r\n\r\nX:1\r\nT:K\\\"ase \\& Brot\r\nK:G\r\nabc\r\n");
  // Read back with TeX on, the letters return; text for people is printed as UTF-8.
  r = RunCli({"format", out, "1", "%T", "--home", home});
  EXPECT_EQ(r.out, "K\\\"ase \\& Brot\n");
  r = RunCli({"format", out, "1", "%T", "--tex", "--home", home});
  EXPECT_EQ(r.out, "K\xc3\xa4se & Brot\n");
}

TEST_F(CliTest, OptionsGoAnywhereAndHelpPrintsUsage) {
  std::string f = Write("reels.abc", kReels);
  auto r = RunCli({"--home", home, "list", "--format", "%X", f});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 [preface text]\n1\n2\n12\n");
  r = RunCli({"--home=" + home, "tune", f, "3"});
  EXPECT_EQ(r.status, 0) << r.err;

  r = RunCli({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("save IN OUT"), std::string::npos);
  r = RunCli({"save", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "usage: tunora-cli save IN OUT [--canonical] [--tex] [--tex-escapes]\n");
  r = RunCli({"--home", home, "frobnicate", f});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("usage:"), std::string::npos);
}

// A code page 1252 file prints its titles as UTF-8; ABC text keeps the file's bytes.
TEST_F(CliTest, TextForPeopleIsUtf8) {
  std::string f = Write("cp.abc",
                        "X:1\nT:Caf\xe9 \x93"
                        "Brel\x94\nK:G\nabc\n");
  auto r = RunCli({"list", f, "--home", home});
  EXPECT_EQ(r.out,
            "0 [preface text]\n1 Caf\xc3\xa9 \xe2\x80\x9c"
            "Brel\xe2\x80\x9d\n");
  r = RunCli({"tune", f, "1", "--home", home});
  EXPECT_NE(r.out.find("T:Caf\xe9 \x93"), std::string::npos);
  std::string u = Write("utf.abc", "X:1\nT:Caf\xc3\xa9\nK:G\nabc\n");
  r = RunCli({"list", u, "--home", home});
  EXPECT_EQ(r.out, "0 [preface text]\n1 Caf\xc3\xa9\n");
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
  EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
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
  // A file stands where the output's folder would be made.
  r = RunCli({"save", Write("x.abc", "X:1\n"), (dir / "x.abc" / "such" / "out.abc").string(),
              "--home", home});
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace tunora
