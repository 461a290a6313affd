#include "gui/draw/LayoutFields.h"

#include <QFontDialog>
#include <QLabel>

#include "gui/app/Messages.h"
#include "platform/canvas/QtCanvas.h"

namespace tunora {

LengthField::LengthField(QWidget* parent) : QLineEdit(parent) {
  setMaximumWidth(90);
  setAlignment(Qt::AlignRight);
}

void LengthField::SetValue(int32_t value) { setText(QString::fromStdString(FormatDecimal(value))); }

bool LengthField::Value(int32_t& value) const {
  return ParseThousandths(text().toStdString(), value);
}

bool LengthField::ReadOrTell(int32_t& value) {
  if (Value(value)) return true;
  MessageWarning(this, QStringLiteral("Please enter a number."));
  setFocus();
  selectAll();
  return false;
}

QFont QFontOf(const FontSpec& font) {
  QFont f(QString::fromStdString(font.face));
  f.setPointSize(std::max(1, font.size));
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  return f;
}

FontSpec FontSpecOf(const QFont& font) {
  FontSpec fontSpec;
  fontSpec.face = font.family().toStdString();
  fontSpec.size = font.pointSize() > 0 ? font.pointSize() : 10;
  fontSpec.bold = font.bold();
  fontSpec.italic = font.italic();
  fontSpec.underline = font.underline();
  return fontSpec;
}

FontButton::FontButton(const QString& caption, QLabel* sample, QWidget* parent)
    : QPushButton(caption, parent), sample_(sample) {
  connect(this, &QPushButton::clicked, this, &FontButton::Choose);
  sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sample_->setMinimumWidth(220);
}

void FontButton::SetFont(const FontSpec& font) {
  font_ = font;
  ShowSample();
}

void FontButton::ShowSample() {
  // The sample stays readable in the sheet; its text tells the real size.
  QFont shown = QFontOf(font_);
  shown.setPointSize(std::clamp(font_.size, 6, 16));
  QString style = QString::fromStdString(font_.face) + QStringLiteral(" %1").arg(font_.size);
  if (font_.bold) style += QStringLiteral(" bold");
  if (font_.italic) style += QStringLiteral(" italic");
  if (!symbols_) {
    sample_->setFont(shown);
    sample_->setText(style);
    return;
  }
  // A music font has no letters: its name in the sheet's font, then a clef, a
  // sharp and notes of the default symbol map in the font itself.
  sample_->setFont(QFont());
  QString glyphs;
  const QFontMetricsF metrics(shown);
  for (uint8_t c : {uint8_t{0x26}, uint8_t{0x23}, uint8_t{0x71}, uint8_t{0x65}, uint8_t{0x68}})
    glyphs += QtCanvas::SymbolText(metrics, c) + QLatin1Char(' ');
  sample_->setTextFormat(Qt::RichText);
  sample_->setText(style.toHtmlEscaped() +
                   QStringLiteral("&nbsp;&nbsp;<span style=\"font-family:'%1'; "
                                  "font-size:18pt\">%2</span>")
                       .arg(shown.family().toHtmlEscaped(), glyphs.toHtmlEscaped()));
}

void FontButton::Choose() {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, QFontOf(font_), this, text().remove('&'));
  if (ok) SetFont(FontSpecOf(chosen));
}

}  // namespace tunora
