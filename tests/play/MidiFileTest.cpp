// MIDI files: the writer's bytes (chunks, meta events, running status, VLQs) and the
// file of a tune read back with an independent reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "PlayTestSupport.h"
#include "SmfReader.h"
#include "play/MidiFileWriter.h"

namespace tunora {
namespace {

using test::Build;
using test::ReadSmf;
using test::SmfFile;

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X ", c);
    out += b;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string Vlq(uint32_t v) {
  std::string s;
  MidiFileWriter::AppendVlq(s, v);
  return Hex(s);
}

TEST(MidiFileWriterTest, VariableLengthQuantities) {
  EXPECT_EQ(Vlq(0), "00");
  EXPECT_EQ(Vlq(127), "7F");
  EXPECT_EQ(Vlq(128), "81 00");
  EXPECT_EQ(Vlq(0x3FFF), "FF 7F");
  EXPECT_EQ(Vlq(0x4000), "81 80 00");
  EXPECT_EQ(Vlq(0x0FFFFFFF), "FF FF FF 7F");
}

TEST(MidiFileWriterTest, ChunksRunningStatusAndMetaEvents) {
  MidiFileWriter w;
  ASSERT_TRUE(w.OpenMemory(1, 1, 192));
  EXPECT_FALSE(w.OpenMemory(1, 1, 192));  // already open
  w.StartTrack();
  w.WriteEvent(0, 0x90, 60, 64);
  w.WriteEvent(128, 0x90, 60, 0);  // running status
  w.WriteEvent(0, 0xC1, 5, 99);    // program change: one data byte
  w.WriteTimeSignature(0, 6, 8);
  w.WriteEvent(0, 0xC1, 6, 0);  // after a meta event the status is written again
  w.WriteTempo(0, 500000);
  w.WriteKeySignature(0, -1, 0);
  ASSERT_TRUE(w.EndTrack());
  EXPECT_EQ(w.Close(), static_cast<long>(w.Bytes().size()));
  EXPECT_EQ(Hex(w.Bytes()),
            "4D 54 68 64 00 00 00 06 00 01 00 01 00 C0 "
            "4D 54 72 6B 00 00 00 27 "
            "00 90 3C 40 81 00 3C 00 00 C1 05 00 FF 58 04 06 03 18 08 00 C1 06 "
            "00 FF 51 03 07 A1 20 00 FF 59 02 FF 00 00 FF 2F 00");
  // Time signature denominators: the smallest power of two not below them.
  for (auto [den, k] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}, {16, 4}}) {
    MidiFileWriter t;
    t.OpenMemory(1, 1, 192);
    t.StartTrack();
    t.WriteTimeSignature(0, 3, den);
    t.EndTrack();
    t.Close();
    EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(t.Bytes()[14 + 8 + 5])), k) << den;
  }
}

TEST(MidiFileWriterTest, FilesOnDisk) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tunora-midi-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  MidiFileWriter w;
  EXPECT_FALSE(w.Open((dir / "no" / "x.mid").string(), 1, 1, 192));
  ASSERT_TRUE(w.Open((dir / "x.mid").string(), 1, 1, 192));
  w.StartTrack();
  w.WriteEvent(0, 0x90, 60, 64);
  w.EndTrack();
  const long total = w.Close();
  EXPECT_EQ(total, static_cast<long>(std::filesystem::file_size(dir / "x.mid")));
  EXPECT_EQ(total, 14 + 8 + 4 + 4);
  std::filesystem::remove_all(dir);
}

SmfFile FileOf(const std::string& tune, const MidiSettings& m = test::TestMidi(),
               const StyleSet& styles = StyleSet()) {
  auto b = Build(tune, m, styles);
  return ReadSmf(MidiFileBytes(*b->perf));
}

const test::SmfEvent* Meta(const test::SmfTrack& t, uint8_t type) {
  for (const auto& e : t.events)
    if (e.status == 0xFF && e.metaType == type) return &e;
  return nullptr;
}

