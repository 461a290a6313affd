// tunora-cli midi, events and check, with --set overrides and the style file of
// the program directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "SmfReader.h"
#include "support/RunCli.h"

namespace tunora {
namespace {

using test::RunCli;

class PlayCommandsTest : public test::CliFixture {
 protected:
  std::string Tunes() {
    return Write("t.abc",
                 "X:12\nT:The Kesh\nM:6/8\nL:1/8\nQ:3/8=116\nK:G\n\"G\"G3 GAB|\"D\"A3 ABd|\n\n"
                 "X:3\nT:Odd: One?\nM:4/4\nL:1/4\nK:C\nC D E|F # G A|\n");
  }
  void StyleFile() {
    std::ofstream(home + "/abcstyle.cfg", std::ios::binary)
        << "chord { name ; notes 0 4 7; }\nbacking { name b; use; meter 6/8: a3 [b3c3]; }\n";
  }
};

TEST_F(PlayCommandsTest, MidiOfOneTuneAndOfAll) {
  const std::string file = Tunes();
  StyleFile();
  const std::string out = scratch.File("kesh.mid");
  auto r = RunCli({"midi", file, "1", "-o", out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  test::SmfFile f = test::ReadSmf(Read(out));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.trackCount, 3);  // conductor, melody, backing
  auto plain = RunCli({"midi", file, "1", "-o", out, "--set", "PlayChords=0", "--home", home});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(test::ReadSmf(Read(out)).trackCount, 2);

  const std::string allDir = scratch.File("all");
  auto all = RunCli({"midi", file, "--all", "-o", allDir, "--home", home});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_TRUE(std::filesystem::exists(allDir + "/12-The Kesh.mid"));
  EXPECT_TRUE(std::filesystem::exists(allDir + "/3-Odd One.mid"));

  EXPECT_EQ(RunCli({"midi", file, "3", "-o", out, "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"midi", file, "1", "--home", home}).status, 1);
  EXPECT_EQ(RunCli({"midi", file, "1", "-o", out, "--set", "NoSuchKey=1", "--home", home}).status,
            1);
}

// Enough tunes to be shared out among threads; of two tunes with the same file
// name the later one is in the folder, as when they are written one by one.
TEST_F(PlayCommandsTest, MidiOfAllKeepsTheLaterOfTwoEqualNames) {
  std::string text;
  for (int x = 1; x <= 150; ++x) {
    text += "X:" + std::to_string(x) + "\nT:Tune\nM:2/4\nL:1/8\nK:D\n\"D\"DF AF|\"A\"EG FE|\n\n";
  }
  text += "X:7\nT:Tune\nM:2/4\nL:1/8\nK:D\nDF AF|EG FE|\n\n";  // no chords: no backing track
  const std::string file = Write("many.abc", text);
  StyleFile();
  const std::string manyDir = scratch.File("many");
  auto all = RunCli({"midi", file, "--all", "-o", manyDir, "--home", home});
  ASSERT_EQ(all.status, 0) << all.err;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(manyDir)) {
    test::SmfFile f = test::ReadSmf(Read(entry.path().string()));
    EXPECT_EQ(f.error, "") << entry.path();
    EXPECT_EQ(f.trackCount, entry.path().filename() == "7-Tune.mid" ? 2 : 3) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, 150);
}

// The earlier of two tunes with one file name is long and taken up while the later one
// is still being read (megabytes of text after the tune between them keep the reading
// busy): its file would be done last, yet the later tune's is the one that stays.
TEST_F(PlayCommandsTest, MidiOfAllKeepsTheLaterNameWhenTheEarlierTuneIsLong) {
  std::string text = "X:1\nT:Same\nM:2/4\nL:1/8\nK:D\n";
  for (int bar = 0; bar < 60000; ++bar) text += "\"D\"DF AF|";
  text += "\n\nX:2\nT:Between\nK:D\nDF AF|\n\n";
  for (int line = 0; line < 150000; ++line) text += "notes on the tune above\n";
  text += "\nX:1\nT:Same\nM:2/4\nL:1/8\nK:D\nDF AF|\n\n";
  const std::string file = Write("long.abc", text);
  StyleFile();
  const std::string longDir = scratch.File("long");
  auto all = RunCli({"midi", file, "--all", "-o", longDir, "--home", home});
  ASSERT_EQ(all.status, 0) << all.err;
  test::SmfFile f = test::ReadSmf(Read(longDir + "/1-Same.mid"));
  EXPECT_EQ(f.error, "");
  EXPECT_EQ(f.trackCount, 2);  // the short tune's: no chords, no backing track
}

TEST_F(PlayCommandsTest, EventsListing) {
  const std::string file = Tunes();
  auto r = RunCli({"events", file, "2", "--set", "Repeat=1", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Dtime\tStatus\tData1\tData2\tData3\tTime");
  // Tempo first (no Q:: 120 beats of the meter, here half notes: 250000 = 03 D0 90).
  EXPECT_NE(r.out.find("\n0\t00\t3\t208\t144\t0\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n0\tc0\t110\t0\t0\t0\n"), std::string::npos);  // Fiddle
  auto fast = RunCli({"events", file, "2", "--speed", "200", "--home", home});
  EXPECT_NE(fast.out.find("\n0\t00\t1\t232\t72\t0\n"), std::string::npos);  // 125000
  auto twice = RunCli({"events", file, "2", "--set", "Repeat=2", "--home", home});
  EXPECT_GT(twice.out.size(), r.out.size() * 3 / 2);
}

TEST_F(PlayCommandsTest, CheckListsErrorsAndSucceeds) {
  const std::string file = Tunes();
  auto one = RunCli({"check", file, "2", "--home", home});
  EXPECT_EQ(one.status, 0);
  EXPECT_NE(one.out.find("L 1: Warning: Too many or too few notes in bar: "), std::string::npos);
  EXPECT_NE(one.out.find("L 1: Error in ABC tune.: # G A|"), std::string::npos);
  EXPECT_EQ(one.out.substr(one.out.size() - 2), "\r\n");
  auto all = RunCli({"check", file, "--home", home});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out.rfind("== 2 3 Odd: One?\n", 0), 0u);
  auto quiet = RunCli({"check", file, "2", "--set", "WarnBarLen=0", "--home", home});
  EXPECT_EQ(quiet.out.find("Too many"), std::string::npos);
  auto clean = RunCli({"check", file, "1", "--home", home});
  EXPECT_EQ(clean.out, "");
}

TEST_F(PlayCommandsTest, BrokenStyleFileIsReported) {
  const std::string file = Tunes();
  std::ofstream(home + "/abcstyle.cfg", std::ios::binary)
      << "chord { name ; notes 0 4 7; }\n\nnonsense\n";
  auto r = RunCli({"midi", file, "1", "-o", scratch.File("x.mid"), "--home", home});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Error in " + home + "/abcstyle.cfg, line 3"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tunora
