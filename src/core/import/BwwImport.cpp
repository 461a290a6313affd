#include "import/BwwImport.h"

#include <algorithm>
#include "base/Ascii.h"
#include "import/AbcText.h"
#include "import/BwwTable.h"

namespace tunora {

namespace {

constexpr int kWhole = 768;
constexpr int kEighth = 96;
constexpr size_t kLineLimit = 80;
constexpr size_t kMaxErrorText = 40;

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 26; }
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool StartsWith(std::string_view text, size_t pos, std::string_view prefix) {
  return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view prefix) {
  if (text.size() - pos < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[pos + i]) != Lower(prefix[i])) return false;
  return true;
}

// The lines of the file's set-up that carry nothing for ABC; they are skipped
// wherever they start a token (files are often several files pasted together).
constexpr std::string_view kSetupLines[] = {"Bagpipe",
                                            "MIDINoteMappings",
                                            "FrequencyMappings",
                                            "InstrumentMappings",
                                            "GracenoteDurations",
                                            "FontSizes",
                                            "TuneFormat"};

// Bar lines and repeats, tried in this order.
struct BarRow {
  std::string_view bww;
  std::string_view abc;
};
constexpr BarRow kBars[] = {{"!!", "||"},   {"!I", "|]"}, {"!t", "|"},   {"!", "|"},
                            {"I!''", "|:"}, {"I!", "[|"}, {"''!I", ":|"}};

// The pipe scale: BWW note names and their ABC letters.
struct PipeNote {
  std::string_view name;
  char letter;
};
constexpr PipeNote kPipeNotes[] = {{"lg", 'G'}, {"la", 'A'}, {"hg", 'g'}, {"ha", 'a'}, {"b", 'B'},
                                   {"c", 'c'},  {"d", 'd'},  {"e", 'e'},  {"f", 'f'}};

// The pipe note whose name begins text at pos (either case), or null.
const PipeNote* MatchPipeNote(std::string_view text, size_t pos, size_t& length) {
  for (const PipeNote& n : kPipeNotes) {
    if (StartsWithNoCase(text, pos, n.name)) {
      length = n.name.size();
      return &n;
    }
  }
  return nullptr;
}

class EventReader {
 public:
  EventReader(std::string_view text, const BwwTable& table) : text_(text), table_(table) {}

  std::vector<BwwEvent> Read(bool& truncated) {
    truncated = false;
    size_t pos = 0;
    while (pos < text_.size()) {
      if (IsSeparator(text_[pos])) {
        ++pos;
        continue;
      }
      if (events_.size() >= kBwwMaxEvents) {
        truncated = true;
        break;
      }
      pos = ReadToken(pos);
    }
    return std::move(events_);
  }

 private:
  BwwEvent& Add(BwwEvent::Kind kind) {
    events_.emplace_back();
    events_.back().kind = kind;
    return events_.back();
  }

  size_t SkipLine(size_t pos) const {
    while (pos < text_.size() && text_[pos] != '\r' && text_[pos] != '\n') ++pos;
    return pos;
  }

  // A set-up line ends with its line, or with the ")" of its list when an editor
  // wrapped the list onto the next lines.
  size_t SkipSetupLine(size_t pos) const {
    const size_t end = SkipLine(pos);
    const size_t open = text_.find('(', pos);
    if (open == std::string_view::npos || open > end || text_.find(')', open) < end) return end;
    const size_t close = text_.find(')', open);
    return close != std::string_view::npos && close - open < 1000 ? close + 1 : end;
  }

  size_t SkipBlanks(size_t pos) const {
    while (pos < text_.size() && IsSeparator(text_[pos])) ++pos;
    return pos;
  }

  // The end of the token that starts at pos (the next separator).
  size_t TokenEnd(size_t pos) const {
    while (pos < text_.size() && !IsSeparator(text_[pos])) ++pos;
    return pos;
  }

