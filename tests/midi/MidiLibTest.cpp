// The MIDI library's clock, queue and calls, against a device that records when each
// message reaches it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "midi/MidiTestSupport.h"
#include "platform/midi/MidiBackends.h"

namespace tunora::test {
namespace {

using namespace std::chrono_literals;

struct Open {
  // The notices outlive the library, whose timer thread may still be delivering one.
  Notices notices;
  MidiLib lib;
  std::shared_ptr<RecordingPort> port = std::make_shared<RecordingPort>();
  MidiSync sync = 0;
  MidiOut out = 0;

  explicit Open(size_t capacity = kMidiQueueCapacity, std::atomic<bool>* raised = nullptr) {
    if (raised)
      lib.SetTimerPriority([raised](bool realtime) { *raised = SetTimerPriority(realtime); });
    sync = lib.OpenSync(notices.Notify());
    out = lib.OpenMidiOut(port, sync, capacity);
  }
  std::shared_ptr<Recording> Rec() { return port->rec; }
};

// A device that makes its output ahead of time, as a file does: it records the music
// time of every event, so the clock's arithmetic is checked without the wall clock.
class MusicTimeDevice : public MidiDevice {
 public:
  explicit MusicTimeDevice(std::vector<std::pair<long, uint8_t>>& out) : out_(out) {}
  void Send(uint8_t, uint8_t key, uint8_t) override { out_.emplace_back(now_, key); }
  void Reset() override {}
  bool Offline() const override { return true; }
  void Advance(std::chrono::microseconds t) override { now_ = static_cast<long>(t.count()); }

