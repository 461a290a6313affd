#include "play/PlaySettings.h"

#include <algorithm>

#include "base/Ascii.h"
#include "play/StyleSet.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

// Blanks before the value, blanks and line ends after it.
std::string_view TrimValue(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

bool TempoTextGivesTempo(std::string_view q) {
  q = TrimValue(q);
  if (q.empty()) return false;
  if (IsDigit(q[0])) return true;
  if (q[0] != 'C') return false;
  size_t p = 1;
  while (p < q.size() && (q[p] == '/' || IsDigit(q[p]))) ++p;
  if (p < q.size() && q[p] == '=') ++p;
  return p < q.size() && IsDigit(q[p]);
}

PlaySettings GatherPlaySettings(const MidiSettings& m, const TuneRecord& tune,
                                const StyleSet& styles, std::string_view lastDrone) {
  PlaySettings s;
  if (const auto* key = tune.Field('K'); key != nullptr && key->has_value()) s.keyText = **key;
  s.meterText = tune.FieldText('M');
  s.unitLengthText = tune.FieldText('L');
  s.body = tune.body;
  s.rhythmText = tune.FieldText('R');
  s.partsText = tune.FieldText('P');
  s.title = tune.titles.empty() ? std::string() : tune.titles.front();

  s.tempoText = tune.FieldText('Q');
  if (!TempoTextGivesTempo(s.tempoText)) {
    if (const RhythmRecord* r = styles.SelectRhythm(s.rhythmText, s.meterText))
      s.tempoText = r->tempo;
  }

  s.melodyProgram = Clamp(m.melodyInstrument, 0, 127);
  s.backingProgram = Clamp(m.backingInstrument, 0, 127);
  s.droneProgram = Clamp(m.droneInstrument, 0, 127);
  s.melodyOctave = Clamp(m.melodyOctave, -1, 1);
  s.backingOctave = Clamp(m.backingOctave, -1, 1);
  s.droneOctave = Clamp(m.droneOctave, -1, 1);
  s.melodyChannel = Clamp(m.melodyChannel, 0, 15);
  s.backingChannel = Clamp(m.backingChannel, 0, 15);
  s.droneChannel = Clamp(m.droneChannel, 0, 15);
  for (size_t i = 0; i < s.voiceChannel.size(); ++i)
    s.voiceChannel[i] = Clamp(m.voiceChannel[i], 0, 15);
  s.velNoteBeat = Clamp(m.velNoteBeat, 0, 127);
  s.velNoteOffbeat = Clamp(m.velNoteOffbeat, 0, 127);
  s.velNoteOther = Clamp(m.velNoteOther, 0, 127);
  s.velChordBeat = Clamp(m.velChordBeat, 0, 127);
  s.velChordOffbeat = Clamp(m.velChordOffbeat, 0, 127);
  s.velChordOther = Clamp(m.velChordOther, 0, 127);
  s.velDrone = Clamp(m.velDrone, 0, 127);
  s.graceFraction = Clamp(m.graceFraction, 1, 768);
  s.multiGraceFraction = Clamp(m.multiGraceFraction, 1, 768);
  s.staccatoLen = Clamp(m.staccatoLen, 1, 100);
  s.loudPercent = Clamp(m.loudPercent, 100, 200);
  s.pauseLen = Clamp(m.pauseLen, 100, 65535);
  s.warnBarLen = m.warnBarLen;
  s.repeat = Clamp(m.repeat, 0, 100);
  s.noRepeats = m.noRepeats;
  s.playChords = m.playChords;
  s.playGraces = m.playGraces;
  s.transpose = Clamp(m.transpose, -24, 24);
  s.speedPercent = Clamp(m.speedPercent, 1, 65535);
  s.commonEqualsCut = m.commonEqualsCut;

  s.droneText = m.keepDrone && !lastDrone.empty() ? std::string(lastDrone) : m.drone;
  if (m.keyHpSpecial && s.keyText && EqualNoCase(TrimValue(*s.keyText), "Hp")) {
    s.transpose = Clamp(s.transpose + 1, -25, 25);
    s.droneText = "A,A,,";
    s.playChords = false;
  }
  s.droneOn = !TrimValue(s.droneText).empty();
  return s;
}

}  // namespace tunora
