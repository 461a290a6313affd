// Syntax colouring of the tune editor's text boxes, line by line from the ABC
// reader's tokens. In the raw box the header lines are told apart from the
// music: a block's state says whether the header has ended.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

#include "editor/AbcColouring.h"

namespace tunora {

class AbcHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  // withHeader: the text is a whole tune (raw mode) beginning with its header.
  AbcHighlighter(QTextDocument* document, bool withHeader);

  // The format of a colour class (for tests and the legend).
  const QTextCharFormat& Format(AbcColour colour) const {
    return formats_[static_cast<size_t>(colour)];
  }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  bool withHeader_;
  AbcLineColourer colourer_;
  std::array<QTextCharFormat, 12> formats_;
  QByteArray bytes_;
};

}  // namespace tunora
