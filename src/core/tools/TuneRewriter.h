// The tune rewriter: reads a tune body token by token and writes a new body,
// token by token, changing only what its options ask for: the ABC tools
// (removing chords, comments, graces, line marks and blanks at bar lines,
// adding line marks and blanks, a new default length, wrapping long lines) and
// transposition (notes, K: fields and chord symbols moved by a number of
// semitones). Outside the chosen range every token is written back unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abc/AbcParser.h"
#include "play/ChordSymbol.h"
#include "tools/NoteWriter.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

class StyleSet;

// The header texts and the body of one tune, as the tools read it.
struct TuneTexts {
  std::optional<std::string_view> key;  // K:, absent when the tune has none
  std::string_view meter;               // M:
  std::string_view unitLength;          // L:, "" for the meter's default
  std::string_view body;
};

// The texts of a tune record (views into it: the record must outlive them).
TuneTexts TuneTextsOf(const TuneRecord& tune);

struct RewriteOptions {
  enum Mode { kAbcTools = 0, kTranspose = 2 };
  int mode = kAbcTools;
  // The range: the whole body, or the body bytes [rangeStart, rangeEnd).
  bool wholeBody = true;
  size_t rangeStart = 0;
  size_t rangeEnd = 0;

  bool removeChords = false;
  bool removeComments = false;
  bool removeGraces = false;
  bool removeContinuations = false;  // "\" before a line end
  bool removeBreaks = false;         // "!" before a line end
  bool removeBarSpaces = false;
  bool addContinuations = false;
  bool addBreaks = false;
  bool addBarSpaces = false;

  // A new default length such as "1/16"; empty for none. It applies to every
  // note of the tune (the L: field is the whole tune's), whatever the range.
  std::string newUnitLength;
  // Music lines longer than this many characters are broken at blanks between
  // notes or after bar lines; 0 for no wrapping.
  int wrapColumn = 0;
  // Transposition, in semitones (transpose mode).
  int shift = 0;
};

struct RewriteResult {
  bool ok = true;
  std::string message;                        // why the rewrite was refused
  std::string body;                           // the new body
  std::optional<std::string> keyText;         // the new K: field, when it changes
  std::optional<std::string> unitLengthText;  // the new L: field, when it changes
};

class TuneRewriter : public AbcParser {
 public:
  // Chord symbols are read against styles (transposition of chord roots).
  explicit TuneRewriter(const StyleSet& styles) : styles_(styles) {}

  RewriteResult Rewrite(const TuneTexts& tune, const RewriteOptions& options);

  void ResetBarState() override;

 private:
  void Token(TokenKind kind, size_t start, size_t end, bool inRange);
  void WriteBar(TokenKind kind, size_t start, size_t end, bool inRange);
  void WriteNote(bool inRange);
  // The length of the note just read, in the output's unit; a chord's bracket length
  // stays after the bracket.
  void WriteNoteLength();
  void OpenChord();
  // "]" or "+" with the length written after it (source), in the output's unit.
  void WriteChordEnd(std::string_view source);
  bool UnitDiffers() const;
  // Whether the output line holds a lone note letter that a colon at text position
  // colon would turn into a field (E: anywhere, A: ... G: unless |: or :: follows).
  bool LineIsLetterBeforeField(size_t colon) const;
  void WriteChordSymbol(bool inRange);
  void WriteField(TokenKind kind, bool inRange);
  // A line end; at is where the text goes on after it.
  void WriteLineEnd(char c, size_t at);
  void TakeBackBlanks();
  void AfterToken(TokenKind kind, bool inRange);
  void BreakLine(size_t at);
  void SetBreak(size_t at, bool blank);
  std::string_view Mark() const;

  const StyleSet& styles_;
  RewriteOptions opt_;
  std::string out_;
  NoteSpeller speller_;
  ChordSymbol chord_;           // the chord symbol in force, for bass-only symbols
  int lastKind_ = TK_NONE;      // the kind of the last token written
  bool inlineField_ = false;    // the field now read was written inline ([K:...])
  bool verbatimField_ = false;  // the field now read was copied as it stands (U:, u:)
  // The length written after the bracket of the chord being read (1/1 for none).
  uint32_t chordNum_ = 1;
  uint32_t chordDen_ = 1;
  // Lengths: the unit in force in the output, and whether the unit changes.
  tick outUnit_ = 0;
  bool unitChanges_ = false;
  // Lines: where the current output line starts, whether it holds music and
  // whether it ends in text that a mark would change (a field or a comment).
  size_t lineStart_ = 0;
  bool lineHasMusic_ = false;
  bool lineEndsInText_ = false;
  size_t addedBlank_ = std::string::npos;  // a blank added after a bar line
  std::string lineEnd_ = "\r\n";
  // Where the line may be broken: the last place within the wrap column (or the
  // first beyond it), and the one before.
  size_t breakAt_ = std::string::npos;
  size_t prevBreak_ = std::string::npos;
  bool breakIsBlank_ = false;
  bool wrapped_ = false;         // the current line was begun by wrapping
  bool commentDropped_ = false;  // a comment was removed from the current line
  // The continuation "\\" last written, and the start of the line it joins (npos
  // when the line before did not end with one).
  size_t continueAt_ = std::string::npos;
  size_t joinedLine_ = std::string::npos;
};

}  // namespace tunora
