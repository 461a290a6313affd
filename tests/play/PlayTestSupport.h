// Building performances of small tunes in tests, and reading their tracks back as
// notes with absolute times.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "play/Performance.h"
#include "play/PlaySettings.h"
#include "play/StyleSet.h"
#include "tunefile/TuneFile.h"

namespace tunora::test {

// Distinct velocities so that beat, off-beat and other notes can be told apart.
inline MidiSettings TestMidi() {
  MidiSettings m;
  m.velNoteBeat = 100;
  m.velNoteOffbeat = 80;
  m.velNoteOther = 60;
  return m;
}

struct Built {
  TuneFile file;
  std::string symbolLines;
  PlaySettings settings;
  std::unique_ptr<Performance> perf;
  bool ok = false;

  const EventTrack& Voice(int n = 1) const { return perf->Voices()[static_cast<size_t>(n - 1)]; }
  const std::string& Errors() const { return perf->ErrorText(); }
  std::string_view Body() const { return file.TuneAt(1)->body; }
};

// Builds tune text ("X:1\nT:...\nK:...\nbody") with the settings of midi, the
// style set and a last chance to change the play settings.
inline std::unique_ptr<Built> Build(const std::string& tuneText,
                                    const MidiSettings& midi = TestMidi(),
                                    const StyleSet& styles = StyleSet(),
                                    const std::function<void(PlaySettings&)>& tweak = {}) {
  auto b = std::make_unique<Built>();
  b->file.SplitTunes(tuneText, true, 0, false);
  const TuneRecord& tune = *b->file.TuneAt(1);
  b->symbolLines = TuneSymbolLines(tune);
  b->settings = GatherPlaySettings(midi, tune, styles);
  b->settings.symbolLines = b->symbolLines;
  if (tweak) tweak(b->settings);
  b->perf = std::make_unique<Performance>(styles);
  b->ok = b->perf->Build(b->settings);
  return b;
}

struct Note {
  uint32_t start = 0;
  uint32_t length = 0;
  int pitch = 0;
  int velocity = 0;
  int channel = 0;
  bool operator==(const Note&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << "{" << n.start << "," << n.length << ",p" << n.pitch << ",v" << n.velocity << ",ch"
            << n.channel << "}";
}

// The events with absolute times.
inline std::vector<MidiEvent> Absolute(const std::vector<MidiEvent>& events) {
  std::vector<MidiEvent> out = events;
  uint32_t t = 0;
  for (MidiEvent& e : out) {
    t += e.time;
    e.time = t;
  }
  return out;
}

// Notes in order of their start, each note on paired with the first later note
// off of its channel and pitch.
inline std::vector<Note> NotesOf(const std::vector<MidiEvent>& deltas) {
  std::vector<MidiEvent> events = Absolute(deltas);
  std::vector<Note> notes;
  std::vector<std::pair<size_t, int>> open;  // note index, channel/pitch key
  for (const MidiEvent& e : events) {
    if ((e.status & 0xF0) != kNoteOn) continue;
    const int channel = e.status & 0x0F;
    const int key = channel * 128 + e.data1;
    if (e.data2 > 0) {
      notes.push_back({e.time, 0, e.data1, e.data2, channel});
      open.emplace_back(notes.size() - 1, key);
    } else {
      for (auto it = open.begin(); it != open.end(); ++it) {
        if (it->second == key) {
          notes[it->first].length = e.time - notes[it->first].start;
          open.erase(it);
          break;
        }
      }
    }
  }
  return notes;
}
inline std::vector<Note> NotesOf(const EventTrack& t) { return NotesOf(t.Events()); }

inline std::vector<int> Pitches(const std::vector<Note>& notes) {
  std::vector<int> p;
  for (const Note& n : notes) p.push_back(n.pitch);
  return p;
}

inline StyleSet ParseStyles(const std::string& text) {
  StyleSet s;
  unsigned line = 0;
  s.Parse(text, line);
  return s;
}

}  // namespace tunora::test
