// The ABC reader: walks the text of one tune a token at a time and leaves the facts
// about each token in its records. Consumers (playback, drawing, search, the tune
// tools) derive from it, override ResetBarState, call Init once per tune and then
// NextToken until it returns TK_END.
//
// The reader never copies or owns the tune text: the text given to Init or SetText
// must stay alive and unchanged while it is read. Token texts are views into the
// tune text (or into the definition of a user symbol being read) that stay valid
// until the next call of NextToken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abc/AbcHeader.h"
#include "abc/AbcModel.h"
#include "abc/ErrorList.h"
#include "abc/TokenTable.h"
#include "abc/UserSymbols.h"

namespace tunora {

struct TokenRow;

class AbcParser {
 public:
  AbcParser() = default;
  virtual ~AbcParser() = default;
  AbcParser(const AbcParser&) = delete;
  AbcParser& operator=(const AbcParser&) = delete;

  // Sets the reader up for one tune: key (a missing key reads as "C"), meter with
  // its default unit length, L: when given and not empty, then Q: (an empty text
  // gives the meter's beat at 120). Clears user symbols and bracket state and sets
  // the line number to 1. With a body, the body becomes the text that NextToken
  // reads and, when the meter has a bar length, the first bar is scanned for the
  // pickup (pickupOffset).
  void Init(std::optional<std::string_view> keyText, std::string_view meterText,
            std::string_view unitLengthText, std::optional<std::string_view> bodyForPickup,
            std::string_view tempoText, bool decodeDecorations);

  // The text that positions of NextToken index (when Init got no body).
  void SetText(std::string_view text);
  std::string_view Text() const { return text_; }

  // Reads one token at position (a byte offset into the text) and moves position
  // past it. atLineStart lets a field match without a preceding line feed (the very
  // start of a body); such a match returns the field kind directly.
  TokenKind NextToken(size_t& position, bool atLineStart = false) {
    // Most tokens are read straight from the text: no token waits, no symbol is
    // being replaced.
    if (followUp_ != 0 || substActive_ || position >= text_.size())
      return NextTokenOtherwise(position, atLineStart);
    syntaxWarning_ = false;
    size_t p = position;
    TokenKind kind;
    if (!atLineStart && StartsNote(text_[p])) {
      // A note, most of the music: its row always applies.
      tokenText_ = {};
      kind = ReadNote(text_.data(), text_.size(), p);
    } else {
      kind = Scan(text_.data(), text_.size(), p, atLineStart);
    }
    position = p;
    if (kind != TK_NONE) return kind;
    substResume_ = position;  // a user symbol's definition begins to be read
    return ReadOn(position, atLineStart);
  }

  // Starts again from the state right after Init (records, line number, brackets),
  // for consumers that read the text more than once.
  void Restart();

  // Clears the accidental memory, the pending broken rhythm and the grace, chord
  // and tuplet states. The reader calls it on every bar kind except [| and before
  // a K: or M: field of the body. An override calls this one.
  virtual void ResetBarState();

  // Table in force: UserSymbols::kNoTable, kDrawTable (U:, drawing) or kPlayTable
  // (u:, playback).
  // Fills the tables from the program's set (userdef.abc; may be null), then from
  // tuneTable (may be null), then from the U: (mode 1) or u: (mode 2) lines of
  // headerText. An "I:decoration" line of headerText sets the decoration delimiter
  // for the tune.
  void SetUserSymbols(int mode, const UserSymbols* tuneTable, std::string_view headerText,
                      const UserSymbols* programTable = nullptr);
  const UserSymbols& Symbols() const { return symbols_; }
  int SymbolMode() const { return symbolMode_; }

  // The decoration delimiter of an "I:decoration +" or "I:decoration !" line: '+'
  // reads every +name+ as a decoration, '!' every +...+ as a chord, 0 (neither said)
  // reads +...+ as a chord when it holds only notes, else as a decoration.
  char DecorationDelimiter() const { return delimiter_; }

  // After a Z or X (TK_SYMBOL of that value, a rest of whole bars): reads the number
  // of bars written after it, moving position past it; 1 when none is written (and
  // inside a user symbol, whose text position does not index).
  uint32_t ReadRestBars(size_t& position);

  // Reads the %%MIDI sub-command of the directive just returned into midi.
  void ReadMidiDirective() { ParseMidiDirective(tokenText_, midi); }

  // Appends an entry for messageId at position (an offset into the text) to errors,
  // with the current line number; the excerpt comes from the text, or from
  // excerptSource when given (a header field).
  void AddError(AbcMessageId messageId, size_t position);
  void AddError(AbcMessageId messageId, size_t position, std::string_view excerptSource);

  // --- token results --------------------------------------------------------------
  std::string_view TokenText() const { return tokenText_; }
  uint8_t TokenValue() const { return tokenValue_; }
  int LineNumber() const { return lineNumber_; }
  bool SyntaxWarning() const { return syntaxWarning_; }
  // True while the reader reads the definition of a user symbol.
  bool InSubstitution() const { return substActive_; }

