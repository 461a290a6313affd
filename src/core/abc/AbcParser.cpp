#include "abc/AbcParser.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "abc/TokenTable.h"
#include "base/Ascii.h"

namespace tunora {

namespace {

// Default "in the time of" by the tuplet number; 0 above 9 (q must then be written).
constexpr uint8_t kTupletDefaultQ[10] = {0, 0, 3, 2, 3, 4, 4, 4, 3, 8};
// Definitions that lead into further definitions are followed this deep at most, so
// that a symbol defined through itself cannot keep the reader from the end.
constexpr int kMaxSubstitutionDepth = 8;

inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Row texts are at most five bytes: a plain loop beats a library call here.
inline bool Matches(const char* s, size_t n, size_t p, std::string_view text) {
  if (text.size() > n - p) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (s[p + i] != text[i]) return false;
  return true;
}

inline tick ClampTicks(uint64_t t) {
  return static_cast<tick>(std::min<uint64_t>(t, kMaxNoteLength));
}

// True for the characters that can stand between a note and its tie or broken-rhythm
// mark, or be one; after most notes comes none of them.
constexpr bool MayFollowNote(char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '-':
    case '(':
    case ')':
    case '>':
    case '<': return true;
    default: return false;
  }
}

// What follows a note or a chord, without consuming it: blanks and line ends, then a
// tie; then blanks, line ends, ties and slur marks, then a broken rhythm (its value,
// 0 for none).
void LookAfter(const char* s, size_t n, size_t q, bool& tied, int& broken) {
  tied = false;
  broken = 0;
  if (q >= n || !MayFollowNote(s[q])) return;
  while (q < n && (s[q] == ' ' || s[q] == '\t' || IsLineEnd(s[q]))) ++q;
  tied = q < n && s[q] == '-';
  while (q < n && (s[q] == ' ' || s[q] == '\t' || IsLineEnd(s[q]) || s[q] == '-' || s[q] == '(' ||
                   s[q] == ')'))
    ++q;
  if (q < n && (s[q] == '>' || s[q] == '<')) {
    const char b = s[q];
    int run = 0;
    while (q < n && s[q] == b && run < 4) {
      ++run;
      ++q;
    }
    broken = b == '>' ? run : -run;
  }
}

inline bool StartsLength(const char* s, size_t n, size_t p) {
  return p < n && ((s[p] >= '1' && s[p] <= '9') || s[p] == '/');
}

}  // namespace

// ------------------------------------------------------------------------- set-up

void AbcParser::Init(std::optional<std::string_view> keyText, std::string_view meterText,
                     std::string_view unitLengthText, std::optional<std::string_view> bodyForPickup,
                     std::string_view tempoText, bool decodeDecorations) {
  decodeDecorations_ = decodeDecorations;
  delimiter_ = headerDelimiter_ = 0;
  ParseKey(keyText ? *keyText : std::string_view("C"), key);
  meter = MeterInfo{};
  ParseMeter(meterText, meter, commonEqualsCut, true);
  if (tick unit = ParseUnitLength(unitLengthText); unit != 0) meter.unitLength = unit;
  ParseTempo(tempoText, meter.unitLength, meter.beatLength, tempo);
  voice.ResetToSentinels();
  midi = MidiInfo{};
  symbols_.Clear();
  symbolMode_ = UserSymbols::kNoTable;
  errors.Clear();
  note = NoteInfo{};
  ClearBrackets();
  tieFromCount_ = tieToCount_ = 0;
  EndSubstitution();
  lineNumber_ = 1;
  followUp_ = 0;
  tokenText_ = {};
  tokenValue_ = 0;
  syntaxWarning_ = false;
  firstBarLength = 0;
  pickupOffset = 0;
  if (bodyForPickup) {
    text_ = *bodyForPickup;
    if (meter.barLength > 0) ScanPickup();
  }
  Save(afterInit_);
}

void AbcParser::SetText(std::string_view text) {
  text_ = text;
  followUp_ = 0;
  EndSubstitution();
}

