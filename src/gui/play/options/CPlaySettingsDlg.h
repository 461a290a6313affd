// The small "Playback Settings" dialog: the MIDI output device and the melody
// instrument. OK saves the settings.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;

namespace tunora {

class CPlaySettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CPlaySettingsDlg(QWidget* parent = nullptr);

  QComboBox* DeviceCombo() const { return device_; }
  QComboBox* InstrumentCombo() const { return instrument_; }

 public slots:
  void accept() override;

 private:
  std::string deviceOriginal_;
  int loadedDevice_ = -1;
  QComboBox* device_ = nullptr;
  QComboBox* instrument_ = nullptr;
};

}  // namespace tunora