  // --- bracket state ----------------------------------------------------------------
  bool InChord() const { return inChord_; }
  int ChordNoteCount() const { return chordNoteCount_; }
  // The length written after the closing bracket of the chord being read, as a
  // multiplier num/den of the unit (1/1 when none): from the opening bracket to the
  // chord's last note. Each note's multiplier in note already includes it.
  uint32_t ChordMultiplierNum() const { return chordNum_; }
  uint32_t ChordMultiplierDen() const { return chordDen_; }
  bool InGrace() const { return inGrace_; }
  const TupletState& Tuplet() const { return tuplet_; }
  int8_t PendingBroken() const { return pendingBroken_; }
  // The accidental stored for a written pitch in this bar (kNatural, +n, -n, 0).
  int16_t StoredAccidental(uint8_t writtenPitch) const {
    return writtenPitch < 128 ? accidentalMemory_[writtenPitch] : 0;
  }

  // --- records ------------------------------------------------------------------------
  NoteInfo note;
  MeterInfo meter;
  KeyInfo key;
  TempoInfo tempo;
  VoiceInfo voice;  // the last V: field, with sentinels for what it did not say
  MidiInfo midi;
  tick firstBarLength = 0;  // notes of the first bar, from the pickup scan
  tick pickupOffset = 0;    // bar length minus a short first bar, else 0

  // Setting: 4/4 (and C) is counted in two beats like 2/2. Set before Init.
  bool commonEqualsCut = false;

  // The error list that AddError fills.
  ErrorList errors;

 private:
  void ResetReadingState();
  struct Saved {
    KeyInfo key;
    MeterInfo meter;
    TempoInfo tempo;
    VoiceInfo voice;
    MidiInfo midi;
  };

  // NextToken where a token waits, a symbol is being replaced or the text has ended.
  TokenKind NextTokenOtherwise(size_t& position, bool atLineStart);
  // The next token from the replacement or the text.
  TokenKind ReadOn(size_t& position, bool atLineStart);
  TokenKind Scan(const char* s, size_t n, size_t& p, bool atLineStart);
  // True for a character whose first row is a note of that one character.
  static bool StartsNote(char c) {
    const int first = kFirstRow[static_cast<unsigned char>(c)];
    return first >= 0 && kTokenRows[static_cast<size_t>(first)].mode == kReadNote &&
           kTokenRows[static_cast<size_t>(first)].text.size() == 1;
  }
  TokenKind ReadRow(const TokenRow& row, const char* s, size_t n, size_t& p);
  TokenKind ReadNote(const char* s, size_t n, size_t& p);
  TokenKind ReadTuplet(int p0, const char* s, size_t n, size_t& p);
  void LookAtChord(const char* s, size_t n, size_t p, char close);
  bool ReadPlusDecoration(const char* s, size_t n, size_t& p, TokenKind& kind);
  static char ReadDecorationInstruction(std::string_view text, char current);
  TokenKind Deliver(TokenKind kind);
  void ActOnField(TokenKind kind);
  void ClearBrackets();
  void EndSubstitution();
  void ScanPickup();
  void Save(Saved& s) const;
  void Load(const Saved& s);

  std::string_view text_;
  std::string_view tokenText_;
  uint8_t tokenValue_ = 0;
  int lineNumber_ = 1;
  bool syntaxWarning_ = false;
  bool decodeDecorations_ = false;
  char delimiter_ = 0;        // the decoration delimiter in force
  char headerDelimiter_ = 0;  // the one of the header, where each pass starts
  bool scanning_ = false;     // the pickup scan: bars clear the brackets only
  uint8_t followUp_ = 0;

  // Bracket state.
  bool inChord_ = false;
  bool newChord_ = false;
  int chordNoteCount_ = 0;
  // What stands after the chord's closing bracket applies to each of its notes:
  // the length multiplier, a tie and a broken rhythm; and a broken rhythm pending
  // when the chord opened makes every note of it the second of the pair.
  uint32_t chordNum_ = 1;
  uint32_t chordDen_ = 1;
  bool chordTied_ = false;
  int8_t chordBroken_ = 0;
  int8_t chordSecond_ = 0;
  bool inGrace_ = false;
  TupletState tuplet_;
  int8_t pendingBroken_ = 0;
  int16_t accidentalMemory_[128] = {};
  // Ties: the written and sounding pitches of the tied notes of the last note or
  // chord (tieFrom_), which the next note or chord continues (tieTo_): a note of the
  // same written pitch without an accidental of its own keeps the tied pitch, across
  // a bar line too.
  struct TiedPitch {
    uint8_t written;
    uint8_t pitch;
  };
  static constexpr int kMaxTied = 8;
  TiedPitch tieFrom_[kMaxTied] = {};
  TiedPitch tieTo_[kMaxTied] = {};
  int tieFromCount_ = 0;
  int tieToCount_ = 0;

  // User symbols and the substitution being read.
  UserSymbols symbols_;
  int symbolMode_ = UserSymbols::kNoTable;
  bool substActive_ = false;
  std::string subst_;  // a copy of the definition being read
  size_t substPos_ = 0;
  size_t substResume_ = 0;  // the tune position right after the symbol
  int substDepth_ = 0;

  Saved afterInit_;
};

}  // namespace tunora
