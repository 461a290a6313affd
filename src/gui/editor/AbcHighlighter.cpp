#include "gui/editor/AbcHighlighter.h"

#include <QColor>

namespace tunora {

namespace {
enum BlockState { kInHeader = 1, kInBody = 2 };
}

AbcHighlighter::AbcHighlighter(QTextDocument* document, bool withHeader)
    : QSyntaxHighlighter(document), withHeader_(withHeader) {
  auto colour = [this](AbcColour c, const QColor& fg, bool bold = false, bool italic = false) {
    QTextCharFormat& f = formats_[static_cast<size_t>(c)];
    f.setForeground(fg);
    if (bold) f.setFontWeight(QFont::Bold);
    if (italic) f.setFontItalic(true);
  };
  colour(AbcColour::kNote, QColor(0x1a, 0x3c, 0x8c));
  colour(AbcColour::kRestSign, QColor(0x6a, 0x6a, 0x8a));
  colour(AbcColour::kBar, QColor(0x9a, 0x1f, 0x1f), true);
  colour(AbcColour::kChordSymbol, QColor(0x1d, 0x7a, 0x32));
  colour(AbcColour::kDecoration, QColor(0x8a, 0x2d, 0x96));
  colour(AbcColour::kField, QColor(0x0a, 0x6e, 0x7a), true);
  colour(AbcColour::kFieldText, QColor(0x0a, 0x5a, 0x66));
  colour(AbcColour::kWords, QColor(0x7a, 0x5a, 0x10));
  colour(AbcColour::kComment, QColor(0x80, 0x80, 0x80), false, true);
  colour(AbcColour::kDirective, QColor(0xb0, 0x5a, 0x00));
  QTextCharFormat& error = formats_[static_cast<size_t>(AbcColour::kError)];
  error.setForeground(QColor(0xd0, 0x00, 0x00));
  error.setUnderlineStyle(QTextCharFormat::WaveUnderline);
  error.setUnderlineColor(QColor(0xd0, 0x00, 0x00));
}

void AbcHighlighter::highlightBlock(const QString& text) {
  // One byte per character, so positions stay those of the text; characters
  // the reader does not know read as '?' wherever they stand.
  bytes_ = text.toLatin1();
  std::string_view line(bytes_.constData(), static_cast<size_t>(bytes_.size()));
  // Anything but a field or comment line ends a header that lacks its K: line.
  bool inHeader =
      withHeader_ && previousBlockState() != kInBody && AbcLineColourer::IsHeaderLine(line);
  for (const ColourSpan& s : colourer_.Colour(line, inHeader))
    setFormat(static_cast<int>(s.start), static_cast<int>(s.length),
              formats_[static_cast<size_t>(s.colour)]);
  if (withHeader_) {
    bool ends = inHeader && AbcLineColourer::EndsHeader(line);
    setCurrentBlockState(inHeader && !ends ? kInHeader : kInBody);
  }
}

}  // namespace tunora
