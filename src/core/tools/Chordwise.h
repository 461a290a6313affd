// Chordwise: chooses accompaniment chords for a melody and writes them into the
// tune as quoted chord symbols. Three readings of the body: the first deletes
// the chord symbols already there and checks the text; the second weighs how
// much each pitch class matters in the whole tune and ranks every plain major
// and minor triad from that; the third cuts the tune into chord periods (beats
// or bars), scores the ranked triads against each period's notes with a bonus
// or penalty for the step from the previous chord, and inserts the chosen name
// before the first note of the period. Repeated sections are read twice.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "abc/AbcParser.h"
#include "app/Settings.h"
#include "play/StyleSet.h"
#include "tools/TuneRewriter.h"

namespace tunora {

// The weights (all percentages) are the settings of the Chordwise section.
using ChordwiseWeights = ChordwiseSettings;

class ChordwiseEngine : public AbcParser {
 public:
  struct Candidate {
    std::string name;  // root name and chord-type suffix
    int root = 60;     // root, third and fifth folded into 60..71
    int third = 64;
    int fifth = 67;
    int typeIndex = 0;      // into the chord types
    uint32_t score = 0;     // tune-wide score
    uint32_t factor = 100;  // strangeness factor, percent
  };

  // chordTypes: the chord-type table; only its plain major and minor triads
  // (intervals 0, 3 or 4, 7) take part, each interval set once.
  ChordwiseEngine(const ChordwiseWeights& weights, const std::vector<ChordType>& chordTypes,
                  uint32_t strangeness);

  bool perBar = false;      // chords per bar instead of per beat
  bool writeChords = true;  // off for Remove Chords
  bool removeChords = true;

  // Runs the readings on body, which is changed in place (chord symbols deleted
  // and inserted). False after a reading error: message then holds the text to
  // show, no chords were set, and chord symbols deleted before the error stay
  // deleted.
  bool Run(const TuneTexts& tune, std::string& body, std::string& message);

  // After Run: the ranked candidates, the chords set and the period chosen.
  const std::vector<Candidate>& Candidates() const { return candidates_; }
  int ChordsSet() const { return chordsSet_; }
  uint32_t Period() const { return period_; }
  // The tune-wide weight of each pitch class (C = 0) after the second reading.
  const uint32_t* PitchWeights() const { return weight_; }

  // The choice among period scores (highest first) with the strangeness: the
  // index of the candidate taken.
  static size_t ChooseIndex(const std::vector<uint32_t>& scores, uint32_t strangeness);

  void ResetBarState() override { AbcParser::ResetBarState(); }

 private:
  struct BarNote {
    uint8_t pitch;
    tick length;
    tick position;  // in the bar
  };
  enum Metric { kBeat, kOffbeat, kNth, kOther };

  bool Remove(const TuneTexts& tune, std::string& body, std::string& message);
  bool Read(int reading, std::string_view body, std::string& message);
  void SetGrids();
  Metric MetricClass(tick q, bool fromPeriodStart) const;
  bool Advances(const NoteInfo& note);
  void Weigh(const NoteInfo& note);
  void RankTriads();
  void ProcessBar(std::string_view body);
  void ChoosePeriod(const std::vector<BarNote>& notes, tick start, std::string_view body);
  uint32_t ProgressionPercent(int from, int to) const;

  ChordwiseWeights w_;
  const std::vector<ChordType>& types_;
  uint32_t strangeness_;
  KeyInfo tuneKey_;

  // Metric grids.
  tick period_ = 192;
  tick offbeat_ = 0;
  bool offbeatApplies_ = false;
  tick nth_ = 0;
  tick barPos_ = 0;
  tick barLength_ = 0;
  tick chordLength_ = 0;  // the first note's length in the chord being read

  uint32_t weight_[12] = {};
  uint32_t length_[12] = {};
  uint32_t restTotal_ = 0;
  int previousPitch_ = -1;

  std::vector<Candidate> candidates_;
  std::vector<BarNote> notes_;
  std::map<tick, size_t> slots_;            // period index -> text position
  std::vector<int> history_;                // chosen candidate per period, -1 for none
  std::map<size_t, std::string> inserted_;  // text position -> chord symbol to insert
  int chordsSet_ = 0;
};

// The "View Chords" text of a tune: its first title, two line ends, then the
// bar lines, endings and chord names of the body, a "/" for a chord repeated.
std::string ViewChordsText(std::string_view title, const TuneTexts& tune, const StyleSet& styles);

}  // namespace tunora
