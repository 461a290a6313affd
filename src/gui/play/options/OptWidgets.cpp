#include "gui/play/options/OptWidgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

#include "gui/app/Messages.h"
#include "play/GmInstruments.h"
#include "play/MidiLib.h"
#include "play/StyleEdit.h"

namespace tunora {

QString RangeMessage(int minimum, int maximum) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}

CIntEdit::CIntEdit(int minimum, int maximum, bool spin, QWidget* parent)
    : QSpinBox(parent), minimum_(minimum), maximum_(maximum) {
  // Wider than the range, so that a wrong number stays on show until it is refused.
  setRange(-999999999, 999999999);
  setValue(minimum);
  setButtonSymbols(spin ? QAbstractSpinBox::UpDownArrows : QAbstractSpinBox::NoButtons);
  setAlignment(Qt::AlignRight);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool CIntEdit::Check() {
  // "" or a lone "-" is no number, whatever value() still holds.
  const bool typed = hasAcceptableInput() && !cleanText().trimmed().isEmpty();
  if (typed && value() >= minimum_ && value() <= maximum_) return true;
  MessageWarning(this, RangeMessage(minimum_, maximum_));
  setFocus();
  selectAll();
  return false;
}

void CIntEdit::stepBy(int steps) {
  setValue(std::clamp(value() + steps, minimum_, maximum_));
  selectAll();
}

QAbstractSpinBox::StepEnabled CIntEdit::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (buttonSymbols() == NoButtons) return enabled;
  if (value() < maximum_) enabled |= StepUpEnabled;
  if (value() > minimum_) enabled |= StepDownEnabled;
  return enabled;
}

QSize CIntEdit::sizeHint() const {
  ensurePolished();
  const QFontMetrics fm = fontMetrics();
  const int digits = std::max(fm.horizontalAdvance(QString::number(minimum_)),
                              fm.horizontalAdvance(QString::number(maximum_)));
  const int width = digits + fm.horizontalAdvance(QStringLiteral("00")) +
                    fm.horizontalAdvance(prefix() + suffix());
  QStyleOptionSpinBox option;
  initStyleOption(&option);
  const QSize text(width, QSpinBox::sizeHint().height());
  QSize size = style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
  size.setHeight(QSpinBox::sizeHint().height());
  return size;
}

QSize CIntEdit::minimumSizeHint() const { return sizeHint(); }

bool CheckNumberField(QLineEdit* field, int minimum, int maximum, bool required, int& value) {
  const QString text = field->text().trimmed();
  if (text.isEmpty() && !required) return true;
  bool ok = false;
  const qlonglong number = text.toLongLong(&ok);
  if (ok && number >= minimum && number <= maximum) {
    value = static_cast<int>(number);
    return true;
  }
  MessageWarning(field, RangeMessage(minimum, maximum));
  field->setFocus();
  field->selectAll();
  return false;
}

bool CheckStyleText(QLineEdit* field, const QString& text) {
  if (IsStyleValueText(text.toStdString())) return true;
  MessageWarning(field->window(), QStringLiteral("A semicolon (;) cannot be part of this text."));
  field->setFocus();
  return false;
}

QComboBox* MakeInstrumentCombo(QWidget* parent) {
  auto* combo = new QComboBox(parent);
  for (int program = 0; program < kGmProgramCount; ++program) {
    combo->addItem(QString::fromStdString(GmInstrumentLabel(program)));
  }
  combo->setMaxVisibleItems(20);
  return combo;
}

void SetInstrument(QComboBox* combo, int program) {
  combo->setCurrentIndex(program >= 0 && program < kGmProgramCount ? program : 0);
}

int FillDeviceCombo(QComboBox* combo, const std::string& setting) {
  combo->clear();
  MidiLib& lib = MidiLib::Application();
  const int count = lib.GetNumOutDevices();
  int selected = -1;
  for (int n = 0; n < count; ++n) {
    std::string description;
    if (!lib.GetMidiOutDescription(static_cast<unsigned>(n), description)) break;
    combo->addItem(QString::fromStdString(description));
    if ((setting.empty() && n == 0) || (!setting.empty() && description == setting)) {
      if (selected < 0) selected = n;
    }
  }
  combo->setCurrentIndex(selected);
  return selected;
}

std::string DeviceSettingOf(const QComboBox* combo, int loadedIndex, const std::string& original) {
  const int index = combo->currentIndex();
  if (index < 0 || index == loadedIndex) return original;
  return combo->itemText(index).toStdString();
}

}  // namespace tunora
