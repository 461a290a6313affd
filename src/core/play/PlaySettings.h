// What a performance is built from: the tune's texts and the playback settings,
// gathered from the "Midi" settings, the tune and the style set.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "abc/UserSymbols.h"
#include "app/Settings.h"

namespace tunora {

class StyleSet;
struct TuneRecord;

struct PlaySettings {
  // The tune. The views must stay valid while the performance is built.
  std::optional<std::string_view> keyText;  // K:; none reads as C
  std::string_view meterText;               // M:
  std::string_view unitLengthText;          // L:
  std::string tempoText;                    // Q:, or the rhythm record's tempo
  std::string_view body;
  std::string_view rhythmText;                  // R:
  std::string_view partsText;                   // the header's P:, the order of the parts
  std::string title;                            // for the MIDI file's track name
  const UserSymbols* programSymbols = nullptr;  // the program's set (userdef.abc), may be null
  const UserSymbols* tuneSymbols = nullptr;     // the file's or tune's own u: set, may be null
  std::string_view symbolLines;                 // the tune header's u: lines ("u:..." per line)

  std::string backingStyle;  // name of the backing; empty: the one marked in use

  // Instruments (0..127), octave shifts (-1..1) and channels (0..15).
  int melodyProgram = 70, backingProgram = 0, droneProgram = 71;
  int melodyOctave = 0, backingOctave = 0, droneOctave = 0;
  int melodyChannel = 0, backingChannel = 14, droneChannel = 15;
  // Channels of voices 2 to 13; other voices use the melody channel.
  std::array<int, MidiSettings::kLastVoice - MidiSettings::kFirstVoice + 1> voiceChannel{
      1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13};

  int velNoteBeat = 64, velNoteOffbeat = 64, velNoteOther = 64;
  int velChordBeat = 48, velChordOffbeat = 48, velChordOther = 48;
  int velDrone = 48;

  int graceFraction = 6;       // 1..768
  int multiGraceFraction = 6;  // 1..768
  int staccatoLen = 70;        // percent
  int loudPercent = 150;       // percent for !accent!
  int pauseLen = 200;          // percent for a fermata
  bool warnBarLen = true;
  int repeat = 1;  // times the whole tune is played; 0 fails the build
  bool noRepeats = false;
  bool playChords = true;
  bool droneOn = false;
  std::string droneText;
  bool playGraces = true;
  int transpose = 0;       // semitones
  int speedPercent = 100;  // 100 for files
  bool commonEqualsCut = true;
  bool merged = false;  // one time-ordered track for live play
  // Only the MIDI file is wanted (files in bulk): error texts and the note positions
  // the player follows are not kept; errors are still counted.
  bool fileOnly = false;

  // Playing from a position: tokens before start are read but nothing sounds
  // and time stands still; from start on time runs, and notes sound from
  // soundStart on; reading ends at end. Offsets into the body.
  struct Range {
    size_t start = 0;
    size_t soundStart = 0;
    size_t end = static_cast<size_t>(-1);
  };
  std::optional<Range> range;

  int VoiceChannel(int voice) const {
    return voice >= MidiSettings::kFirstVoice && voice <= MidiSettings::kLastVoice
               ? voiceChannel[static_cast<size_t>(voice - MidiSettings::kFirstVoice)]
               : melodyChannel;
  }
};

// True when a Q: text gives a tempo: it starts with a digit, or is C with an
// optional run of / and digits followed by an optional = and a digit.
bool TempoTextGivesTempo(std::string_view q);

// The playback settings of midi for tune, as the player gathers them: every
// value brought into its range; the Q: text, or the tempo of the rhythm record
// chosen by R: and M: when Q: gives none; with KeepDrone the drone text last
// used (lastDrone); with KeyHpSpecial and K:Hp (any case) one semitone up, the
// drone "A,A,," and no chords. The views point into tune, which must outlive
// the settings.
PlaySettings GatherPlaySettings(const MidiSettings& midi, const TuneRecord& tune,
                                const StyleSet& styles, std::string_view lastDrone = {});

}  // namespace tunora
