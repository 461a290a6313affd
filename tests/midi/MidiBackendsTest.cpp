// The real devices: the built-in synth live (through FluidSynth's file audio driver) and
// rendering WAV files, measured with sox; the device list and the devices command.
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "midi/MidiTestSupport.h"
#include "platform/midi/MidiBackends.h"
#include "support/RunCli.h"
#include "support/Scratch.h"

namespace tunora::test {
namespace {

using namespace std::chrono_literals;

// The C major scale from middle C in quarter notes (192 ticks) at the tempo given,
// each note held for its whole length, on the melody instrument of the settings.
std::vector<MidiEvent> Scale(uint32_t tempo) {
  std::vector<MidiEvent> e{TempoEvent(0, tempo), MidiEvent{0, 0xC0, 70, 0, 0}};
  const uint8_t keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
  for (uint8_t k : keys) {
    e.push_back(NoteOn(0, k, 90));
    e.push_back(NoteOn(192, k, 0));
  }
  return e;
}

// Plays events through the port on a fresh sync, feeding from the room notices, and
// closes everything in the order of a stop. The result of CloseMidiOut.
struct Player {
  Notices notices;  // outlives the library's timer thread
  MidiLib lib;
  int closed = -1;
  MidiSync sync = 0;

  bool Play(const std::shared_ptr<MidiPort>& port, const std::vector<MidiEvent>& events,
            size_t capacity = kMidiQueueCapacity, const std::function<void()>& midway = {}) {
    sync = lib.OpenSync(notices.Notify());
    const MidiOut out = lib.OpenMidiOut(port, sync, capacity);
    if (out == 0) {
      lib.CloseSync(sync);
      return false;
    }
    lib.SetResolution(sync, 192);
    size_t next = 0;
    auto feed = [&] {
      while (next < events.size() && lib.PutMidiOut(out, events[next]) == kMidiOk) ++next;
    };
    feed();
    lib.StartSync(sync);
    if (midway) midway();
    int seen = 0;
    while (next < events.size()) {
      if (!notices.WaitRoom(seen)) break;
      seen = notices.Room();
      feed();
    }
    bool done = next == events.size();
    while (done) {
      const int empties = notices.Empty();
      if (lib.QueuedEvents(out) == 0) break;
      done = notices.WaitEmpty(empties);
    }
    lib.StopSync(sync);
    lib.ResetMidiOut(out);
    closed = lib.CloseMidiOut(out);
    lib.CloseSync(sync);
    return done;
  }
};

class MidiBackends : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed (scripts/install-deps installs it)";
    std::string path, error;
    if (!FindSoundFont("", path, error)) GTEST_SKIP() << error;
    options.soundFont = QuickSoundFont();
  }
  ScratchDir scratch{"tunora-midi-"};
  MidiBackendOptions options;
};

TEST_F(MidiBackends, RenderedScaleHasItsLengthAndIsNotSilent) {
  // The installed default SoundFont, as the application loads it.
  const std::string wav = scratch.File("scale.wav");
  Player p;
  ASSERT_TRUE(p.Play(MakeWavRenderer(wav, MidiBackendOptions{}), Scale(500000)))
      << p.lib.LastError();
  EXPECT_EQ(p.closed, kMidiOk);
  const WavMeasure m = MeasureWav(wav);
  EXPECT_EQ(m.rate, kWavSampleRate);
  EXPECT_EQ(m.channels, 2);
  EXPECT_EQ(m.samples, 4 * kWavSampleRate) << "eight quarter notes at 120 a minute";
  EXPECT_GT(m.rms, 0.01) << "silent";
  // Each note sounds in its own half second at its own pitch (within a quarter tone).
  const std::vector<float> left = ReadWavLeft(wav);
  const uint8_t keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
  for (int i = 0; i < 8; ++i) {
    const double expected = 440 * std::pow(2.0, (keys[i] - 69) / 12.0);
    EXPECT_NEAR(PitchAt(left, kWavSampleRate, i * 0.5 + 0.1, 0.25), expected, expected * 0.03)
        << "note " << i;
  }
}