void AbcParser::Restart() {
  Load(afterInit_);
  delimiter_ = headerDelimiter_;
  ResetReadingState();
}

// Back to the first character: no open brackets or substitution, line 1, no token.
void AbcParser::ResetReadingState() {
  ClearBrackets();
  tieFromCount_ = tieToCount_ = 0;
  EndSubstitution();
  lineNumber_ = 1;
  followUp_ = 0;
  note = NoteInfo{};
  tokenText_ = {};
  tokenValue_ = 0;
  syntaxWarning_ = false;
}

void AbcParser::ResetBarState() { ClearBrackets(); }

void AbcParser::ClearBrackets() {
  std::memset(accidentalMemory_, 0, sizeof accidentalMemory_);
  pendingBroken_ = 0;
  inGrace_ = false;
  inChord_ = false;
  newChord_ = false;
  chordNoteCount_ = 0;
  chordNum_ = chordDen_ = 1;
  chordTied_ = false;
  chordBroken_ = chordSecond_ = 0;
  tuplet_ = TupletState{};
}

void AbcParser::SetUserSymbols(int mode, const UserSymbols* tuneTable, std::string_view headerText,
                               const UserSymbols* programTable) {
  symbols_.Clear();
  if (programTable != nullptr) symbols_.CopyFrom(*programTable);
  if (tuneTable != nullptr) symbols_.CopyFrom(*tuneTable);
  symbolMode_ = mode == UserSymbols::kDrawTable || mode == UserSymbols::kPlayTable
                    ? mode
                    : UserSymbols::kNoTable;
  const char tag = symbolMode_ == UserSymbols::kDrawTable ? 'U' : 'u';
  size_t i = 0;
  while (i < headerText.size()) {
    size_t e = i;
    while (e < headerText.size() && !IsLineEnd(headerText[e])) ++e;
    std::string_view line = headerText.substr(i, e - i);
    if (line.size() >= 2 && line[0] == 'I' && line[1] == ':')
      delimiter_ = headerDelimiter_ = ReadDecorationInstruction(line.substr(2), headerDelimiter_);
    if (symbolMode_ != UserSymbols::kNoTable && line.size() >= 2 && line[0] == tag &&
        line[1] == ':')
      symbols_.AddDefinition(symbolMode_, line.substr(2));
    while (e < headerText.size() && IsLineEnd(headerText[e])) ++e;
    i = e;
  }
}

void AbcParser::AddError(AbcMessageId messageId, size_t position) {
  errors.AddError(messageId, lineNumber_, text_, position);
}

void AbcParser::AddError(AbcMessageId messageId, size_t position, std::string_view excerptSource) {
  errors.AddError(messageId, lineNumber_, excerptSource, 0, position);
}

void AbcParser::Save(Saved& s) const {
  s.key = key;
  s.meter = meter;
  s.tempo = tempo;
  s.voice = voice;
  s.midi = midi;
}

void AbcParser::Load(const Saved& s) {
  key = s.key;
  meter = s.meter;
  tempo = s.tempo;
  voice = s.voice;
  midi = s.midi;
}

// The notes of the first bar, to start a short first bar (a pickup) at its place in
// the bar. The records are kept as they were: fields met in the first bar take
// effect when the consumer reads them.
void AbcParser::ScanPickup() {
  Saved before;
  Save(before);
  scanning_ = true;
  size_t pos = 0;
  bool first = true;
  uint64_t sum = 0;
  bool counted = false;
  bool barFound = false;
  bool overlay = false;  // notes after & sound beside the bar's own
  for (;;) {
    TokenKind k = NextToken(pos, first);
    first = false;
    if (k == TK_END) break;
    if (k == TK_OVERLAY) overlay = true;
    if (k == TK_NOTE && !overlay) {
      if ((note.flags & kNoteInGrace) == 0 &&
          ((note.flags & kNoteInChord) == 0 || chordNoteCount_ == 1)) {
        sum += note.length;
        counted = true;
      }
    } else if (IsBarKind(k) && counted) {
      barFound = true;
      break;
    }
  }
  scanning_ = false;
  firstBarLength = ClampTicks(sum);
  pickupOffset = barFound && sum < meter.barLength ? meter.barLength - firstBarLength : 0;
  Load(before);
  ResetReadingState();
}