  bool AtBoundary(size_t pos) const { return pos >= text_.size() || !IsAlnum(text_[pos]); }

  size_t ReadNumber(size_t pos, int& value) const {
    value = 0;
    while (pos < text_.size() && IsDigit(text_[pos])) {
      if (value < 100000) value = value * 10 + (text_[pos] - '0');
      ++pos;
    }
    return pos;
  }

  // The last event when it is a note, else null.
  BwwEvent* LastNoteIfLast() {
    return !events_.empty() && events_.back().kind == BwwEvent::kNote ? &events_.back() : nullptr;
  }

  // Index of the note `back` notes before the end (1: the last note), or -1.
  long NoteBack(int back) const {
    for (long i = static_cast<long>(events_.size()) - 1; i >= 0; --i) {
      if (events_[static_cast<size_t>(i)].kind == BwwEvent::kNote && --back == 0) return i;
    }
    return -1;
  }

  void Error(size_t pos, size_t end) {
    BwwEvent& e = Add(BwwEvent::kError);
    e.text = PrintableText(text_.substr(pos, std::min(end - pos, kMaxErrorText)));
  }

  // Old tie forms ("^t" and a note name, or "^te" with no tie open): a tie from
  // the last note to the next one.
  void TieLastNote() {
    long i = NoteBack(1);
    // A tie that follows an embellishment or opens the music has no note to start on.
    if (i < 0 || events_.back().kind == BwwEvent::kEmbellishment) return;
    events_[static_cast<size_t>(i)].flags |= BwwEvent::kTieAfter;
  }

  // "^3" with a note name: the third note back starts a triplet. The mark goes in
  // front of the embellishments that lead to that note.
  void MarkTriplet() {
    long i = NoteBack(3);
    if (i < 0) return;
    size_t at = static_cast<size_t>(i);
    while (at > 0 && events_[at - 1].kind == BwwEvent::kEmbellishment) --at;
    events_[static_cast<size_t>(i)].flags |= BwwEvent::kTripletStart;
    BwwEvent mark;
    mark.kind = BwwEvent::kTuplet;
    mark.value = 3;
    events_.insert(events_.begin() + static_cast<long>(at), std::move(mark));
    if (tieLast_ >= static_cast<long>(at)) ++tieLast_;
  }

  size_t ReadQuoted(size_t pos) {
    const size_t lineEnd = SkipLine(pos);
    size_t close = text_.find('"', pos + 1);
    // A typed text (with ",(" after it) may have been wrapped onto the next line.
    if (close != std::string_view::npos && close > lineEnd &&
        (close - pos > 400 || !StartsWith(text_, close + 1, ",("))) {
      close = std::string_view::npos;
    }
    if (close == std::string_view::npos) {
      Error(pos, TokenEnd(pos));
      return TokenEnd(pos);
    }
    BwwEvent& e = Add(BwwEvent::kHeaderText);
    std::string text(text_.substr(pos + 1, close - pos - 1));
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
    const size_t first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    e.text = PrintableText(text);
    size_t p = close + 1;
    const size_t typeEnd = SkipLine(p);
    if (StartsWith(text_, p, ",(") && p + 2 < text_.size() && IsAlnum(text_[p + 2])) {
      e.second = static_cast<unsigned char>(text_[p + 2]);
      const size_t paren = text_.find(')', p);
      p = paren == std::string_view::npos || paren > typeEnd ? typeEnd : paren + 1;
    }
    return p;
  }

