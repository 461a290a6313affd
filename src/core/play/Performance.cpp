#include "play/Performance.h"

#include <algorithm>
#include <cstdio>

#include "abc/AbcHeader.h"
#include "abc/AbcParser.h"

namespace tunora {

namespace {

// Messages of the limits; the reader's own messages come from AbcMessageText.
constexpr std::string_view kTooManyEvents =
    "Error: too many MIDI events; the rest of the tune is not played.";
constexpr std::string_view kTooLong = "Error: the tune is too long; the rest of it is not played.";
constexpr std::string_view kTooManyVoices = "Error: too many voices; this voice is not played.";
constexpr std::string_view kTooManyRepeats =
    "Error: too many MIDI events to repeat the tune as often as asked.";

inline int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

bool IsTrillish(uint32_t flags, uint32_t mask) { return (flags & mask) != 0; }

// The drone text as pitches: ABC notes read in the tune's key, each with only the
// accidental written on it (a note's accidental does not carry to the next one);
// X stands for the key's tonic and takes octave marks as a note does.
std::vector<uint8_t> DronePitches(std::string_view text, const KeyInfo& key) {
  constexpr size_t kMaxDroneNotes = 16;
  AbcParser reader;
  reader.Init(std::nullopt, "", "", std::nullopt, "", false);
  reader.key = key;
  reader.SetText(text);
  std::vector<uint8_t> out;
  size_t pos = 0;
  for (TokenKind kind; out.size() < kMaxDroneNotes && (kind = reader.NextToken(pos)) != TK_END;) {
    int pitch = -1;
    if (kind == TK_NOTE && reader.note.pitch < 128) {
      pitch = reader.note.pitch;
    } else if (kind == TK_SYMBOL && reader.TokenValue() == 'X') {
      pitch = key.tonic;
      for (; pos < text.size() && (text[pos] == ',' || text[pos] == '\''); ++pos)
        pitch += text[pos] == ',' ? -12 : 12;
    }
    if (pitch >= 0 && pitch <= 127) out.push_back(static_cast<uint8_t>(pitch));
    reader.ResetBarState();
  }
  return out;
}

}  // namespace

Performance::Performance(const StyleSet& styles) : styles_(styles) {}

// Every event of a build passes here: defined before its callers, so that it is
// inlined into them, with the rare limit out of line.
inline void Performance::Emit(EventTrack& track, uint32_t time, uint8_t status, uint8_t d1,
                              uint8_t d2, bool counts) {
  if (stop_) return;
  if (eventCount_ >= kMaxEvents) {
    Limit(kTooManyEvents, prevStart_);
    return;
  }
  ++eventCount_;
  track.Insert(MidiEvent{time, status, d1, d2, 0});
  if (counts) track.used = true;
}

// ------------------------------------------------------------------------ build

const Performance::NoteStart* Performance::NoteAt(const std::vector<NoteStart>& notes,
                                                  uint64_t time) {
  auto after = std::upper_bound(notes.begin(), notes.end(), time,
                                [](uint64_t t, const NoteStart& n) { return t < n.time; });
  return after == notes.begin() ? nullptr : &*(after - 1);
}

bool Performance::Build(const PlaySettings& settings) {
  ps_ = settings;
  if (ps_.repeat <= 0) return false;
  ps_.graceFraction = Clamp(ps_.graceFraction, 1, 768);
  ps_.multiGraceFraction = Clamp(ps_.multiGraceFraction, 1, 768);
  ps_.speedPercent = std::max(ps_.speedPercent, 1);
  title_ = ps_.title;
  errorText_.clear();
  noteStarts_.clear();
  errorCount_ = 0;
  stop_ = false;
  limitReported_ = false;
  voiceLimitReported_ = false;
  eventCount_ = 0;
  endTime_ = 0;
  voiceIds_.clear();

  // 1. Event arrays for voice 1, backing, drone and the tempo map.
  // A performance built again keeps the room of its arrays.
  voices_.reserve(kMaxVoices);
  voices_.resize(1);
  for (EventTrack* t : {&voices_[0], &backing_, &drone_, &tempoMap_}) t->Reset();

  commonEqualsCut = ps_.commonEqualsCut;
  Init(ps_.keyText, ps_.meterText, ps_.unitLengthText, ps_.body, ps_.tempoText, true);
  SetUserSymbols(UserSymbols::kPlayTable, ps_.tuneSymbols, ps_.symbolLines, ps_.programSymbols);

  // 2. The rhythm record (swing) and the backing.
  rhythm_ = styles_.SelectRhythm(ps_.rhythmText, ps_.meterText);
  backingStyle_ = styles_.SelectBacking(ps_.backingStyle);

  // 3. Program changes at time 0.
  drone_.channel = ps_.droneChannel;
  drone_.program = ps_.droneProgram;
  backing_.channel = ps_.backingChannel;
  backing_.program = ps_.backingProgram;
  EventTrack& v1 = voices_[0];
  v1.voice = VoiceInfo::Stored(1);
  v1.channel = ps_.melodyChannel;
  v1.program = ps_.melodyProgram;
  v1.octave = ps_.melodyOctave;
  Emit(drone_, 0, static_cast<uint8_t>(kProgramChange | drone_.channel),
       static_cast<uint8_t>(drone_.program), 0, false);
  Emit(backing_, 0, static_cast<uint8_t>(kProgramChange | backing_.channel),
       static_cast<uint8_t>(backing_.program), 0, false);
  Emit(v1, 0, static_cast<uint8_t>(kProgramChange | v1.channel), static_cast<uint8_t>(v1.program),
       0, false);

  // 4. The header tempo.
  headerBeat_ = tempo.beatLength;
  headerBpm_ = tempo.beatsPerMinute;
  tempoMap_.Insert(TempoEvent(0, TempoNow()));
  ++eventCount_;
  if (tempo.bareNumber) {
    // The excerpt of the header's Q: comes from its own text.
    errorText_ += FormatErrorEntry(1, AbcMessageText(MSG_INCOMPLETE_TEMPO),
                                   ErrorExcerpt(ps_.tempoText, 0), 0);
    ++errorCount_;
  }

  // 5. The drone sounds from time 0.
  dronePitches_.clear();
  if (ps_.droneOn) {
    // The sounding pitches, in the drone's octave, for the start and the end alike.
    for (uint8_t p : DronePitches(ps_.droneText, key)) {
      const int pitch = p + 12 * ps_.droneOctave;
      if (pitch >= 0 && pitch <= 127) dronePitches_.push_back(static_cast<uint8_t>(pitch));
    }
    for (uint8_t pitch : dronePitches_)
      Emit(drone_, 0, static_cast<uint8_t>(kNoteOn | drone_.channel), pitch,
           static_cast<uint8_t>(ps_.velDrone));
  }

  // 6. What the MIDI file and the player need of the header.
  meterNumerator_ = meter.numerator;
  meterDenominator_ = meter.denominator;
  int sharps = 0;
  for (int8_t a : key.letterAccidentals) sharps += a;
  keySharps_ = sharps;

  // 7. Voice 1, the drone's end, then every further voice.
  FindParts();
  Pass(1);
  const uint64_t voice1End = time_;
  for (uint8_t pitch : dronePitches_)
    Emit(drone_, static_cast<uint32_t>(voice1End), static_cast<uint8_t>(kNoteOn | drone_.channel),
         pitch, 0);
  for (int v = 2; v <= static_cast<int>(voices_.size()) && !stop_; ++v) Pass(v);

  Finish();
  return true;
}

// Merging, transposition, deltas and the repeats of the whole tune.
void Performance::Finish() {
  // 8. One merged track: at equal times the tempo map first, then the drone, the
  // backing and the voices from the highest number down.
  if (ps_.merged) {
    std::vector<MidiEvent> merged;
    size_t total = tempoMap_.Count() + drone_.Count() + backing_.Count();
    for (const EventTrack& t : voices_) total += t.Count();
    merged.reserve(std::max(total + 1, EventTrack::kInitialCapacity));
    auto append = [&merged](const EventTrack& t) {
      merged.insert(merged.end(), t.Events().begin(), t.Events().end());
    };
    append(tempoMap_);
    append(drone_);
    append(backing_);
    for (size_t i = voices_.size(); i-- > 0;) append(voices_[i]);
    std::stable_sort(merged.begin(), merged.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
    voices_[0].Events() = std::move(merged);
    for (size_t i = 1; i < voices_.size(); ++i) voices_[i].Clear();
    tempoMap_.Clear();
    drone_.Clear();
    backing_.Clear();
  }

  // 9. The length of one pass in quarter notes.
  lengthQuarters_ = voices_[0].LastTime() / kTicksPerQuarter;

  // 10. Transposition of every note.
  if (ps_.transpose != 0) {
    auto shift = [this](EventTrack& t) {
      for (MidiEvent& e : t.Events())
        if ((e.status & 0xF0) == kNoteOn)
          e.data1 = static_cast<uint8_t>(Clamp(e.data1 + ps_.transpose, 0, 127));
    };
    for (EventTrack& t : voices_) shift(t);
    shift(drone_);
    shift(backing_);
  }

  // 11. The whole tune Repeat times: each copy one tune length after the last.
  // Then times become deltas.
  std::vector<EventTrack*> tracks;
  for (EventTrack& t : voices_) tracks.push_back(&t);
  tracks.push_back(&backing_);
  tracks.push_back(&drone_);
  tracks.push_back(&tempoMap_);
  uint64_t period = endTime_;
  for (EventTrack* t : tracks) period = std::max<uint64_t>(period, t->LastTime());
  size_t count = 0;
  for (EventTrack* t : tracks) count += t->Count();
  int repeat = ps_.repeat;
  if (count > 0 && count * static_cast<size_t>(repeat) > kMaxEvents) {
    repeat = std::max<int>(1, static_cast<int>(kMaxEvents / count));
    errorText_ += FormatErrorEntry(1, kTooManyRepeats, ErrorExcerpt(Text(), 0), 0);
    ++errorCount_;
  }
  if (period * static_cast<uint64_t>(repeat) > 0xFFFFFFFFu) {
    repeat = std::max<int>(1, static_cast<int>(0xFFFFFFFFu / std::max<uint64_t>(period, 1)));
  }
  for (EventTrack* t : tracks) {
    std::vector<MidiEvent>& ev = t->Events();
    const size_t n = ev.size();
    if (repeat > 1 && n > 0) {
      ev.reserve(n * static_cast<size_t>(repeat));
      for (int k = 1; k < repeat; ++k) {
        const uint32_t offset = static_cast<uint32_t>(period * static_cast<uint64_t>(k));
        for (size_t i = 0; i < n; ++i) {
          MidiEvent e = ev[i];
          e.time += offset;
          ev.push_back(e);
        }
      }
    }
    uint32_t previous = 0;
    for (MidiEvent& e : ev) {
      const uint32_t absolute = e.time;
      e.time = absolute - previous;
      previous = absolute;
    }
  }
}

// ------------------------------------------------------------------------ a pass

void Performance::Pass(int voiceNumber) {
  Restart();
  passVoice_ = voiceNumber;
  currentVoice_ = 1;
  time_ = 0;
  barPos_ = pickupOffset;
  barStart_ = 0;
  carriedLine_ = 0;
  barStartTime_ = 0;
  barStartPos_ = barPos_;
  overlay_ = false;
  prevStart_ = 0;
  prevKind_ = TK_NONE;
  repeatStart_ = RepeatMark{0, 1, barPos_, key, meter};
  repeatPass_ = 1;
  skipping_ = false;
  jumps_ = 0;
  lineAdjust_ = 0;
  flags_ = 0;
  graceCount_ = 0;
  graceTaken_ = 0;
  tieCount_ = 0;
  chordOpen_ = false;
  chord_ = ChordSymbol{};
  chordPending_ = false;
  chordWaiting_ = false;
  previousLowest_ = 60;
  ChoosePattern();
  ResetBarState();
  sounding_ = soundOn_ = !ps_.range;
  nextPart_ = 0;

  const std::string_view body = Text();
  size_t pos = 0;
  size_t furthest = 0;
  bool first = true;
  while (!stop_) {
    const size_t start = pos;
    if (ps_.range && start >= ps_.range->end) break;
    if (ps_.range) {
      sounding_ = start >= ps_.range->start;
      const bool on = sounding_ && start >= ps_.range->soundStart;
      if (on && !soundOn_ && chordWaiting_ && currentVoice_ == passVoice_) {
        soundOn_ = true;
        VoiceChordHere();
      }
      soundOn_ = on;
    } else {
      sounding_ = soundOn_ = true;
    }
    // The body's first line begins a line again when a repeat jumps back to it: a
    // field there is a field, not a symbol and notes.
    const TokenKind kind = NextToken(pos, first || pos == 0);
    first = false;
    // In the header's part order a part ends at the next part mark or the end of
    // the body, and the pass goes on with the part that comes next.
    if ((kind == TK_END || kind == TK_FIELD_P) && !partPlan_.empty()) {
      if (NextPart(pos)) continue;
      break;
    }
    if (kind == TK_END) break;
    // Tokens read again after a repeat jump are not reported again.
    const bool fresh = start >= furthest;
    furthest = std::max(furthest, pos);
    // A note of the voice played, most of the tokens, goes straight to be played.
    if (kind == TK_NOTE && currentVoice_ == passVoice_ && !SyntaxWarning())
      PerformNote(start, fresh);
    else
      Token(kind, start, pos, fresh);
    if (kind != TK_CR) {
      prevStart_ = start;
      prevKind_ = kind;
    }
    if (time_ > kMaxTime) Limit(kTooLong, std::min(start, body.size()));
  }

  // The end of the pass closes what is still open.
  FlushGraces();
  EndOverlay();
  if (chordOpen_) FinishChord();
  CloseTies(UINT64_MAX, -1, true);
  CloseChord();
  endTime_ = std::max(endTime_, time_);
  if (voiceNumber == 1 && ps_.merged) {
    EventTrack& v1 = voices_[0];
    Emit(v1, static_cast<uint32_t>(std::min(time_, kMaxTime)),
         static_cast<uint8_t>(kProgramChange | v1.channel), static_cast<uint8_t>(v1.program), 0,
         false);
  }
}

// The header's P: as a list of part labels: letters, each with an optional count,
// and groups in parentheses with a count ("A2B", "(AB)2C"); dots and blanks
// separate, a % starts a comment. At most kMaxParts labels.
namespace {
constexpr size_t kMaxParts = 256;

void ExpandParts(std::string_view text, size_t& i, int depth, std::string& out) {
  while (i < text.size() && out.size() < kMaxParts) {
    const char c = text[i];
    if (c == '%') return;  // a comment ends the field
    std::string item;
    if (c == '(' && depth < 8) {
      ++i;
      ExpandParts(text, i, depth + 1, item);
    } else if (c == ')') {
      if (depth > 0) {
        ++i;
        return;
      }
      ++i;
      continue;
    } else if ((c >= 'A' && c <= 'Z')) {
      item = c;
      ++i;
    } else {
      ++i;
      continue;
    }
    uint32_t count = 1;
    if (i < text.size() && text[i] >= '1' && text[i] <= '9') ReadNumber(text, i, count);
    for (uint32_t k = 0; k < count && out.size() < kMaxParts; ++k)
      out.append(item, 0, std::min(item.size(), kMaxParts - out.size()));
  }
}

char PartLabel(std::string_view text) {
  for (char c : text)
    if (c != ' ' && c != '\t') return c;
  return 0;
}
}  // namespace

// With a header P: and parts marked P: in the body, the parts are played in the
// header's order (a part the body does not mark is left out); otherwise the body
// is played as it stands. Playing from a position always plays the body as it stands.
void Performance::FindParts() {
  partPlan_.clear();
  chordOpen_ = false;
  if (ps_.partsText.empty() || ps_.range) return;
  std::string order;
  size_t i = 0;
  ExpandParts(ps_.partsText, i, 0, order);
  if (order.empty()) return;
  std::vector<Part> marked;
  Restart();
  size_t pos = 0;
  bool first = true;
  for (TokenKind k; (k = NextToken(pos, first)) != TK_END; first = false) {
    if (k != TK_FIELD_P) continue;
    const char label = PartLabel(TokenText());
    bool known = false;
    for (const Part& p : marked) known = known || p.label == label;
    if (!known) marked.push_back(Part{label, pos, LineNumber(), key, meter});
  }
  if (marked.empty()) return;
  for (char label : order) {
    for (const Part& p : marked) {
      if (p.label == label) {
        partPlan_.push_back(p);
        break;
      }
    }
  }
}

// Moves the pass to the start of the next part of the plan; false when all are played.
bool Performance::NextPart(size_t& pos) {
  if (nextPart_ >= partPlan_.size()) return false;
  const Part& part = partPlan_[nextPart_++];
  FlushGraces();
  EndOverlay();
  if (chordOpen_) FinishChord();
  ResetBarState();
  pos = part.start;
  lineAdjust_ = LineNumber() - part.line;
  key = part.key;
  if (meter.barLength != part.meter.barLength || meter.numerator != part.meter.numerator ||
      meter.denominator != part.meter.denominator) {
    meter = part.meter;
    ChoosePattern();
  } else {
    meter = part.meter;
  }
  SetText(Text());  // drops a follow-up kind
  repeatStart_ = RepeatMark{pos, part.line, barPos_, key, meter, pos, 0};
  repeatPass_ = 1;
  skipping_ = false;
  barStart_ = pos;
  carriedLine_ = 0;
  barStartTime_ = time_;
  barStartPos_ = barPos_;
  return true;
}

// A field's text starts after the line feed of its line, or at the [ of an inline
// field; its kind comes one token after that.
size_t Performance::FieldStart(size_t start) const {
  if (prevKind_ == TK_NEWLINE) return prevStart_ + 1;
  if (prevKind_ == TK_INLINE_FIELD) return prevStart_;
  return start;
}

void Performance::Token(TokenKind kind, size_t start, size_t& pos, bool fresh) {
  if (SyntaxWarning() && fresh) Report(MSG_INCORRECT_SYNTAX, start);
  const bool own = currentVoice_ == passVoice_;
  switch (kind) {
    case TK_ERROR:
      if (fresh) Report(MSG_ERROR_IN_TUNE, start);
      return;
    case TK_DIRECTIVE:
      if (TokenValue() == kDirectiveMidi) MidiDirective();
      return;
    case TK_FIELD_K:
      if (own) CloseChord();
      return;
    case TK_FIELD_M:
      if (own) CloseChord();
      ChoosePattern();
      return;
    case TK_FIELD_Q:
      if (passVoice_ == 1) {
        tempoMap_.Insert(TempoEvent(static_cast<uint32_t>(std::min(time_, kMaxTime)), TempoNow()));
        ++eventCount_;
        if (tempo.bareNumber && fresh) Report(MSG_INCOMPLETE_TEMPO, FieldStart(start));
      }
      return;
    case TK_FIELD_V: VoiceField(fresh, FieldStart(start)); return;
    default: break;
  }
  if (!own) return;

  if (IsBarKind(kind) || kind == TK_START_BAR) {
    BarToken(kind, pos, fresh);
    return;
  }
  switch (kind) {
    case TK_FIRST_ENDING:
      if (repeatPass_ == 2) skipping_ = true;
      break;
    case TK_SECOND_ENDING: skipping_ = false; break;
    case TK_OVERLAY: Overlay(); break;
    case TK_CHORD_SYMBOL:
      if (!skipping_ && !overlay_ && ps_.playChords) {
        // Text that is no chord symbol is an annotation and leaves the chord sounding.
        if (ReadChordSymbol(TokenText(), styles_, chord_)) {
          CloseChord();
          if (soundOn_) {
            VoiceChordHere();
          } else {
            chordWaiting_ = true;
          }
        }
      }
      break;
    case TK_GRACE_START:
      FlushGraces();
      graceTaken_ = 0;
      break;
    case TK_GRACE_END:
      // The graces wait for their note, which tells how much time they may take.
      break;
    case TK_CHORD_START:
      chordOpen_ = true;
      chordNotes_ = 0;
      shortestBar_ = shortestPerformed_ = UINT64_MAX;
      break;
    case TK_CHORD_END:
      if (chordOpen_) FinishChord();
      break;
    case TK_SYMBOL:
      // Z and X without a definition of their own: rests of whole bars.
      if (TokenValue() == 'Z' || TokenValue() == 'X') MultiBarRest(pos);
      break;
    case TK_STACCATO: flags_ |= kStaccato; break;
    case TK_TRILL: flags_ |= kTrill; break;
    case TK_LOWERMORDENT: flags_ |= kLowerMordent; break;
    case TK_UPPERMORDENT: flags_ |= kUpperMordent; break;
    case TK_ACCENT: flags_ |= kAccent; break;
    case TK_ROLL: flags_ |= kRoll; break;
    case TK_UPBOW: flags_ |= kUpbow; break;
    case TK_DOWNBOW: flags_ |= kDownbow; break;
    case TK_SLIDE: flags_ |= kSlide; break;
    case TK_QUARTERTONE: flags_ |= kQuarterTone; break;
    case TK_FERMATA: flags_ |= kFermata; break;
    case TK_NOTE: PerformNote(start, fresh); break;
    default: break;
  }
}

// Bar lines, repeats and endings of the voice being generated.
void Performance::BarToken(TokenKind kind, size_t& pos, bool fresh) {
  FlushGraces();
  EndOverlay();
  const bool repeatEnd = kind == TK_REPEAT_END || kind == TK_REPEAT_BOTH;
  // A skipped first ending changes nothing until the repeat end that closes it.
  if (skipping_ && !repeatEnd) return;
  const tick barLength = meter.barLength;

  // Lines other than | are not measured; a bar they close that is complete (or
  // over-full) starts the next one at 0, a short one carries on after them and keeps
  // its start, so that a warning at the next | points at the short bar.
  auto settleBar = [&]() {
    if (barLength == 0 || barPos_ >= barLength) barPos_ = 0;
    if (barPos_ == 0) {
      barStart_ = pos;
      carriedLine_ = 0;
    } else if (carriedLine_ == 0) {
      carriedLine_ = DisplayLine();
    }
  };
  auto markRepeatStart = [&]() {
    settleBar();
    repeatStart_ = RepeatMark{pos, DisplayLine(), barPos_, key, meter, barStart_, carriedLine_};
  };

  switch (kind) {
    case TK_BAR:
      if (ps_.warnBarLen && barLength > 0 && barPos_ != 0 && barPos_ != barLength && fresh) {
        if (carriedLine_ != 0)
          Report(AbcMessageText(MSG_BAR_LENGTH), barStart_, carriedLine_);
        else
          Report(MSG_BAR_LENGTH, barStart_);
      }
      barPos_ = 0;
      barStart_ = pos;
      carriedLine_ = 0;
      break;
    case TK_DOUBLE_BAR:
    case TK_END_BAR:
    case TK_START_BAR:
    case TK_REPEAT_START: markRepeatStart(); break;
    case TK_REPEAT_END:
    case TK_REPEAT_BOTH:
      if (ps_.noRepeats) {
        settleBar();
      } else if (repeatPass_ == 1 && jumps_ <= Text().size()) {
        CloseChord();
        CloseTies(UINT64_MAX, -1, true);
        ++jumps_;
        lineAdjust_ = LineNumber() - repeatStart_.line;
        pos = repeatStart_.position;
        barPos_ = repeatStart_.barPos;
        key = repeatStart_.key;
        if (meter.barLength != repeatStart_.meter.barLength ||
            meter.numerator != repeatStart_.meter.numerator ||
            meter.denominator != repeatStart_.meter.denominator) {
          meter = repeatStart_.meter;
          ChoosePattern();
        } else {
          meter = repeatStart_.meter;
        }
        SetText(Text());  // drops a follow-up kind of the repeat sign
        repeatPass_ = 2;
        barStart_ = repeatStart_.barStart;
        carriedLine_ = repeatStart_.carriedLine;
        barStartTime_ = time_;
        barStartPos_ = barPos_;
        return;
      } else {
        repeatPass_ = 1;
        skipping_ = false;
        markRepeatStart();
      }
      break;
    default:
      // An ending mark right after a bar line: the bar begins after it.
      if (barPos_ == 0) barStart_ = pos;
      break;
  }
  barStartTime_ = time_;
  barStartPos_ = barPos_;
}

// & in a bar: the notes after it sound from the start of the bar, beside the ones
// before it; the bar goes on from where those ended (EndOverlay, at the bar line).
void Performance::Overlay() {
  FlushGraces();
  if (skipping_) return;
  if (!overlay_) {
    overlay_ = true;
    overlayMainTime_ = time_;
    overlayMainPos_ = barPos_;
  }
  if (sounding_) time_ = std::min(time_, barStartTime_);
  barPos_ = barStartPos_;
}

void Performance::EndOverlay() {
  if (!overlay_) return;
  overlay_ = false;
  time_ = overlayMainTime_;
  barPos_ = overlayMainPos_;
}

void Performance::VoiceField(bool fresh, size_t start) {
  int number = voice.number;
  if (number == 0) {
    // A voice named without a number: identifiers are numbered in order of appearance.
    std::string_view text = TokenText();
    size_t b = 0;
    while (b < text.size() && (text[b] == ' ' || text[b] == '\t')) ++b;
    size_t e = b;
    while (e < text.size() && text[e] != ' ' && text[e] != '\t') ++e;
    std::string_view id = text.substr(b, e - b);
    if (id.empty()) {
      number = 1;
    } else {
      for (const auto& [name, n] : voiceIds_)
        if (name == id) number = n;
      if (number == 0) {
        number = static_cast<int>(voices_.size()) + 1;
        voiceIds_.emplace_back(std::string(id), number);
      }
    }
  }
  if (number > kMaxVoices) {
    if (fresh && passVoice_ == 1 && !voiceLimitReported_) Report(kTooManyVoices, start);
    voiceLimitReported_ = true;
    currentVoice_ = 0;  // nothing of it sounds
    return;
  }
  while (static_cast<int>(voices_.size()) < number) AddVoice(static_cast<int>(voices_.size()) + 1);
  currentVoice_ = number;
  voices_[static_cast<size_t>(number - 1)].voice.MergeFrom(voice);
  voices_[static_cast<size_t>(number - 1)].voice.number = number;
}

int Performance::AddVoice(int number) {
  EventTrack& t = voices_.emplace_back();
  t.voice = VoiceInfo::Stored(number);
  t.program = ps_.melodyProgram;
  t.octave = ps_.melodyOctave;
  t.channel = ps_.VoiceChannel(number);
  Emit(t, 0, static_cast<uint8_t>(kProgramChange | t.channel), static_cast<uint8_t>(t.program), 0,
       false);
  return number;
}

void Performance::MidiDirective() {
  ReadMidiDirective();
  const bool own = currentVoice_ == passVoice_ && currentVoice_ >= 1;
  switch (midi.keyword) {
    case MIDI_GRACE:
      if (midi.graceDenominator > 0)
        ps_.graceFraction = ps_.multiGraceFraction = std::min(midi.graceDenominator, 768);
      break;
    case MIDI_CHORDPROG:
      if (midi.program < 0 || midi.program > 127) break;
      backing_.program = midi.program;
      if (passVoice_ == 1)
        Emit(backing_, 0, static_cast<uint8_t>(kProgramChange | backing_.channel),
             static_cast<uint8_t>(backing_.program), 0, false);
      break;
    case MIDI_DRONEPROG:
      if (midi.program < 0 || midi.program > 127) break;
      drone_.program = midi.program;
      if (passVoice_ == 1)
        Emit(drone_, 0, static_cast<uint8_t>(kProgramChange | drone_.channel),
             static_cast<uint8_t>(drone_.program), 0, false);
      break;
    case MIDI_CHORDCHANNEL:
      if (midi.channel >= 0 && midi.channel <= 15) backing_.channel = midi.channel;
      break;
    case MIDI_DRONECHANNEL:
      if (midi.channel >= 0 && midi.channel <= 15) drone_.channel = midi.channel;
      break;
    case MIDI_TRANSPOSE: ps_.transpose = Clamp(midi.transpose, -127, 127); break;
    case MIDI_CHANNEL:
      if (own && midi.channel >= 0 && midi.channel <= 15) Current()->channel = midi.channel;
      break;
    case MIDI_PROGRAM:
      if (own && midi.program >= 0 && midi.program <= 127) {
        EventTrack* t = Current();
        t->program = midi.program;
        Emit(*t, 0, static_cast<uint8_t>(kProgramChange | t->channel),
             static_cast<uint8_t>(t->program), 0, false);
      }
      break;
    default: break;
  }
}

// ------------------------------------------------------------------------ notes

void Performance::PerformNote(size_t start, bool fresh) {
  const NoteInfo& n = note;
  const bool inGrace = (n.flags & kNoteInGrace) != 0;
  const EventTrack* track = Current();
  if (inGrace) {
    // Grace notes wait for the end of their group, which tells their length.
    if (!ps_.playGraces || skipping_ || n.pitch >= 128) return;
    if (graceCount_ >= static_cast<int>(graces_.size())) FlushGraces();
    const int pitch = n.pitch + track->voice.totalShift + 12 * track->octave;
    graces_[static_cast<size_t>(graceCount_++)] = Grace{pitch, n.length};
    return;
  }
  const uint32_t flags = flags_;
  flags_ = 0;
  if (!ps_.fileOnly && passVoice_ == 1 && currentVoice_ == 1 && soundOn_ && !skipping_ &&
      n.pitch < 128 && (noteStarts_.empty() || noteStarts_.back().time < time_))
    noteStarts_.push_back(NoteStart{time_, static_cast<uint32_t>(start)});

  // 1. Broken rhythm with the rhythm's own ratio.
  tick length = n.length;
  if (rhythm_ != nullptr && n.brokenRole != 0 && (n.flags & kNoteInTuplet) == 0) {
    const BrokenRatio* r = n.brokenValue == 1    ? &rhythm_->swingbr
                           : n.brokenValue == -1 ? &rhythm_->swingbbr
                                                 : nullptr;
    if (r != nullptr && r->present) {
      const uint64_t l = uint64_t{n.notatedLength} *
                         static_cast<uint64_t>(n.brokenRole == 1 ? r->a : r->b) /
                         static_cast<uint64_t>(r->c);
      length = static_cast<tick>(std::min<uint64_t>(l, kMaxNoteLength));
    }
  }
  // The grace notes before it sound now, in at most half of its time.
  FlushGraces(length);

  // 2. The first note after grace notes gives up their time.
  tick performedLength = length;
  const bool afterGraces = graceTaken_ > 0;
  if (afterGraces) {
    performedLength = length >= graceTaken_ ? static_cast<tick>(length - graceTaken_)
                                            : length / static_cast<tick>(ps_.multiGraceFraction);
    graceTaken_ = 0;
  }

  // 3. A skipped ending neither sounds nor takes time.
  if (skipping_) return;

  // 4. Fermata.
  uint64_t performed = performedLength;
  if ((flags & kFermata) != 0) performed = performed * static_cast<uint64_t>(ps_.pauseLen) / 100;

  // 5. Rests and spacers.
  if (n.pitch == kSpacer) return;
  if (n.pitch == kRest || n.pitch == kInvisibleRest || n.pitch == kNoNote) {
    if ((n.flags & kNoteInChord) == 0) CloseTies(UINT64_MAX, -1, true);
    Advance(length, Swing(performed, barPos_));
    return;
  }

  // 6, 7. Velocity and pitch.
  int velocity = Velocity();
  if ((flags & kAccent) != 0) velocity = std::min(127, velocity * ps_.loudPercent / 100);
  const int pitch = n.pitch + track->voice.totalShift + 12 * track->octave;

  // 8. Swing.
  performed = Swing(performed, barPos_);

  if (pitch < 0 || pitch > 127) {
    if (fresh) Report(MSG_ERROR_IN_TUNE, start);
  } else {
    // 9, 10, 11. Ornaments, staccato, ties.
    bool done = false;
    if (ps_.playGraces) {
      uint32_t ornament = flags & (kTrill | kUpperMordent | kLowerMordent | kSlide | kRoll);
      // No roll in tuplets, grace groups or right after grace notes.
      if ((n.flags & (kNoteInTuplet | kNoteInGrace)) != 0 || afterGraces) ornament &= ~kRoll;
      if (ornament != 0)
        done = Ornament(ornament | (flags & kQuarterTone), pitch, velocity, performed,
                        performedLength);
    }
    if (!done) {
      const bool quarter = (flags & kQuarterTone) != 0;
      if ((flags & kStaccato) != 0) {
        CloseTies(UINT64_MAX, -1, true);
        Sound(pitch, velocity, time_, performed * static_cast<uint64_t>(ps_.staccatoLen) / 100,
              quarter);
      } else {
        SoundOrTie(pitch, velocity, performed, (n.flags & kNoteTied) != 0, quarter);
      }
    }
  }

  // 12. Time.
  Advance(length, performed);
}

// Z4 (X4 unseen): a rest of four bars, Z of one; the bar line after it finds a full
// bar. Without a bar length in force a bar counts as a whole note.
void Performance::MultiBarRest(size_t& pos) {
  uint32_t bars = 0;
  if (!InSubstitution()) {
    const std::string_view t = Text();
    ReadNumber(t, pos, bars);
  }
  FlushGraces();
  if (skipping_ || overlay_) return;
  CloseTies(UINT64_MAX, -1, true);
  const tick bar = meter.barLength > 0 ? meter.barLength : kTicksPerWhole;
  const uint64_t rest = uint64_t{bar} * std::max<uint32_t>(bars, 1);
  if (sounding_) time_ += rest;
  barPos_ = meter.barLength > 0 ? meter.barLength : barPos_ + rest;
}

void Performance::FinishChord() {
  chordOpen_ = false;
  if (chordNotes_ == 0 || skipping_) return;
  barPos_ += shortestBar_;
  if (sounding_) time_ += shortestPerformed_;
  chordNotes_ = 0;
}

void Performance::ResetBarState() {
  // A chord left open by a bar line still takes its time.
  if (chordOpen_) FinishChord();
  AbcParser::ResetBarState();
}

// Sounds the grace notes read so far. Before a note of mainLength they take at most
// half of it: longer graces are shortened in proportion, so that the note keeps at
// least half of its length.
void Performance::SoundGraces(uint64_t mainLength) {
  const int count = graceCount_;
  graceCount_ = 0;
  if (skipping_) return;
  const int velocity = Velocity();
  CloseTies(UINT64_MAX, -1, true);
  const tick fraction = static_cast<tick>(count == 1 ? ps_.graceFraction : ps_.multiGraceFraction);
  uint64_t total = 0;
  for (int i = 0; i < count; ++i) total += graces_[static_cast<size_t>(i)].length / fraction;
  const uint64_t budget = mainLength == UINT64_MAX ? total : mainLength / 2;
  for (int i = 0; i < count; ++i) {
    const Grace& g = graces_[static_cast<size_t>(i)];
    uint64_t len = g.length / fraction;
    if (total > budget) len = len * budget / total;
    if (len == 0) continue;
    if (g.pitch >= 0 && g.pitch <= 127) Sound(g.pitch, velocity, time_, len, false);
    if (sounding_) {
      time_ += len;
      graceTaken_ += len;
    }
  }
}

int Performance::Velocity() const {
  int v = ps_.velNoteOther;
  if (meter.beatLength > 0 && barPos_ % meter.beatLength == 0) {
    v = ps_.velNoteBeat;
  } else if (meter.offbeatLength > 0 && barPos_ % meter.offbeatLength == 0) {
    v = ps_.velNoteOffbeat;
  }
  return v;
}

uint64_t Performance::Swing(uint64_t performed, uint64_t barPos) const {
  if (rhythm_ == nullptr) return performed;
  const SwingSpec& b = rhythm_->beatlen;
  if (b.Present() && b.Unit() > 0) {
    const int w =
        b.weights[static_cast<size_t>((barPos / b.Unit()) % static_cast<uint64_t>(b.count))];
    performed = static_cast<uint64_t>(w) * performed / static_cast<uint64_t>(b.divisor);
  }
  const SwingSpec& s = rhythm_->swing;
  if (s.Present() && performed > 0 && performed == s.Unit()) {
    const int w =
        s.weights[static_cast<size_t>((barPos / performed) % static_cast<uint64_t>(s.count))];
    performed = static_cast<uint64_t>(w) * performed / static_cast<uint64_t>(s.divisor);
  }
  return std::min(performed, kMaxTime);
}

// The scale neighbours of the note's pitch, as offsets applied to the sounding pitch.
void Performance::Neighbours(int pitch, int& upper, int& lower) const {
  const NoteInfo& n = note;
  auto inScale = [this](int p) {
    const int folded = 60 + (p % 12 + 12) % 12;
    for (uint8_t s : key.scale)
      if (s == folded) return true;
    return false;
  };
  int base = n.pitch;
  if (!inScale(base)) {
    if (n.writtenAccidental != 0) {
      base = n.writtenPitch;
    } else {
      base = n.pitch - key.letterAccidentals[(n.letterPitch + 12) % 12];
    }
  }
  const int shift = pitch - n.pitch;
  if (!inScale(base)) {
    upper = pitch + 2;
    lower = pitch - 2;
    return;
  }
  const int folded = 60 + (base % 12 + 12) % 12;
  int up = 1000, down = -1000, lowest = 1000, highest = -1000;
  for (uint8_t s : key.scale) {
    if (s > folded) up = std::min<int>(up, s);
    if (s < folded) down = std::max<int>(down, s);
    lowest = std::min<int>(lowest, s);
    highest = std::max<int>(highest, s);
  }
  if (up == 1000) up = lowest + 12;
  if (down == -1000) down = highest - 12;
  upper = base + (up - folded) + shift;
  lower = base - (folded - down) + shift;
}

bool Performance::Ornament(uint32_t f, int pitch, int velocity, uint64_t performed, tick length) {
  const bool roll =
      (f & kRoll) != 0 && (f & (kTrill | kUpperMordent | kLowerMordent | kSlide)) == 0;
  const int fraction = roll ? ps_.graceFraction : ps_.multiGraceFraction;
  const uint64_t s = std::max<uint64_t>(1, kTicksPerWhole / (static_cast<uint64_t>(fraction) * 8));
  int upper = pitch, lower = pitch;
  Neighbours(pitch, upper, lower);
  if (upper > 127 || lower < 0) return false;
  CloseTies(UINT64_MAX, -1, true);
  uint64_t t = time_;
  auto play = [&](int p, uint64_t len) {
    Sound(p, velocity, t, len, false);
    t += len;
  };
  if (IsTrillish(f, kTrill)) {
    if (performed <= 4 * s) return false;
    play(pitch, s);
    play(upper, s);
    play(pitch, s);
    play(upper, s);
    play(pitch, performed - 4 * s);
    return true;
  }
  if (IsTrillish(f, kUpperMordent | kLowerMordent)) {
    if (performed <= 2 * s) return false;
    play(pitch, s);
    play((f & kUpperMordent) != 0 ? upper : lower, s);
    play(pitch, performed - 2 * s);
    return true;
  }
  if (IsTrillish(f, kSlide)) {
    int target = 8192;
    if ((f & kQuarterTone) != 0 && note.writtenAccidental > 0 && note.writtenAccidental != kNatural)
      target = 6400;
    if ((f & kQuarterTone) != 0 && note.writtenAccidental < 0) target = 8448;
    Sound(pitch, velocity, t, performed, false);
    SlideBends(t, performed / 4, target);
    return true;
  }
  if (roll) {
    if (length % 9 != 0) {
      const uint64_t h = length / 2;
      const uint64_t h1 = Swing(h, barPos_), h2 = Swing(h, barPos_ + h);
      if (h1 <= s || h2 <= s) return false;
      play(upper, s);
      play(pitch, h1 - s);
      play(lower, s);
      play(pitch, h2 - s);
    } else {
      const uint64_t third = length / 3;
      const uint64_t t1 = Swing(third, barPos_), t2 = Swing(third, barPos_ + third),
                     t3 = Swing(third, barPos_ + 2 * third);
      if (t2 <= s || t3 <= s) return false;
      play(pitch, t1);
      play(upper, s);
      play(pitch, t2 - s);
      play(lower, s);
      play(pitch, t3 - s);
    }
    return true;
  }
  return false;
}

void Performance::SlideBends(uint64_t start, uint64_t quarter, int target) {
  EventTrack* track = Current();
  if (!soundOn_ || track == nullptr || quarter == 0) return;
  const uint8_t status = static_cast<uint8_t>(kPitchBend | track->channel);
  // One bend a tick; a long slide is drawn in at most 96 steps.
  const uint64_t step = (quarter + 95) / 96;
  for (uint64_t i = 0; i < quarter; i += step) {
    const int value = 6144 + static_cast<int>((target - 6144) * static_cast<int64_t>(i) /
                                              static_cast<int64_t>(quarter));
    Emit(*track, static_cast<uint32_t>(start + i), status, static_cast<uint8_t>(value & 0x7F),
         static_cast<uint8_t>((value >> 7) & 0x7F));
  }
  Emit(*track, static_cast<uint32_t>(start + quarter), status, 0, 64);
}

// Ties: a tied note becomes or extends a pending note of its pitch; an untied note
// of a pending pitch joins it and closes it. Pending notes that the music has
// passed are closed before a note of another pitch starts.
void Performance::SoundTied(int pitch, int velocity, uint64_t performed, bool tied, bool quarter) {
  const bool inChord = (note.flags & kNoteInChord) != 0;
  // In a chord a later note may continue a tie that ends now; outside one, what
  // ends now and is not continued by this note is over.
  CloseTies(time_, pitch, !inChord);
  int match = -1;
  for (int i = 0; i < tieCount_; ++i)
    if (ties_[static_cast<size_t>(i)].pitch == pitch && ties_[static_cast<size_t>(i)].end == time_)
      match = i;
  if (match >= 0) {
    ties_[static_cast<size_t>(match)].end += performed;
    if (!tied) CloseTie(match);
    return;
  }
  if (!tied) {
    Sound(pitch, velocity, time_, performed, quarter);
    return;
  }
  if (tieCount_ >= static_cast<int>(ties_.size())) CloseTie(0);
  ties_[static_cast<size_t>(tieCount_++)] =
      PendingTie{time_, time_ + performed, static_cast<uint8_t>(pitch),
                 static_cast<uint8_t>(velocity), quarter};
}

// Closes the pending notes that end before `before` (or at it when inclusive),
// except one of keepPitch that ends exactly at `before`.
void Performance::CloseTies(uint64_t before, int keepPitch, bool inclusive) {
  for (int i = 0; i < tieCount_;) {
    const PendingTie& t = ties_[static_cast<size_t>(i)];
    const bool keep = t.pitch == keepPitch && t.end == before;
    if (!keep && (t.end < before || (inclusive && t.end == before))) {
      CloseTie(i);
    } else {
      ++i;
    }
  }
}

void Performance::CloseTie(int index) {
  const PendingTie t = ties_[static_cast<size_t>(index)];
  for (int i = index + 1; i < tieCount_; ++i)
    ties_[static_cast<size_t>(i - 1)] = ties_[static_cast<size_t>(i)];
  --tieCount_;
  Sound(t.pitch, t.velocity, t.start, t.end - t.start, t.quarterTone);
}

void Performance::Sound(int pitch, int velocity, uint64_t start, uint64_t length, bool quarter) {
  EventTrack* track = Current();
  if (!soundOn_ || track == nullptr || pitch < 0 || pitch > 127) return;
  const uint64_t end = start + length;
  if (end > kMaxTime) return;
  const uint8_t on = static_cast<uint8_t>(kNoteOn | track->channel);
  const MidiEvent noteOn{static_cast<uint32_t>(start), on, static_cast<uint8_t>(pitch),
                         static_cast<uint8_t>(velocity), 0};
  const MidiEvent noteOff{static_cast<uint32_t>(end), on, static_cast<uint8_t>(pitch), 0, 0};
  if (!quarter && !stop_ && eventCount_ + 2 <= kMaxEvents) {
    // The plain note, most of a tune: its two events far from the limit.
    eventCount_ += 2;
    track->Insert(noteOn);
    track->Insert(noteOff);
    track->used = true;
    return;
  }
  const uint8_t bend = static_cast<uint8_t>(kPitchBend | track->channel);
  if (quarter) Emit(*track, noteOn.time, bend, 0, 50);
  Emit(*track, noteOn.time, on, noteOn.data1, noteOn.data2);
  Emit(*track, noteOff.time, on, noteOff.data1, 0);
  if (quarter) Emit(*track, noteOff.time, bend, 0, 64);
}

// ------------------------------------------------------------------------ backing

void Performance::ChoosePattern() {
  // Most tunes of a file share their pattern: it is read again only when it changed.
  std::string text = ChoosePatternText(backingStyle_, meter);
  if (text == patternText_ && patternRead_) return;
  patternText_ = std::move(text);
  pattern_.Parse(patternText_);
  patternRead_ = true;
}

void Performance::VoiceChordHere() {
  chordWaiting_ = false;
  if (!chord_.valid) return;
  voiced_ = VoiceChord(chord_, 12 * ps_.backingOctave, previousLowest_);
  previousLowest_ = voiced_.Lowest();
  chordPending_ = true;
  chordStartTime_ = time_;
  chordStartBar_ = barPos_;
}

// Plays the pending chord in the pattern laid on the bar grid, from its start to now.
void Performance::CloseChord() {
  if (!chordPending_) return;
  chordPending_ = false;
  const auto& elements = pattern_.Elements();
  const tick total = pattern_.Total();
  if (elements.empty() || total == 0 || voiced_.count == 0) return;
  const uint64_t now = time_;
  // Pass over the elements that lie before the chord's place in the bar.
  uint64_t sum = (chordStartBar_ / total) * total;
  size_t i = 0;
  while (sum < chordStartBar_) {
    sum += elements[i].length;
    i = (i + 1) % elements.size();
  }
  uint64_t t = chordStartTime_ + (sum - chordStartBar_);
  const uint8_t on = static_cast<uint8_t>(kNoteOn | backing_.channel);
  const auto& notes = pattern_.Notes();
  while (t < now && !stop_) {
    const BackingPattern::Element& e = elements[i];
    const uint64_t end = std::min<uint64_t>(t + e.length, now);
    if (end > t) {
      for (uint32_t k = 0; k < e.noteCount; ++k) {
        const BackingPattern::Note& pn = notes[e.firstNote + k];
        if (pn.index >= voiced_.count) continue;
        const int pitch = voiced_.notes[pn.index] + 12 * pn.octaves;
        if (pitch < 0 || pitch > 127) continue;
        Emit(backing_, static_cast<uint32_t>(t), on, static_cast<uint8_t>(pitch),
             static_cast<uint8_t>(ps_.velChordOther));
        Emit(backing_, static_cast<uint32_t>(end), on, static_cast<uint8_t>(pitch), 0);
      }
    }
    t += e.length;
    i = (i + 1) % elements.size();
  }
}

// ------------------------------------------------------------------------ helpers

EventTrack* Performance::Current() {
  if (currentVoice_ < 1 || currentVoice_ > static_cast<int>(voices_.size())) return nullptr;
  return &voices_[static_cast<size_t>(currentVoice_ - 1)];
}

uint32_t Performance::TempoNow() const {
  uint64_t qpm = uint64_t{tempo.beatLength} * tempo.beatsPerMinute / kTicksPerQuarter;
  qpm = std::max<uint64_t>(qpm, 1);
  const uint64_t scaled =
      std::max<uint64_t>(qpm * static_cast<uint64_t>(ps_.speedPercent) / 100, 1);
  return static_cast<uint32_t>(std::min<uint64_t>(60000000 / scaled, 0xFFFFFF));
}

void Performance::Report(std::string_view message, size_t position) {
  Report(message, position, DisplayLine());
}

void Performance::Report(std::string_view message, size_t position, int line) {
  if (!ps_.fileOnly)
    errorText_ += FormatErrorEntry(line, message, ErrorExcerpt(Text(), position), position);
  ++errorCount_;
}

void Performance::Limit(std::string_view message, size_t position) {
  stop_ = true;
  if (limitReported_) return;
  limitReported_ = true;
  Report(message, position);
}

std::string FormatEventListing(const std::vector<MidiEvent>& events, std::string_view lineEnd) {
  std::string out = "Dtime\tStatus\tData1\tData2\tData3\tTime";
  out += lineEnd;
  uint64_t time = 0;
  char line[96];
  for (const MidiEvent& e : events) {
    time += e.time;
    std::snprintf(line, sizeof line, "%u\t%02x\t%u\t%u\t%u\t%llu", e.time, e.status, e.data1,
                  e.data2, e.data3, static_cast<unsigned long long>(time));
    out += line;
    out += lineEnd;
  }
  return out;
}

}  // namespace tunora
