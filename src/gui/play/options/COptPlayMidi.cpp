#include "gui/play/options/COptPlayMidi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/app/CPrefPage.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/play/options/OptWidgets.h"
#include "play/MidiLib.h"

namespace tunora {

COptPlayMidi::COptPlayMidi(QWidget* parent) : COptPlayPage(QStringLiteral("MIDI"), parent) {
  device_ = new QComboBox(this);
  device_->setObjectName(QStringLiteral("Device"));
  device_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  soundFont_ = new QLineEdit(this);
  soundFont_->setObjectName(QStringLiteral("SoundFont"));
  soundFont_->setPlaceholderText(QStringLiteral("the General MIDI SoundFont installed"));
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, &COptPlayMidi::OnBrowse);
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(soundFont_, 1);
  fontRow->addWidget(browse);
  cachePatches_ = new QCheckBox(QStringLiteral("Cache Patches"), this);
  cachePatches_->setObjectName(QStringLiteral("CachePatches"));

  auto* output = new QGroupBox(QStringLiteral("Output"), this);
  auto* outputForm = new QFormLayout(output);
  auto* deviceLabel = new QLabel(QStringLiteral("MIDI &Device:"), this);
  deviceLabel->setBuddy(device_);
  outputForm->addRow(deviceLabel, device_);
  auto* fontLabel = new QLabel(QStringLiteral("Sound&Font:"), this);
  fontLabel->setBuddy(soundFont_);
  fontLabel->setToolTip(QStringLiteral("The SoundFont (.sf2 or .sf3) of the built-in synth"));
  outputForm->addRow(fontLabel, fontRow);
  outputForm->addRow(cachePatches_);

  auto* parts = new QGroupBox(QStringLiteral("Instruments"), this);
  auto* grid = new QGridLayout(parts);
  grid->addWidget(new QLabel(QStringLiteral("Instrument"), this), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Octave"), this), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Channel (0-15)"), this), 0, 3);
  auto addPart = [&](Part& part, int row, const QString& label, const QString& key) {
    part.instrument = MakeInstrumentCombo(this);
    part.instrument->setObjectName(key + QStringLiteral("Instrument"));
    const SettingRange* octave = MidiSettingRange((key + QStringLiteral("Octave")).toStdString());
    part.octave = new CIntEdit(octave->minimum, octave->maximum, true, this);
    part.octave->setObjectName(key + QStringLiteral("Octave"));
    const SettingRange* channel = MidiSettingRange((key + QStringLiteral("Channel")).toStdString());
    part.channel = new CIntEdit(channel->minimum, channel->maximum, false, this);
    part.channel->setObjectName(key + QStringLiteral("Channel"));
    auto* name = new QLabel(label, this);
    name->setBuddy(part.instrument);
    grid->addWidget(name, row, 0);
    grid->addWidget(part.instrument, row, 1);
    grid->addWidget(part.octave, row, 2);
    grid->addWidget(part.channel, row, 3);
  };
  addPart(melody_, 1, QStringLiteral("&Melody (voice 1):"), QStringLiteral("Melody"));
  addPart(backing_, 2, QStringLiteral("&Backing:"), QStringLiteral("Backing"));
  addPart(drone_, 3, QStringLiteral("D&rone:"), QStringLiteral("Drone"));
  grid->setColumnStretch(1, 1);

  const SettingRange* speed = MidiSettingRange("SpeedPercent");
  speed_ = new CIntEdit(speed->minimum, speed->maximum, false, this);
  speed_->setObjectName(QStringLiteral("SpeedPercent"));
  speed_->setSuffix(QStringLiteral(" %"));
  auto* speedLabel = new QLabel(QStringLiteral("&Speed for direct MIDI playback:"), this);
  speedLabel->setBuddy(speed_);
  auto* speedRow = new QHBoxLayout;
  speedRow->addWidget(speedLabel);
  speedRow->addWidget(speed_);
  speedRow->addStretch();
  grid->addLayout(speedRow, 4, 0, 1, 4);

  auto* voices = new QGroupBox(QStringLiteral("Voices 2 to 13: Channel (0-15)"), this);
  auto* voiceGrid = new QGridLayout(voices);
  constexpr int kColumns = 4;
  for (int i = 0; i < kVoices; ++i) {
    const int voice = MidiSettings::kFirstVoice + i;
    const QString name = QStringLiteral("Voice%1Channel").arg(voice);
    const SettingRange* range = MidiSettingRange(name.toStdString());
    auto* field = new CIntEdit(range->minimum, range->maximum, false, this);
    field->setObjectName(name);
    voiceChannel_[static_cast<size_t>(i)] = field;
    auto* label = new QLabel(QStringLiteral("Voice %1:").arg(voice), this);
    label->setBuddy(field);
    const int row = i / kColumns;
    const int column = (i % kColumns) * 3;
    voiceGrid->addWidget(label, row, column, Qt::AlignRight);
    voiceGrid->addWidget(field, row, column + 1);
    if (i % kColumns != kColumns - 1) voiceGrid->setColumnMinimumWidth(column + 2, 16);
  }
  voiceGrid->setColumnStretch(kColumns * 3 - 1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(output);
  layout->addWidget(parts);
  layout->addWidget(voices);
  layout->addStretch();
}

