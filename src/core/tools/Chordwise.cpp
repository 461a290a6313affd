#include "tools/Chordwise.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "play/ChordSymbol.h"
#include "tools/NoteWriter.h"

namespace tunora {

namespace {

[[maybe_unused]] constexpr int kRemoveReading = 1;
constexpr int kWeightReading = 2;
constexpr int kChooseReading = 3;

uint32_t U(int percent) { return static_cast<uint32_t>(percent); }

bool IsScalePitch(const KeyInfo& key, int pitch) {
  for (uint8_t s : key.scale)
    if (s == pitch) return true;
  return false;
}

std::string ErrorMessage(int line, std::string_view text, size_t at) {
  std::string_view next = at < text.size() ? text.substr(at, 10) : std::string_view();
  next = next.substr(0, next.find_first_of("\r\n"));  // the line's own text
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "Error in ABC tune.\nLine %d: '%.*s'", line,
                static_cast<int>(next.size()), next.data());
  return buffer;
}

bool IsSlotToken(int kind) {
  return kind == TK_NOTE || kind == TK_CHORD_SYMBOL || kind == TK_TUPLET || kind == TK_STACCATO ||
         kind == TK_SYMBOL || kind == TK_DECORATION_TEXT || IsDecorationKind(kind) ||
         kind == TK_GRACE_START || kind == TK_CHORD_START;
}

}  // namespace

ChordwiseEngine::ChordwiseEngine(const ChordwiseWeights& weights,
                                 const std::vector<ChordType>& chordTypes, uint32_t strangeness)
    : w_(weights), types_(chordTypes), strangeness_(std::min<uint32_t>(strangeness, 100)) {}

size_t ChordwiseEngine::ChooseIndex(const std::vector<uint32_t>& scores, uint32_t strangeness) {
  if (scores.empty()) return 0;
  const uint32_t threshold = (100 - std::min<uint32_t>(strangeness, 100)) * scores[0] / 100;
  size_t k = 0;
  while (k + 1 < scores.size() && scores[k + 1] > threshold) ++k;
  while (k > 0 && scores[k] == scores[k - 1]) --k;
  return k;
}

bool ChordwiseEngine::Run(const TuneTexts& tune, std::string& body, std::string& message) {
  message.clear();
  candidates_.clear();
  history_.clear();
  inserted_.clear();
  chordsSet_ = 0;
  std::fill(std::begin(weight_), std::end(weight_), 0u);
  std::fill(std::begin(length_), std::end(length_), 0u);
  restTotal_ = 0;

  if (!Remove(tune, body, message)) return false;

  TuneTexts texts = tune;
  texts.body = body;
  Init(texts.key, texts.meter, texts.unitLength, texts.body, {}, false);
  tuneKey_ = key;
  if (!Read(kWeightReading, body, message)) return false;
  RankTriads();
  if (!writeChords || candidates_.empty()) return true;

  Init(texts.key, texts.meter, texts.unitLength, texts.body, {}, false);
  if (!Read(kChooseReading, body, message)) {
    inserted_.clear();
    chordsSet_ = 0;
    return false;
  }
  if (inserted_.empty()) return true;
  std::string out;
  size_t extra = 0;
  for (const auto& [at, text] : inserted_) extra += text.size();
  out.reserve(body.size() + extra);
  size_t from = 0;
  for (const auto& [at, text] : inserted_) {
    out.append(body, from, at - from);
    out += text;
    from = at;
  }
  out.append(body, from, std::string::npos);
  body = std::move(out);
  return true;
}

// The first reading: chord symbols with text go, with their quotes.
bool ChordwiseEngine::Remove(const TuneTexts& tune, std::string& body, std::string& message) {
  Init(tune.key, tune.meter, tune.unitLength, std::string_view(body), {}, false);
  std::vector<std::pair<size_t, size_t>> spans;
  bool ok = true;
  size_t pos = 0;
  bool first = true;
  for (;;) {
    const size_t start = pos;
    const TokenKind kind = NextToken(pos, first);
    first = false;
    if (kind == TK_END) break;
    if (IsBarRest(kind, TokenValue())) ReadRestBars(pos);
    if (kind == TK_ERROR) {
      message = ErrorMessage(LineNumber(), body, start);
      ok = false;
      break;
    }
    if (removeChords && kind == TK_CHORD_SYMBOL && !TokenText().empty())
      spans.emplace_back(start, pos);
  }
  if (!spans.empty()) {
    std::string out;
    out.reserve(body.size());
    size_t from = 0;
    for (const auto& [b, e] : spans) {
      out.append(body, from, b - from);
      from = e;
    }
    out.append(body, from, std::string::npos);
    body = std::move(out);
  }
  return ok;
}