  // A note: name, "l" or "r", "_" and the value. False when text at pos is none.
  bool ReadNote(size_t& pos) {
    size_t len = 0;
    const PipeNote* note = MatchPipeNote(text_, pos, len);
    if (note == nullptr) return false;
    size_t p = pos + len;
    int beam = 0;
    if (p < text_.size() && (text_[p] == 'l' || text_[p] == 'L')) beam = 1;
    if (p < text_.size() && (text_[p] == 'r' || text_[p] == 'R')) beam = 2;
    if (beam != 0) ++p;
    if (p >= text_.size() || text_[p] != '_' || p + 1 >= text_.size() || !IsDigit(text_[p + 1]))
      return false;
    int value = 0;
    p = ReadNumber(p + 1, value);
    if (value == 0) value = 8;
    if (value > 64 || (value & (value - 1)) != 0) return false;
    if (beam != 0) spaceAfter_ = beam == 1;
    BwwEvent& e = Add(BwwEvent::kNote);
    e.value = kWhole / value;
    e.second = note->letter;
    if (spaceAfter_) e.flags |= BwwEvent::kSpaceAfter;
    musicSeen_ = true;
    if (tieOpen_) {
      if (tieLast_ >= 0) events_[static_cast<size_t>(tieLast_)].flags |= BwwEvent::kTieAfter;
      tieLast_ = static_cast<long>(events_.size()) - 1;
    }
    pos = p;
    return true;
  }

  size_t ReadToken(size_t pos) {
    for (std::string_view setup : kSetupLines)
      if (StartsWithNoCase(text_, pos, setup)) return SkipSetupLine(pos);

    if (StartsWith(text_, pos, "TuneTempo,")) {
      int tempo = 0;
      size_t p = ReadNumber(pos + 10, tempo);
      if (p == pos + 10) {
        Error(pos, TokenEnd(pos));
        return TokenEnd(pos);
      }
      Add(BwwEvent::kTempo).value = tempo;
      return p;
    }
    for (const BarRow& bar : kBars) {
      if (!StartsWith(text_, pos, bar.bww)) continue;
      // The end of a staff is no bar before the music.
      if (bar.bww != "!t" || musicSeen_) Add(BwwEvent::kBar).text = std::string(bar.abc);
      return pos + bar.bww.size();
    }
    if (text_[pos] == '\'' && pos + 1 < text_.size() && IsDigit(text_[pos + 1])) {
      // '1, '2, and the part forms '22, '23, '224 ...: the ending is the first digit.
      int digits = 0;
      Add(BwwEvent::kEnding).value = text_[pos + 1] - '0';
      return ReadNumber(pos + 1, digits);
    }
    for (std::string_view mark : {"'intro", "'bis", "'do", "'si"}) {
      if (StartsWith(text_, pos, mark) && AtBoundary(pos + mark.size())) {
        Add(BwwEvent::kAnnotation).text = std::string(mark.substr(1));
        return pos + mark.size();
      }
    }
    if (text_[pos] == '&') {
      Add(BwwEvent::kStaff);
      size_t p = pos + 1;
      // The key signature of the pipes.
      for (std::string_view key : {"sharpf", "sharpc"}) {
        size_t q = SkipBlanks(p);
        if (StartsWithNoCase(text_, q, key)) p = q + key.size();
      }
      return p;
    }
    if (text_[pos] == '"') return ReadQuoted(pos);
    if (StartsWith(text_, pos, "C_") && AtBoundary(pos + 2)) {
      BwwEvent& e = Add(BwwEvent::kMeter);
      e.value = e.second = 2;
      e.flags = BwwEvent::kMeterSymbol;
      return pos + 2;
    }
    if (text_[pos] == 'C' && AtBoundary(pos + 1)) {
      BwwEvent& e = Add(BwwEvent::kMeter);
      e.value = e.second = 4;
      e.flags = BwwEvent::kMeterSymbol;
      return pos + 1;
    }
    if (IsDigit(text_[pos])) {
      int n = 0, d = 0;
      size_t p = ReadNumber(pos, n);
      if (p < text_.size() && text_[p] == '_' && p + 1 < text_.size() && IsDigit(text_[p + 1])) {
        size_t q = ReadNumber(p + 1, d);
        // A header line may follow without a blank in pasted-together files.
        if ((q >= text_.size() || (!IsDigit(text_[q]) && text_[q] != '_')) && n > 0 && d > 0 &&
            n < 100 && d <= 64) {
          BwwEvent& e = Add(BwwEvent::kMeter);
          e.value = n;
          e.second = d;
          return q;
        }
      }
    }
    if (StartsWith(text_, pos, "^t")) {
      if (StartsWith(text_, pos, "^ts")) {
        tieOpen_ = true;
        tieLast_ = -1;
        return pos + 3;
      }
      if (StartsWith(text_, pos, "^te") && tieOpen_) {
        tieOpen_ = false;
        tieLast_ = -1;
        return pos + 3;
      }
      size_t len = 0;
      if (MatchPipeNote(text_, pos + 2, len) != nullptr) {
        TieLastNote();
        return pos + 2 + len;
      }
    }
    if (text_[pos] == '^' && pos + 1 < text_.size() && IsDigit(text_[pos + 1])) {
      size_t p = pos + 2;
      int q = 0;
      if (p < text_.size() && text_[p] >= '2' && text_[p] <= '9' && p + 1 < text_.size() &&
          (text_[p + 1] == 's' || text_[p + 1] == 'e')) {
        q = text_[p] - '0';
        ++p;
      }
      if (p < text_.size() && text_[p] == 's') {
        BwwEvent& e = Add(BwwEvent::kTuplet);
        e.value = text_[pos + 1] - '0';
        e.second = q;
        tupletOpen_ = true;
        return p + 1;
      }
      size_t len = 0;
      // "^3" and a note name marks an old-style triplet; "^3e" is one too when no
      // tuplet is open.
      if (text_[pos + 1] == '3' && q == 0 && MatchPipeNote(text_, pos + 2, len) != nullptr &&
          !(text_[p] == 'e' && tupletOpen_)) {
        MarkTriplet();
        return pos + 2 + len;
      }
      if (p < text_.size() && text_[p] == 'e') {
        tupletOpen_ = false;
        return p + 1;
      }
    }
    size_t keyLength = 0;
    if (const BwwTable::Pair* pair = table_.LongestMatch(text_.substr(pos), keyLength)) {
      BwwEvent& e = Add(BwwEvent::kEmbellishment);
      e.text = pair->abc;
      e.token = pair->token;
      return pos + keyLength;
    }
    size_t p = pos;
    if (ReadNote(p)) return p;
    // Dots belong to the note before them.
    if (text_[pos] == '\'') {
      const bool twice = StartsWith(text_, pos, "''");
      size_t len = 0;
      const size_t at = pos + (twice ? 2 : 1);
      if (MatchPipeNote(text_, at, len) != nullptr && AtBoundary(at + len)) {
        if (BwwEvent* note = LastNoteIfLast()) {
          note->flags |= twice ? BwwEvent::kDoubleDotted : BwwEvent::kDotted;
          return at + len;
        }
      }
    }
    const size_t end = TokenEnd(pos);
    Error(pos, end);
    return end;
  }

