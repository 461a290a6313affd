// The player's feeding of the MIDI library: passes, the delay of the first pass, a full
// output that takes more after its room notice, and queued tunes that follow without
// the output stopping. Against the real library, with a device that renders ahead and
// records the music time of every message, and with the WAV renderer.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "midi/MidiTestSupport.h"
#include "platform/midi/MidiBackends.h"
#include "play/PlayFeeder.h"
#include "play/TuneBuild.h"
#include "support/Scratch.h"
#include "tunefile/TuneFile.h"

namespace tunora::test {
namespace {

using namespace std::chrono_literals;

// 192 000 us a quarter at 192 ticks: one tick is one millisecond of music.
constexpr uint32_t kMsTempo = 192000;

struct Heard {
  uint64_t tick = 0;  // music time in ticks
  uint8_t status = 0, data1 = 0, data2 = 0;
  bool reset = false;
};

struct HeardLog {
  std::mutex mutex;
  std::vector<Heard> heard;
  std::vector<Heard> Snapshot() {
    std::lock_guard lock(mutex);
    return heard;
  }
};

// Renders ahead: the library does not wait for the clock, and tells the device the
// music time of each message.
class AheadDevice : public MidiDevice {
 public:
  explicit AheadDevice(std::shared_ptr<HeardLog> log) : log_(std::move(log)) {}
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    std::lock_guard lock(log_->mutex);
    log_->heard.push_back({now_ / 1000, status, data1, data2, false});
  }
  void Reset() override {
    std::lock_guard lock(log_->mutex);
    log_->heard.push_back({now_ / 1000, 0, 0, 0, true});
  }
  bool Offline() const override { return true; }
  void Advance(std::chrono::microseconds musicTime) override {
    now_ = static_cast<uint64_t>(musicTime.count());
  }

 private:
  std::shared_ptr<HeardLog> log_;
  uint64_t now_ = 0;
};

class AheadPort : public MidiPort {
 public:
  std::string Description() const override { return "Ahead"; }
  std::unique_ptr<MidiDevice> Open(std::string&) override {
    return std::make_unique<AheadDevice>(log);
  }
  bool CachePatches(const MidiPatchSet&, std::string&) override { return true; }
  std::shared_ptr<HeardLog> log = std::make_shared<HeardLog>();
};

// Counts the notices of any kind so that a test can wait for the next one.
struct AnyNotice {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
  int room = 0;
  MidiNotify Notify() {
    return [this](MidiNotice n, MidiOut) {
      {
        std::lock_guard lock(mutex);
        ++count;
        if (n == MidiNotice::kRoom) ++room;
      }
      changed.notify_all();
    };
  }
  int Count() {
    std::lock_guard lock(mutex);
    return count;
  }
  bool WaitBeyond(int seen) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 20s, [&] { return count > seen; });
  }
};

struct Rig {
  AnyNotice notices;  // outlives the library's timer thread
  MidiLib lib;
  MidiSync sync = 0;
  MidiOut out = 0;
  std::shared_ptr<AheadPort> ahead = std::make_shared<AheadPort>();

  explicit Rig(size_t capacity = kMidiQueueCapacity, std::shared_ptr<MidiPort> port = nullptr) {
    sync = lib.OpenSync(notices.Notify());
    lib.SetResolution(sync, 192);
    out = lib.OpenMidiOut(port ? port : ahead, sync, capacity);
  }
  ~Rig() {
    if (sync == 0) return;
    lib.StopSync(sync);
    lib.ResetMidiOut(out);
    lib.CloseMidiOut(out);
    lib.CloseSync(sync);
  }
  std::vector<Heard> Notes() {
    std::vector<Heard> h = ahead->log->Snapshot();
    std::erase_if(h, [](const Heard& x) { return x.reset || (x.status & 0xF0) != 0x90; });
    return h;
  }

  // Plays as the player window does: the first batch, the clock, then more on every
  // notice until the feeder says the play is over. between runs after each feed.
  void PlayThrough(PlayFeeder& feeder, const std::function<void()>& between = {}) {
    int seen = notices.Count();
    ASSERT_NE(feeder.Feed(lib, out), PlayFeeder::FeedResult::kFailed);
    ASSERT_EQ(lib.StartSync(sync), kMidiOk);
    if (between) between();
    while (!feeder.Finished(lib, out)) {
      ASSERT_TRUE(notices.WaitBeyond(seen)) << "no notice came";
      seen = notices.Count();
      ASSERT_NE(feeder.Feed(lib, out), PlayFeeder::FeedResult::kFailed);
      if (between) between();
    }
  }
};

MidiEvent On(uint32_t delta, uint8_t key) { return NoteOn(delta, key); }
MidiEvent Off(uint32_t delta, uint8_t key) { return NoteOn(delta, key, 0); }

