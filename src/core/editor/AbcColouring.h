// Syntax colouring of ABC text, one line at a time, from the reader's own
// tokens: notes, rests, bar lines, chord symbols, decorations, fields, words,
// comments, directives and what the reader cannot read. In the header of a
// tune (raw text) field lines and comments are told apart by their form.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "abc/AbcParser.h"

namespace tunora {

enum class AbcColour : uint8_t {
  kNone,
  kNote,
  kRestSign,  // rests and spacers
  kBar,
  kChordSymbol,
  kDecoration,
  kField,      // the tag of a field line, or an inline field
  kFieldText,  // the value of a field line
  kWords,      // W: and w: lines
  kComment,
  kDirective,  // %% lines
  kError,
};

struct ColourSpan {
  uint32_t start = 0;
  uint32_t length = 0;
  AbcColour colour = AbcColour::kNone;
};

class AbcLineColourer {
 public:
  AbcLineColourer();

  // The spans of one line (without its line break), in order, not
  // overlapping; characters without a span are plain text. inHeader: the line
  // belongs to the header of a tune.
  const std::vector<ColourSpan>& Colour(std::string_view line, bool inHeader);

  // True when a header line ends the header (the K: line).
  static bool EndsHeader(std::string_view line);
  // True when the line of a tune's raw text belongs to the header while the
  // header has not ended: a field line, a comment, or an empty line before
  // the first field.
  static bool IsHeaderLine(std::string_view line);

 private:
  void Add(size_t start, size_t end, AbcColour colour);
  void AddFieldLine(std::string_view line);

  AbcParser reader_;
  std::vector<ColourSpan> spans_;
};

}  // namespace tunora