  std::string_view text_;
  const BwwTable& table_;
  std::vector<BwwEvent> events_;
  bool spaceAfter_ = true;  // the first note behaves as if it had "l"
  bool musicSeen_ = false;
  bool tieOpen_ = false;
  long tieLast_ = -1;
  bool tupletOpen_ = false;
};

bool Dotted(const BwwEvent& e) {
  return (e.flags & (BwwEvent::kDotted | BwwEvent::kDoubleDotted)) != 0;
}

// --- the ABC writer ---------------------------------------------------------------

class BwwWriter {
 public:
  BwwWriter(const std::vector<BwwEvent>& events, std::string_view path, BwwResult& result)
      : events_(events), path_(path), result_(result) {
    for (const BwwEvent& e : events)
      if (e.kind == BwwEvent::kHeaderText && e.second != 0) typedTexts_ = true;
  }

  void Write() {
    for (index_ = 0; index_ < events_.size(); ++index_) WriteEvent(events_[index_]);
    FinishTune();
  }

 private:
  enum class TextRole { kTitle, kRhythm, kComposer, kFootnote };

  TextRole RoleOf(const BwwEvent& e, bool count) {
    if (e.second == 0) {
      // Untyped texts are comments where the file types its texts; in files that
      // never do, their order says what they are.
      if (typedTexts_) return TextRole::kFootnote;
      int n = untypedSeen_;
      if (count) ++untypedSeen_;
      return n == 0   ? TextRole::kTitle
             : n == 1 ? TextRole::kRhythm
             : n == 2 ? TextRole::kComposer
                      : TextRole::kFootnote;
    }
    switch (e.second) {
      case 'T': return TextRole::kTitle;
      case 'Y': return TextRole::kRhythm;
      case 'M': return TextRole::kComposer;
      default: return TextRole::kFootnote;
    }
  }

