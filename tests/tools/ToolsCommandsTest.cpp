// tunora-cli tidy, transpose, chordwise and chords on real files.
#include <gtest/gtest.h>

#include "support/RunCli.h"

namespace tunora {
namespace {

using test::RunCli;
// A program directory with the chord types of the shipped style file.
class ToolsCli : public test::CliFixture {
 protected:
  ToolsCli() {
    std::filesystem::copy_file(std::string(TUNORA_SOURCE_DIR) + "/data/abcstyle.cfg",
                               home + "/abcstyle.cfg");
  }
};

const char* kTunes =
    "X:1\nT:Jig\nM:6/8\nK:D\n|:\"D\"FAd \"G\"B2A|\"A\"c3 e3:| % end\n"
    "\"D\"d3 \"Em/B\"e3|]\n\nX:2\nT:Air\nM:3/4\nL:1/4\nK:Am\nA B c|e2 d|c3|]\n";

TEST_F(ToolsCli, TidyWritesTheWholeTune) {
  std::string f = Write("t.abc", kTunes);
  auto r = RunCli({"tidy", f, "1", "--remove", "chords,comments", "--add", "barspaces", "--length",
                   "1/16", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "X:1\r\nT:Jig\r\nM:6/8\r\nL:1/16\r\nK:D\r\n|: F2A2d2 B4A2 | c6 e6 :|\r\n"
            "d6 e6 |]\r\n\r\n");
  r = RunCli({"tidy", f, "1", "--remove", "chords,colours", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("colours"), std::string::npos);
  r = RunCli({"tidy", f, "1", "--length", "1/0", "--home", home});
  EXPECT_EQ(r.status, 1);
}

TEST_F(ToolsCli, TransposeOneTuneOrAWholeFile) {
  std::string f = Write("t.abc", kTunes);
  auto r = RunCli({"transpose", f, "1", "--by", "-2", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "X:1\r\nT:Jig\r\nM:6/8\r\nK:C\r\n|:\"C\"EGc \"F\"A2G|\"G\"B3 d3:| % end\r\n"
            "\"C\"c3 \"Dm/A\"d3|]\r\n\r\n");
  // --to takes the nearest way, --octaves adds whole octaves.
  r = RunCli({"transpose", f, "2", "--to", "Cm", "--octaves", "1", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("K:Cm\r\nc' d' e'|g'2 f'|e'3|]"), std::string::npos) << r.out;

  std::string out = (dir / "up.abc").string();
  r = RunCli({"transpose", f, "--all", "--by", "5", "-o", out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string all = Read(out);
  // The collection keeps its file's line ends.
  EXPECT_NE(all.find("K:G\n|:\"G\"Bdg \"C\"e2d|\"D\"f3 a3:|"), std::string::npos) << all;
  EXPECT_NE(all.find("K:Dm\nd e f|a2 g|f3|]"), std::string::npos) << all;

  EXPECT_EQ(RunCli({"transpose", f, "1", "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"transpose", f, "1", "--by", "2", "--to", "E", "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"transpose", f, "--all", "--by", "2", "--home", home}).status, 1);
}

TEST_F(ToolsCli, ChordwiseAndViewChords) {
  std::string f = Write("t.abc", kTunes);
  auto r = RunCli({"chordwise", f, "2", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  // 3/4 goes per beat; Am, the tune's strongest triad, takes the plain A-B-c bar.
  EXPECT_NE(r.out.find("K:Am\r\n\"Am\"A"), std::string::npos) << r.out;
  r = RunCli({"chordwise", f, "1", "--remove", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("|:FAd B2A|c3 e3:| % end\r\nd3 e3|]"), std::string::npos) << r.out;
  r = RunCli({"chords", f, "1", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Jig\r\n\r\n |: D G | A :|\r\n D Em/B |]\r\n");
  // A tune that does not read: the message, and no chords set.
  std::string bad = Write("bad.abc", "X:1\nT:Bad\nK:C\n\"C\"CDE # F|\n");
  r = RunCli({"chordwise", bad, "1", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error in ABC tune.\nLine 1: '# F|'"), std::string::npos) << r.err;
  EXPECT_EQ(RunCli({"chordwise", f, "1", "--strangeness", "120", "--home", home}).status, 1);
}

}  // namespace
}  // namespace tunora