void AbcParser::EndSubstitution() {
  substActive_ = false;
  substPos_ = 0;
  substDepth_ = 0;
}

// ------------------------------------------------------------------------- reading

uint32_t AbcParser::ReadRestBars(size_t& position) {
  uint32_t bars = 0;
  if (!substActive_) ReadNumber(text_, position, bars);
  return std::max<uint32_t>(bars, 1);
}

TokenKind AbcParser::NextTokenOtherwise(size_t& position, bool atLineStart) {
  syntaxWarning_ = false;
  if (followUp_ != 0) {
    auto kind = static_cast<TokenKind>(followUp_);
    followUp_ = 0;
    return Deliver(kind);
  }
  return ReadOn(position, atLineStart);
}

TokenKind AbcParser::ReadOn(size_t& position, bool atLineStart) {
  for (;;) {
    if (substActive_) {
      if (position != substResume_ || substPos_ >= subst_.size()) {
        EndSubstitution();
        continue;
      }
      size_t p = substPos_;
      TokenKind kind = Scan(subst_.data(), subst_.size(), p, false);
      if (kind == TK_NONE) continue;  // a definition met inside a definition replaced it
      substPos_ = p;
      return kind;
    }
    if (position >= text_.size()) {
      tokenText_ = {};
      tokenValue_ = 0;
      return TK_END;
    }
    size_t p = position;
    TokenKind kind = Scan(text_.data(), text_.size(), p, atLineStart);
    position = p;
    if (kind == TK_NONE) {
      substResume_ = position;
      continue;
    }
    return kind;
  }
}

TokenKind AbcParser::Scan(const char* s, size_t n, size_t& p, bool atLineStart) {
  tokenText_ = {};
  if (atLineStart) {
    // Line-start rows without their line feed; a match gives the follow-up kind itself.
    if (const int r = kLineStartRow[static_cast<unsigned char>(s[p])]; r >= 0) {
      const TokenRow& row = kTokenRows[r];
      std::string_view text = row.text.substr(1);
      if (Matches(s, n, p, text) && FieldRowApplies(row, s, n, p + text.size())) {
        TokenRow direct{text, row.followUp, 0, row.mode, row.value, row.warn, 0};
        return ReadRow(direct, s, n, p);
      }
    }
  }
  const auto c = static_cast<unsigned char>(s[p]);
  int first = kFirstRow[c];
  if (c == '\n') {
    // Only the line-start row of the character after the line feed can match; else
    // the line feed alone.
    if (p + 1 < n) {
      if (const int r = kLineStartRow[static_cast<unsigned char>(s[p + 1])]; r >= 0) {
        const TokenRow& row = kTokenRows[r];
        if (Matches(s + 1, n - 1, p, row.text.substr(1)) &&
            FieldRowApplies(row, s, n, p + row.text.size()))
          return ReadRow(row, s, n, p);
      }
    }
    first = kLineStartFirst + kLineStartCount;
  } else if (StartsNote(static_cast<char>(c))) {
    // A note (most of the music) is read straight away: its one-character row is the
    // first of its character and always applies.
    return ReadNote(s, n, p);
  }
  for (int r = first, end = kRowsEnd[c]; r >= 0 && r < end; ++r) {
    const std::string_view text = kTokenRows[r].text;
    if ((text.size() == 1 || Matches(s + 1, n - 1, p, text.substr(1))) &&
        FieldRowApplies(kTokenRows[r], s, n, p + text.size()))
      return ReadRow(kTokenRows[r], s, n, p);
  }
  tokenValue_ = c;
  ++p;
  return TK_ERROR;
}