  size_t LineLength() const { return tune_.size() - lineStart_; }

  void TrimLine() {
    while (tune_.size() > lineStart_ && (tune_.back() == ' ' || tune_.back() == '\t'))
      tune_.pop_back();
  }

  void EndLine() {
    tune_ += "\r\n";
    lineStart_ = tune_.size();
    breaks_.clear();
  }

  void NewLineIfNeeded() {
    TrimLine();
    if (LineLength() > 0) EndLine();
  }

  void Line(std::string_view text) {
    NewLineIfNeeded();
    tune_ += text;
    EndLine();
  }

  void WritePath() {
    if (pathWritten_) return;
    pathWritten_ = true;
    Line("Z:" + std::string(path_));
    if (tempo_ > 0) WriteTempoLine();
  }

  void WriteTempoLine() {
    Line("Q:1/4=" + std::to_string(tempo_));
    tempo_ = 0;
  }

  // Before the first music of a tune: the unit length and the pipe key.
  void EnsureKey() {
    if (keyWritten_) return;
    WritePath();
    if (tempo_ > 0) WriteTempoLine();
    Line("L:1/8");
    Line("K:Hp");
    keyWritten_ = true;
  }

  // Breaks a line longer than the limit after its last bar.
  void BreakLongLine() {
    if (LineLength() <= kLineLimit || breaks_.empty()) return;
    size_t at = breaks_.back();
    std::string rest = tune_.substr(at);
    tune_.resize(at);
    size_t lead = rest.find_first_not_of(" \t");
    rest.erase(0, lead == std::string::npos ? rest.size() : lead);
    NewLineIfNeeded();
    tune_ += rest;
  }

  void Append(std::string_view text) {
    tune_ += text;
    BreakLongLine();
  }

  void AppendBar(std::string_view text) {
    // Two bars in a row stay two bars ("|" and "|]" are not "||]").
    if (LineLength() > 0 && (tune_.back() == '|' || tune_.back() == ']' || tune_.back() == ':'))
      tune_ += ' ';
    tune_ += text;
    breaks_.push_back(tune_.size());
    BreakLongLine();
  }

  void ErrorLine(std::string_view text) {
    Line("%bmwerror: " + PrintableText(text));
    ++result_.errorLines;
  }

  // What waits for the next note: tuplet marks, grace groups, decorations and
  // annotations, an accidental; written in that order in front of the note.
  enum class Before { kNote, kRest, kOther, kTuneEnd };

