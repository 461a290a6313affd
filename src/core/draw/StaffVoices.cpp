// Voices as systems: each voice is read into a row of its own; the rows share one
// time axis, so that notes sounding together stand one above the other; the rows are
// cut into systems together and each system is drawn as stacked staves, with the
// voices' names, brackets and braces, and bar lines through grouped staves.
#include "draw/TuneDrawer.h"

#include "tunefile/TuneRecord.h"

namespace tunora::staff {
namespace {

// The value of "key=value" or "key=\"value\"" in a V: text, for any of the keys.
bool VoiceProperty(std::string_view text, std::initializer_list<std::string_view> keys,
                   std::string& value) {
  std::string lower = LowerText(text);
  for (std::string_view key : keys) {
    size_t p = 0;
    while ((p = lower.find(key, p)) != std::string::npos) {
      bool start = p == 0 || lower[p - 1] == ' ' || lower[p - 1] == '\t';
      size_t v = p + key.size();
      if (!start || v >= lower.size() || lower[v] != '=') {
        ++p;
        continue;
      }
      ++v;
      if (v < text.size() && text[v] == '"') {
        size_t close = text.find('"', v + 1);
        if (close == std::string_view::npos) close = text.size();
        value.assign(text.substr(v + 1, close - v - 1));
      } else {
        size_t e = text.find_first_of(" \t", v);
        value.assign(text.substr(v, e == std::string_view::npos ? e : e - v));
      }
      return true;
    }
  }
  return false;
}

// Whether a line holds a voice overlay "&" in its music (not in quotes, decorations
// or a comment).
bool HasOverlay(std::string_view line) {
  if (line.size() >= 2 && line[1] == ':' && line[0] != '|') return false;  // a field
  bool quoted = false, bang = false;
  for (char c : line) {
    if (c == '%' && !quoted) return false;
    if (c == '"') quoted = !quoted;
    if (c == '!' && !quoted) bang = !bang;
    if (c == '&' && !quoted && !bang) return true;
  }
  return false;
}

bool IsGroupingChar(char c) {
  return std::string_view("()[]{}|").find(c) != std::string_view::npos;
}

}  // namespace

int TuneDrawer::VoiceIndex(std::string_view text, bool define) {
  std::string id = VoiceId(text);
  int index = -1;
  for (size_t i = 0; i < voices_.size(); ++i) {
    if (voices_[i].parent < 0 && voices_[i].id == id) index = static_cast<int>(i);
  }
  if (index < 0) {
    if (!define && !voices_.empty() && id.empty()) return 0;
    voices_.emplace_back();
    voices_.back().id = id;
    index = static_cast<int>(voices_.size()) - 1;
  }
  Voice& v = voices_[static_cast<size_t>(index)];
  std::string value;
  if (VoiceProperty(text, {"name", "nm"}, value)) v.name = value;
  if (VoiceProperty(text, {"sname", "snm", "subname"}, value)) v.shortName = value;
  if (VoiceProperty(text, {"stems", "stem"}, value)) {
    std::string word = LowerText(value);
    v.stems = word == "up" ? 1 : word == "down" ? -1 : 0;
  }
  if (VoiceProperty(text, {"middle", "m"}, value) && !value.empty()) {
    // A note name: its letter, then octave marks.
    static constexpr std::string_view kLetters = "CDEFGAB";
    char c = value[0];
    size_t li = kLetters.find(c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c);
    if (li != std::string_view::npos) {
      int pitch = 60 + kLetterSemitones[li] + (c >= 'a' ? 12 : 0);
      for (char o : value.substr(1)) pitch += o == '\'' ? 12 : o == ',' ? -12 : 0;
      if (pitch >= 0 && pitch < 128) v.middleShift = 4 - StaffStep(pitch);
    }
  }
  std::string lower = LowerText(text.substr(std::min(text.size(), id.size())));
  int clef = ClefFromText(lower);
  if (clef != kClefNone) {
    v.clef = clef;
    v.octave = lower.find("-8") != std::string::npos   ? -1
               : lower.find("+8") != std::string::npos ? 1
                                                       : 0;
  }
  return index;
}

bool TuneDrawer::DefineVoices(const TuneRecord& tune) {
  // Voices named in the header, in order.
  std::string_view header = tune.FieldText('V');
  size_t i = 0;
  while (i < header.size()) {
    size_t e = header.find_first_of("\r\n", i);
    if (e == std::string_view::npos) e = header.size();
    if (e > i) VoiceIndex(header.substr(i, e - i), true);
    i = e + 1;
  }
  // Voices of the body, the staff order of %%score or %%staves, and overlays.
  std::string_view body = tune.body;
  std::string score;
  bool overlay = false;
  i = 0;
  while (i < body.size()) {
    size_t e = body.find_first_of("\r\n", i);
    if (e == std::string_view::npos) e = body.size();
    std::string_view line = body.substr(i, e - i);
    if (line.substr(0, 2) == "V:") {
      VoiceIndex(line.substr(2), true);
    } else if (line.substr(0, 8) == "%%score " || line.substr(0, 9) == "%%staves ") {
      if (score.empty()) score = std::string(line.substr(line.find(' ') + 1));
    } else {
      for (size_t p = line.find("[V:"); p != std::string_view::npos; p = line.find("[V:", p + 1)) {
        size_t close = line.find(']', p);
        if (close != std::string_view::npos) VoiceIndex(line.substr(p + 3, close - p - 3), true);
      }
      if (HasOverlay(line)) overlay = true;
    }
    i = e + 1;
  }
  if (voices_.size() < 2 && !overlay) {
    voices_.clear();
    return false;
  }
  if (voices_.empty()) voices_.emplace_back();
  // Staves: in %%score order, "(A B)" sharing a staff, "[ ]" and "{ }" grouping;
  // voices the score leaves out follow in their own order.
  std::vector<bool> placed(voices_.size(), false);
  int depthStaff = 0;  // inside ( )
  int groupStart = -1;
  char groupKind = 0;
  size_t p = 0;
  while (p < score.size()) {
    char c = score[p];
    if (c == ' ' || c == '\t') {
      ++p;
      continue;
    }
    if (IsGroupingChar(c)) {
      if (c == '(') {
        depthStaff = 1;
        staffVoices_.emplace_back();
      } else if (c == ')') {
        depthStaff = 0;
        if (!staffVoices_.empty() && staffVoices_.back().empty()) staffVoices_.pop_back();
      } else if (c == '[' || c == '{') {
        groupStart = static_cast<int>(staffVoices_.size());
        groupKind = c;
      } else if (c == '|' && depthStaff == 0 && !staffVoices_.empty()) {
        // Bar lines stop between the staff before and the next.
        barGaps_.push_back(static_cast<int>(staffVoices_.size()) - 1);
      } else if ((c == ']' || c == '}') && groupStart >= 0) {
        int last = static_cast<int>(staffVoices_.size()) - 1;
        if (last > groupStart) braces_.push_back({groupStart, last, groupKind});
        groupStart = -1;
      }
      ++p;
      continue;
    }
    size_t e = p;
    while (e < score.size() && score[e] != ' ' && score[e] != '\t' && !IsGroupingChar(score[e]))
      ++e;
    std::string id = score.substr(p, e - p);
    p = e;
    for (size_t v = 0; v < voices_.size(); ++v) {
      if (voices_[v].id != id || placed[v]) continue;
      placed[v] = true;
      if (depthStaff == 0 || staffVoices_.empty()) staffVoices_.emplace_back();
      staffVoices_.back().push_back(static_cast<int>(v));
      break;
    }
  }
  // Staves the score left empty ("( )", or an unknown name) are dropped, and the
  // groups renumbered.
  std::vector<int> newIndex(staffVoices_.size(), -1);
  std::vector<std::vector<int>> kept;
  for (size_t k = 0; k < staffVoices_.size(); ++k) {
    if (staffVoices_[k].empty()) continue;
    newIndex[k] = static_cast<int>(kept.size());
    kept.push_back(std::move(staffVoices_[k]));
  }
  staffVoices_ = std::move(kept);
  std::vector<StaffBrace> groups;
  for (StaffBrace g : braces_) {
    if (g.last >= static_cast<int>(newIndex.size())) g.last = static_cast<int>(newIndex.size()) - 1;
    while (g.first <= g.last && newIndex[static_cast<size_t>(g.first)] < 0) ++g.first;
    while (g.last >= g.first && newIndex[static_cast<size_t>(g.last)] < 0) --g.last;
    if (g.first >= g.last) continue;
    groups.push_back(
        {newIndex[static_cast<size_t>(g.first)], newIndex[static_cast<size_t>(g.last)], g.kind});
  }
  braces_ = std::move(groups);
  std::vector<int> gaps;
  for (int k : barGaps_) {
    // The gap stays below the last staff kept at or before it.
    while (k >= 0 && newIndex[static_cast<size_t>(k)] < 0) --k;
    if (k >= 0) gaps.push_back(newIndex[static_cast<size_t>(k)]);
  }
  barGaps_ = std::move(gaps);
  for (size_t v = 0; v < voices_.size(); ++v) {
    if (!placed[v]) staffVoices_.push_back({static_cast<int>(v)});
  }
  // Room for the names at the start of the first system, a quarter of the width at
  // the most.
  for (const Voice& v : voices_) {
    if (!v.name.empty()) {
      nameIndent_ = std::max(nameIndent_, TextWidth(dc_.TextFont(), v.name) + LS);
    }
  }
  nameIndent_ = std::min(nameIndent_, (dc_.RightLimit() - dc_.LeftEdge()) / 4);
  return true;
}

void TuneDrawer::SwitchVoice(int index) {
  if (index == cur_ || index < 0) return;
  Voice& old = voices_[static_cast<size_t>(cur_)];
  old.items.swap(line_);
  old.started = true;
  old.time = vtime_;
  old.barTick = barTick_;
  old.clefNow = clef_;
  old.lastClef = lastClef_;
  old.lastKey = lastKey_;
  old.key = key_;
  old.readerKey = key;
  old.readerMeter = meter;
  old.pendingSlurs = pendingSlurs_;
  old.lastNoteSerial = lastNoteSerial_;
  cur_ = index;
  Voice& v = voices_[static_cast<size_t>(cur_)];
  line_.clear();
  line_.swap(v.items);
  if (!v.started) {
    // A voice starts at the beginning of the tune with its clef and the tune's key.
    v.started = true;
    v.time = 0;
    v.barTick = 0;
    v.clefNow = v.clef != kClefNone ? v.clef : headerClef_;
    clef_ = v.clefNow;
    AddClef();
    v.lastClef = lastClef_;
    v.lastKey = headerKey_;
    v.key = headerKey_.key;
    v.readerKey = headerReaderKey_;
    v.readerMeter = headerReaderMeter_;
  }
  vtime_ = v.time;
  barTick_ = v.barTick;
  clef_ = v.clefNow;
  lastClef_ = v.lastClef;
  lastKey_ = v.lastKey;
  key_ = v.key;
  key = v.readerKey;
  meter = v.readerMeter;
  pendingSlurs_ = v.pendingSlurs;
  lastNoteSerial_ = v.lastNoteSerial;
  middleShift_ = v.parent >= 0 ? voices_[static_cast<size_t>(v.parent)].middleShift : v.middleShift;
  // A V: field that names another clef changes it from here on.
  int want = v.clef != kClefNone ? v.clef : clef_;
  if (want != clef_ && v.parent < 0) {
    clef_ = want;
    AddClef();
    DrawItem c = lastClef_;
    Append(std::move(c));
  }
}

void TuneDrawer::SwapCarried(Voice& v) {
  openSlurs_.swap(v.openSlurs);
  openTies_.swap(v.openTies);
  openHairpins_.swap(v.openHairpins);
  openHairpinBegins_.swap(v.openHairpinBegins);
  std::swap(openEnding_, v.openEnding);
  std::swap(endingBegin_, v.endingBegin);
}

void TuneDrawer::StartOverlay() {
  int parent = cur_;
  if (voices_[static_cast<size_t>(cur_)].parent >= 0)
    parent = voices_[static_cast<size_t>(cur_)].parent;
  ++overlayLevel_;
  const uint32_t barStart = spanOpen_        ? spanTime_
                            : parent == cur_ ? vtime_ - barTick_
                                             : voices_[static_cast<size_t>(parent)].time -
                                                   voices_[static_cast<size_t>(parent)].barTick;
  std::string id = voices_[static_cast<size_t>(parent)].id + "&" + std::to_string(overlayLevel_);
  int index = -1;
  for (size_t i = 0; i < voices_.size(); ++i)
    if (voices_[i].id == id && voices_[i].parent == parent) index = static_cast<int>(i);
  if (index < 0) {
    voices_.emplace_back();
    Voice& v = voices_.back();
    v.id = id;
    v.parent = parent;
    v.clef = voices_[static_cast<size_t>(parent)].clefNow;
    index = static_cast<int>(voices_.size()) - 1;
  }
  // The overlay fills the bar from its start; its key, meter and unit length are
  // the parent's as they stand.
  const KeyInfo readerKey = key;
  const MeterInfo readerMeter = meter;
  SwitchVoice(index);
  vtime_ = std::max(vtime_, barStart);
  barTick_ = spanOpen_ ? spanBarTick_ : 0;
  lastKey_ = voices_[static_cast<size_t>(parent)].lastKey;
  key_ = lastKey_.key;
  key = readerKey;
  meter = readerMeter;
}

bool TuneDrawer::ReadOverlaySpan(TokenKind k, size_t pos) {
  const std::string_view t = Text();
  const char next = !InSubstitution() && pos < t.size() ? t[pos] : '\0';
  if (k == TK_SLUR_START) {
    if (skipSlurEnd_ || next != '&') return false;
    spanPending_ = true;
    return true;
  }
  if (k == TK_SLUR_END) {
    if (!skipSlurEnd_) return false;
    skipSlurEnd_ = false;
    return true;
  }
  if (spanPending_) {
    // "(&": the span starts here; what follows is the current voice's part.
    spanPending_ = false;
    if (overlayLevel_ > 0) EndOverlay();
    spanOpen_ = true;
    spanTime_ = vtime_;
    spanBarTick_ = barTick_;
    return true;
  }
  if (spanOpen_ && next == ')') {
    // "&)": the span ends; reading goes on in the voice it started in.
    if (overlayLevel_ > 0) EndOverlay();
    spanOpen_ = false;
    skipSlurEnd_ = true;
    return true;
  }
  return false;
}

void TuneDrawer::EndOverlay() {
  overlayLevel_ = 0;
  SwitchVoice(voices_[static_cast<size_t>(cur_)].parent);
}

// Places every item of every voice on one time axis: the items at one time form a
// segment per voice (bar lines, signs and grace notes before the note or chord that
// takes the time); the notes of a time stand at one x, as far right as the widest
// voice needs; later times never stand left of earlier ones.
void TuneDrawer::SpaceVoices() {
  const size_t n = voices_.size();
  std::vector<size_t> next(n, 0);
  std::vector<int32_t> free(n, 0);
  int32_t lastX = -1;
  for (;;) {
    uint32_t t = UINT32_MAX;
    for (size_t v = 0; v < n; ++v) {
      if (next[v] < voices_[v].items.size()) t = std::min(t, voices_[v].items[next[v]].time);
    }
    if (t == UINT32_MAX) break;
    struct Segment {
      size_t v, from, to;
      int32_t pre;
    };
    std::vector<Segment> segs;
    int32_t x = lastX < 0 ? 0 : lastX + LS / 4;
    for (size_t v = 0; v < n; ++v) {
      const std::vector<DrawItem>& items = voices_[v].items;
      size_t from = next[v], to = from;
      while (to < items.size() && items[to].time == t) ++to;
      if (to == from) continue;
      int32_t pre = 0;
      for (size_t i = from; i < to; ++i) {
        const DrawItem& it = items[i];
        bool anchor = (it.kind == TK_NOTE && !(it.flags & kItemGrace)) ||
                      it.kind == kItemMultiRest || it.kind == TK_CHORD_START;
        if (anchor) break;
        pre += it.width;
      }
      segs.push_back({v, from, to, pre});
      x = std::max(x, free[v] + pre);
    }
    for (const Segment& s : segs) {
      int32_t at = x - s.pre;
      for (size_t i = s.from; i < s.to; ++i) {
        DrawItem& it = voices_[s.v].items[i];
        it.x = at;
        at += it.width;
      }
      free[s.v] = at;
      next[s.v] = s.to;
    }
    lastX = x;
  }
}

// The times at which systems end: after the bar line that is the last to fit, or at a
// staff break of the first staff's voice.
std::vector<uint32_t> TuneDrawer::SystemCuts() {
  const Voice& ref = voices_[static_cast<size_t>(staffVoices_.front().front())];
  bool refBreaks = false;
  for (const DrawItem& it : ref.items) refBreaks = refBreaks || it.kind == kItemBreak;
  std::vector<uint32_t> forced;
  for (const Voice& v : voices_) {
    if (&v != &ref && refBreaks) continue;
    for (const DrawItem& it : v.items)
      if (it.kind == kItemBreak) forced.push_back(it.time);
  }
  std::sort(forced.begin(), forced.end());
  std::vector<uint32_t> cuts;
  int32_t start = ref.items.empty() ? 0 : ref.items.front().x;
  // What stands before the music of a later system: clef, key and a little room.
  int32_t prefix = lp_.Get(LP_SpaceBeforeMusic) + LS * 2 / 5 + Box(SYM_G_CLEF).advance +
                   lp_.Get(LP_SpaceAfterClef) + LS / 4 + KeyWidth(headerKey_);
  int32_t avail = dc_.RightLimit() - dc_.LeftEdge() - prefix - nameIndent_ - fs_.indent -
                  MeterWidth(headerMeter_);
  bool haveCandidate = false;
  uint32_t candidate = 0;
  int32_t candidateEnd = 0;
  size_t f = 0;
  for (size_t i = 0; i < ref.items.size(); ++i) {
    const DrawItem& it = ref.items[i];
    while (f < forced.size() && forced[f] < it.time) ++f;
    if (!IsBarItem(it.kind)) {
      // Music without a bar line that fits: the system ends before this note.
      bool isNote = it.kind == TK_NOTE && !(it.flags & (kItemGrace | kItemChordLater));
      if (isNote && !haveCandidate && it.x + it.ink - start > avail + avail / kShrinkAllowanceDen &&
          (cuts.empty() || cuts.back() < it.time) && it.time > 0) {
        cuts.push_back(it.time);
        start = it.x;
        avail = dc_.RightLimit() - dc_.LeftEdge() - prefix - nameIndent_;
      }
      continue;
    }
    int32_t end = it.x + it.ink;
    if (end - start > avail + avail / kShrinkAllowanceDen && haveCandidate) {
      cuts.push_back(candidate);
      start = candidateEnd;
      avail = dc_.RightLimit() - dc_.LeftEdge() - prefix - nameIndent_;
      haveCandidate = false;
    }
    bool forcedHere = f < forced.size() && forced[f] == it.time;
    // The next item with a later time starts the next system.
    if (forcedHere && (cuts.empty() || cuts.back() != it.time)) {
      cuts.push_back(it.time);
      start = end;
      avail = dc_.RightLimit() - dc_.LeftEdge() - prefix - nameIndent_;
      haveCandidate = false;
      continue;
    }
    haveCandidate = true;
    candidate = it.time;
    candidateEnd = end;
  }
  return cuts;
}

void TuneDrawer::LayoutVoices() {
  // Overlays share their parent's staff.
  for (size_t v = 0; v < voices_.size(); ++v) {
    int parent = voices_[v].parent;
    if (parent < 0) continue;
    for (auto& staffList : staffVoices_) {
      if (std::find(staffList.begin(), staffList.end(), parent) != staffList.end()) {
        staffList.push_back(static_cast<int>(v));
        break;
      }
    }
  }
  SpaceVoices();
  std::vector<uint32_t> cuts = SystemCuts();
  // The items of each voice in a system: at a cut time, what comes up to the voice's
  // bar line there belongs to the system before. Cut times grow, so each voice is
  // walked once.
  const size_t n = voices_.size();
  sysBegin_.assign(n, 0);
  sysEnd_.assign(n, 0);
  keyAt_.assign(n, headerKey_);
  clefAt_.assign(n, DrawItem());
  for (size_t v = 0; v < n; ++v) {
    clef_ = voices_[v].clef != kClefNone ? voices_[v].clef : headerClef_;
    AddClef();
    clefAt_[v] = lastClef_;
  }
  for (size_t s = 0; s <= cuts.size() && !stopped_; ++s) {
    for (size_t v = 0; v < n; ++v) {
      const std::vector<DrawItem>& items = voices_[v].items;
      size_t i = sysEnd_[v];
      sysBegin_[v] = i;
      if (s == cuts.size()) {
        sysEnd_[v] = items.size();
        continue;
      }
      while (i < items.size() && items[i].time < cuts[s]) ++i;
      size_t j = i, lastBar = SIZE_MAX;
      while (j < items.size() && items[j].time == cuts[s]) {
        if (IsBarItem(items[j].kind)) lastBar = j;
        ++j;
      }
      sysEnd_[v] = lastBar == SIZE_MAX ? i : lastBar + 1;
    }
    if (!DrawSystem(static_cast<int>(s) + 1, s == cuts.size())) break;
    // The clef and key that the next system starts with.
    for (size_t v = 0; v < n; ++v) {
      for (size_t i = sysBegin_[v]; i < sysEnd_[v]; ++i) {
        const DrawItem& it = voices_[v].items[i];
        if (it.kind == kItemClef) clefAt_[v] = it;
        if (it.kind == TK_FIELD_K) keyAt_[v] = it;
      }
    }
  }
}

bool TuneDrawer::DrawSystem(int number, bool last) {
  const bool first = number == 1;
  auto range = [&](const Voice& v, size_t& b, size_t& e) {
    size_t index = static_cast<size_t>(&v - voices_.data());
    b = sysBegin_[index];
    e = sysEnd_[index];
  };
  // The x range of the system's music.
  int32_t minX = INT32_MAX, maxEnd = INT32_MIN;
  bool music = false;
  for (const Voice& v : voices_) {
    size_t b, e;
    range(v, b, e);
    for (size_t i = b; i < e; ++i) {
      const int kind = v.items[i].kind;
      if (kind == TK_NOTE || kind == kItemMultiRest || IsBarItem(kind)) music = true;
      minX = std::min(minX, v.items[i].x);
      maxEnd = std::max(maxEnd, v.items[i].x + v.items[i].ink);
    }
  }
  if (!music || minX == INT32_MAX) return true;
  // The prefix of every staff: staff start, clef and key as they stand at the
  // system's start; the time signature on the first system.
  struct Prefix {
    DrawItem clef, key;
    size_t lead = 0;  // the voice's items before this index are in the prefix
    bool clefHere = false, keyHere = false;  // the prefix's signs are written here
  };
  std::vector<Prefix> prefixes(staffVoices_.size());
  int32_t prefixW = 0;
  const int32_t left = dc_.LeftEdge() + (first ? fs_.indent + nameIndent_ : 0);
  for (size_t k = 0; k < staffVoices_.size(); ++k) {
    const size_t vi = static_cast<size_t>(staffVoices_[k].front());
    const Voice& v = voices_[vi];
    Prefix& p = prefixes[k];
    p.clef = clefAt_[vi];
    if (p.clef.value == (v.clef != kClefNone ? v.clef : headerClef_)) p.clef.value2 = v.octave;
    p.key = keyAt_[vi];
    // A clef or key change at the very start of the system is its prefix, not a
    // second sign beside it.
    size_t lead = sysBegin_[vi];
    while (lead < sysEnd_[vi]) {
      const DrawItem& it = v.items[lead];
      if (it.kind == kItemClef) {
        p.clef = it;
        p.clefHere = true;
      } else if (it.kind == TK_FIELD_K) {
        p.key = it;
        p.keyHere = true;
      } else if (!IsBlankItem(it.kind) && it.kind != kItemBreak) {
        break;
      }
      ++lead;
    }
    p.lead = lead;
    p.key.flags &= static_cast<uint16_t>(~kItemCancel);
    p.key.value = p.clef.value;
    p.key.width = KeyWidth(p.key);
    int32_t w = lp_.Get(LP_SpaceBeforeMusic) + LS * 2 / 5 + p.clef.width +
                ((first || !fs_.keyFirstStaffOnly) ? p.key.width : 0) +
                (first ? headerMeter_.width : 0);
    prefixW = std::max(prefixW, w);
  }
  const int32_t musicX = left + prefixW;
  double stretch = 1.0;
  bool doStretch = last ? fs_.stretchLast : fs_.stretchStaff;
  int32_t natural = maxEnd - minX;
  const int32_t room = dc_.RightLimit() - musicX;
  if (natural > 0 &&
      ((doStretch && natural < room && natural * kStretchMinFillDen >= room * kStretchMinFillNum) ||
       natural > room)) {
    stretch = static_cast<double>(room) / natural;
  }
  auto place = [&](int32_t x) { return musicX + static_cast<int32_t>((x - minX) * stretch); };

  // A new page when the system does not fit.
  const int32_t sysSep = std::max(LS * 4, fs_.staffSpacing * 3 / 5);
  int32_t height = static_cast<int32_t>(staffVoices_.size()) * (YOf(8) + sysSep);
  int32_t topY = firstLine_ ? dc_.Y() - fs_.spaceBeforeTune : prevBottom_ - fs_.staffSpacing;
  if (topY - height < dc_.BottomLimit() && dc_.PageHasContent()) {
    if (!dc_.NewPage()) {
      stopped_ = true;
      return false;
    }
    firstLine_ = true;
  }
  dc_.MarkContent();
  ++systems_;
  std::vector<int32_t> staffY(staffVoices_.size(), 0);
  std::vector<int32_t> barXs;
  const int savedMeasure = measure_;
  int afterMeasure = measure_;
  for (size_t k = 0; k < staffVoices_.size(); ++k) {
    dc_.SetPlace(systems_, static_cast<int>(k) + 1);
    numberBars_ = k == 0;
    measure_ = savedMeasure;
    const std::vector<int>& members = staffVoices_[k];
    bool shared = false;
    for (size_t m = 1; m < members.size(); ++m) {
      size_t b, e;
      range(voices_[static_cast<size_t>(members[m])], b, e);
      for (size_t i = b; i < e; ++i)
        if (voices_[static_cast<size_t>(members[m])].items[i].kind == TK_NOTE) shared = true;
    }
    // The row of one voice of the staff, placed in the system (the first with the
    // staff's prefix).
    auto build = [&](size_t m) {
      Voice& v = voices_[static_cast<size_t>(members[m])];
      size_t b, e;
      range(v, b, e);
      line_.clear();
      DrawItem start;
      start.kind = kItemStaffStart;
      start.x = left;
      start.width = lp_.Get(LP_SpaceBeforeMusic) + LS * 2 / 5;
      line_.push_back(start);
      if (m == 0) {
        int32_t x = left + start.width;
        DrawItem clef = prefixes[k].clef;
        clef.x = x;
        if (!prefixes[k].clefHere) clef.begin = clef.end = -1;
        x += clef.width;
        line_.push_back(clef);
        if (first || !fs_.keyFirstStaffOnly) {
          DrawItem keySig = prefixes[k].key;
          keySig.x = x;
          if (!prefixes[k].keyHere) keySig.begin = keySig.end = -1;
          x += keySig.width;
          line_.push_back(keySig);
        }
        if (first && headerMeter_.width > 0) {
          DrawItem meterSig = headerMeter_;
          meterSig.x = x;
          line_.push_back(meterSig);
        }
      }
      for (size_t i = b; i < e; ++i) {
        if (v.items[i].kind == kItemBreak) continue;
        if (m == 0 && i < prefixes[k].lead && !IsBlankItem(v.items[i].kind)) continue;
        DrawItem it = v.items[i];
        it.x = place(it.x);
        line_.push_back(std::move(it));
      }
    };
    // The columns of the other voices of a shared staff, for the texts of the first
    // to keep clear of.
    sharedInk_.clear();
    for (size_t m = 1; shared && m < members.size(); ++m) {
      build(m);
      forcedStem_ = -1;
      overlayPass_ = true;
      if (PrepareLine(false)) ColumnInk(sharedInk_);
    }
    int32_t y0 = 0;
    for (size_t m = 0; m < members.size(); ++m) {
      Voice& v = voices_[static_cast<size_t>(members[m])];
      build(m);
      SwapCarried(v);
      forcedStem_ = shared ? (m == 0 ? 1 : -1) : v.stems;
      overlayPass_ = m > 0;
      bool placed = PrepareLine(false);
      // The voices drawn next keep clear of all this one placed.
      if (m == 0 && shared) sharedInk_ = lineInk_;
      if (m == 0) {
        // The staff stands below the one before, or where the tune or page begins.
        int32_t topLine;
        if (k == 0) {
          topLine = firstLine_ ? dc_.Y() - std::max(fs_.spaceBeforeTune, above_ + LS / 2)
                               : prevBottom_ - std::max(fs_.staffSpacing, prevBelow_ + above_ + LS);
        } else {
          topLine = prevBottom_ - std::max(sysSep, prevBelow_ + above_ + LS / 2);
        }
        y0 = topLine - YOf(8);
        staffY[k] = y0;
        if (!placed) {
          // A staff whose voice rests in this system still shows its lines.
          endX_ = place(maxEnd);
          above_ = below_ = 0;
          cols_.clear();
          groups_.clear();
          verses_ = 0;
          DrawStaff(y0, endX_);
          DrawSigns(y0);
        } else {
          PaintLine(y0);
        }
        if (k == 0) {
          afterMeasure = measure_;
          for (const DrawItem& it : line_)
            if (IsBarItem(it.kind)) barXs.push_back(it.x + lp_.Get(LP_SpaceBeforeBarline));
        }
        prevBottom_ = y0;
        prevBelow_ = placed ? below_ : 0;
        // The voice's name, or its short name after the first system.
        const std::string& name = first ? v.name : v.shortName;
        if (!name.empty()) {
          const CanvasFont& font = dc_.TextFont();
          int32_t w = TextWidth(font, name);
          int32_t nx = std::max(dc_.LeftEdge() - LS * 3, left - w - LS / 2);
          dc_.PutText("text", font, nx, y0 + YOf(4) - dc_.GetCanvas().Metrics(font).ascent / 3,
                      name, -1, -1);
        }
      } else if (placed) {
        PaintLine(y0);
        prevBelow_ = std::max(prevBelow_, below_);
      }
      SwapCarried(v);
    }
    sharedInk_.clear();
  }
  measure_ = afterMeasure;
  numberBars_ = true;
  overlayPass_ = false;
  forcedStem_ = 0;
  firstLine_ = false;
  // Grouped staves: bar lines run through the group, a bracket or a brace at its left.
  dc_.SetPlace(systems_, 0);
  const int32_t lt = lp_.Get(LP_LineThickness);
  for (const StaffBrace& g : braces_) {
    if (g.last >= static_cast<int>(staffY.size())) continue;
    int32_t top = staffY[static_cast<size_t>(g.first)] + YOf(8);
    int32_t bottom = staffY[static_cast<size_t>(g.last)];
    for (size_t k = static_cast<size_t>(g.first); k < static_cast<size_t>(g.last); ++k) {
      if (std::find(barGaps_.begin(), barGaps_.end(), static_cast<int>(k)) != barGaps_.end())
        continue;
      for (int32_t x : barXs) {
        dc_.PutLine("bar", x + lt, staffY[k], x + lt, staffY[k + 1] + YOf(8), lt * 3 / 2, -1, -1);
      }
    }
    dc_.PutLine("bar", left, bottom, left, top, lt, -1, -1);
    if (g.kind == '[') {
      int32_t bx = left - LS / 2;
      dc_.PutLine("bar", bx, bottom - LS / 4, bx, top + LS / 4, LS / 3, -1, -1);
      dc_.PutLine("bar", bx, top + LS / 4, bx + LS / 2, top + LS / 2, lt * 2, -1, -1);
      dc_.PutLine("bar", bx, bottom - LS / 4, bx + LS / 2, bottom - LS / 2, lt * 2, -1, -1);
    } else {
      // A brace: from its ends at the right it bends to a point at the left in the
      // middle, thickest half way between.
      const double kPi = 3.14159265358979;
      const int32_t bx = left - LS / 4, w = LS * 3 / 4;
      const int steps = 32;
      std::vector<CanvasPoint> outer, inner;
      for (int s = 0; s <= steps; ++s) {
        double t = static_cast<double>(s) / steps;
        double d = t <= 0.5 ? 2 * t : 2 - 2 * t;  // 0 at the ends, 1 at the point
        double x = bx - w * std::pow(std::sin(d * kPi / 2), 3);
        double th = LS / 3.5 * std::sin(d * kPi);
        int32_t y = static_cast<int32_t>(top + (bottom - top) * t);
        outer.push_back({static_cast<int32_t>(x - th / 2), y});
        inner.push_back({static_cast<int32_t>(x + th / 2), y});
      }
      std::vector<CanvasPoint> pts(outer);
      pts.insert(pts.end(), inner.rbegin(), inner.rend());
      dc_.PutPolygon("bar", pts.data(), pts.size(), -1, -1);
    }
  }
  // Every system's staves are joined by a line at their start.
  if (staffY.size() > 1 && braces_.empty()) {
    dc_.PutLine("bar", left, staffY.back(), left, staffY.front() + YOf(8), lt, -1, -1);
  }
  return true;
}

}  // namespace tunora::staff