TEST_F(MidiBackends, TempoEventsChangeTheRenderedLength) {
  // Four quarters at 120 a minute, four at 240, one at 60: 2 + 1 + 1 seconds.
  std::vector<MidiEvent> e{TempoEvent(0, 500000)};
  for (uint8_t k = 0; k < 4; ++k) e.push_back(NoteOn(k == 0 ? 0 : 192, 60 + k));
  e.push_back(TempoEvent(192, 250000));
  for (uint8_t k = 0; k < 4; ++k) e.push_back(NoteOn(k == 0 ? 0 : 192, 64 + k));
  e.push_back(TempoEvent(192, 1000000));
  e.push_back(NoteOn(192, 64, 0));
  const std::string wav = scratch.File("tempo.wav");
  Player p;
  ASSERT_TRUE(p.Play(MakeWavRenderer(wav, options), e)) << p.lib.LastError();
  EXPECT_EQ(MeasureWav(wav).samples, 4 * kWavSampleRate);
}

TEST_F(MidiBackends, SmallQueueFeedsALongRenderFromRoomNotices) {
  // A minute of eighth notes at 120 a minute through a queue of 32 events.
  std::vector<MidiEvent> e{TempoEvent(0, 500000)};
  for (int i = 0; i < 240; ++i) {
    e.push_back(NoteOn(0, static_cast<uint8_t>(48 + i % 24)));
    e.push_back(NoteOn(96, static_cast<uint8_t>(48 + i % 24), 0));
  }
  const std::string wav = scratch.File("long.wav");
  Player p;
  ASSERT_TRUE(p.Play(MakeWavRenderer(wav, options), e, 32)) << p.lib.LastError();
  EXPECT_EQ(MeasureWav(wav).samples, 60 * kWavSampleRate);
  // The whole minute came out of a queue of 32: the feeding went on after room notices
  // (how many depends on how far the render, which runs ahead, gets between feeds).
  EXPECT_GE(p.notices.Room(), 1);
}

TEST_F(MidiBackends, PausedRenderMakesTheSameFile) {
  std::vector<MidiEvent> e = Scale(500000);
  for (int i = 0; i < 3; ++i) {
    const std::vector<MidiEvent> s = Scale(400000);
    e.insert(e.end(), s.begin(), s.end());
  }
  const std::string plain = scratch.File("plain.wav"), paused = scratch.File("paused.wav");
  Player a;
  ASSERT_TRUE(a.Play(MakeWavRenderer(plain, options), e));
  Player b;
  // A queue of 32 holds the render back until it is fed: the pause comes early.
  ASSERT_TRUE(b.Play(MakeWavRenderer(paused, options), e, 32, [&b] {
    const uint64_t at = b.lib.SyncPosition(b.sync);
    b.lib.PauseSync(b.sync, 0);
    b.lib.PauseSync(b.sync, 0);
    const uint64_t held = b.lib.SyncPosition(b.sync);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(b.lib.SyncPosition(b.sync), held) << "the render holds while paused";
    EXPECT_LT(at, 4u * 8 * 192) << "paused before the end";
    b.lib.ReStartSync(b.sync);
  }));
  const std::string x = ReadFile(plain), y = ReadFile(paused);
  EXPECT_EQ(x.size(), y.size());
  EXPECT_TRUE(x == y) << "pausing changed the rendered sound";
}