 private:
  std::vector<std::pair<long, uint8_t>>& out_;
  long now_ = 0;
};

class MusicTimePort : public MidiPort {
 public:
  std::string Description() const override { return "Music time"; }
  std::unique_ptr<MidiDevice> Open(std::string&) override {
    return std::make_unique<MusicTimeDevice>(sent);
  }
  bool CachePatches(const MidiPatchSet&, std::string&) override { return true; }
  std::vector<std::pair<long, uint8_t>> sent;
};

TEST(MidiLibTiming, TempoResolutionAndDeltasGiveTheMusicTime) {
  Notices notices;
  MidiLib lib;
  auto port = std::make_shared<MusicTimePort>();
  const MidiSync sync = lib.OpenSync(notices.Notify());
  const MidiOut out = lib.OpenMidiOut(port, sync);
  ASSERT_NE(out, 0u);
  ASSERT_EQ(lib.SetResolution(sync, 192), kMidiOk);
  // Eighths (96 ticks) at 60 ms a quarter, a chord note (delta 0), then eighths at
  // 30 ms a quarter: the tempo applies where it stands. 7 ticks at 100 us a quarter
  // leave a fraction that must not be lost from one event to the next.
  lib.PutMidiOut(out, TempoEvent(0, 60000));
  for (uint8_t k = 0; k < 3; ++k) lib.PutMidiOut(out, NoteOn(96, k));
  lib.PutMidiOut(out, NoteOn(0, 3));
  lib.PutMidiOut(out, TempoEvent(0, 30000));
  for (uint8_t k = 4; k < 6; ++k) lib.PutMidiOut(out, NoteOn(96, k));
  lib.PutMidiOut(out, TempoEvent(0, 100));
  for (uint8_t k = 6; k < 9; ++k) lib.PutMidiOut(out, NoteOn(7, k));
  lib.StartSync(sync);
  ASSERT_TRUE(notices.WaitEmpty());
  const std::vector<std::pair<long, uint8_t>> expected = {
      {30000, 0},  {60000, 1},  {90000, 2},  {90000, 3}, {105000, 4},
      {120000, 5}, {120003, 6}, {120007, 7}, {120010, 8}};  // 7 * 100 / 192 = 3.65 us a step
  EXPECT_EQ(port->sent, expected);
  lib.CloseMidiOut(out);
  lib.CloseSync(sync);
}

TEST(MidiLibTiming, LiveEventsLeaveInOrderAndNeverEarly) {
  // How late they are is measured by bench_midi_timing; here only what no load can
  // change: the order, and no event before its time.
  std::atomic<bool> raised = false;
  Open o(4096, &raised);
  ASSERT_NE(o.out, 0u);
  ASSERT_EQ(o.lib.SetResolution(o.sync, 192), kMidiOk);
  constexpr double kTickUs = 96000.0 / 192;
  const uint32_t deltas[] = {1, 0, 2, 3, 1, 4, 6, 2, 0, 1, 3, 5};
  ASSERT_EQ(o.lib.PutMidiOut(o.out, TempoEvent(0, 96000)), kMidiOk);
  std::vector<double> dueUs;
  double due = 0;
  for (int i = 0; i < 300; ++i) {
    const uint32_t d = deltas[i % std::size(deltas)];
    due += d * kTickUs;
    dueUs.push_back(due);
    ASSERT_EQ(o.lib.PutMidiOut(o.out, NoteOn(d, static_cast<uint8_t>(i % 128))), kMidiOk);
  }
  const Clock::time_point before = Clock::now();
  ASSERT_EQ(o.lib.StartSync(o.sync), kMidiOk);
  ASSERT_TRUE(o.notices.WaitEmpty());
  const std::vector<Received> sends = o.Rec()->Sends();
  ASSERT_EQ(sends.size(), dueUs.size());
  for (size_t i = 0; i < sends.size(); ++i) {
    ASSERT_EQ(sends[i].data1, i % 128) << "event " << i << " out of order";
    ASSERT_GE(Microseconds(sends[i].at - before), dueUs[i]) << "event " << i << " left early";
  }
}

TEST(MidiLibQueue, FullQueueRefusesAndRoomNoticeResumesFeeding) {
  Open o(16);
  ASSERT_NE(o.out, 0u);
  o.lib.PutMidiOut(o.out, TempoEvent(0, 19200));  // 0.1 ms a tick
  constexpr int kTotal = 400;
  int next = 0;
  auto feed = [&] {
    while (next < kTotal &&
           o.lib.PutMidiOut(o.out, NoteOn(10, static_cast<uint8_t>(next % 128))) == kMidiOk)
      ++next;
  };
  feed();
  EXPECT_EQ(next, 15) << "the tempo event and 15 notes fill a queue of 16";
  EXPECT_EQ(o.lib.PutMidiOut(o.out, NoteOn(10, 1)), kMidiQueueFull);
  EXPECT_EQ(o.Rec()->CountSends(), 0u) << "nothing plays before the start";

  o.lib.StartSync(o.sync);
  int seen = 0;
  while (next < kTotal) {
    ASSERT_TRUE(o.notices.WaitRoom(seen)) << "no room notice after " << next << " events";
    seen = o.notices.Room();
    feed();
  }
  ASSERT_TRUE(o.Rec()->WaitForSends(kTotal));
  const std::vector<Received> s = o.Rec()->Sends();
  ASSERT_EQ(s.size(), static_cast<size_t>(kTotal));
  for (int i = 0; i < kTotal; ++i) ASSERT_EQ(s[i].data1, i % 128) << "at " << i;
  // Feeding went on from room notices; how many came depends on how far the clock got
  // while the feeding ran (a feed that is held up can put in more than a queue-full).
  EXPECT_GE(seen, 1);
}

TEST(MidiLibQueue, NoRoomNoticeWithoutARefusal) {
  Open o(64);
  for (uint8_t k = 0; k < 40; ++k) o.lib.PutMidiOut(o.out, NoteOn(0, k));
  o.lib.StartSync(o.sync);
  ASSERT_TRUE(o.notices.WaitEmpty());
  EXPECT_EQ(o.notices.Room(), 0);
  EXPECT_EQ(o.Rec()->CountSends(), 40u);
}

TEST(MidiLibPause, PauseTwiceResumesAtTheSamePoint) {
  Open o;
  ASSERT_NE(o.out, 0u);
  // Notes every 40 ms (48 ticks at 160 ms a quarter), each sounding for 33 ms.
  o.lib.PutMidiOut(o.out, TempoEvent(0, 160000));
  constexpr int kNotes = 30;
  for (int k = 0; k < kNotes; ++k) {
    o.lib.PutMidiOut(o.out, NoteOn(k == 0 ? 0 : 8, static_cast<uint8_t>(60 + k)));
    o.lib.PutMidiOut(o.out, NoteOn(40, static_cast<uint8_t>(60 + k), 0));
  }
  const Clock::time_point started = Clock::now();
  o.lib.StartSync(o.sync);
  ASSERT_TRUE(o.Rec()->WaitForSends(11));  // the sixth note is sounding
  ASSERT_EQ(o.lib.PauseSync(o.sync, 1), kMidiOk);
  const Clock::time_point pausedAt = Clock::now();
  const uint64_t position = o.lib.SyncPosition(o.sync);
  const size_t before = o.Rec()->CountSends();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(o.lib.PauseSync(o.sync, 1), kMidiOk) << "pausing again changes nothing";
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(o.lib.SyncPosition(o.sync), position) << "the position holds while paused";
  const std::vector<Received> held = o.Rec()->Sends();
  ASSERT_EQ(held.size(), before) << "nothing plays while paused";
  // Silencing ended the sounding note with a note off.
  const Received& silenced = held.back();
  const Received& sounding = held[held.size() - 2];
  EXPECT_EQ(sounding.status, 0x90);
  EXPECT_GT(sounding.data2, 0);
  EXPECT_EQ(silenced.status, 0x80);
  EXPECT_EQ(silenced.data1, sounding.data1);

  const Clock::time_point resumedAt = Clock::now();
  ASSERT_EQ(o.lib.ReStartSync(o.sync), kMidiOk);
  ASSERT_TRUE(o.notices.WaitEmpty());
  const std::vector<Received> all = o.Rec()->Sends();
  ASSERT_EQ(all.size(), 2u * kNotes + 1) << "every event once, plus the note off of the pause";
  // The music goes on with the event after the pause: the note off that was due.
  EXPECT_EQ(all[before].status, 0x90);
  EXPECT_EQ(all[before].data1, sounding.data1);
  EXPECT_EQ(all[before].data2, 0);
  // Its time and the pace after it are the music's, moved on by the pause: the note off
  // 233 ms into the music, the last note off 1193 ms (no sooner; how much later depends
  // on the machine's load).
  const double paused = Microseconds(resumedAt - pausedAt);
  EXPECT_GE(Microseconds(all[before].at - started) - paused, 233333 - 1000);
  EXPECT_GE(Microseconds(all.back().at - started) - paused, 1193333 - 1000);
  for (int k = 0; k < kNotes; ++k) {
    int ons = 0;
    for (const Received& r : all) ons += r.status == 0x90 && r.data1 == 60 + k && r.data2 > 0;
    EXPECT_EQ(ons, 1) << "note " << k;
  }
}

TEST(MidiLibStop, StopRunsTheCloseCallsInOrderAndLeavesNothingOpen) {
  Open o;
  ASSERT_NE(o.out, 0u);
  o.lib.PutMidiOut(o.out, TempoEvent(0, 100000));
  for (uint8_t k = 0; k < 50; ++k) o.lib.PutMidiOut(o.out, NoteOn(k == 0 ? 0 : 96, 60 + k % 12));
  o.lib.StartSync(o.sync);
  ASSERT_TRUE(o.Rec()->WaitForSends(2));

  ASSERT_EQ(o.lib.StopSync(o.sync), kMidiOk);
  const size_t stopped = o.Rec()->CountSends();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(o.Rec()->CountSends(), stopped) << "nothing plays after the stop";
  ASSERT_EQ(o.lib.ResetMidiOut(o.out), kMidiOk);
  ASSERT_EQ(o.lib.CloseMidiOut(o.out), kMidiOk);
  ASSERT_EQ(o.lib.CloseSync(o.sync), kMidiOk);
  EXPECT_FALSE(o.lib.AnythingOpen());

  // The stop ended the sounding notes, then the device was reset, finished and closed.
  std::vector<Received> log = o.Rec()->Snapshot();
  ASSERT_GE(log.size(), 4u);
  const size_t n = log.size();
  EXPECT_EQ(log[n - 3].kind, Received::kReset);
  EXPECT_EQ(log[n - 2].kind, Received::kFinish);
  EXPECT_EQ(log[n - 1].kind, Received::kClosed);
  std::array<int, 128> sounding{};
  for (const Received& r : log) {
    if (r.kind != Received::kSend) continue;
    sounding[r.data1] += (r.status == 0x90 && r.data2 > 0) ? 1 : -1;
  }
  for (int s : sounding) EXPECT_LE(s, 0) << "a note was left sounding";

  // The old handles are refused; everything can be opened afresh.
  EXPECT_EQ(o.lib.PutMidiOut(o.out, NoteOn(0, 60)), kMidiBadHandle);
  EXPECT_EQ(o.lib.StartSync(o.sync), kMidiBadHandle);
  EXPECT_EQ(o.lib.CloseMidiOut(o.out), kMidiBadHandle);
  EXPECT_EQ(o.lib.CloseSync(o.sync), kMidiBadHandle);
  const MidiSync sync = o.lib.OpenSync(o.notices.Notify());
  ASSERT_NE(sync, 0u);
  EXPECT_NE(sync, o.sync);
  const MidiOut out = o.lib.OpenMidiOut(o.port, sync);
  ASSERT_NE(out, 0u);
  o.lib.PutMidiOut(out, NoteOn(0, 70));
  o.lib.StartSync(sync);
  EXPECT_TRUE(o.Rec()->WaitForSends(stopped + 1));
}

TEST(MidiLibStop, ClosingTheSyncOrTheLibraryClosesTheDevice) {
  auto rec = std::make_shared<Recording>();
  {
    Open o;
    rec = o.Rec();
    o.lib.PutMidiOut(o.out, NoteOn(0, 60));
    o.lib.StartSync(o.sync);
    ASSERT_TRUE(rec->WaitForSends(1));
    ASSERT_EQ(o.lib.CloseSync(o.sync), kMidiOk);
    EXPECT_FALSE(o.lib.AnythingOpen());
    EXPECT_EQ(rec->Snapshot().back().kind, Received::kClosed);
    EXPECT_EQ(o.lib.PutMidiOut(o.out, NoteOn(0, 60)), kMidiBadHandle);

    o.sync = o.lib.OpenSync(nullptr);
    o.out = o.lib.OpenMidiOut(o.port, o.sync);
    ASSERT_NE(o.out, 0u);
    rec = o.Rec();
  }  // the library goes with both open
  const std::vector<Received> log = rec->Snapshot();
  EXPECT_EQ(log.back().kind, Received::kClosed);
}

// A port that takes its time to open, as the built-in synth loading a SoundFont does.
class SlowPort : public RecordingPort {
 public:
  std::unique_ptr<MidiDevice> Open(std::string& error) override {
    opening.store(true);
    std::unique_lock lock(mutex);
    released.wait_for(lock, 30s, [&] { return release; });
    return RecordingPort::Open(error);
  }
  void Release() {
    {
      std::lock_guard lock(mutex);
      release = true;
    }
    released.notify_all();
  }
  std::atomic<bool> opening{false};

