#include "tools/TuneRewriter.h"

#include <cstdlib>

#include "abc/AbcHeader.h"
#include "play/StyleSet.h"
#include "tools/Transpose.h"

namespace tunora {

namespace {

bool IsBarOrEnding(int kind) { return kind >= TK_BAR && kind <= TK_ENDING_BRACKET; }

// Quoted text that places an annotation (above, below, left, right, free) is
// never a chord.
bool IsAnnotation(std::string_view text) {
  return !text.empty() &&
         (text[0] == '^' || text[0] == '_' || text[0] == '<' || text[0] == '>' || text[0] == '@');
}

// Where the length of a note's source text begins (after accidentals, letter and
// octave marks).
size_t LengthStart(std::string_view note) {
  size_t i = 0;
  while (i < note.size() && (note[i] == '^' || note[i] == '_' || note[i] == '=')) ++i;
  if (i < note.size()) ++i;
  while (i < note.size() && (note[i] == ',' || note[i] == '\'')) ++i;
  return i;
}

}  // namespace

TuneTexts TuneTextsOf(const TuneRecord& tune) {
  TuneTexts t;
  const auto* key = tune.Field('K');
  if (key != nullptr && key->has_value()) t.key = **key;
  t.meter = tune.FieldText('M');
  t.unitLength = tune.FieldText('L');
  t.body = tune.body;
  return t;
}

void TuneRewriter::ResetBarState() {
  AbcParser::ResetBarState();
  speller_.ResetBar();
}

std::string_view TuneRewriter::Mark() const {
  if (opt_.addContinuations) return "\\";
  if (opt_.addBreaks) return "!";
  return {};
}

RewriteResult TuneRewriter::Rewrite(const TuneTexts& tune, const RewriteOptions& options) {
  RewriteResult result;
  opt_ = options;
  if (opt_.mode != RewriteOptions::kTranspose) opt_.shift = 0;
  if (opt_.wholeBody) {
    opt_.rangeStart = 0;
    opt_.rangeEnd = tune.body.size();
  }
  Init(tune.key, tune.meter, tune.unitLength, tune.body, {}, false);

  outUnit_ = meter.unitLength;
  unitChanges_ = false;
  if (!opt_.newUnitLength.empty()) {
    uint32_t n = 0, d = 0;
    if (!ParseFraction(opt_.newUnitLength, n, d) || (uint64_t{768} * n) % d != 0) {
      result.ok = false;
      result.message = "The default length must be a fraction of a whole note such as 1/16.";
      return result;
    }
    outUnit_ = static_cast<tick>(uint64_t{768} * n / d);
    unitChanges_ = outUnit_ != meter.unitLength;
    result.unitLengthText = std::to_string(n) + (d == 1 ? "" : "/" + std::to_string(d));
  }

  KeyInfo outKey = key;
  if (opt_.shift != 0 && opt_.wholeBody && tune.key) {
    result.keyText = TransposeKeyText(*tune.key, opt_.shift);
    ParseKey(*result.keyText, outKey);
  }
  speller_.SetKey(outKey);
  chord_ = ChordSymbol{};

  out_.clear();
  out_.reserve(tune.body.size() + tune.body.size() / 4 + 16);
  lastKind_ = TK_NONE;
  inlineField_ = false;
  lineStart_ = 0;
  lineHasMusic_ = false;
  lineEndsInText_ = false;
  addedBlank_ = std::string::npos;
  breakAt_ = std::string::npos;
  prevBreak_ = std::string::npos;
  breakIsBlank_ = false;
  verbatimField_ = false;
  commentDropped_ = false;
  wrapped_ = false;
  continueAt_ = std::string::npos;
  joinedLine_ = std::string::npos;
  lineEnd_ = tune.body.find("\r\n") != std::string_view::npos ||
                     tune.body.find('\n') == std::string_view::npos
                 ? "\r\n"
                 : "\n";

  size_t pos = 0;
  bool first = true;
  bool lastInRange = opt_.wholeBody;
  for (;;) {
    const size_t start = pos;
    const TokenKind kind = NextToken(pos, first);
    first = false;
    if (kind == TK_END) break;
    if (IsBarRest(kind, TokenValue())) ReadRestBars(pos);
    // A token read without text (the second half of "|1" or of a field line)
    // belongs where the first half was.
    const bool inRange =
        start == pos ? lastInRange : start >= opt_.rangeStart && start < opt_.rangeEnd;
    lastInRange = inRange;
    Token(kind, start, pos, inRange);
  }
  if (opt_.addBarSpaces && addedBlank_ == out_.size() && !out_.empty()) out_.pop_back();
  result.body = std::move(out_);
  out_.clear();
  return result;
}

void TuneRewriter::Token(TokenKind kind, size_t start, size_t end, bool inRange) {
  const std::string_view source = Text().substr(start, end - start);
  if (!inRange) {
    bool copy = true;
    if (kind == TK_NOTE) {
      const NoteInfo& n = note;
      if (n.pitch < 128) {
        // A plain note after an accidental written in range needs its own now.
        if (n.writtenAccidental == 0 &&
            speller_.Sounds(n.writtenPitch, n.letterPitch - 60) != n.pitch) {
          const int acc = n.pitch - n.writtenPitch;
          if (acc == 0)
            out_ += '=';
          else
            out_.append(static_cast<size_t>(std::abs(acc)), acc > 0 ? '^' : '_');
        }
        speller_.Remember(n.writtenPitch, n.writtenAccidental);
      }
      if (UnitDiffers()) {
        out_.append(source.substr(0, LengthStart(source)));
        WriteNoteLength();
        copy = false;
      }
    } else if (kind == TK_CHORD_START) {
      OpenChord();
    } else if (kind == TK_CHORD_END && UnitDiffers()) {
      WriteChordEnd(source);
      copy = false;
    } else if (kind == TK_OVERLAY) {
      speller_.ResetBar();
    } else if (kind == TK_CHORD_SYMBOL) {
      ReadChordSymbol(TokenText(), styles_, chord_);
    } else if (kind == TK_FIELD_K) {
      KeyInfo k;
      ParseKey(TokenText(), k);
      speller_.SetKey(k);
    } else if (kind == TK_FIELD_L) {
      outUnit_ = meter.unitLength;
    }
    if (copy) out_.append(source);
    const size_t lf = source.rfind('\n');
    if (lf != std::string_view::npos) {
      lineStart_ = out_.size() - (source.size() - lf - 1);
      lineHasMusic_ = false;
      breakAt_ = std::string::npos;
    }
    lastKind_ = kind;
    return;
  }

  switch (kind) {
    case TK_CR: WriteLineEnd('\r', end); return;
    case TK_NEWLINE: {
      // U: and u: fields, and the fields that tell about the tune (N:, Z: ...), are
      // written back as they stand ([U: and [u: come as a line end first).
      const bool symbolField =
          source.size() > 2 && (source[1] == 'U' || source[1] == 'u') && source[2] == ':';
      // (The reader gives the line end of such a field its letter as value.)
      const bool infoField = source.size() > 2 && source[0] == '\n' && TokenValue() != 0;
      const bool inlineField = !source.empty() && source[0] == '[';
      if (!inlineField) WriteLineEnd('\n', end);
      if (symbolField || infoField) {
        out_.append(source.substr(inlineField ? 0 : 1));
        verbatimField_ = true;
        lineEndsInText_ = !inlineField;
      }
      return;
    }
    case TK_SPACE:
      if (opt_.removeBarSpaces && IsBarOrEnding(lastKind_)) return;
      if (opt_.addBarSpaces && addedBlank_ == out_.size()) return;
      if (wrapped_ && out_.size() == lineStart_) return;  // no blank opens a wrapped line
      out_ += ' ';
      if (!InChord() && !InGrace()) SetBreak(out_.size() - 1, true);
      break;
    case TK_TAB: out_ += '\t'; break;
    case TK_STAR: out_ += '*'; break;
    case TK_COMMENT:
      if (opt_.removeComments) {
        commentDropped_ = true;
        return;
      }
      out_ += '%';
      out_ += TokenText();
      break;
    case TK_BACKSLASH_LINE:
      out_ += '\\';
      out_ += TokenText();
      break;
    case TK_CONTINUE:
      if (opt_.removeContinuations) return;
      continueAt_ = out_.size();
      out_ += '\\';
      break;
    case TK_BANG_BREAK:
      if (opt_.removeBreaks) return;
      out_ += '!';
      break;
    case TK_NOTE:
      if (opt_.removeGraces && (note.flags & kNoteInGrace) != 0) return;
      WriteNote(inRange);
      break;
    case TK_CHORD_SYMBOL:
      if (opt_.removeChords && !IsAnnotation(TokenText())) {
        ReadChordSymbol(TokenText(), styles_, chord_);
        return;
      }
      WriteChordSymbol(inRange);
      break;
    case TK_DECORATION_TEXT:  // !trill! or +trill+
    case TK_BACKQUOTE: out_.append(source); break;
    case TK_OVERLAY:
      // The overlay's notes are spelled afresh: the reader forgets the bar's
      // accidentals at the & as well.
      speller_.ResetBar();
      out_ += '&';
      break;
    case TK_FIELD_INFO:
      // Its text was written with its line end; at the very start of the body it
      // comes alone.
      if (verbatimField_) {
        verbatimField_ = false;
      } else {
        out_.append(source);
      }
      lineEndsInText_ = true;
      break;
    case TK_DIRECTIVE:
      out_ += "%%";
      out_ += TokenText();
      break;
    case TK_GRACE_START:  // { or {/
    case TK_GRACE_END:
      if (opt_.removeGraces) return;
      out_.append(source);
      break;
    case TK_BROKEN: {
      const auto v = static_cast<int8_t>(TokenValue());
      out_.append(static_cast<size_t>(std::abs(v)), v > 0 ? '>' : '<');
      break;
    }
    case TK_TIE: out_ += '-'; break;
    case TK_SLUR_START: out_ += '('; break;
    case TK_SLUR_END: out_ += ')'; break;
    case TK_CHORD_START:
      // A chord written with "+" stays so: "[" before a bar line would read as "[|".
      out_ += source == "+" ? '+' : '[';
      OpenChord();
      break;
    case TK_CHORD_END: WriteChordEnd(source); break;
    case TK_TUPLET: {
      const TupletState& t = Tuplet();
      out_ += '(';
      out_ += std::to_string(t.p);
      if (t.qWritten) {
        out_ += ':';
        out_ += std::to_string(t.q);
      }
      if (t.rWritten) {
        out_ += t.qWritten ? ":" : "::";
        out_ += std::to_string(t.r);
      }
      break;
    }
    case TK_STACCATO:
    case TK_SYMBOL:
      if (IsBarRest(kind, TokenValue())) {
        out_.append(source);  // with its number of bars
        break;
      }
      if (opt_.removeGraces) return;
      out_ += kind == TK_STACCATO ? '.' : static_cast<char>(TokenValue());
      break;
    case TK_INLINE_FIELD: inlineField_ = true; return;
    default:
      if (IsBarOrEnding(kind)) {
        WriteBar(kind, start, end, inRange);
      } else if (IsFieldKind(kind)) {
        if (verbatimField_) {
          verbatimField_ = false;
        } else if ((kind == TK_FIELD_U || kind == TK_FIELD_u) && !source.empty()) {
          out_.append(source);  // a U: line that opens the body
          lineEndsInText_ = true;
        } else {
          WriteField(kind, inRange);
        }
      } else if (!(opt_.removeGraces && InGrace())) {
        // An error: the text the reader could not take. A note letter left alone
        // at a line start must not become a field with the colon after it.
        if (!source.empty() && source[0] == ':' && LineIsLetterBeforeField(end)) out_ += ' ';
        out_.append(source);
      }
      break;
  }
  AfterToken(kind, inRange);
}

void TuneRewriter::AfterToken(TokenKind kind, bool /*inRange*/) {
  lastKind_ = kind;
  if (kind == TK_SPACE || kind == TK_TAB) return;
  const bool text = kind == TK_COMMENT || kind == TK_DIRECTIVE || kind == TK_BACKSLASH_LINE ||
                    ((IsFieldKind(kind) || kind == TK_FIELD_INFO) && lineEndsInText_);
  lineEndsInText_ = text;
  if (!text && kind != TK_CONTINUE && kind != TK_BANG_BREAK) lineHasMusic_ = true;
  if (opt_.wrapColumn > 0 && lineHasMusic_ && breakAt_ != std::string::npos &&
      breakAt_ > lineStart_ && out_.size() - lineStart_ > static_cast<size_t>(opt_.wrapColumn))
    BreakLine(breakAt_);
}

void TuneRewriter::BreakLine(size_t at) {
  if (at < out_.size() && out_[at] == ' ') out_.erase(at, 1);
  while (at > lineStart_ && out_[at - 1] == ' ') out_.erase(--at, 1);
  if (at == lineStart_) {
    breakAt_ = std::string::npos;
    return;
  }
  std::string insert(Mark());
  insert += lineEnd_;
  out_.insert(at, insert);
  lineStart_ = at + insert.size();
  while (lineStart_ < out_.size() && out_[lineStart_] == ' ') out_.erase(lineStart_, 1);
  breakAt_ = std::string::npos;
  prevBreak_ = std::string::npos;
  addedBlank_ = std::string::npos;
  wrapped_ = true;
}

void TuneRewriter::SetBreak(size_t at, bool blank) {
  if (breakAt_ != std::string::npos && at - lineStart_ > static_cast<size_t>(opt_.wrapColumn))
    return;
  prevBreak_ = breakAt_;
  breakAt_ = at;
  breakIsBlank_ = blank;
}

void TuneRewriter::TakeBackBlanks() {
  while (out_.size() > lineStart_ && out_.back() == ' ') out_.pop_back();
  if (breakAt_ != std::string::npos && breakAt_ >= out_.size()) breakAt_ = std::string::npos;
}

void TuneRewriter::WriteLineEnd(char c, size_t at) {
  const bool markHere = c == '\r' || out_.empty() || out_.back() != '\r';
  if (markHere && commentDropped_) TakeBackBlanks();
  if (markHere) {
    if (opt_.addBarSpaces && addedBlank_ == out_.size()) out_.pop_back();
    const std::string_view mark = Mark();
    // The body's last line joins nothing: it gets no mark.
    const bool lastLine = Text().find_first_not_of("\r\n", at) == std::string_view::npos;
    if (!mark.empty() && !lastLine && lineHasMusic_ && !lineEndsInText_ &&
        lastKind_ != TK_CONTINUE && lastKind_ != TK_BANG_BREAK)
      out_ += mark;
  }
  out_ += c;
  lastKind_ = c == '\r' ? TK_CR : TK_NEWLINE;
  if (c != '\n') return;
  // A line that removals left empty goes, line end and all: an empty line would
  // end the tune.
  bool empty = true;
  for (size_t i = lineStart_; i + 1 < out_.size(); ++i)
    if (out_[i] != ' ' && out_[i] != '\t' && out_[i] != '\r') empty = false;
  if (empty) {
    out_.resize(lineStart_);
    // A continuation joined the line that went; it would now join the next line
    // instead (a field, say), so it goes too and its line ends there, as before.
    if (joinedLine_ == lineStart_ && continueAt_ < out_.size()) {
      size_t stop = continueAt_ + 1;
      while (stop < out_.size() && (out_[stop] == ' ' || out_[stop] == '\t')) ++stop;
      out_.erase(continueAt_, stop - continueAt_);
    }
  }
  // Whether the line just ended with a continuation (only blanks after it).
  bool continued =
      continueAt_ != std::string::npos && continueAt_ >= lineStart_ && continueAt_ < out_.size();
  for (size_t i = continueAt_ + 1; continued && i + 1 < out_.size(); ++i)
    if (out_[i] != ' ' && out_[i] != '\t' && out_[i] != '\r') continued = false;
  lineStart_ = out_.size();
  joinedLine_ = continued ? lineStart_ : std::string::npos;
  if (!continued) continueAt_ = std::string::npos;
  lineHasMusic_ = false;
  lineEndsInText_ = false;
  breakAt_ = std::string::npos;
  addedBlank_ = std::string::npos;
  commentDropped_ = false;
  wrapped_ = false;
}

void TuneRewriter::WriteBar(TokenKind kind, size_t start, size_t end, bool /*inRange*/) {
  const bool ending = kind == TK_FIRST_ENDING || kind == TK_SECOND_ENDING;
  // A blank right before a bar line is no place to break the line.
  if (breakIsBlank_ && breakAt_ != std::string::npos && breakAt_ + 1 == out_.size())
    breakAt_ = prevBreak_;
  if (opt_.removeBarSpaces || ending) {
    TakeBackBlanks();
  } else if (opt_.addBarSpaces && out_.size() > lineStart_ && out_.back() != ' ' &&
             lastKind_ != TK_ENDING_BRACKET) {
    out_ += ' ';
  }
  if (ending && breakAt_ != std::string::npos && breakAt_ >= out_.size()) breakAt_ = prevBreak_;
  // The note E alone at a line start or after "[" would read as an E: field before ":".
  if ((kind == TK_REPEAT_BOTH || kind == TK_REPEAT_END) && LineIsLetterBeforeField(start))
    out_ += ' ';
  std::string text;
  switch (kind) {
    case TK_BAR: text = "|"; break;
    case TK_DOUBLE_BAR: text = "||"; break;
    case TK_END_BAR: text = "|]"; break;
    case TK_START_BAR: text = "[|"; break;
    case TK_REPEAT_START: text = "|:"; break;
    case TK_REPEAT_BOTH: text = ":" + std::string(TokenValue(), '|') + ":"; break;
    case TK_REPEAT_END: text = ":|"; break;
    case TK_FIRST_ENDING: text = "1"; break;
    case TK_SECOND_ENDING: text = "2"; break;
    default: text = "["; break;
  }
  // Two bar lines must not run into one ("| |" is no "||").
  if (!ending && out_.size() > lineStart_ && (out_.back() == '|' || out_.back() == '[') &&
      (text[0] == '|' || text[0] == ':'))
    out_ += ' ';
  out_ += text;
  // "|" and a line end before an ending number keep their line end.
  const std::string_view source = Text().substr(start, end - start);
  if (const size_t lf = source.find('\n'); lf != std::string_view::npos) {
    out_ += lf > 0 && source[lf - 1] == '\r' ? "\r\n" : "\n";
    lineStart_ = out_.size();
    lineHasMusic_ = false;
    breakAt_ = std::string::npos;
    return;
  }
  if (opt_.addBarSpaces && kind != TK_ENDING_BRACKET) {
    out_ += ' ';
    addedBlank_ = out_.size();
    SetBreak(out_.size() - 1, false);
  } else if (kind != TK_ENDING_BRACKET) {
    SetBreak(out_.size(), false);
  }
}

bool TuneRewriter::LineIsLetterBeforeField(size_t colon) const {
  if (out_.size() <= lineStart_) return false;
  const char letter = out_.back();
  const bool alone = out_.size() == lineStart_ + 1;
  if (letter == 'E') return alone || out_[out_.size() - 2] == '[';
  // A:, B:, C:, D:, F:, G: are fields unless the colon is followed by | or :.
  const std::string_view t = Text();
  return alone && letter >= 'A' && letter <= 'G' &&
         (colon + 1 >= t.size() || (t[colon + 1] != '|' && t[colon + 1] != ':'));
}

bool TuneRewriter::UnitDiffers() const { return unitChanges_ || meter.unitLength != outUnit_; }

void TuneRewriter::OpenChord() {
  chordNum_ = ChordMultiplierNum();
  chordDen_ = ChordMultiplierDen();
}

void TuneRewriter::WriteNoteLength() {
  const NoteInfo& n = note;
  uint64_t num = n.multiplierNum, den = n.multiplierDen;
  const bool bracketLength = InChord() && (chordNum_ != 1 || chordDen_ != 1);
  if (bracketLength) {
    // The chord's own length is written after its bracket, not on its notes.
    num *= chordDen_;
    den *= chordNum_;
  }
  if (UnitDiffers() && !bracketLength) {
    num *= meter.unitLength;
    den *= outUnit_;
  }
  out_ += LengthText(num, den);
}

void TuneRewriter::WriteChordEnd(std::string_view source) {
  out_ += source.substr(0, 1);
  std::string_view length = source.substr(1);
  if (!UnitDiffers() || (chordNum_ == 1 && chordDen_ == 1) || length.empty()) {
    out_.append(length);
    return;
  }
  // The bracket's length carries the change of unit for all of the chord's notes.
  out_ += LengthText(uint64_t{chordNum_} * meter.unitLength, uint64_t{chordDen_} * outUnit_);
}

void TuneRewriter::WriteNote(bool /*inRange*/) {
  const NoteInfo& n = note;
  switch (n.pitch) {
    case kRest: out_ += 'z'; break;
    case kInvisibleRest: out_ += 'x'; break;
    case kSpacer: out_ += 'y'; break;
    default: {
      if (n.pitch >= 128) {
        out_ += '?';
        break;
      }
      const int moved = opt_.shift != 0 ? TransposePitch(n.pitch, opt_.shift) : n.pitch;
      int letterPc = n.letterPitch - 60;
      if (opt_.shift != 0) {
        letterPc = -1;
        if (n.accidental != 0) {
          // Spelled on the letter the written one moves to.
          const int base = n.writtenPitch + (moved - n.pitch);
          letterPc = LetterPcOf(speller_.Key().names[((base % 12) + 12) % 12][0]);
        }
      }
      speller_.Write(out_, moved, letterPc, n.writtenAccidental != 0);
      break;
    }
  }
  WriteNoteLength();
}

void TuneRewriter::WriteChordSymbol(bool /*inRange*/) {
  const std::string_view text = TokenText();
  const bool isChord = ReadChordSymbol(text, styles_, chord_);
  if (opt_.shift == 0 || !isChord) {
    out_ += '"';
    out_ += text;
    out_ += '"';
    return;
  }
  const KeyInfo& k = speller_.Key();
  std::string_view t = text;
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  out_ += '"';
  if (!t.empty() && t[0] == '/') {
    out_ += '/';
    out_ += ChordStyleName(k, chord_.bass + opt_.shift);
    out_ += '"';
    return;
  }
  if (chord_.alternative) out_ += '(';
  std::string root = ChordStyleName(k, chord_.root + opt_.shift);
  if (chord_.lowerCase) root[0] = static_cast<char>(root[0] + 32);
  out_ += root;
  if (chord_.typeIndex >= 0 && static_cast<size_t>(chord_.typeIndex) < styles_.chordTypes.size())
    out_ += styles_.chordTypes[static_cast<size_t>(chord_.typeIndex)].name;
  if (chord_.bassName[0] != '\0') {
    out_ += '/';
    out_ += ChordStyleName(k, chord_.bass + opt_.shift);
  }
  if (chord_.alternative) out_ += ')';
  out_ += '"';
}

void TuneRewriter::WriteField(TokenKind kind, bool /*inRange*/) {
  std::string text(TokenText());
  if (kind == TK_FIELD_K) {
    if (opt_.shift != 0) text = TransposeKeyText(text, opt_.shift);
    KeyInfo k;
    ParseKey(text, k);
    speller_.SetKey(k);
  } else if (kind == TK_FIELD_L) {
    outUnit_ = meter.unitLength;
  }
  const bool inlineField = inlineField_;
  inlineField_ = false;
  if (inlineField) out_ += '[';
  out_ += FieldLetter(kind);
  out_ += ':';
  out_ += text;
  if (inlineField) out_ += ']';
  lineEndsInText_ = !inlineField;
}

}  // namespace tunora