TokenKind AbcParser::ReadRow(const TokenRow& row, const char* s, size_t n, size_t& p) {
  const size_t opened = p + row.text.size();
  if (row.mode == kReadNote) return ReadNote(s, n, p);
  p = opened;
  tokenValue_ = static_cast<uint8_t>(row.value);
  syntaxWarning_ = row.warn;
  lineNumber_ += row.lineFeeds;
  auto kind = static_cast<TokenKind>(row.kind);

  auto fail = [&](uint8_t value) {
    p = opened;
    tokenValue_ = value;
    syntaxWarning_ = false;
    tokenText_ = {};
    return TK_ERROR;
  };

  switch (row.mode) {
    case kReadRestOfLine:
    case kReadFieldLine: {
      if (row.mode == kReadFieldLine)
        while (p < n && (s[p] == ' ' || s[p] == '\t')) ++p;
      size_t e = p;
      while (e < n && !IsLineEnd(s[e])) ++e;
      tokenText_ = std::string_view(s + p, e - p);
      p = e;
      break;
    }
    case kReadQuoted:
    case kReadDecoration: {
      const char close = row.mode == kReadQuoted ? '"' : '!';
      size_t e = p;
      while (e < n && s[e] != close && !IsLineEnd(s[e])) ++e;
      if (e >= n || s[e] != close) return fail(p < n ? static_cast<uint8_t>(s[p]) : 0);
      tokenText_ = std::string_view(s + p, e - p);
      p = e + 1;
      if (row.mode == kReadDecoration && decodeDecorations_) {
        uint8_t number = 0;
        if (uint8_t found = LookupDecoration(tokenText_, number); found != 0) {
          kind = static_cast<TokenKind>(found);
          if (found == TK_REPEATBAR) tokenValue_ = number;
        }
      }
      break;
    }
    case kReadInlineField: {
      size_t b = p;
      while (b < n && (s[b] == ' ' || s[b] == '\t')) ++b;
      int depth = 0;
      size_t e = b;
      for (; e < n && !IsLineEnd(s[e]); ++e) {
        if (s[e] == '[') {
          ++depth;
        } else if (s[e] == ']') {
          if (depth == 0) break;
          --depth;
        }
      }
      if (e >= n || s[e] != ']') return fail(p < n ? static_cast<uint8_t>(s[p]) : 0);
      tokenText_ = std::string_view(s + b, e - b);
      p = e + 1;
      break;
    }
    case kReadValue:
      if (kind == TK_TUPLET) return ReadTuplet(row.value, s, n, p);
      if (kind == TK_BROKEN) {
        pendingBroken_ = row.value;
      } else if (kind == TK_SYMBOL) {
        const auto sc = static_cast<unsigned char>(row.value);
        std::string_view def = symbolMode_ != UserSymbols::kNoTable ? symbols_.Get(symbolMode_, sc)
                                                                    : std::string_view{};
        if (!def.empty()) {
          if (substActive_ && ++substDepth_ > kMaxSubstitutionDepth) return fail(sc);
          subst_.assign(def);
          substPos_ = 0;
          substActive_ = true;
          return TK_NONE;
        }
      }
      break;
    default: break;
  }

  if (row.kind == kKindPlus) {
    if (!inChord_ && ReadPlusDecoration(s, n, p, kind)) return kind;
    kind = inChord_ ? TK_CHORD_END : TK_CHORD_START;
  }
  switch (kind) {
    case TK_CHORD_START:
      if (inChord_) return fail('[');
      inChord_ = true;
      newChord_ = true;
      chordNoteCount_ = 0;
      LookAtChord(s, n, p, row.kind == kKindPlus ? '+' : ']');
      break;
    case TK_CHORD_END:
      if (!inChord_) return fail(']');
      inChord_ = false;
      newChord_ = false;
      if (StartsLength(s, n, p)) {
        uint32_t num = 1, den = 1;  // read with the chord's first note
        ReadLengthMultiplier(std::string_view(s, n), p, num, den);
      }
      chordNum_ = chordDen_ = 1;
      chordTied_ = false;
      chordBroken_ = chordSecond_ = 0;
      if (tuplet_.active && tuplet_.done >= tuplet_.r) tuplet_ = TupletState{};
      break;
    case TK_GRACE_START:
      if (inGrace_) return fail('{');
      inGrace_ = true;
      // {/g}: a slashed grace (acciaccatura), value 1.
      if (p < n && s[p] == '/') {
        ++p;
        tokenValue_ = 1;
      }
      break;
    case TK_OVERLAY:
      // The overlay is a voice of its own: the bar's accidentals and open brackets
      // stay with what came before.
      ClearBrackets();
      break;
    case TK_GRACE_END:
      if (!inGrace_) return fail('}');
      inGrace_ = false;
      break;
    case TK_DIRECTIVE: tokenValue_ = static_cast<uint8_t>(ParseDirectiveId(tokenText_)); break;
    default: break;
  }
  followUp_ = row.followUp;
  if (kind == TK_NEWLINE || IsFieldKind(kind) || IsBarKind(kind)) return Deliver(kind);
  return kind;
}