 private:
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
};

TEST(MidiLibOpen, OtherCallsGoOnWhileADeviceOpensAndACloseMeanwhileWins) {
  MidiLib lib;
  auto port = std::make_shared<SlowPort>();
  MidiSync sync = lib.OpenSync(nullptr);
  MidiOut out = 1;
  std::thread opener([&] { out = lib.OpenMidiOut(port, sync); });
  while (!port->opening.load()) std::this_thread::yield();
  // The library answers while the device opens; had it kept its lock, these would wait
  // for the open, which waits for them.
  EXPECT_TRUE(lib.AnythingOpen());
  EXPECT_EQ(lib.OpenMidiOut(std::make_shared<RecordingPort>(), sync), 0u);
  EXPECT_EQ(lib.CloseSync(sync), kMidiOk);
  port->Release();
  opener.join();
  EXPECT_EQ(out, 0u) << "the timer closed while the device opened";
  EXPECT_EQ(port->rec->Snapshot().back().kind, Received::kClosed);
  EXPECT_FALSE(lib.AnythingOpen());
}

TEST(MidiLibStop, ClosingWhileAnotherThreadUsesTheDevice) {
  for (int round = 0; round < 20; ++round) {
    Open o;
    std::atomic<bool> done{false};
    std::thread user([&] {
      while (!done.load()) {
        o.lib.PutMidiOut(o.out, NoteOn(0, 60));
        o.lib.ResetMidiOut(o.out);
        o.lib.PauseSync(o.sync, 1);
      }
    });
    o.lib.StartSync(o.sync);
    std::this_thread::sleep_for(1ms);
    EXPECT_EQ(o.lib.CloseSync(o.sync), kMidiOk);
    done.store(true);
    user.join();
    EXPECT_EQ(o.Rec()->Snapshot().back().kind, Received::kClosed);
  }
}

TEST(MidiLibOpen, SecondOpenFailsCleanly) {
  Open o;
  ASSERT_NE(o.out, 0u);
  EXPECT_EQ(o.lib.OpenSync(nullptr), 0u);
  EXPECT_FALSE(o.lib.LastError().empty());
  auto other = std::make_shared<RecordingPort>("Other");
  EXPECT_EQ(o.lib.OpenMidiOut(other, o.sync), 0u);
  EXPECT_NE(o.lib.LastError().find("already open"), std::string::npos) << o.lib.LastError();
  EXPECT_TRUE(other->rec->Snapshot().empty()) << "the second device was not even opened";

  // The first goes on playing as if nothing happened.
  o.lib.PutMidiOut(o.out, NoteOn(0, 60));
  o.lib.PutMidiOut(o.out, NoteOn(48, 60, 0));
  o.lib.StartSync(o.sync);
  ASSERT_TRUE(o.notices.WaitEmpty());
  EXPECT_EQ(o.Rec()->CountSends(), 2u);
}

TEST(MidiLibOpen, FailedOpensLeaveNothingOpen) {
  MidiLib lib;
  auto good = std::make_shared<RecordingPort>("Good");
  auto bad = std::make_shared<RecordingPort>("Unplugged", false);
  lib.SetDeviceLister([&] { return std::vector<std::shared_ptr<MidiPort>>{good, bad}; });

  EXPECT_EQ(lib.OpenMidiOut(0u, 0), 0u) << "no sync";
  const MidiSync sync = lib.OpenSync(nullptr);
  EXPECT_EQ(lib.OpenMidiOut(7u, sync), 0u);
  EXPECT_NE(lib.LastError().find("number 7"), std::string::npos) << lib.LastError();
  EXPECT_EQ(lib.OpenMidiOut(kMidiNoDevice, sync), 0u);
  EXPECT_EQ(lib.OpenMidiOut(1u, sync), 0u);
  EXPECT_EQ(lib.LastError(), "The recorder is unplugged.");
  const MidiOut out = lib.OpenMidiOut(0u, sync);
  EXPECT_NE(out, 0u);
  EXPECT_EQ(lib.LastError(), "");
  lib.CloseMidiOut(out);
  lib.CloseSync(sync);
  EXPECT_FALSE(lib.AnythingOpen());
}

TEST(MidiLibEvents, ReachTheDeviceAsChannelMessagesWithTheirTime) {
  Open o;
  o.lib.PutMidiOut(o.out, TempoEvent(0, 96000));               // 0.5 ms a tick
  o.lib.PutMidiOut(o.out, MidiEvent{0, 0xC3, 71, 99, 5});      // program change: one byte
  o.lib.PutMidiOut(o.out, MidiEvent{0, 0x05, 1, 2, 3});        // not a status: silence
  o.lib.PutMidiOut(o.out, TempoEvent(40, 0));                  // tempo 0: no change
  o.lib.PutMidiOut(o.out, MidiEvent{0, 0xF0, 1, 2, 3});        // system: silence
  o.lib.PutMidiOut(o.out, MidiEvent{40, 0x93, 200, 0xFF, 0});  // data kept to 7 bits
  o.lib.PutMidiOut(o.out, MidiEvent{0, 0xE3, 0x00, 0x40, 0});  // pitch bend centre
  const Clock::time_point before = Clock::now();
  o.lib.StartSync(o.sync);
  ASSERT_TRUE(o.notices.WaitEmpty());
  const std::vector<Received> s = o.Rec()->Sends();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].status, 0xC3);
  EXPECT_EQ(s[0].data1, 71);
  EXPECT_EQ(s[0].data2, 0);
  EXPECT_EQ(s[1].status, 0x93);
  EXPECT_EQ(s[1].data1, 200 & 0x7F);
  EXPECT_EQ(s[1].data2, 0x7F);
  EXPECT_EQ(s[2].status, 0xE3);
  EXPECT_EQ(s[2].data2, 0x40);
  // The skipped events kept their time: 80 ticks of 0.5 ms.
  EXPECT_GE(Microseconds(s[1].at - before), 40000);
  EXPECT_EQ(o.lib.SyncPosition(o.sync), 80u);
}

