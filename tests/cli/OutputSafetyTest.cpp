// Where tunora-cli writes its output: never over a device or pipe node, into folders
// it makes, with every tune written even when one cannot be, and no partial files.
#include <sys/stat.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "support/RunCli.h"

namespace tunora::test {
namespace {

namespace fs = std::filesystem;

class OutputSafetyTest : public CliFixture {
 protected:
  std::string Tunes() {
    return Write("t.abc", "X:1\nT:One\nK:C\nCDEF|GABc|\n\nX:2\nT:Two\nK:G\nGABc|d4|\n");
  }
};

TEST_F(OutputSafetyTest, APipeIsWrittenThroughAndStaysAPipe) {
  const std::string fifo = scratch.File("pipe.mid");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    int fd = open(fifo.c_str(), O_RDONLY);
    char buf[4096];
    for (ssize_t n; fd >= 0 && (n = read(fd, buf, sizeof buf)) > 0;) received.append(buf, n);
    if (fd >= 0) close(fd);
  });
  CliResult r = RunCli({"midi", Tunes(), "1", "-o", fifo, "--home", home});
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(received.substr(0, 4), "MThd");
}

TEST_F(OutputSafetyTest, MissingFoldersAreMadeForEveryOutput) {
  const std::string tunes = Tunes();
  EXPECT_EQ(RunCli({"midi", tunes, "2", "-o", dir / "a/b/two.mid", "--home", home}).status, 0);
  EXPECT_TRUE(fs::is_regular_file(dir / "a/b/two.mid"));
  EXPECT_EQ(RunCli({"midi", tunes, "--all", "-o", dir / "c/d", "--home", home}).status, 0);
  EXPECT_TRUE(fs::is_regular_file(dir / "c/d/1-One.mid"));
}