  // Writes what is pending as far as `before` allows. A rest takes the tuplet
  // marks and the marks; other music (bars, fields, error lines) tells of an
  // accidental that found no note and leaves the rest waiting, also across a bar
  // (movements written after the last note of a bar sound before the next
  // one). At the end of the tune the marks are written where they are and the
  // gracenotes and tuplets that found no note become error lines.
  void FlushPending(Before before) {
    const bool note = before == Before::kNote;
    std::string lead;
    if (note || before == Before::kRest) {
      if (!pendingTuplets_.empty() && tupletLeft_ > 0) {
        ErrorLine("tuplet " + pendingTuplets_ + " inside another tuplet");
      } else if (!pendingTuplets_.empty()) {
        lead += pendingTuplets_;
        tupletLeft_ = pendingTupletNotes_;
      }
      pendingTuplets_.clear();
    }
    if (note) lead += pendingGraces_;
    if (before != Before::kOther) {
      lead += pendingMarks_;
      pendingMarks_.clear();
    }
    if (note) lead += pendingAccidental_;
    if (!lead.empty()) {
      EnsureKey();
      Append(lead);
    }
    if (!note && !pendingAccidental_.empty())
      ErrorLine(accidentalToken_ + " (no melody note follows)");
    pendingAccidental_.clear();
    if (before == Before::kTuneEnd) {
      if (!pendingTuplets_.empty()) ErrorLine("tuplet " + pendingTuplets_ + " without notes");
      for (const std::string& token : graceTokens_) ErrorLine(token + " (no melody note follows)");
      pendingTuplets_.clear();
    }
    if (note || before == Before::kTuneEnd) {
      pendingGraces_.clear();
      graceTokens_.clear();
    }
  }

  static std::string Length(int ticks, uint16_t flags) {
    if (flags & BwwEvent::kDoubleDotted) return AbcLengthText(ticks * 7L, kEighth * 4L);
    if (flags & BwwEvent::kDotted) return AbcLengthText(ticks * 3L, kEighth * 2L);
    return AbcLengthText(ticks, kEighth);
  }

  void WriteNote(const BwwEvent& e) {
    EnsureKey();
    FlushPending(Before::kNote);
    hasMusic_ = true;
    if (tupletLeft_ > 0) --tupletLeft_;
    std::string note(1, static_cast<char>(e.second));
    note += Length(e.value, e.flags);
    if (e.flags & BwwEvent::kBrokenLonger) note += '>';
    if (e.flags & BwwEvent::kBrokenShorter) note += '<';
    if (e.flags & BwwEvent::kTieAfter) note += '-';
    if (e.flags & BwwEvent::kSpaceAfter) note += ' ';
    Append(note);
  }

  void WriteEmbellishment(const BwwEvent& e) {
    const std::string& t = e.text;
    if (t.empty()) return;
    if (t.front() == '{') {
      pendingGraces_ += t;
      graceTokens_.push_back(e.token);
    } else if (t.find_first_not_of("^=_") == std::string::npos) {
      // A second accidental before a note takes the place of the first.
      if (!pendingAccidental_.empty()) ErrorLine(accidentalToken_ + " (no melody note follows)");
      pendingAccidental_ = t;
      accidentalToken_ = e.token;
    } else if (t.front() == '!' || t.front() == '"' || t.front() == '+') {
      pendingMarks_ += t;
    } else {
      // Rests and other text of their own.
      FlushPending(Before::kRest);
      EnsureKey();
      hasMusic_ = true;
      Append(t + " ");
    }
  }

  void WriteHeaderText(const BwwEvent& e) {
    const TextRole role = RoleOf(e, true);
    if (keyWritten_) {
      if (role == TextRole::kTitle && hasMusic_) {
        FinishTune();
      } else if (role == TextRole::kComposer || role == TextRole::kFootnote) {
        if (!e.text.empty()) pendingMarks_ += "\"^" + Quoted(e.text) + "\"";
        return;
      }
    }
    FlushPending(Before::kOther);
    static constexpr std::string_view kTags[] = {"T:", "R:", "C:", "Z:"};
    if (!e.text.empty() || role == TextRole::kTitle)
      Line(std::string(kTags[static_cast<int>(role)]) + e.text);
    if (!keyWritten_) WritePath();
  }

