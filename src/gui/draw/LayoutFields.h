// Fields of the layout sheets: a length shown in thousandths of the unit (stored
// drawing units × 0.001, so centimetres or inches) and entered the same way, and a
// font button with its sample.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "draw/FormatSettings.h"

class QLabel;

namespace tunora {

class LengthField : public QLineEdit {
  Q_OBJECT

 public:
  explicit LengthField(QWidget* parent = nullptr);
  void SetValue(int32_t value);
  // The entered value times 1000, truncated toward zero; false (value unchanged)
  // when the text is no number.
  bool Value(int32_t& value) const;
  // Value, and on a bad entry "Please enter a number." with the field focused.
  bool ReadOrTell(int32_t& value);
};

class FontButton : public QPushButton {
  Q_OBJECT

 public:
  // caption is the button text ("Tune &Headers"); sample shows the font.
  FontButton(const QString& caption, QLabel* sample, QWidget* parent = nullptr);
  // The font is a music symbol font (its sample shows symbols).
  void SetSymbolFont(bool on) { symbols_ = on; }
  void SetFont(const FontSpec& font);
  const FontSpec& Font() const { return font_; }

 private:
  void Choose();
  void ShowSample();

  QLabel* sample_;
  FontSpec font_;
  bool symbols_ = false;
};

// The QFont of a font fontSpec (points), and back.
QFont QFontOf(const FontSpec& font);
FontSpec FontSpecOf(const QFont& font);

}  // namespace tunora
