// tunora-cli import: files of the three kinds into one ABC collection; a file that
// fails is told on standard error while the others still convert.
#include <gtest/gtest.h>

#include "support/RunCli.h"

namespace tunora::test {
namespace {

class ImportCommandsTest : public CliFixture {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(TUNORA_SOURCE_DIR) + "/data/abcbmw.cfg",
                               home + "/abcbmw.cfg");
  }
};

TEST_F(ImportCommandsTest, ConvertsEachKindIntoOneCollection) {
  const std::string bww =
      Write("reel.bww", "Bagpipe Reader:1.0\r\n\"Reel\",(T,L)\r\n& 2_4 gg LA_4 B_4 !t\r\n");
  const std::string bgp = Write("pipe.bgp", "Bgp Tune\n{$24@70 A4B4|}\n");
  const std::string sng = Write("song", "N-Song\r\nK-G\r\nB-3/4\r\nM-G-4 a-4 b-4 S-6\r\n");
  const std::string none = (dir / "none.bww").string();
  CliResult r = RunCli({"import", bww, none, bgp, sng, "--type", "sw", "--home", home});
  // --type applies to every file: only the SongWright file is one.
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("X:1\nT:Song\n"), 0u) << r.out;

  r = RunCli({"import", bww, none, bgp, sng, "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("none.bww"), std::string::npos);
  const size_t reel = r.out.find("X:1\nT:Reel\n");
  const size_t pipe = r.out.find("X:2\nT:Bgp Tune\n");
  const size_t song = r.out.find("X:3\nT:Song\n");
  ASSERT_NE(reel, std::string::npos) << r.out;
  ASSERT_NE(pipe, std::string::npos) << r.out;
  ASSERT_NE(song, std::string::npos) << r.out;
  EXPECT_TRUE(reel < pipe && pipe < song);
  EXPECT_NE(r.out.find("{g}A2 B2 |"), std::string::npos);
  EXPECT_NE(r.out.find("K:Hp\nA2 B2  |"), std::string::npos);
  EXPECT_NE(r.out.find("K:G\nG2 A2 B2 |"), std::string::npos);

  r = RunCli({"import", bww, "-o", (dir / "out.abc").string(), "--home", home});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(Read((dir / "out.abc").string()).find("T:Reel\n"), std::string::npos);
}

TEST_F(ImportCommandsTest, BadUsageAndAMissingTable) {
  EXPECT_EQ(RunCli({"import", "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"import", "x.bww", "--type", "midi", "--home", home}).status, 1);
  std::filesystem::remove(home + "/abcbmw.cfg");
  const std::string bww = Write("a.bww", "& LA_4 !t\r\n");
  CliResult r = RunCli({"import", bww, "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("abcbmw.cfg"), std::string::npos);
}

}  // namespace
}  // namespace tunora::test