void COptPlayMidi::Load(const PlayOptionsData& options) {
  const MidiSettings& m = options.midi;
  deviceOriginal_ = m.device;
  soundFontOriginal_ = m.soundFont;
  loadedDevice_ = FillDeviceCombo(device_, m.device);
  soundFont_->setText(CPrefPage::TextOf(m.soundFont));
  cachePatches_->setChecked(m.cachePatches);
  SetInstrument(melody_.instrument, m.melodyInstrument);
  SetInstrument(backing_.instrument, m.backingInstrument);
  SetInstrument(drone_.instrument, m.droneInstrument);
  melody_.octave->setValue(m.melodyOctave);
  backing_.octave->setValue(m.backingOctave);
  drone_.octave->setValue(m.droneOctave);
  melody_.channel->setValue(m.melodyChannel);
  backing_.channel->setValue(m.backingChannel);
  drone_.channel->setValue(m.droneChannel);
  speed_->setValue(m.speedPercent);
  for (int i = 0; i < kVoices; ++i) {
    voiceChannel_[static_cast<size_t>(i)]->setValue(m.voiceChannel[static_cast<size_t>(i)]);
  }
}

bool COptPlayMidi::Store(PlayOptionsData& options) {
  for (Part* part : {&melody_, &backing_, &drone_}) {
    if (!part->octave->Check() || !part->channel->Check()) return false;
  }
  if (!speed_->Check()) return false;
  for (CIntEdit* field : voiceChannel_) {
    if (!field->Check()) return false;
  }
  const QString font = soundFont_->text().trimmed();
  if (!font.isEmpty() && !QFileInfo(font).isFile()) {
    MessageWarning(this, QStringLiteral("The SoundFont %1 does not exist.").arg(font));
    soundFont_->setFocus();
    return false;
  }

  MidiSettings& m = options.midi;
  m.device = DeviceSettingOf(device_, loadedDevice_, deviceOriginal_);
  m.soundFont = CPrefPage::BytesOf(soundFontOriginal_, font);
  m.cachePatches = cachePatches_->isChecked();
  m.melodyInstrument = melody_.instrument->currentIndex();
  m.backingInstrument = backing_.instrument->currentIndex();
  m.droneInstrument = drone_.instrument->currentIndex();
  m.melodyOctave = melody_.octave->value();
  m.backingOctave = backing_.octave->value();
  m.droneOctave = drone_.octave->value();
  m.melodyChannel = melody_.channel->value();
  m.backingChannel = backing_.channel->value();
  m.droneChannel = drone_.channel->value();
  m.speedPercent = speed_->value();
  for (int i = 0; i < kVoices; ++i) {
    m.voiceChannel[static_cast<size_t>(i)] = voiceChannel_[static_cast<size_t>(i)]->value();
  }
  return true;
}

void COptPlayMidi::OnBrowse() {
  QString start = soundFont_->text().trimmed();
  if (start.isEmpty()) start = QStringLiteral("/usr/share/sounds/sf2");
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("SoundFont"), start,
                                   QStringLiteral("SoundFonts (*.sf2 *.sf3);;All Files (*)"));
  if (!path.isEmpty()) soundFont_->setText(path);
}

void COptPlayMidi::showEvent(QShowEvent* event) {
  COptPlayPage::showEvent(event);
  if (deviceChecked_) return;
  deviceChecked_ = true;
  CTunoraApp* app = CTunoraApp::Instance();
  if (!app || app->MidiDevice() != kMidiNoDevice) return;
  // After the sheet is on screen, so that the message stands in front of it.
  QTimer::singleShot(0, this, [this] {
    MessageWarning(this, QStringLiteral("You have not selected a MIDI output device.\nYou need "
                                        "one in order to be able to play music through the "
                                        "computer speakers."));
  });
}

}  // namespace tunora