  // Text inside an annotation: its double quotes become single ones.
  static std::string Quoted(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '"', '\'');
    return out;
  }

  void WriteMeter(const BwwEvent& e) {
    FlushPending(Before::kOther);
    std::string m = "M:";
    if (e.flags & BwwEvent::kMeterSymbol)
      m += e.value == 2 ? "C|" : "C";
    else
      m += std::to_string(e.value) + "/" + std::to_string(e.second);
    if (!keyWritten_) WritePath();
    Line(m);
    Line("L:1/8");
    if (!keyWritten_) {
      Line("K:Hp");
      keyWritten_ = true;
    }
  }

  // True when the next event starts another tune (a title after this one's music).
  bool NextStartsTune() {
    for (size_t i = index_ + 1; i < events_.size(); ++i) {
      const BwwEvent& n = events_[i];
      if (n.kind == BwwEvent::kTempo || n.kind == BwwEvent::kStaff) continue;
      return n.kind == BwwEvent::kHeaderText && hasMusic_ && RoleOf(n, false) == TextRole::kTitle;
    }
    return false;
  }

  void WriteTempo(const BwwEvent& e) {
    if (e.value <= 0) return;
    if (keyWritten_ && NextStartsTune()) {
      nextTempo_ = e.value;
      return;
    }
    FlushPending(Before::kOther);
    tempo_ = e.value;
    if (keyWritten_ || pathWritten_) WriteTempoLine();
  }

  void EndStaff() {
    FlushPending(Before::kOther);
    TrimLine();
    if (LineLength() == 0) return;
    const char last = tune_.back();
    if (last != '|' && last != ']' && last != ':') tune_ += '|';
    EndLine();
  }

  void WriteEvent(const BwwEvent& e) {
    switch (e.kind) {
      case BwwEvent::kNote: WriteNote(e); break;
      case BwwEvent::kEmbellishment: WriteEmbellishment(e); break;
      case BwwEvent::kTuplet:
        if (!pendingTuplets_.empty()) ErrorLine("tuplet " + pendingTuplets_ + " without notes");
        pendingTuplets_ = "(" + std::to_string(e.value);
        if (e.second != 0) pendingTuplets_ += ":" + std::to_string(e.second);
        pendingTupletNotes_ = e.value;
        break;
      case BwwEvent::kBar:
        FlushPending(Before::kOther);
        EnsureKey();
        AppendBar(e.text);
        break;
      case BwwEvent::kEnding:
        FlushPending(Before::kOther);
        EnsureKey();
        Append("[" + std::to_string(e.value));
        break;
      case BwwEvent::kAnnotation: pendingMarks_ += "\"^" + Quoted(e.text) + "\""; break;
      case BwwEvent::kStaff:
        if (keyWritten_) EndStaff();
        break;
      case BwwEvent::kHeaderText: WriteHeaderText(e); break;
      case BwwEvent::kMeter: WriteMeter(e); break;
      case BwwEvent::kTempo: WriteTempo(e); break;
      case BwwEvent::kError:
        FlushPending(Before::kOther);
        ErrorLine(e.text);
        break;
    }
  }

  void FinishTune() {
    if (!pendingMarks_.empty()) {
      EnsureKey();
      Append(pendingMarks_);
      pendingMarks_.clear();
    }
    if (keyWritten_) EndStaff();
    FlushPending(Before::kTuneEnd);
    if (!tune_.empty()) {
      EnsureKey();
      NewLineIfNeeded();
      result_.tunes.push_back(std::move(tune_));
    }
    tune_.clear();
    lineStart_ = 0;
    breaks_.clear();
    keyWritten_ = pathWritten_ = hasMusic_ = false;
    untypedSeen_ = 0;
    tempo_ = nextTempo_;
    nextTempo_ = 0;
  }

  const std::vector<BwwEvent>& events_;
  std::string_view path_;
  BwwResult& result_;
  size_t index_ = 0;
  bool typedTexts_ = false;

  std::string tune_;
  size_t lineStart_ = 0;
  std::vector<size_t> breaks_;  // offsets right after the bars of the current line
  bool keyWritten_ = false;
  bool pathWritten_ = false;
  bool hasMusic_ = false;
  int untypedSeen_ = 0;
  int tempo_ = 0;      // a tempo read before the music, not yet written
  int nextTempo_ = 0;  // a tempo that belongs to the next tune

  std::string pendingTuplets_, pendingGraces_, pendingMarks_, pendingAccidental_;
  std::vector<std::string> graceTokens_;
  std::string accidentalToken_;
  int pendingTupletNotes_ = 0;
  int tupletLeft_ = 0;  // notes of the tuplet written last that are still to come
};

}  // namespace