TokenKind AbcParser::Deliver(TokenKind kind) {
  if (kind == TK_NEWLINE) {
    ++lineNumber_;
  } else if (IsFieldKind(kind)) {
    ActOnField(kind);
  } else if (IsBarKind(kind) && kind != TK_START_BAR) {
    if (scanning_) {
      ClearBrackets();
    } else {
      ResetBarState();
    }
  }
  return kind;
}

void AbcParser::ActOnField(TokenKind kind) {
  switch (kind) {
    case TK_FIELD_K:
      if (scanning_)
        ClearBrackets();
      else
        ResetBarState();
      ParseKey(tokenText_, key);
      break;
    case TK_FIELD_M:
      if (scanning_)
        ClearBrackets();
      else
        ResetBarState();
      ParseMeter(tokenText_, meter, commonEqualsCut, meter.unitLength == 0);
      break;
    case TK_FIELD_L:
      if (tick unit = ParseUnitLength(tokenText_); unit != 0) meter.unitLength = unit;
      break;
    case TK_FIELD_Q: ParseTempo(tokenText_, meter.unitLength, meter.beatLength, tempo); break;
    case TK_FIELD_I: delimiter_ = ReadDecorationInstruction(tokenText_, delimiter_); break;
    case TK_FIELD_V: ParseVoice(tokenText_, voice); break;
    case TK_FIELD_U:
    case TK_FIELD_u: {
      int table = kind == TK_FIELD_U ? UserSymbols::kDrawTable : UserSymbols::kPlayTable;
      if (symbolMode_ == table) symbols_.AddFromFieldText(table, tokenText_);
      break;
    }
    default: break;
  }
}

// Finds the bracket that closes the chord opened just before p (quoted texts and
// decorations skipped, the line end or another [ end the search) and reads what
// stands after it: a length multiplier for every note of the chord, then a tie or a
// broken rhythm. A broken rhythm pending from the note before makes every note of
// the chord its second note.
void AbcParser::LookAtChord(const char* s, size_t n, size_t p, char close) {
  chordNum_ = chordDen_ = 1;
  chordTied_ = false;
  chordBroken_ = 0;
  chordSecond_ = inGrace_ ? 0 : pendingBroken_;
  if (!inGrace_) pendingBroken_ = 0;
  size_t q = p;
  while (q < n && s[q] != close) {
    const char c = s[q];
    if (IsLineEnd(c) || (c == '[' && close == ']')) return;
    if (c == '"' || c == '!') {
      ++q;
      while (q < n && s[q] != c && !IsLineEnd(s[q])) ++q;
      if (q >= n || s[q] != c) return;
    }
    ++q;
  }
  if (q >= n) return;
  ++q;
  if (StartsLength(s, n, q)) ReadLengthMultiplier(std::string_view(s, n), q, chordNum_, chordDen_);
  int broken = 0;
  LookAfter(s, n, q, chordTied_, broken);
  chordBroken_ = static_cast<int8_t>(broken);
}