void ChordwiseEngine::SetGrids() {
  const MeterInfo& m = meter;
  const bool bar = perBar || (m.numerator % 2 != 0 && m.numerator % 3 != 0) || m.partCount != 0;
  if (!bar) {
    period_ = m.beatLength;
    offbeat_ = m.offbeatLength;
    offbeatApplies_ = offbeat_ != 0;
    nth_ = m.subBeatLength;
  } else {
    period_ = m.barLength != 0 ? m.barLength : m.beatLength;
    offbeatApplies_ = m.numerator % 2 == 0;
    offbeat_ = offbeatApplies_ ? period_ / 2 : 0;
    nth_ = m.beatLength;
  }
  if (period_ == 0) period_ = kTicksPerQuarter;
  barLength_ = m.barLength;
}

ChordwiseEngine::Metric ChordwiseEngine::MetricClass(tick q, bool fromPeriodStart) const {
  if (fromPeriodStart ? q == 0 : q % period_ == 0) return kBeat;
  if (offbeatApplies_ && offbeat_ != 0 && q % offbeat_ == 0) return kOffbeat;
  if (nth_ != 0 && q % nth_ == 0) return kNth;
  return kOther;
}

// Whether a note moves the bar position on: a note outside a chord does at once;
// a chord moves it by its first note's length when it closes.
bool ChordwiseEngine::Advances(const NoteInfo& n) {
  if ((n.flags & kNoteInChord) == 0) return true;
  if (ChordNoteCount() == 1) chordLength_ = n.length;
  return false;
}

// The second reading's weight of one note (not a grace note).
void ChordwiseEngine::Weigh(const NoteInfo& n) {
  const bool advances = Advances(n);
  if (n.pitch >= 128) {
    if (n.pitch == kRest) restTotal_ += n.length / 8;
    if (advances && n.pitch != kSpacer) barPos_ += n.length;
    return;
  }
  uint32_t percent = 0;
  switch (MetricClass(barPos_, false)) {
    case kBeat: percent = U(w_.beatNote); break;
    case kOffbeat: percent = U(w_.offBeatNote); break;
    case kNth: percent = U(w_.nthBeatNote); break;
    case kOther: percent = U(w_.otherNote); break;
  }
  uint32_t weight = percent * n.length / 100;
  if (previousPitch_ >= 0 && std::abs(n.pitch - previousPitch_) > 7)
    weight = weight * U(w_.jumpNote) / 100;
  const int pc = FoldIntoOctave(n.pitch) - 60;
  weight_[pc] += weight / 8;
  length_[pc] += n.length / 8;
  if (advances) barPos_ += n.length;
  previousPitch_ = n.pitch;
}

// Every plain major and minor triad on every root, scored by the weights of its
// tones, kept sorted, highest first (the later of equals first).
void ChordwiseEngine::RankTriads() {
  candidates_.clear();
  std::vector<size_t> triads;
  std::vector<int> thirds;
  for (size_t t = 0; t < types_.size(); ++t) {
    const std::vector<int>& n = types_[t].notes;
    if (n.size() != 3 || n[0] != 0 || (n[1] != 3 && n[1] != 4) || n[2] != 7) continue;
    // A second name for the same triad ("min" beside "m") takes no part.
    if (std::find(thirds.begin(), thirds.end(), n[1]) != thirds.end()) continue;
    thirds.push_back(n[1]);
    triads.push_back(t);
  }
  for (int root = 60; root <= 71; ++root) {
    for (size_t t : triads) {
      Candidate c;
      c.root = root;
      c.third = FoldIntoOctave(root + types_[t].notes[1]);
      c.fifth = FoldIntoOctave(root + 7);
      c.typeIndex = static_cast<int>(t);
      const uint32_t tones[3] = {weight_[c.root - 60] * U(w_.chordFirst) / 100,
                                 weight_[c.third - 60] * U(w_.chordThird) / 100,
                                 weight_[c.fifth - 60] * U(w_.chordFifth) / 100};
      if (tones[0] == 0 && tones[1] == 0 && tones[2] == 0) continue;
      c.score = tones[0] + tones[1] + tones[2];
      c.factor = 100;
      const int pitches[3] = {c.root, c.third, c.fifth};
      for (int i = 0; i < 3; ++i) {
        if (tones[i] != 0) continue;
        const uint32_t f =
            IsScalePitch(tuneKey_, pitches[i]) ? U(w_.strangeInscale) : U(w_.strangeNonscale);
        c.score = c.score * f / 100;
        c.factor = c.factor * f / 100;
      }
      c.name = IsScalePitch(tuneKey_, root) ? ChordStyleName(tuneKey_, root - 60)
                                            : BlackKeyName(tuneKey_, root - 60);
      c.name += types_[t].name;
      auto at = std::find_if(candidates_.begin(), candidates_.end(),
                             [&](const Candidate& o) { return o.score <= c.score; });
      candidates_.insert(at, std::move(c));
    }
  }
}

