// tunora-cli tokens and key.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Golden.h"
#include "support/RunCli.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

using AbcCliTest = test::CliFixture;
using test::SplitLines;

TEST_F(AbcCliTest, KeyPrintsTheKeyRecord) {
  auto r = RunCli({"key", "D =c", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "tonic=62\nmode=major\nnoKey=0\nbagpipe=0\n"
            "letterAccidentals=0 0 0 0 0 1 0 0 0 0 0 0\n"
            "scale=62 64 66 67 69 71 60\n"
            "names=C C# D Eb E F= F# G G# A Bb B\n");
  auto hp = RunCli({"key", "HP", "--home", home});
  EXPECT_NE(hp.out.find("tonic=69\nmode=mixolydian\nnoKey=0\nbagpipe=1\n"), std::string::npos);
  EXPECT_EQ(RunCli({"key", "--home", home}).status, 1);
}

TEST_F(AbcCliTest, TokensOfATune) {
  std::string file = Write("t.abc",
                           "X:1\nT:One\nK:C\nC\n\nX:2\nT:Two\nM:6/8\nL:1/8\nQ:3/8=100\nK:G\n"
                           "d|\"G\"B>c !trill!d| 1F\n");
  auto r = RunCli({"tokens", file, "2", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = SplitLines(r.out);
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0],
            "init unit=96 bar=576 beat=288 offbeat=0 sub=96 beats=2 pickup=480 tempo=288/100 "
            "tonic=67 mode=major noKey=0");
  EXPECT_EQ(lines[1],
            "0 22 TK_NOTE pitch=74 written=74 letter=62 acc=0 wacc=0 len=96 notated=96 pre=96 "
            "broken=0/0 flags=0");
  EXPECT_EQ(lines[2], "1 12 TK_BAR");
  EXPECT_EQ(lines[3], "2 23 TK_CHORD_SYMBOL text=\"G\"");
  EXPECT_EQ(lines[4],
            "5 22 TK_NOTE pitch=71 written=71 letter=71 acc=0 wacc=0 len=144 notated=96 pre=144 "
            "broken=1/1 flags=0");
  EXPECT_EQ(lines[5], "6 28 TK_BROKEN value=1");
  EXPECT_EQ(lines[8], "9 54 trill text=\"trill\"");
  EXPECT_EQ(lines[10], "17 12 TK_BAR warn");
  EXPECT_EQ(lines[11], "20 19 TK_FIRST_ENDING");
  EXPECT_EQ(lines[lines.size() - 1].substr(lines.back().find(' ')), " 2 TK_END");

  auto plain = RunCli({"tokens", file, "2", "--no-decorations", "--home", home});
  EXPECT_NE(plain.out.find("9 24 TK_DECORATION_TEXT text=\"trill\""), std::string::npos);
  EXPECT_EQ(RunCli({"tokens", file, "3", "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"tokens", file, "1", "--symbols", "x", "--home", home}).status, 1);
}

TEST_F(AbcCliTest, TokensWithUserSymbols) {
  std::ofstream(home + "/userdef.abc", std::ios::binary)
      << "U: T = !trill!\r\nU: R = !roll!\r\nu: T = !turn!\r\n";
  std::string file = Write("s.abc", "U: R = !coda!\n\nX:1\nT:Symbols\nU: W = !wedge!\nK:C\nTRWH\n");
  auto drawn = RunCli({"tokens", file, "1", "--symbols", "U", "--home", home});
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  auto lines = SplitLines(drawn.out);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[1], "0 54 trill text=\"trill\"");  // the application set
  EXPECT_EQ(lines[2], "1 83 coda text=\"coda\"");    // the file header overrides it
  EXPECT_EQ(lines[3], "2 61 wedge text=\"wedge\"");  // the tune's own U: line
  EXPECT_EQ(lines[4], "3 38 TK_SYMBOL value=72");    // H: not defined
  auto played = RunCli({"tokens", file, "1", "--symbols", "u", "--home", home});
  EXPECT_NE(played.out.find("0 64 turn"), std::string::npos);
  EXPECT_NE(played.out.find("1 38 TK_SYMBOL value=82"), std::string::npos);
  auto none = RunCli({"tokens", file, "1", "--home", home});
  EXPECT_NE(none.out.find("0 38 TK_SYMBOL value=84"), std::string::npos);
}

TEST_F(AbcCliTest, ListShowsIncipits) {
  std::string file = Write("l.abc", "X:7\nT:Reel\nL:1/8\nK:D\nFA|d2fd A2FA|d2fd g2fe|\n");
  auto r = RunCli({"list", file, "--format", "%X %i", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("7 FA|d2fd A2FA|\n"), std::string::npos) << r.out;
}

// Reviewed token listings: every tune of each tests/abc/golden/NAME.abc, read with the
// words of its "% args:" line, against NAME.tokens. Each tune shows one rule of the
// reader (notes, lengths, tuplets, chords, graces, bars, fields, decorations, user
// symbols, the pickup).
TEST_F(AbcCliTest, TokenListingsAsReviewed) {
  const fs::path folder = fs::path(TUNORA_SOURCE_DIR) / "tests" / "abc" / "golden";
  const std::vector<fs::path> inputs = test::GoldenInputs(folder);
  ASSERT_GE(inputs.size(), 10u);
  for (const fs::path& abc : inputs) {
    SCOPED_TRACE(abc.filename().string());
    std::vector<std::string> options;
    int tunes = 0;
    for (const std::string& line : test::SplitLines(test::ReadFile(abc.string()))) {
      if (line.rfind("X:", 0) == 0) ++tunes;
      if (line.rfind("% args:", 0) != 0) continue;
      std::istringstream words(line.substr(7));
      for (std::string w; words >> w;) options.push_back(w);
    }
    std::string listing;
    for (int n = 1; n <= tunes; ++n) {
      std::vector<std::string> args{"tokens", abc.string(), std::to_string(n), "--home", home};
      args.insert(args.end(), options.begin(), options.end());
      const test::CliResult r = RunCli(args);
      ASSERT_EQ(r.status, 0) << r.err;
      listing += "tune " + std::to_string(n) + "\n" + r.out;
    }
    test::ExpectListing(fs::path(abc).replace_extension(".tokens"), listing);
  }
}

// Reviewed key records: each line of tests/abc/golden/keys.txt as a K: field.
TEST_F(AbcCliTest, KeyListingAsReviewed) {
  const fs::path folder = fs::path(TUNORA_SOURCE_DIR) / "tests" / "abc" / "golden";
  std::string listing;
  for (const std::string& text : SplitLines(test::ReadFile((folder / "keys.txt").string()))) {
    const test::CliResult r = RunCli({"key", text, "--home", home});
    ASSERT_EQ(r.status, 0) << text << ": " << r.err;
    listing += "K:" + text + "\n" + r.out;
  }
  test::ExpectListing(folder / "keys.listing", listing);
}

}  // namespace
}  // namespace tunora
