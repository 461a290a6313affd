// The performance builder: reads one tune once per voice and turns it into timed
// MIDI events - one track per voice, the backing chords, the drone and the tempo
// map - or, for live play, one merged track. Reader errors and bar-length and
// tempo warnings are collected in the error list while it reads.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "abc/AbcParser.h"
#include "play/BackingPattern.h"
#include "play/ChordSymbol.h"
#include "play/EventTrack.h"
#include "play/PlaySettings.h"
#include "play/StyleSet.h"

namespace tunora {

class Performance : public AbcParser {
 public:
  // Limits that keep a build bounded whatever the tune holds. Reaching one ends
  // the build's music there with an entry in the error list.
  static constexpr int kMaxVoices = 32;
  static constexpr size_t kMaxEvents = size_t{1} << 22;    // over all tracks, repeats included
  static constexpr uint64_t kMaxTime = uint64_t{1} << 27;  // ticks

  explicit Performance(const StyleSet& styles);

  // Builds the tracks for settings. False (and nothing built) when the repeat
  // count is 0. The views of settings must stay valid during the call.
  bool Build(const PlaySettings& settings);

  // --- results ---------------------------------------------------------------
  // Voice tracks by voice number - 1; with a merged build voice 1 holds every
  // event. Times are deltas after a build.
  std::vector<EventTrack>& Voices() { return voices_; }
  const std::vector<EventTrack>& Voices() const { return voices_; }
  const EventTrack& Backing() const { return backing_; }
  const EventTrack& Drone() const { return drone_; }
  const EventTrack& TempoMap() const { return tempoMap_; }

  // For the MIDI file: the header meter and the key's sharps minus flats.
  int MeterNumerator() const { return meterNumerator_; }
  int MeterDenominator() const { return meterDenominator_; }
  int KeySharps() const { return keySharps_; }
  // The header tempo, for the player's delay.
  tick HeaderBeatLength() const { return headerBeat_; }
  uint32_t HeaderBeatsPerMinute() const { return headerBpm_; }
  // The tune's length in quarter notes (one pass), for the position display.
  uint32_t LengthQuarters() const { return lengthQuarters_; }
  const std::string& Title() const { return title_; }
  // Where the notes of the first voice begin: time (ticks from the start of the
  // music, one pass) and the body offset of the note's text, in time order, one
  // a time (a chord by its first note). The player marks the note heard in a
  // drawing with them.
  struct NoteStart {
    uint64_t time = 0;
    uint32_t offset = 0;
  };
  const std::vector<NoteStart>& NoteStarts() const { return noteStarts_; }
  // The note heard at a time of one pass: the last that began at or before it
  // (null before the first).
  static const NoteStart* NoteAt(const std::vector<NoteStart>& notes, uint64_t time);

  // The error list: entries "L %d: %s: %s [%u]" each ended by CR LF.
  const std::string& ErrorText() const { return errorText_; }
  int ErrorCount() const { return errorCount_; }

  void ResetBarState() override;

 private:
  struct PendingTie {
    uint64_t start = 0;
    uint64_t end = 0;
    uint8_t pitch = 0;
    uint8_t velocity = 0;
    bool quarterTone = false;
  };
  struct Grace {
    int pitch = 0;
    tick length = 0;
  };
  // A part of the body marked P:X, with the reader's records where it begins.
  struct Part {
    char label = 0;
    size_t start = 0;  // just after its P: field
    int line = 1;
    KeyInfo key;
    MeterInfo meter;
  };
  struct RepeatMark {
    size_t position = 0;
    int line = 1;
    uint64_t barPos = 0;
    KeyInfo key;
    MeterInfo meter;
    // The bar being measured there (a short bar carried on past the mark began before it).
    size_t barStart = 0;
    int carriedLine = 0;
  };

  enum Flag : uint32_t {
    kStaccato = 1u << 0,
    kRoll = 1u << 1,
    kUpbow = 1u << 2,
    kDownbow = 1u << 3,
    kSlide = 1u << 4,
    kFermata = 1u << 5,
    kQuarterTone = 1u << 6,
    kAccent = 1u << 7,
    kLowerMordent = 1u << 8,
    kTrill = 1u << 9,
    kUpperMordent = 1u << 10,
  };

  void Pass(int voiceNumber);
  void FindParts();
  bool NextPart(size_t& pos);
  void Token(TokenKind kind, size_t start, size_t& pos, bool fresh);
  void BarToken(TokenKind kind, size_t& pos, bool fresh);
  void Overlay();
  void EndOverlay();
  void VoiceField(bool fresh, size_t start);
  size_t FieldStart(size_t start) const;
  void MidiDirective();
  void PerformNote(size_t start, bool fresh);
  void FlushGraces(uint64_t mainLength = UINT64_MAX) {
    if (graceCount_ != 0) SoundGraces(mainLength);
  }
  void SoundGraces(uint64_t mainLength);
  void FinishChord();
  // Moves on by a note's time: barLength in the bar, performed in time. A note of an
  // open chord only counts towards the chord's shortest.
  void Advance(tick barLength, uint64_t performed) {
    if (chordOpen_ && (note.flags & kNoteInChord) != 0) {
      ++chordNotes_;
      shortestBar_ = std::min<uint64_t>(shortestBar_, barLength);
      shortestPerformed_ = std::min(shortestPerformed_, performed);
      return;
    }
    barPos_ += barLength;
    if (sounding_) time_ += performed;
  }
  void MultiBarRest(size_t& pos);

