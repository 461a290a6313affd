// The user manual in a window of its own: Help > Contents and F1. The manual is
// HTML installed beside the program (help/manual.html).
#pragma once

#include <QString>

class QWidget;
class QTextBrowser;

namespace tunora {

// The manual's file: beside the executable, else in the program directory; ""
// when neither has it.
QString ManualPath(const QString& programDir);

// Shows the manual (one window for the program), at the section anchor when
// given. Returns the browser, or null with a message when the manual is missing.
QTextBrowser* ShowManual(QWidget* parent, const QString& programDir, const QString& anchor = {});

}  // namespace tunora