uint32_t ChordwiseEngine::ProgressionPercent(int from, int to) const {
  switch (to - from) {
    case 0: return U(w_.progressBySame);
    case 1:
    case -1:
    case 11:
    case -11: return U(w_.progressByMinorSecond);
    case 2:
    case -2:
    case 10:
    case -10: return U(w_.progressByMajorSecond);
    case 3:
    case -3:
    case 4:
    case -4:
    case 8:
    case -8:
    case 9:
    case -9: return U(w_.progressByThird);
    case 5:
    case -7: return U(w_.progressByFourthUp);
    case 7:
    case -5: return U(w_.progressByFifthUp);
    default: return 100;
  }
}

void ChordwiseEngine::ProcessBar(std::string_view body) {
  if (!notes_.empty()) {
    std::vector<BarNote> period;
    tick start = notes_.front().position;
    for (const BarNote& n : notes_) {
      if (!period.empty() && n.position != start && n.position % period_ == 0) {
        ChoosePeriod(period, start, body);
        period.clear();
        start = n.position;
      }
      period.push_back(n);
    }
    ChoosePeriod(period, start, body);
  }
  notes_.clear();
  slots_.clear();
}

void ChordwiseEngine::ChoosePeriod(const std::vector<BarNote>& notes, tick start,
                                   std::string_view body) {
  auto slot = slots_.find(start / period_);
  if (slot == slots_.end()) return;
  const size_t at = slot->second;
  if ((at < body.size() && body[at] == '"') || inserted_.count(at) != 0) return;

  const Candidate& best = candidates_.front();
  const uint32_t possible = U(w_.weightPossible);
  std::vector<std::pair<uint32_t, size_t>> scored;
  scored.reserve(candidates_.size());
  for (size_t i = 0; i < candidates_.size(); ++i) {
    const Candidate& c = candidates_[i];
    const uint32_t base =
        (best.score * (100 - possible) / 100 + c.score * possible / 100) * c.factor / 100;
    uint32_t score = 0;
    for (const BarNote& n : notes) {
      if (n.pitch >= 128) continue;
      const int p = FoldIntoOctave(n.pitch);
      uint32_t v = p == c.root    ? base * U(w_.setChordFirst) / 100
                   : p == c.third ? base * U(w_.setChordThird) / 100
                   : p == c.fifth ? base * U(w_.setChordFifth) / 100
                                  : 0;
      v = v * n.length / 96;
      if (v == 0) continue;
      switch (MetricClass(n.position - start, true)) {
        case kBeat: v = v * U(w_.setChordBeatNote); break;
        case kOffbeat: v = v * U(w_.setChordOffBeatNote); break;
        case kNth: v = v * U(w_.setChordNthBeatNote); break;
        case kOther: v = v * U(w_.setChordOtherNote); break;
      }
      score += v / 100;
    }
    if (!history_.empty() && history_.back() >= 0)
      score = score *
              ProgressionPercent(candidates_[static_cast<size_t>(history_.back())].root, c.root) /
              100;
    if (score != 0) scored.emplace_back(score, i);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  if (scored.empty()) {
    history_.push_back(-1);
    return;
  }
  std::vector<uint32_t> scores;
  scores.reserve(scored.size());
  for (const auto& s : scored) scores.push_back(s.first);
  const size_t chosen = scored[ChooseIndex(scores, strangeness_)].second;
  history_.push_back(static_cast<int>(chosen));
  inserted_[at] = "\"" + candidates_[chosen].name + "\"";
  ++chordsSet_;
}

// The second and third readings, with repeated sections read twice.
bool ChordwiseEngine::Read(int reading, std::string_view body, std::string& message) {
  SetGrids();
  barPos_ = pickupOffset;
  chordLength_ = 0;
  previousPitch_ = -1;
  notes_.clear();
  slots_.clear();
  int line = 1;
  size_t repeatPos = 0;
  int repeatLine = 1;
  tick repeatBarPos = barPos_;
  bool secondTime = false;
  bool overlay = false;
  // Each section is read at most twice; this bounds the reading whatever the text.
  size_t budget = 4 * body.size() + 64;

  auto barComplete = [&] {
    if (barPos_ != barLength_) return;
    barPos_ = 0;
    if (reading == kChooseReading) ProcessBar(body);
  };

  size_t pos = 0;
  bool first = true;
  while (budget-- > 0) {
    const size_t start = pos;
    const TokenKind kind = NextToken(pos, first);
    first = false;
    if (kind == TK_END) break;
    if (IsBarRest(kind, TokenValue())) ReadRestBars(pos);
    if (kind == TK_ERROR) {
      message = ErrorMessage(line, body, start);
      return false;
    }
    // After & a second voice runs to the bar line: only the bar's first voice counts.
    if (kind == TK_OVERLAY) overlay = true;
    if (overlay) {
      if (kind == TK_NEWLINE) ++line;
      if (!IsBarKind(kind)) continue;
      overlay = false;
    }
    if (reading == kChooseReading && IsSlotToken(kind) && !IsBarRest(kind, TokenValue()) &&
        barPos_ % period_ == 0)
      slots_.emplace(barPos_ / period_, start);
    switch (kind) {
      case TK_NEWLINE: ++line; break;
      case TK_BAR:
        // A bar without notes still forgets its places.
        if (reading == kChooseReading) ProcessBar(body);
        barPos_ = 0;
        break;
      case TK_DOUBLE_BAR:
      case TK_END_BAR:
      case TK_START_BAR:
      case TK_REPEAT_START:
        barComplete();
        repeatPos = pos;
        repeatLine = line;
        repeatBarPos = barPos_;
        break;
      case TK_REPEAT_BOTH:
      case TK_REPEAT_END:
        barComplete();
        if (!secondTime) {
          pos = repeatPos;
          line = repeatLine;
          barPos_ = repeatBarPos;
          first = pos == 0;
          secondTime = true;
        } else {
          repeatPos = pos;
          repeatLine = line;
          repeatBarPos = barPos_;
          secondTime = false;
        }
        break;
      case TK_NOTE: {
        const NoteInfo& n = note;
        if ((n.flags & kNoteInGrace) != 0) break;
        if (reading == kWeightReading) {
          Weigh(n);
          break;
        }
        if (n.pitch == kSpacer) break;
        notes_.push_back({n.pitch, n.length, barPos_});
        if (Advances(n)) barPos_ += n.length;
        break;
      }
      case TK_CHORD_END:
        // A chord takes the time of its first note (with the length after its
        // bracket), from where it began.
        barPos_ += chordLength_;
        chordLength_ = 0;
        break;
      case TK_SYMBOL:
        // Z4, X: rests of whole bars fill their bar.
        if (IsBarRest(kind, TokenValue())) barPos_ = barLength_;
        break;
      default: break;
    }
  }
  if (reading == kChooseReading) ProcessBar(body);
  return true;
}

std::string ViewChordsText(std::string_view title, const TuneTexts& tune, const StyleSet& styles) {
  std::string out(title);
  out += "\r\n\r\n";
  AbcParser reader;
  reader.Init(tune.key, tune.meter, tune.unitLength, tune.body, {}, false);
  ChordSymbol chord;
  std::string previous;
  size_t pos = 0;
  bool first = true;
  for (;;) {
    const TokenKind kind = reader.NextToken(pos, first);
    first = false;
    if (kind == TK_END) break;
    switch (kind) {
      case TK_NEWLINE: out += "\r\n"; break;
      case TK_BAR: out += " |"; break;
      case TK_DOUBLE_BAR: out += " ||"; break;
      case TK_END_BAR: out += " |]"; break;
      case TK_START_BAR: out += " [|"; break;
      case TK_REPEAT_START: out += " |:"; break;
      case TK_REPEAT_BOTH: out += " ::"; break;
      case TK_REPEAT_END: out += " :|"; break;
      case TK_FIRST_ENDING: out += "[1"; break;
      case TK_SECOND_ENDING: out += "[2"; break;
      case TK_CHORD_SYMBOL: {
        if (!ReadChordSymbol(reader.TokenText(), styles, chord)) break;
        std::string name = std::string(chord.name) + chord.bassName;
        out += ' ';
        out += name == previous ? std::string("/") : name;
        previous = name;
        break;
      }
      default: break;
    }
  }
  return out;
}

}  // namespace tunora