// A tempo, a program change, then notes of 96 ticks starting at key.
PlayPiece Tune(uint8_t key, int notes, int passes = 1, uint32_t delay = 0, uint64_t tag = 0) {
  PlayPiece p;
  p.events = {TempoEvent(0, kMsTempo), MidiEvent{0, 0xC0, 5, 0, 0}};
  for (int i = 0; i < notes; ++i) {
    p.events.push_back(On(0, static_cast<uint8_t>(key + i)));
    p.events.push_back(Off(96, static_cast<uint8_t>(key + i)));
  }
  p.passes = passes;
  p.delayTicks = delay;
  p.tag = tag;
  return p;
}

std::vector<uint64_t> Ticks(const std::vector<Heard>& h) {
  std::vector<uint64_t> t;
  for (const Heard& x : h) t.push_back(x.tick);
  return t;
}

TEST(PlayFeeder, EveryPassPlaysAndOnlyTheFirstIsDelayed) {
  Rig rig;
  PlayFeeder feeder;
  feeder.Start(Tune(60, 2, 3, 500));
  rig.PlayThrough(feeder);
  const std::vector<Heard> h = rig.ahead->log->Snapshot();
  // Pass 1 waits 500 ticks after the opening events; passes 2 and 3 follow at once.
  std::vector<uint64_t> expected;
  for (uint64_t pass = 0; pass < 3; ++pass) {
    const uint64_t begin = pass == 0 ? 0 : 500 + 192 * pass;
    const uint64_t music = pass == 0 ? 500 : begin;
    expected.insert(expected.end(), {music, music, music + 96, music + 96, music + 192});
  }
  EXPECT_EQ(Ticks(h), expected);
  EXPECT_EQ(h[0].status, 0xC0);
  EXPECT_EQ(h[1].data1, 60);
  EXPECT_EQ(feeder.PassesDone(), 3);
  EXPECT_EQ(feeder.TicksHandedOver(), 500u + 3 * 192);
  EXPECT_TRUE(feeder.AllHandedOver());
  EXPECT_EQ(feeder.Current(), nullptr);
}

TEST(PlayFeeder, AFullOutputTakesTheRestAfterItsRoomNotices) {
  Rig rig(8);
  PlayFeeder feeder;
  feeder.Start(Tune(20, 100));
  // The first batch stops at the queue's size.
  ASSERT_EQ(feeder.Feed(rig.lib, rig.out), PlayFeeder::FeedResult::kRefused);
  EXPECT_EQ(rig.lib.QueuedEvents(rig.out), 8u);
  EXPECT_FALSE(feeder.Finished(rig.lib, rig.out));
  rig.PlayThrough(feeder);
  const std::vector<Heard> notes = rig.Notes();
  ASSERT_EQ(notes.size(), 200u);
  for (size_t i = 0; i < notes.size(); ++i) {
    ASSERT_EQ(notes[i].data1, 20 + i / 2) << i;
    ASSERT_EQ(notes[i].tick, 96 * ((i + 1) / 2)) << i;
  }
  // The first batch filled the queue before the clock ran, so at least one room notice
  // came; how many more depends on how far the output, which runs ahead, gets between
  // two feeds (it can take the rest without refusing again).
  EXPECT_GE(rig.notices.room, 1);
  EXPECT_EQ(rig.lib.QueuedEvents(rig.out), 0u);
}

TEST(PlayFeeder, QueuedTunesFollowWithoutTheOutputStopping) {
  Rig rig(6);
  PlayFeeder feeder;
  feeder.Start(Tune(40, 3, 2, 0, 1));
  feeder.Enqueue(Tune(60, 2, 1, 300, 2));
  EXPECT_EQ(feeder.Waiting(), 1u);
  bool queuedLate = false;
  rig.PlayThrough(feeder, [&] {
    // A tune queued while the first one plays.
    if (!queuedLate) feeder.Enqueue(Tune(80, 1, 1, 0, 3));
    queuedLate = true;
  });
  const std::vector<Heard> all = rig.ahead->log->Snapshot();
  for (const Heard& x : all) EXPECT_FALSE(x.reset) << "the output was reset between the tunes";
  std::vector<int> keys;
  for (const Heard& x : rig.Notes())
    if (x.data2 != 0) keys.push_back(x.data1);
  EXPECT_EQ(keys, (std::vector<int>{40, 41, 42, 40, 41, 42, 60, 61, 80}));

  // Tune 2 begins where tune 1 ended (2 passes of 288 ticks) and waits its delay.
  const std::vector<PlayFeeder::PieceStart>& starts = feeder.Starts();
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[1].tag, 2u);
  EXPECT_EQ(starts[1].tick, 576u);
  EXPECT_EQ(starts[1].musicTick, 876u);
  EXPECT_EQ(starts[2].tick, 876u + 192);
  const std::vector<Heard> notes = rig.Notes();
  EXPECT_EQ(notes[12].data1, 60);
  EXPECT_EQ(notes[12].tick, 876u);

  // What is heard where: the tune and how far its music has come.
  EXPECT_EQ(feeder.HeardAt(0)->tag, 1u);
  EXPECT_EQ(feeder.HeardAt(400)->ticks, 400u);
  EXPECT_EQ(feeder.HeardAt(600)->tag, 2u);
  EXPECT_EQ(feeder.HeardAt(600)->ticks, 0u) << "during the delay";
  EXPECT_EQ(feeder.HeardAt(900)->ticks, 24u);
  EXPECT_EQ(feeder.HeardAt(5000)->tag, 3u);
}

