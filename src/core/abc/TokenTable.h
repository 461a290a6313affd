// The reader's token table, its first-character index and the decoration table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "abc/AbcModel.h"

namespace tunora {

// What is consumed after a row's text.
enum ReadMode : uint8_t {
  kReadNothing = 0,
  kReadRestOfLine = 1,   // up to the next CR or LF
  kReadFieldLine = 2,    // blanks and tabs skipped, then the rest of the line
  kReadQuoted = 3,       // up to the closing " on the line
  kReadDecoration = 4,   // up to the next ! on the line
  kReadInlineField = 5,  // blanks skipped, then up to the ] that closes the field
  kReadNote = 6,         // the note syntax
  kReadValue = 7,        // nothing more; the row's value is the token's value
};

// The row kind of "+", which opens or closes a chord depending on the state.
inline constexpr uint8_t kKindPlus = 255;

struct TokenRow {
  std::string_view text;
  uint8_t kind;
  uint8_t followUp;  // returned by the next call without reading; 0 for none
  uint8_t mode;
  int8_t value;
  bool warn;          // sets syntaxWarning
  uint8_t lineFeeds;  // line feeds swallowed by the row (not returned as TK_NEWLINE)
};

inline constexpr int kTokenRowCount = 170;
extern const std::array<TokenRow, kTokenRowCount> kTokenRows;
// Index of the first row of each first character, -1 when no row starts with it.
extern const std::array<int16_t, 256> kFirstRow;
// One past the last row of each first character (0 when none).
extern const std::array<int16_t, 256> kRowsEnd;
// Rows that begin with a line feed and continue (line-start fields, backslash lines).
// A note letter and a colon followed by | or : ("A:|", "G::") is music, not a field:
// FieldRowApplies tells.
inline constexpr int kLineStartFirst = 1;
inline constexpr int kLineStartCount = 31;
// The line-start row of each character that can follow the line feed (every such row
// has a second character of its own), -1 when none.
extern const std::array<int16_t, 256> kLineStartRow;

// False for a line-start field row of a note letter whose colon is followed by | or
// : at text[end] (end: the position after the row's text).
inline bool FieldRowApplies(const TokenRow& row, const char* s, size_t n, size_t end) {
  if (row.followUp != TK_FIELD_INFO || row.value < 'A' || row.value > 'G') return true;
  return end >= n || (s[end] != '|' && s[end] != ':');
}

struct DecorationDef {
  std::string_view name;
  bool barFlag;  // compares as a prefix and reads a number after the name
  uint8_t kind;
};
inline constexpr int kDecorationCount = 53;
extern const std::array<DecorationDef, kDecorationCount> kDecorations;

// The decoration kind of a name (exact, with case; the bar row as a prefix), 0 when
// not found. For the bar row, barNumber gets the number after the name (1 when
// missing or 0).
uint8_t LookupDecoration(std::string_view name, uint8_t& barNumber);

}  // namespace tunora