// "decoration +" or "decoration !" (I: field text) gives that delimiter; any other
// instruction leaves current.
char AbcParser::ReadDecorationInstruction(std::string_view text, char current) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  constexpr std::string_view kWord = "decoration";
  if (text.size() - i < kWord.size()) return current;
  for (size_t k = 0; k < kWord.size(); ++k)
    if ((text[i + k] | 0x20) != kWord[k]) return current;
  i += kWord.size();
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '!')) return text[i];
  return current;
}

// At a + that would open a chord: the text up to the next + on the line is a
// decoration (+trill+, +fine+) when the delimiter says so, or, when none was set,
// when it is a decoration's name or is not made only of notes (accidentals, letters,
// rests, octave marks, lengths and blanks) - +CEG+ and +c2e2+ stay chords. On a
// decoration p moves past the closing + and kind is the decoration's kind.
bool AbcParser::ReadPlusDecoration(const char* s, size_t n, size_t& p, TokenKind& kind) {
  if (delimiter_ == '!') return false;
  size_t e = p;
  while (e < n && s[e] != '+' && !IsLineEnd(s[e])) ++e;
  if (e >= n || s[e] != '+') return false;
  const std::string_view name(s + p, e - p);
  uint8_t number = 0;
  const uint8_t found = LookupDecoration(name, number);
  if (delimiter_ != '+' && found == 0) {
    bool letter = false, notes = true;
    for (char c : name) {
      if (LetterSemitones(static_cast<char>(c | 0x20)) >= 0 || c == 'z') {
        letter = true;
      } else if (std::strchr("^_=',/ \t", c) == nullptr && !IsDigit(c)) {
        notes = false;
      }
    }
    if (letter && notes) return false;
  }
  tokenText_ = name;
  p = e + 1;
  kind = TK_DECORATION_TEXT;
  if (decodeDecorations_ && found != 0) {
    kind = static_cast<TokenKind>(found);
    if (found == TK_REPEATBAR) tokenValue_ = number;
  }
  return true;
}

TokenKind AbcParser::ReadTuplet(int p0, const char* s, size_t n, size_t& p) {
  std::string_view t(s, n);
  uint32_t notes = static_cast<uint32_t>(p0);
  while (p < n && IsDigit(s[p])) {
    notes = std::min<uint32_t>(notes * 10 + static_cast<uint32_t>(s[p] - '0'), 65535);
    ++p;
  }
  uint32_t q = 0, r = 0;
  bool qWritten = false, rWritten = false;
  if (p < n && s[p] == ':') {
    if (p + 1 < n && IsDigit(s[p + 1])) {
      ++p;
      ReadNumber(t, p, q);
      qWritten = true;
      if (p + 1 < n && s[p] == ':' && IsDigit(s[p + 1])) {
        ++p;
        ReadNumber(t, p, r);
        rWritten = true;
      }
    } else if (p + 2 < n && s[p + 1] == ':' && IsDigit(s[p + 2])) {
      p += 2;
      ReadNumber(t, p, r);
      rWritten = true;
    }
  }
  if (!qWritten) q = notes <= 9 ? kTupletDefaultQ[notes] : 0;
  if (r == 0) r = notes;
  tokenValue_ = static_cast<uint8_t>(std::min<uint32_t>(notes, 255));
  if (tuplet_.active) {
    tokenValue_ = '(';
    return TK_ERROR;
  }
  if (q == 0) {
    tokenValue_ = '?';
    return TK_ERROR;
  }
  tuplet_ = TupletState{};
  tuplet_.active = true;
  tuplet_.p = static_cast<int>(notes);
  tuplet_.q = static_cast<int>(q);
  tuplet_.r = static_cast<int>(r);
  tuplet_.qWritten = qWritten;
  tuplet_.rWritten = rWritten;
  return TK_TUPLET;
}