TEST(MidiFileTest, ConductorTrackMeterKeyAndTempo) {
  SmfFile f = FileOf("X:1\nT:Jig\nM:6/8\nL:1/8\nQ:3/8=120\nK:D\nABc|\n");
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.format, 1);
  EXPECT_EQ(f.division, 192);
  ASSERT_EQ(f.trackCount, 2);  // one voice, no chords, no drone
  const auto& conductor = f.tracks[0];
  EXPECT_EQ(Meta(conductor, 0x58)->data, (std::vector<uint8_t>{6, 3, 24, 8}));
  EXPECT_EQ(Meta(conductor, 0x59)->data, (std::vector<uint8_t>{2, 0}));
  EXPECT_EQ(Meta(conductor, 0x51)->data, (std::vector<uint8_t>{0x05, 0x16, 0x15}));  // 333333
  SmfFile none = FileOf("X:1\nT:t\nM:none\nK:F\nA\n");
  EXPECT_EQ(Meta(none.tracks[0], 0x58)->data, (std::vector<uint8_t>{0, 2, 24, 8}));
  EXPECT_EQ(Meta(none.tracks[0], 0x59)->data, (std::vector<uint8_t>{0xFF, 0}));
}

TEST(MidiFileTest, VoiceBackingAndDroneTracks) {
  MidiSettings m = test::TestMidi();
  m.drone = "X,";
  const StyleSet styles = test::ParseStyles(
      "chord { name ; notes 0 4 7; }\nbacking { name b; meter 2/4: [a2b2c2]; }\n");
  SmfFile f =
      FileOf("X:1\nT:Two Voices\nM:2/4\nL:1/4\nK:G\n\"G\"G|\nV:2 name=Low\nD|\nV:3 short=Hi\nd|\n",
             m, styles);
  ASSERT_EQ(f.error, "");
  ASSERT_EQ(f.trackCount, 1 + 3 + 2);
  EXPECT_EQ(Meta(f.tracks[1], 0x01)->Text(), "Produced by Tunora 2.0");
  EXPECT_EQ(Meta(f.tracks[1], 0x03)->Text(), "Two Voices");
  EXPECT_EQ(Meta(f.tracks[1], 0x04), nullptr);  // voice 1 has no name
  EXPECT_EQ(Meta(f.tracks[2], 0x03), nullptr);  // the title only on the first
  EXPECT_EQ(Meta(f.tracks[2], 0x04)->Text(), "Low");
  EXPECT_EQ(Meta(f.tracks[3], 0x04)->Text(), "Hi");
  EXPECT_EQ(Meta(f.tracks[4], 0x03)->Text(), "backing");
  EXPECT_EQ(Meta(f.tracks[5], 0x03)->Text(), "drone");
  // The notes read back are the performance's.
  std::vector<int> voice2;
  for (const auto& e : f.tracks[2].events)
    if ((e.status & 0xF0) == 0x90 && e.data[1] > 0) voice2.push_back(e.data[0]);
  EXPECT_EQ(voice2, (std::vector<int>{62}));
  const auto& drone = f.tracks[5].events;
  ASSERT_GE(drone.size(), 4u);
  EXPECT_EQ(drone[1].status, 0xCF);
  EXPECT_EQ(drone[2].data, (std::vector<uint8_t>{55, 48}));
  // Everything starts at the pickup offset (the first bar holds one quarter of two).
  EXPECT_EQ(drone[2].time, 192u);
  EXPECT_EQ(drone[3].time, 384u);  // ended with voice 1
  EXPECT_EQ(drone[3].data, (std::vector<uint8_t>{55, 0}));
  // A run of notes on one channel writes its status once.
  SmfFile run = FileOf("X:1\nT:t\nM:4/4\nL:1/8\nK:C\nCDEF GABc|\n");
  EXPECT_EQ(run.tracks[1].statusBytes, 2u);  // the program change and one note status
}

TEST(MidiFileTest, PickupShiftsEveryTrack) {
  SmfFile f = FileOf("X:1\nT:t\nM:4/4\nL:1/4\nQ:1/4=100\nK:C\nC|DEFG|\n");
  ASSERT_EQ(f.error, "");
  const auto* tempo = Meta(f.tracks[0], 0x51);
  EXPECT_EQ(tempo->time, 576u);
  const auto& events = f.tracks[1].events;
  // Produced-by text, track name, then the program change at the pickup offset.
  EXPECT_EQ(events[2].status, 0xC0);
  EXPECT_EQ(events[2].time, 576u);
  EXPECT_EQ(events[3].time, 576u);  // C sounds at the bar's fourth beat
  EXPECT_EQ(events[3].data, (std::vector<uint8_t>{60, 80}));
}

TEST(MidiFileTest, CleanFileNames) {
  EXPECT_EQ(CleanFileName("The Kesh"), "The Kesh");
  EXPECT_EQ(CleanFileName("A/B: \"C\"? <d>|e*\\f\t"), "AB C def");
  EXPECT_EQ(CleanFileName(" ... "), "");
}

}  // namespace
}  // namespace tunora