TEST_F(MidiBackends, BuiltInSynthPlaysLiveThroughAnAudioDriver) {
  const std::string wav = scratch.File("live.wav");
  options.audioDriver = "file";
  options.audioFile = wav;
  Player p;
  InstallMidiBackends(p.lib, options);
  ASSERT_GE(p.lib.GetNumOutDevices(), 1);
  std::string d;
  ASSERT_TRUE(p.lib.GetMidiOutDescription(0, d));
  std::shared_ptr<MidiPort> synth = MakeBuiltInSynthPort(options);
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(p.Play(synth, Scale(150000))) << p.lib.LastError();  // 1.2 seconds
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(p.closed, kMidiOk);
  EXPECT_FALSE(p.lib.AnythingOpen());
  // In real time: not faster than the music (how much slower depends on the machine).
  EXPECT_GE(seconds, 1.15) << "the live synth plays in real time";
  const WavMeasure m = MeasureWav(wav);
  EXPECT_GT(m.samples, kWavSampleRate) << "the audio driver wrote the sound as it played";
  EXPECT_GT(m.rms, 0.01);

  // Opened again at once (the loaded SoundFont is kept), and again after patch caching.
  ASSERT_TRUE(p.lib.CachePatches(0, MakePatchSet(0, 14, 70, 0, 71, 15)));
  Player again;
  EXPECT_TRUE(again.Play(synth, {NoteOn(0, 60), NoteOn(48, 60, 0)})) << again.lib.LastError();
}

TEST_F(MidiBackends, MissingAudioOrSoundFontGivesAMessage) {
  MidiBackendOptions noAudio = options;
  noAudio.audioDriver = "no-such-driver";
  MidiLib lib;
  const MidiSync sync = lib.OpenSync(nullptr);
  EXPECT_EQ(lib.OpenMidiOut(MakeBuiltInSynthPort(noAudio), sync), 0u);
  EXPECT_NE(lib.LastError().find("No audio output could be opened"), std::string::npos)
      << lib.LastError();

  MidiBackendOptions noFont;
  noFont.soundFont = scratch.File("missing.sf2");
  EXPECT_EQ(lib.OpenMidiOut(MakeBuiltInSynthPort(noFont), sync), 0u);
  EXPECT_EQ(lib.LastError(), "The SoundFont \"" + noFont.soundFont + "\" cannot be read.");
  WriteFile(noFont.soundFont, "RIFF not really");
  EXPECT_EQ(lib.OpenMidiOut(MakeWavRenderer(scratch.File("x.wav"), noFont), sync), 0u);
  EXPECT_NE(lib.LastError().find("cannot be read"), std::string::npos);

  EXPECT_EQ(lib.OpenMidiOut(MakeWavRenderer(scratch.File("no/such/dir.wav"), options), sync), 0u);
  EXPECT_NE(lib.LastError().find("cannot be written"), std::string::npos) << lib.LastError();

  // Whatever this machine has, the default drivers either play or say why not.
  const MidiOut out = lib.OpenMidiOut(MakeBuiltInSynthPort(options), sync);
  if (out == 0) {
    EXPECT_NE(lib.LastError().find("No audio output"), std::string::npos) << lib.LastError();
  } else {
    EXPECT_EQ(lib.CloseMidiOut(out), kMidiOk);
  }
  lib.CloseSync(sync);
  EXPECT_FALSE(lib.AnythingOpen());
}

TEST(MidiDevices, BuiltInSynthComesFirstThenTheAlsaPorts) {
  MidiLib lib;
  InstallMidiBackends(lib, MidiBackendOptions{});
  const int n = lib.GetNumOutDevices();
  ASSERT_GE(n, 1);
  std::string d;
  ASSERT_TRUE(lib.GetMidiOutDescription(0, d));
  EXPECT_EQ(d, kBuiltInSynthDescription);
  EXPECT_EQ(lib.FindOutDevice(kBuiltInSynthDescription), 0u);
  for (int i = 1; i < n; ++i) {
    ASSERT_TRUE(lib.GetMidiOutDescription(static_cast<unsigned>(i), d));
    EXPECT_TRUE(std::regex_match(d, std::regex(R"(\d+:\d+ .*)"))) << d;
  }
  EXPECT_TRUE(lib.CachePatches(0, MakePatchSet(0, 14, 70, 0, 71, 15)));
  EXPECT_FALSE(lib.CachePatches(static_cast<unsigned>(n), MidiPatchSet{}));

  const CliResult r = RunCli({"devices"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
            std::string("0\t") + kBuiltInSynthDescription + "\n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), n);
  EXPECT_NE(RunCli({"devices", "extra"}).status, 0);
}

}  // namespace
}  // namespace tunora::test
