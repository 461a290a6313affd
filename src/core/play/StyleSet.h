// The style set of "abcstyle.cfg": rhythm records (tempo and swing for the tunes
// of a dance type), chord types (the intervals of a chord symbol's type) and
// backings (the rhythm patterns in which chord notes are played, by meter).
// Read once at start-up, edited on the playback option pages, written back whole.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "abc/AbcModel.h"

namespace tunora {

class MessageSink;
struct SettingsDataHooks;

// "swing 1/n k /d w1 ... wk" and "beatlen ..." of a rhythm record: notes are
// scaled by w[i] / d, where i counts units of 768 / n ticks.
struct SwingSpec {
  static constexpr int kMaxWeights = 4;
  int n = 0;  // 0: not given
  int divisor = 1;
  int count = 0;
  std::array<int, kMaxWeights> weights{};

  bool Present() const { return n != 0; }
  tick Unit() const { return n > 0 ? kTicksPerWhole / static_cast<tick>(n) : 0; }
  bool operator==(const SwingSpec&) const = default;
};

// Three numbers a b c for broken-rhythm pairs: the first note lasts its
// notated length times a / c, the second times b / c.
struct BrokenRatio {
  bool present = false;
  int a = 0, b = 0, c = 1;
  bool operator==(const BrokenRatio&) const = default;
};

struct RhythmRecord {
  static constexpr size_t kMaxNames = 10;
  static constexpr size_t kMaxMeters = 6;
  static constexpr std::string_view kNewDatetime = "19000101-000000";

  std::vector<std::string> names;   // R: values served; one empty name serves every R:
  std::vector<std::string> meters;  // M: texts served
  std::string tempo;                // Q: syntax
  SwingSpec swing;
  BrokenRatio swingbr;   // for >
  BrokenRatio swingbbr;  // for <
  SwingSpec beatlen;
  std::string datetime{kNewDatetime};

  bool operator==(const RhythmRecord&) const = default;
};

struct ChordType {
  static constexpr size_t kMaxName = 10;
  static constexpr size_t kMaxNotes = 7;
  std::string name;        // "" is the major chord, "m", "7", "dim" ...
  std::vector<int> notes;  // semitones above the root
  bool operator==(const ChordType&) const = default;
};

struct BackingPair {
  std::string meters;   // "3/4" or "2/4,4/4"
  std::string pattern;  // "a2 [b2c2d2]"
  bool operator==(const BackingPair&) const = default;
};

struct Backing {
  static constexpr size_t kMaxPairs = 12;
  std::string name;
  bool use = false;  // the backing used when no style is chosen
  std::vector<BackingPair> pairs;
  bool operator==(const Backing&) const = default;
};

class StyleSet {
 public:
  // A larger file is not read.
  static constexpr size_t kMaxFileBytes = 32766;

  std::vector<RhythmRecord> rhythms;
  std::vector<ChordType> chordTypes;
  std::vector<Backing> backings;

  void Clear();
  bool Empty() const { return rhythms.empty() && chordTypes.empty() && backings.empty(); }

  // Appends what the text holds. On an error reading stops, what was read before
  // stays, and errorLine gets the line (counted from 1); true when no error.
  bool Parse(std::string_view text, unsigned& errorLine);

  // Replaces the set by the file at path. A missing file leaves the set empty;
  // an error in the file is shown through sink as "Error in <path>, line <n>"
  // and keeps what was read before it. False when the file exists but cannot
  // be read or is larger than kMaxFileBytes.
  bool LoadFromFile(const std::string& path, MessageSink& sink);

  // The whole set in the file's layout, CR LF line ends.
  std::string Write() const;
  // Write() to path; on failure "Cannot write file <path>" goes to sink.
  bool SaveToFile(const std::string& path, MessageSink& sink) const;

  // The first rhythm record, in file order, with no name or a name equal to
  // rhythmText and, when meterText is not empty, a meter equal to it (both
  // without regard to case). Null when none serves the tune.
  const RhythmRecord* SelectRhythm(std::string_view rhythmText, std::string_view meterText) const;
  // The backing named name, else the first marked in use, else the first;
  // null when there is none.
  const Backing* SelectBacking(std::string_view name) const;
  // The chord type of exactly this name (with case), null when unknown.
  const ChordType* FindChordType(std::string_view name) const;

  // The set loaded at start-up, owned by the application for its whole run.
  // Only the program and the CLI use it; the engines are given what they read.
  static StyleSet& Application();

  bool operator==(const StyleSet&) const = default;
};

// Connects a style set to the settings store: LoadSettings reads it from
// "abcstyle.cfg" in the program directory, errors in the file go to sink.
void ConnectStyleSet(SettingsDataHooks& hooks, MessageSink& sink, StyleSet& set);

}  // namespace tunora