// A note or rest: accidentals, letter, octave marks, length, then a look at what
// follows for a tie or a broken rhythm. On a failure what was read up to the
// failing character is consumed and the rest is read again as further tokens.
TokenKind AbcParser::ReadNote(const char* s, size_t n, size_t& p) {
  NoteInfo& nt = note;
  nt = NoteInfo{};
  nt.flags = static_cast<uint8_t>((inChord_ ? kNoteInChord : 0) | (inGrace_ ? kNoteInGrace : 0));
  auto fail = [&](char c) {
    tokenValue_ = static_cast<uint8_t>(c);
    return TK_ERROR;
  };

  // Accidentals: a run of ^, a run of _, or one =.
  int acc = 0;
  bool natural = false;
  bool written = false;
  for (; p < n; ++p) {
    const char c = s[p];
    if (c == '^') {
      if (natural || acc < 0) return fail(c);
      if (acc < 127) ++acc;
    } else if (c == '_') {
      if (natural || acc > 0) return fail(c);
      if (acc > -127) --acc;
    } else if (c == '=') {
      if (written) return fail(c);
      natural = true;
    } else {
      break;
    }
    written = true;
  }
  if (p >= n) return fail('\0');

  const char letter = s[p];
  int pc = -1;
  uint8_t restCode = 0;
  bool upper = letter >= 'A' && letter <= 'G';
  if (upper) {
    pc = LetterSemitones(letter);
  } else if (letter >= 'a' && letter <= 'g') {
    pc = LetterSemitones(letter);
  } else if (letter == 'z') {
    restCode = kRest;
  } else if (letter == 'x') {
    restCode = kInvisibleRest;
  } else if (letter == 'y') {
    restCode = kSpacer;
  } else {
    return fail(letter);
  }
  ++p;  // the letter is read

  // A new note or chord continues the ties of the one before it.
  const bool graceNote = inGrace_;
  if (!graceNote && (!inChord_ || newChord_)) {
    std::copy(tieFrom_, tieFrom_ + tieFromCount_, tieTo_);
    tieToCount_ = tieFromCount_;
    tieFromCount_ = 0;
  }

  bool endedAtMark = false;
  if (restCode != 0) {
    if (written) return fail(letter);
    if (restCode != kRest && inChord_) return fail(letter);
    nt.pitch = restCode;
    nt.writtenPitch = restCode;
  } else {
    int wp = (upper ? 60 : 72) + pc;
    for (; p < n; ++p) {
      if (s[p] == '\'') {
        if (wp > 115) {
          endedAtMark = true;
          break;
        }
        wp += 12;
      } else if (s[p] == ',') {
        if (wp < 12) {
          endedAtMark = true;
          break;
        }
        wp -= 12;
      } else {
        break;
      }
    }
    const int16_t wacc = natural ? kNatural : static_cast<int16_t>(acc);
    const int16_t inForce = written ? wacc : accidentalMemory_[wp];
    int pitch = wp;
    if (inForce == kNatural) {
      // the natural pitch of the letter
    } else if (inForce != 0) {
      pitch += inForce;
    } else {
      pitch += key.letterAccidentals[pc];
    }
    if (!written && !graceNote) {
      for (int i = 0; i < tieToCount_; ++i)
        if (tieTo_[i].written == wp) pitch = tieTo_[i].pitch;
    }
    if (pitch < 0 || pitch > 127) return fail(letter);
    if (written) accidentalMemory_[wp] = wacc;
    nt.letterPitch = static_cast<uint8_t>(60 + pc);
    nt.writtenPitch = static_cast<uint8_t>(wp);
    nt.writtenAccidental = written ? wacc : 0;
    nt.accidental = inForce;
    nt.pitch = static_cast<uint8_t>(pitch);
  }

  // Length.
  uint32_t num = 1, den = 1;
  if (!endedAtMark && StartsLength(s, n, p)) {
    // One digit alone, the most common length, is read here.
    const bool digitAlone =
        s[p] != '/' && (p + 1 >= n || ((s[p + 1] < '0' || s[p + 1] > '9') && s[p + 1] != '/'));
    if (digitAlone)
      num = static_cast<uint32_t>(s[p++] - '0');
    else
      ReadLengthMultiplier(std::string_view(s, n), p, num, den);
  }
  // A chord's own multiplier (after its closing bracket) scales each of its notes.
  uint64_t mulNum = num, mulDen = den;
  if (inChord_) {
    mulNum *= chordNum_;
    mulDen *= chordDen_;
    const uint64_t g = std::gcd(mulNum, mulDen);
    mulNum /= g;
    mulDen /= g;
  }
  nt.multiplierNum = static_cast<uint16_t>(std::min<uint64_t>(mulNum, 65535));
  nt.multiplierDen = static_cast<uint16_t>(std::min<uint64_t>(mulDen, 65535));
  const uint64_t whole = uint64_t{meter.unitLength} * mulNum;
  tick length = ClampTicks(mulDen == 1 ? whole : whole / mulDen);
  nt.notatedLength = length;

  // Look ahead for a tie, then for a broken rhythm; in a chord what follows the
  // chord counts for each note.
  bool tied = false;
  int broken = 0;
  if (p < n && MayFollowNote(s[p])) LookAfter(s, n, p, tied, broken);
  if (inChord_) {
    tied = tied || chordTied_;
    if (chordBroken_ != 0) broken = chordBroken_;
  }
  if (tied) {
    nt.flags |= kNoteTied;
    if (restCode == 0 && !graceNote && tieFromCount_ < kMaxTied)
      tieFrom_[tieFromCount_++] = {nt.writtenPitch, nt.pitch};
  }
  const bool grace = (nt.flags & kNoteInGrace) != 0;
  const int8_t pendingSecond = inChord_ ? chordSecond_ : pendingBroken_;
  const bool second = pendingSecond != 0 && !grace;
  if (broken != 0) {
    if (second && !inChord_) return fail(broken > 0 ? '>' : '<');
    if (broken > 0) {
      length = ClampTicks(uint64_t{length} * 2 - (length >> broken));
    } else {
      length = length >> -broken;
    }
    nt.brokenRole = 1;
    nt.brokenValue = static_cast<int8_t>(broken);
  }
  if (second) {
    const int v = pendingSecond;
    if (v > 0) {
      length = length >> v;
    } else {
      length = ClampTicks(uint64_t{length} * 2 - (length >> -v));
    }
    if (nt.brokenRole == 0) {
      nt.brokenRole = 2;
      nt.brokenValue = pendingSecond;
    }
    if (!inChord_) pendingBroken_ = 0;
  }
  nt.lengthBeforeTuplet = length;

  // Tuplet: q notes' time shared by p notes; a chord counts once.
  if (tuplet_.active && !grace) {
    if (!inChord_ || newChord_) {
      ++tuplet_.done;
      if (!tuplet_.remainderSet) {
        tuplet_.remainder = static_cast<uint32_t>(uint64_t{static_cast<uint32_t>(tuplet_.q)} *
                                                  length % static_cast<uint32_t>(tuplet_.p));
        tuplet_.remainderSet = true;
      }
      tuplet_.currentExtra = tuplet_.remainder > 0;
      if (tuplet_.currentExtra) --tuplet_.remainder;
    }
    length = ClampTicks(uint64_t{static_cast<uint32_t>(tuplet_.q)} * length /
                            static_cast<uint32_t>(tuplet_.p) +
                        (tuplet_.currentExtra ? 1 : 0));
    nt.flags |= kNoteInTuplet;
    if (tuplet_.done == 1) nt.flags |= kNoteTupletFirst;
    if (tuplet_.done >= tuplet_.r) {
      nt.flags |= kNoteTupletLast;
      if (!inChord_) tuplet_ = TupletState{};
    }
  }
  nt.length = length;
  if (inChord_) {
    ++chordNoteCount_;
    newChord_ = false;
  }
  tokenValue_ = 0;
  return TK_NOTE;
}

}  // namespace tunora
