#include "editor/AbcColouring.h"

#include "base/Ascii.h"

namespace tunora {

namespace {

bool IsFieldLine(std::string_view line) {
  return line.size() >= 2 && IsLetter(line[0]) && line[1] == ':';
}

AbcColour ColourOf(int kind, const AbcParser& reader) {
  if (kind == TK_NOTE) return reader.note.pitch >= 128 ? AbcColour::kRestSign : AbcColour::kNote;
  if (IsBarKind(kind) || kind == TK_START_BAR || kind == TK_FIRST_ENDING ||
      kind == TK_SECOND_ENDING || kind == TK_ENDING_BRACKET)
    return AbcColour::kBar;
  if (kind == TK_FIELD_W || kind == TK_FIELD_w) return AbcColour::kWords;
  if (IsFieldKind(kind) || kind == TK_INLINE_FIELD) return AbcColour::kField;
  switch (kind) {
    case TK_CHORD_SYMBOL: return AbcColour::kChordSymbol;
    case TK_DECORATION_TEXT:
    case TK_SYMBOL:
    case TK_STACCATO: return AbcColour::kDecoration;
    case TK_COMMENT: return AbcColour::kComment;
    case TK_DIRECTIVE: return AbcColour::kDirective;
    case TK_ERROR: return AbcColour::kError;
    default: break;
  }
  if (IsDecorationKind(kind)) return AbcColour::kDecoration;
  return AbcColour::kNone;
}

}  // namespace

AbcLineColourer::AbcLineColourer() {
  reader_.Init(std::string_view("C"), "4/4", "", std::nullopt, "", false);
}

bool AbcLineColourer::EndsHeader(std::string_view line) {
  return line.size() >= 2 && line[0] == 'K' && line[1] == ':';
}

bool AbcLineColourer::IsHeaderLine(std::string_view line) {
  return line.empty() || IsFieldLine(line) || line[0] == '%';
}

void AbcLineColourer::AddFieldLine(std::string_view line) {
  if (line[0] == 'W' || line[0] == 'w') {
    Add(0, line.size(), AbcColour::kWords);
    return;
  }
  Add(0, 2, AbcColour::kField);
  Add(2, line.size(), AbcColour::kFieldText);
}

void AbcLineColourer::Add(size_t start, size_t end, AbcColour colour) {
  if (end <= start || colour == AbcColour::kNone) return;
  if (!spans_.empty()) {
    ColourSpan& last = spans_.back();
    if (last.colour == colour && last.start + last.length == start) {
      last.length = static_cast<uint32_t>(end - last.start);
      return;
    }
  }
  spans_.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end - start), colour});
}

const std::vector<ColourSpan>& AbcLineColourer::Colour(std::string_view line, bool inHeader) {
  spans_.clear();
  if (line.empty()) return spans_;
  if (inHeader) {
    if (line.size() >= 2 && line[0] == '%' && line[1] == '%')
      Add(0, line.size(), AbcColour::kDirective);
    else if (line[0] == '%')
      Add(0, line.size(), AbcColour::kComment);
    else if (IsFieldLine(line))
      AddFieldLine(line);
    return spans_;
  }
  reader_.Restart();
  reader_.SetText(line);
  size_t pos = 0;
  bool first = true;
  // Field lines the reader has no row for (N:, C: ... in the music) are still
  // field lines.
  bool readerField = false;
  int firstKind = TK_NONE;
  size_t lastEnd = 0;
  bool haveLast = false;
  for (int guard = 0; guard <= static_cast<int>(line.size()) * 2 + 4; ++guard) {
    size_t start = pos;
    TokenKind kind = reader_.NextToken(pos, first);
    first = false;
    if (kind == TK_END) break;
    if (pos == start && haveLast && start == lastEnd) {
      // A follow-up kind of the token just read ("|1", a field after its tag).
      if (IsFieldKind(kind)) {
        AbcColour colour = ColourOf(kind, reader_);
        spans_.back().colour = colour;
        readerField = true;
      }
      continue;
    }
    if (pos <= start) break;  // the reader moves on with every token
    if (start == 0) {
      firstKind = kind;
      if (IsFieldKind(kind)) readerField = true;
    }
    Add(start, pos, ColourOf(kind, reader_));
    if (spans_.empty() || spans_.back().start + spans_.back().length != pos) {
      // Nothing coloured: keep a plain span so a follow-up can recolour it.
      spans_.push_back(
          {static_cast<uint32_t>(start), static_cast<uint32_t>(pos - start), AbcColour::kNone});
    }
    lastEnd = pos;
    haveLast = true;
  }
  // A field line: its tag, then its value (or words). Lines beginning with a
  // note and a colon ("A:|") are music.
  if (IsFieldLine(line) && (readerField || firstKind != TK_NOTE)) {
    spans_.clear();
    AddFieldLine(line);
    return spans_;
  }
  // Plain spans only served the follow-ups.
  size_t kept = 0;
  for (const ColourSpan& s : spans_)
    if (s.colour != AbcColour::kNone) spans_[kept++] = s;
  spans_.resize(kept);
  return spans_;
}

}  // namespace tunora
