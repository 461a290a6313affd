// tunora-cli play --wav: the sample tunes rendered through the built-in synth and
// measured with sox. Each file lasts as long as its tempo map says, is not silent,
// and without chord playing the backing is silent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/RunCli.h"

namespace tunora {
namespace {

using test::RunCli;

// What a command prints on standard output ("" when it cannot run).
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

bool HaveSox() { return !Capture("command -v sox soxi 2>/dev/null").empty(); }

double DurationOf(const std::string& wav) {
  return std::atof(Capture("soxi -D " + test::ShellQuote(wav) + " 2>/dev/null").c_str());
}

// The largest sample value of the file, from 0 to 1.
double PeakOf(const std::string& wav) {
  const std::string stat = Capture("sox " + test::ShellQuote(wav) + " -n stat 2>&1");
  const size_t at = stat.find("Maximum amplitude:");
  const size_t min = stat.find("Minimum amplitude:");
  if (at == std::string::npos || min == std::string::npos) return -1;
  return std::max(std::atof(stat.c_str() + at + 18), -std::atof(stat.c_str() + min + 18));
}

// The seconds from the start to the last event of an event listing, reading the
// tempo events (status 00) where they stand; 192 ticks a quarter note.
double ListedSeconds(const std::string& listing) {
  std::istringstream in(listing);
  std::string line;
  std::getline(in, line);  // the column heads
  double seconds = 0, tempo = 500000;
  unsigned delta, status, d1, d2, d3, time;
  while (std::getline(in, line)) {
    if (std::sscanf(line.c_str(), "%u\t%x\t%u\t%u\t%u\t%u", &delta, &status, &d1, &d2, &d3,
                    &time) != 6) {
      continue;
    }
    seconds += delta / 192.0 * tempo / 1e6;
    if (status == 0) tempo = (d1 << 16) | (d2 << 8) | d3;
  }
  return seconds;
}

class PlayWavTest : public test::CliFixture {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    std::filesystem::copy_file(TUNORA_SOURCE_DIR "/data/abcstyle.cfg", home + "/abcstyle.cfg");
  }
  const std::string samples = TUNORA_SOURCE_DIR "/data/samples/traditional.abc";
};

TEST_F(PlayWavTest, SampleTunesLastAsLongAsTheirTempoSaysAndSound) {
  for (int n = 1; n <= 20; ++n) {
    SCOPED_TRACE("tune " + std::to_string(n));
    const std::string wav = scratch.File("tune" + std::to_string(n) + ".wav");
    auto r = RunCli({"play", samples, std::to_string(n), "--wav", wav, "--home", home});
    ASSERT_EQ(r.status, 0) << r.err;
    auto listing = RunCli({"events", samples, std::to_string(n), "--home", home});
    ASSERT_EQ(listing.status, 0) << listing.err;
    const double expected = ListedSeconds(listing.out);
    ASSERT_GT(expected, 5);
    EXPECT_NEAR(DurationOf(wav), expected, expected * 0.02);
    EXPECT_GT(PeakOf(wav), 0.05) << "silent";
  }
}

TEST_F(PlayWavTest, RepeatAndSpeedChangeTheLength) {
  const std::string once = scratch.File("once.wav"), twice = scratch.File("twice.wav");
  const std::string fast = scratch.File("fast.wav");
  ASSERT_EQ(RunCli({"play", samples, "3", "--wav", once, "--home", home}).status, 0);
  ASSERT_EQ(
      RunCli({"play", samples, "3", "--wav", twice, "--set", "Repeat=2", "--home", home}).status,
      0);
  ASSERT_EQ(
      RunCli({"play", samples, "3", "--wav", fast, "--set", "SpeedPercent=200", "--home", home})
          .status,
      0);
  const double base = DurationOf(once);
  EXPECT_NEAR(DurationOf(twice), 2 * base, base * 0.02);
  EXPECT_NEAR(DurationOf(fast), base / 2, base * 0.02);
}

TEST_F(PlayWavTest, WithoutChordPlayingTheBackingIsSilent) {
  // The melody and the drone silenced, so that only the backing can sound.
  const std::vector<std::string> quiet = {
      "--set",          "VelNoteBeat=0", "--set",      "VelNoteOffbeat=0", "--set",
      "VelNoteOther=0", "--set",         "VelDrone=0", "--home",           home};
  auto render = [&](const std::string& name, const std::string& chords) {
    const std::string wav = scratch.File(name);
    std::vector<std::string> args = {
        "play", samples, "1", "--wav", wav, "--set", "PlayChords=" + chords};
    args.insert(args.end(), quiet.begin(), quiet.end());
    auto r = RunCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return wav;
  };
  EXPECT_GT(PeakOf(render("backing.wav", "1")), 0.02) << "the backing does not sound";
  EXPECT_LT(PeakOf(render("none.wav", "0")), 0.001) << "something sounds without chords";
}

TEST_F(PlayWavTest, BadDeviceAndBadTuneAreRefused) {
  auto r = RunCli({"play", samples, "1", "--device", "No Such Synth", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No Such Synth"), std::string::npos) << r.err;
  EXPECT_EQ(RunCli({"play", samples, "99", "--wav", scratch.File("x.wav"), "--home", home}).status,
            1);
}

}  // namespace
}  // namespace tunora