// A tune whose file cannot be made is named, and the others are still written.
TEST_F(OutputSafetyTest, EveryTuneIsWrittenThatCanBe) {
  fs::create_directories(dir / "all/1-One.mid");  // a folder stands where the file would
  CliResult r = RunCli({"midi", Tunes(), "--all", "-o", dir / "all", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tunora-cli: Cannot write \"" + (dir / "all/1-One.mid").string() +
                       "\". (1 of 2 files not written)\n");
  EXPECT_TRUE(fs::is_regular_file(dir / "all/2-Two.mid"));
}

TEST_F(OutputSafetyTest, ALongTitleIsCutToAFileNameAndLaterTunesAreStillWritten) {
  std::string title;
  for (int k = 0; k < 300; ++k) title += "\xC3\x81";  // 600 bytes of UTF-8
  const std::string tunes =
      Write("long.abc", "X:1\nT:" + title + "\nK:C\nCDEF|\n\nX:2\nT:After\nK:C\nGABc|\n");
  CliResult r = RunCli({"midi", tunes, "--all", "-o", dir / "out", "--home", home});
  EXPECT_EQ(r.status, 0) << r.err;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir / "out")) {
    const std::string name = entry.path().filename().string();
    EXPECT_LE(name.size(), 255u);
    // Cut between characters: the name is still whole UTF-8 (ends in a full "Á").
    if (name.rfind("1-", 0) == 0) {
      EXPECT_EQ(name.substr(name.size() - 6), "\xC3\x81.mid");
    }
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(OutputSafetyTest, AWavOfAnEndlessTuneIsRefusedBeforeAnyFileIsMade) {
  const std::string tune = Write("huge.abc", "X:1\nT:Long\nL:1/4\nK:C\na99999999999|\n");
  const std::string wav = scratch.File("huge.wav");
  CliResult r = RunCli({"play", tune, "1", "--wav", wav, "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("limited to 2 hours"), std::string::npos) << r.err;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      EXPECT_EQ(entry.path().extension(), ".abc") << entry.path();
    }
  }
}

TEST_F(OutputSafetyTest, AWavTakesItsNameOnlyWhenWhole) {
  const std::string wav = (dir / "w/two.wav").string();
  CliResult r = RunCli({"play", Tunes(), "2", "--wav", wav, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(fs::file_size(wav), 44u);
  for (const auto& entry : fs::directory_iterator(dir / "w")) {
    EXPECT_EQ(entry.path().filename(), "two.wav");
  }
}

// --set takes what the options pages take: whole numbers inside each key's range.
TEST_F(OutputSafetyTest, SetValuesAreCheckedAgainstTheirRanges) {
  const std::string tunes = Tunes();
  auto events = [&](const std::string& set) {
    return RunCli({"events", tunes, "1", "--set", set, "--home", home});
  };
  for (const char* bad : {"PlayChords=banana", "Transpose=1000", "Transpose=-25", "Repeat=0",
                          "VelNoteBeat=128", "Repeat=2x", "Repeat="}) {
    CliResult r = events(bad);
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("takes a whole number from"), std::string::npos) << r.err;
  }
  for (const char* good :
       {"Transpose=-24", "transpose=+24", "Repeat=100", "PlayChords=0", "Drone=X,,X,,"}) {
    EXPECT_EQ(events(good).status, 0) << good;
  }
}

// Stray bytes in a tune draw as what they are; the toolkit's own font warnings never
// reach the terminal, and a failed page file gives one message of ours.
TEST_F(OutputSafetyTest, DrawingSaysOnlyWhatTheProgramSays) {
  std::string bytes = "X:1\nT:Noise\nK:C\n";
  uint32_t seed = 12345;
  for (int k = 0; k < 3000; ++k) {
    seed = seed * 1103515245u + 12345u;
    bytes += static_cast<char>(seed >> 24);
  }
  // The program directory of the build, which holds the notation font.
  CliResult r = RunCli({"render", Write("noise.abc", bytes), "1", "-o", dir / "n.png"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  Write("blocker", "");
  r = RunCli({"render", Tunes(), "1", "-o", dir / "blocker/x.png"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// One rule for a file without tunes: nothing to write is not a failure.
TEST_F(OutputSafetyTest, AFileWithoutTunesWritesNothingAndSucceeds) {
  const std::string empty = Write("empty.abc", "% only a header\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"midi", empty, "--all", "-o", dir / "m"},
        std::vector<std::string>{"render", empty, "--all", "-o", dir / "r.pdf"}}) {
    std::vector<std::string> full = args;
    full.insert(full.end(), {"--home", home});
    CliResult r = RunCli(full);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_NE(r.err.find("has no tunes; nothing written"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "r.pdf"));
  EXPECT_EQ(RunCli({"list", empty, "--home", home}).status, 0);
}

// A write that fails midway (the file-size limit of the process stands in for a full
// disk) leaves the original file as it was and nothing else behind, and says so.
TEST_F(OutputSafetyTest, AWriteThatFailsMidwayKeepsTheOriginal) {
  std::string tunes;
  for (int n = 1; n <= 400; ++n) {
    tunes += "X:" + std::to_string(n) + "\nT:Tune " + std::to_string(n) +
             "\nM:4/4\nL:1/8\nK:G\nGABc dedB|dBGB A2FA|\n\n";
  }
  const std::string in = Write("in.abc", tunes);
  const std::string target = Write("target.abc", "X:1\nT:Keep me\nK:C\nCDEF|\n");
  const std::string mid = Write("target.mid", "not really a MIDI file");
  auto limited = [&](const std::string& args) {
    // The signal of an oversized write is ignored, so the write itself fails (EFBIG).
    const std::string cmd = "trap '' XFSZ; ulimit -f 8; exec " + ShellQuote(TUNORA_CLI_PATH) + " " +
                            args + " --home " + ShellQuote(home) + " 2>&1";
    FILE* p = popen(("sh -c " + ShellQuote(cmd)).c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int raw = p != nullptr ? pclose(p) : -1;
    return std::make_pair(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out);
  };
  auto [status, said] = limited("save " + ShellQuote(in) + " " + ShellQuote(target));
  EXPECT_EQ(status, 1);
  EXPECT_NE(said.find("target.abc"), std::string::npos) << said;
  EXPECT_EQ(Read(target), "X:1\nT:Keep me\nK:C\nCDEF|\n");

  // A MIDI file of a long tune, over the same limit.
  std::string longTune = "X:1\nT:Long\nL:1/16\nK:C\n";
  for (int k = 0; k < 4000; ++k) longTune += "CDEF GABc|";
  Write("long.abc", longTune + "\n");
  std::tie(status, said) =
      limited("midi " + ShellQuote(scratch.File("long.abc")) + " 1 -o " + ShellQuote(mid));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Read(mid), "not really a MIDI file");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file();
  EXPECT_EQ(files, 4) << "a temporary file was left behind";
}

}  // namespace
}  // namespace tunora::test