std::vector<BwwEvent> ReadBwwEvents(std::string_view text, const BwwTable& table, bool& truncated) {
  EventReader reader(text, table);
  return reader.Read(truncated);
}

void MergeDottedPairs(std::vector<BwwEvent>& events) {
  for (size_t i = 0; i < events.size(); ++i) {
    BwwEvent& first = events[i];
    if (first.kind != BwwEvent::kNote || (first.flags & BwwEvent::kMerged)) continue;
    size_t j = i + 1;
    while (j < events.size() &&
           (events[j].kind == BwwEvent::kEmbellishment || events[j].kind == BwwEvent::kTuplet)) {
      ++j;
    }
    if (j >= events.size() || events[j].kind != BwwEvent::kNote) continue;
    BwwEvent& next = events[j];
    if ((first.flags & BwwEvent::kDotted) && !(first.flags & BwwEvent::kDoubleDotted) &&
        first.value <= kEighth && !Dotted(next) && next.value * 2 == first.value) {
      first.flags = static_cast<uint16_t>((first.flags & ~BwwEvent::kDotted) |
                                          BwwEvent::kBrokenLonger | BwwEvent::kMerged);
      next.value *= 2;
      next.flags |= BwwEvent::kMerged;
    } else if (!Dotted(first) && first.value <= kEighth / 2 && (next.flags & BwwEvent::kDotted) &&
               !(next.flags & BwwEvent::kDoubleDotted) && next.value == first.value * 2) {
      first.value *= 2;
      first.flags |= BwwEvent::kBrokenShorter | BwwEvent::kMerged;
      next.flags = static_cast<uint16_t>((next.flags & ~BwwEvent::kDotted) | BwwEvent::kMerged);
    }
  }
}

void AttachTrailingMarks(std::vector<BwwEvent>& events) {
  for (size_t i = 1; i < events.size(); ++i) {
    const BwwEvent& e = events[i];
    if (e.kind != BwwEvent::kEmbellishment || e.text.empty() || e.text.front() != '!') continue;
    size_t j = i;
    while (j > 0 && events[j - 1].kind == BwwEvent::kEmbellishment && !events[j - 1].text.empty() &&
           events[j - 1].text.front() == '!') {
      --j;
    }
    if (j == 0 || events[j - 1].kind != BwwEvent::kNote) continue;
    // The note and the marks after it change places; embellishments before the
    // note stay in front of both.
    std::rotate(events.begin() + static_cast<long>(j - 1), events.begin() + static_cast<long>(j),
                events.begin() + static_cast<long>(i + 1));
  }
}

BwwResult WriteBwwTunes(const std::vector<BwwEvent>& events, std::string_view sourcePath) {
  BwwResult result;
  BwwWriter writer(events, sourcePath, result);
  writer.Write();
  return result;
}

BwwResult ConvertBwwText(std::string_view text, const BwwTable& table,
                         std::string_view sourcePath) {
  bool truncated = false;
  std::vector<BwwEvent> events = ReadBwwEvents(text, table, truncated);
  AttachTrailingMarks(events);
  MergeDottedPairs(events);
  if (truncated) {
    BwwEvent e;
    e.kind = BwwEvent::kError;
    e.text =
        "more than " + std::to_string(kBwwMaxEvents) + " symbols; the rest of the file is left out";
    events.push_back(std::move(e));
  }
  BwwResult result = WriteBwwTunes(events, sourcePath);
  result.truncated = truncated;
  return result;
}

}  // namespace tunora
