#include "gui/draw/LayoutFields.h"

#include <QFontDialog>
#include <QLabel>

#include "gui/app/Messages.h"

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
  FontSpec spec;
  spec.face = font.family().toStdString();
  spec.size = font.pointSize() > 0 ? font.pointSize() : 10;
  spec.bold = font.bold();
  spec.italic = font.italic();
  spec.underline = font.underline();
  return spec;
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
  QFont f = QFontOf(font_);
  // The sample stays readable in the sheet; its text tells the real size.
  QFont shown = f;
  shown.setPointSize(std::clamp(font_.size, 6, 16));
  sample_->setFont(shown);
  QString style = QString::fromStdString(font_.face) + QStringLiteral(" %1").arg(font_.size);
  if (font_.bold) style += QStringLiteral(" bold");
  if (font_.italic) style += QStringLiteral(" italic");
  sample_->setText(style);
}

void FontButton::Choose() {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, QFontOf(font_), this, text().remove('&'));
  if (ok) SetFont(FontSpecOf(chosen));
}

}  // namespace tunora