TEST(MidiLibDevices, NumberedInTheListersOrderAndFoundByDescription) {
  MidiLib lib;
  EXPECT_EQ(lib.GetNumOutDevices(), 0);
  EXPECT_EQ(lib.FindOutDevice(""), kMidiNoDevice);
  auto a = std::make_shared<RecordingPort>("Synth A");
  auto b = std::make_shared<RecordingPort>("20:0 Port B", false);
  lib.SetDeviceLister([&] { return std::vector<std::shared_ptr<MidiPort>>{a, nullptr, b}; });
  std::string d;
  EXPECT_TRUE(lib.GetMidiOutDescription(1, d));
  EXPECT_EQ(d, "20:0 Port B");
  EXPECT_EQ(lib.GetNumOutDevices(), 2);
  EXPECT_FALSE(lib.GetMidiOutDescription(2, d));
  EXPECT_EQ(lib.FindOutDevice("Synth A"), 0u);
  EXPECT_EQ(lib.FindOutDevice("20:0 Port B"), 1u);
  EXPECT_EQ(lib.FindOutDevice("synth a"), kMidiNoDevice) << "exact match only";
  EXPECT_EQ(lib.GetMaxMidiVersion(), kMidiLibVersion);

  const MidiPatchSet patches = MakePatchSet(0, 14, 70, 0, 71, 15);
  EXPECT_TRUE(lib.CachePatches(0, patches));
  EXPECT_FALSE(lib.CachePatches(1, patches));
  EXPECT_EQ(lib.LastError(), "The recorder is unplugged.");
  EXPECT_FALSE(lib.CachePatches(5, patches));
}

TEST(MidiLibDevices, PatchSetMarksEachInstrumentsChannel) {
  MidiPatchSet p = MakePatchSet(0, 14, 70, 0, 71, 15);
  EXPECT_EQ(p[0], 1u << 14);
  EXPECT_EQ(p[70], 1u << 0);
  EXPECT_EQ(p[71], 1u << 15);
  EXPECT_EQ(std::count(p.begin(), p.end(), 0), 125);
  // Backing, melody, drone in this order: the last on a program sets it.
  p = MakePatchSet(40, 14, 40, 0, 40, 15);
  EXPECT_EQ(p[40], 1u << 15);
  // Out of range parts leave no entry.
  p = MakePatchSet(128, 1, -1, 1, 5, 16);
  EXPECT_EQ(std::count(p.begin(), p.end(), 0), 128);
}

}  // namespace
}  // namespace tunora::test