  int Velocity() const;
  uint64_t Swing(uint64_t performed, uint64_t barPos) const;
  void Neighbours(int pitch, int& upper, int& lower) const;
  bool Ornament(uint32_t flags, int pitch, int velocity, uint64_t performed, tick length);
  void SoundOrTie(int pitch, int velocity, uint64_t performed, bool tied, bool quarterTone) {
    // Nothing tied before and nothing to tie: most notes.
    if (tieCount_ == 0 && !tied)
      Sound(pitch, velocity, time_, performed, quarterTone);
    else
      SoundTied(pitch, velocity, performed, tied, quarterTone);
  }
  void SoundTied(int pitch, int velocity, uint64_t performed, bool tied, bool quarterTone);
  void CloseTies(uint64_t before, int keepPitch, bool inclusive);
  void CloseTie(int index);
  void Sound(int pitch, int velocity, uint64_t start, uint64_t length, bool quarterTone);
  void SlideBends(uint64_t start, uint64_t quarter, int target);

  void CloseChord();
  void VoiceChordHere();
  void ChoosePattern();

  EventTrack* Current();
  int AddVoice(int number);
  void Emit(EventTrack& track, uint32_t time, uint8_t status, uint8_t d1, uint8_t d2,
            bool counts = true);
  uint32_t TempoNow() const;
  void Report(std::string_view message, size_t position);
  void Report(AbcMessageId id, size_t position) { Report(AbcMessageText(id), position); }
  void Report(std::string_view message, size_t position, int line);
  void Limit(std::string_view message, size_t position);
  int DisplayLine() const { return LineNumber() - lineAdjust_; }

  void Finish();

  const StyleSet& styles_;
  PlaySettings ps_;  // a copy: %%MIDI directives change some values during the build
  const RhythmRecord* rhythm_ = nullptr;
  const tunora::Backing* backingStyle_ = nullptr;
  BackingPattern pattern_;
  std::string patternText_;
  bool patternRead_ = false;  // pattern_ holds patternText_ read

  std::vector<EventTrack> voices_;
  EventTrack backing_;
  EventTrack drone_;
  EventTrack tempoMap_;
  std::vector<std::pair<std::string, int>> voiceIds_;  // V: identifiers without a number
  std::vector<uint8_t> dronePitches_;
  // The header's part order as parts of the body (empty: the body is played as it
  // stands), and the next of them to play in a pass.
  std::vector<Part> partPlan_;
  size_t nextPart_ = 0;

  // Pass state.
  int passVoice_ = 1;
  int currentVoice_ = 1;
  uint64_t time_ = 0;
  uint64_t barPos_ = 0;
  // Where the bar being measured began, and, when a short bar was carried on past a
  // line that does not measure it (||, |], |:, :|), the line of that short bar (0: the
  // bar began at its own bar line, and a warning names the line the reader is on).
  size_t barStart_ = 0;
  int carriedLine_ = 0;
  // Where the bar began (time, bar position), for a voice overlay (&) to start
  // there again; while one sounds, where the bar's own notes had got to.
  uint64_t barStartTime_ = 0;
  uint64_t barStartPos_ = 0;
  bool overlay_ = false;
  uint64_t overlayMainTime_ = 0;
  uint64_t overlayMainPos_ = 0;
  size_t prevStart_ = 0;
  TokenKind prevKind_ = TK_NONE;
  RepeatMark repeatStart_;
  int repeatPass_ = 1;
  bool skipping_ = false;
  size_t jumps_ = 0;
  int lineAdjust_ = 0;
  bool sounding_ = true;  // time runs (after the range start)
  bool soundOn_ = true;   // notes sound (after the range's sound start)
  uint32_t flags_ = 0;

  std::array<Grace, 32> graces_{};
  int graceCount_ = 0;
  uint64_t graceTaken_ = 0;

  std::array<PendingTie, 8> ties_{};
  int tieCount_ = 0;

  bool chordOpen_ = false;
  int chordNotes_ = 0;
  uint64_t shortestBar_ = 0;
  uint64_t shortestPerformed_ = 0;

  ChordSymbol chord_;
  VoicedChord voiced_;
  bool chordPending_ = false;
  bool chordWaiting_ = false;  // read before the range start: voiced when sound starts
  uint64_t chordStartTime_ = 0;
  uint64_t chordStartBar_ = 0;
  int previousLowest_ = 60;

  bool stop_ = false;
  bool limitReported_ = false;
  bool voiceLimitReported_ = false;
  size_t eventCount_ = 0;
  uint64_t endTime_ = 0;

  // Results.
  int meterNumerator_ = 0;
  int meterDenominator_ = 4;
  int keySharps_ = 0;
  tick headerBeat_ = kTicksPerQuarter;
  uint32_t headerBpm_ = 120;
  uint32_t lengthQuarters_ = 0;
  std::string title_;
  std::string errorText_;
  std::vector<NoteStart> noteStarts_;
  int errorCount_ = 0;
};

// The merged track as the "Debug MIDI" dialog lists it: the line
// "Dtime\tStatus\tData1\tData2\tData3\tTime", then one line per event with the
// delta, the status in hexadecimal, the data bytes and the running time.
std::string FormatEventListing(const std::vector<MidiEvent>& events,
                               std::string_view lineEnd = "\n");

}  // namespace tunora
