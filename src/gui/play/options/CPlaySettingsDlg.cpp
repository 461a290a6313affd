#include "gui/play/options/CPlaySettingsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "gui/app/CTunoraApp.h"
#include "gui/play/options/OptWidgets.h"
#include "gui/play/options/PlayOptions.h"

namespace tunora {

CPlaySettingsDlg::CPlaySettingsDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Playback Settings"));
  device_ = new QComboBox(this);
  device_->setObjectName(QStringLiteral("Device"));
  device_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  instrument_ = MakeInstrumentCombo(this);
  instrument_->setObjectName(QStringLiteral("MelodyInstrument"));
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    const MidiSettings& m = app->GetSettings().midi;
    deviceOriginal_ = m.device;
    loadedDevice_ = FillDeviceCombo(device_, m.device);
    SetInstrument(instrument_, m.melodyInstrument);
  }

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("MIDI &Device:"), device_);
  form->addRow(QStringLiteral("&Melody Instrument:"), instrument_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPlaySettingsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CPlaySettingsDlg::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CPlaySettingsDlg::accept() {
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    MidiSettings& m = app->GetSettings().midi;
    const std::string deviceBefore = m.device;
    m.device = DeviceSettingOf(device_, loadedDevice_, deviceOriginal_);
    m.melodyInstrument = instrument_->currentIndex();
    ConfirmMidiSettings(this, deviceBefore, m.soundFont);
  }
  QDialog::accept();
}

}  // namespace tunora