TEST(PlayFeeder, ATuneQueuedAfterEverythingWasHandedOverStillPlays) {
  Rig rig;
  PlayFeeder feeder;
  EXPECT_FALSE(feeder.HeardAt(0).has_value());
  feeder.Start(Tune(50, 1, 1, 0, 7));
  ASSERT_EQ(feeder.Feed(rig.lib, rig.out), PlayFeeder::FeedResult::kAllHandedOver);
  EXPECT_TRUE(feeder.AllHandedOver());
  feeder.Enqueue(Tune(52, 1, 1, 0, 8));
  EXPECT_FALSE(feeder.AllHandedOver());
  EXPECT_EQ(feeder.Current()->tag, 8u);
  rig.PlayThrough(feeder);
  EXPECT_EQ(Ticks(rig.Notes()), (std::vector<uint64_t>{0, 96, 96, 192}));
  EXPECT_EQ(feeder.Starts().back().tick, 96u);
}

TEST(PlayFeeder, EmptyTunesAreSkippedPassesBelowOneCountAsOneAndAClosedOutputFails) {
  Rig rig;
  PlayFeeder feeder;
  PlayPiece empty;
  empty.passes = 5;
  feeder.Start(std::move(empty));
  EXPECT_TRUE(feeder.AllHandedOver());
  EXPECT_TRUE(feeder.Starts().empty());
  feeder.Enqueue(Tune(30, 1, 0));
  feeder.Enqueue(PlayPiece{});
  feeder.Enqueue(Tune(31, 1, -2));
  rig.PlayThrough(feeder);
  EXPECT_EQ(rig.Notes().size(), 4u);
  EXPECT_EQ(feeder.Starts().size(), 2u);

  feeder.Start(Tune(32, 1));
  EXPECT_EQ(feeder.Feed(rig.lib, 0), PlayFeeder::FeedResult::kFailed);
  ASSERT_EQ(rig.lib.CloseMidiOut(rig.out), kMidiOk);
  EXPECT_EQ(feeder.Feed(rig.lib, rig.out), PlayFeeder::FeedResult::kFailed);
  EXPECT_EQ(feeder.TicksHandedOver(), 0u);
  rig.lib.CloseSync(rig.sync);
  rig.sync = 0;
}

TEST(PlayFeeder, ABuiltTuneRendersAsLongAsItsDelayAndPasses) {
  // Four quarter notes at 120 a minute, twice, after two seconds of silence: 6 s.
  TuneFile file;
  file.SplitTunes("X:1\r\nT:Four\r\nM:4/4\r\nL:1/4\r\nQ:1/4=120\r\nK:C\r\nCDEF|]\r\n", true, 0,
                  false);
  TuneBuild build;
  MidiSettings midi;
  midi.playChords = 0;
  const StyleSet styles;
  ASSERT_TRUE(build.Build(midi, *file.TuneAt(1), styles, true, 100));
  PlayPiece piece;
  piece.events = build.Perf().Voices()[0].Events();
  piece.passes = 2;
  piece.delayTicks = PlayFeeder::DelayTicks(2, PlayFeeder::FirstTempo(piece.events));
  ASSERT_EQ(piece.delayTicks, 768u);

  ScratchDir scratch("tunora-feeder-");
  const std::string wav = scratch.File("four.wav");
  MidiBackendOptions options;
  options.soundFont = QuickSoundFont();
  {
    Rig rig(16, MakeWavRenderer(wav, options));
    ASSERT_NE(rig.out, 0u) << rig.lib.LastError();
    PlayFeeder feeder;
    feeder.Start(std::move(piece));
    rig.PlayThrough(feeder);
  }
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  const WavMeasure m = MeasureWav(wav);
  EXPECT_EQ(m.samples, 6 * kWavSampleRate);
  EXPECT_GT(m.rms, 0.005);
  // Silence for the delay, then the music.
  const std::vector<float> left = ReadWavLeft(wav);
  ASSERT_GT(left.size(), 3u * kWavSampleRate);
  float quiet = 0, loud = 0;
  for (size_t i = 0; i < 2u * kWavSampleRate - 100; ++i) quiet = std::max(quiet, std::abs(left[i]));
  for (size_t i = 2u * kWavSampleRate; i < 3u * kWavSampleRate; ++i)
    loud = std::max(loud, std::abs(left[i]));
  EXPECT_LT(quiet, 0.001f);
  EXPECT_GT(loud, 0.01f);
}

}  // namespace
}  // namespace tunora::test
