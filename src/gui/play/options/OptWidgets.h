// Fields shared by the playback option pages and dialogs: a number field that
// refuses values outside its range when the page is confirmed, the instrument
// chooser with the General MIDI names and the MIDI output device chooser.
#pragma once

#include <QSpinBox>
#include <QString>
#include <string>

class QComboBox;
class QLineEdit;
class QWidget;

namespace tunora {

// The message for a number outside its range.
QString RangeMessage(int minimum, int maximum);

// A number field. Any integer can be typed; Check() refuses one outside
// minimum..maximum with the range message and puts the focus on the field. With
// spin, up and down arrows step within the range; without, it is a plain field.
class CIntEdit : public QSpinBox {
  Q_OBJECT

 public:
  CIntEdit(int minimum, int maximum, bool spin, QWidget* parent = nullptr);

  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  // True when the field holds a number in range; otherwise the user is told.
  bool Check();

  void stepBy(int steps) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  int minimum_;
  int maximum_;
};

// A plain text field for an optional number (digits only; empty = not given).
// Check refuses a number outside minimum..maximum and, when required, an empty field.
bool CheckNumberField(QLineEdit* field, int minimum, int maximum, bool required, int& value);

// True when text, typed into field, can be a value of the style file; otherwise the
// user is told that it cannot hold a semicolon and the focus goes to field.
bool CheckStyleText(QLineEdit* field, const QString& text);

// A chooser of the 128 General MIDI instruments, "0 Acoustic Grand Piano" to "127 Gunshot";
// the index is the program number.
QComboBox* MakeInstrumentCombo(QWidget* parent);
// Selects program (0 when it is out of range).
void SetInstrument(QComboBox* combo, int program);

// Fills combo with the descriptions of the MIDI output devices and selects the one
// that the Device setting names (the first, the built-in synth, when the setting
// is empty). Returns the index selected, -1 when the setting names no device.
int FillDeviceCombo(QComboBox* combo, const std::string& setting);
// The Device setting for the choice: original while the choice is the one made by
// FillDeviceCombo (loadedIndex), else the chosen description.
std::string DeviceSettingOf(const QComboBox* combo, int loadedIndex, const std::string& original);

}  // namespace tunora
