#include "gui/play/options/COptPlayOpt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/play/options/OptWidgets.h"

namespace tunora {

COptPlayOpt::COptPlayOpt(QWidget* parent) : COptPlayPage(QStringLiteral("Playback"), parent) {
  auto field = [this](bool spin, const QString& key, const QString& suffix = {}) {
    const SettingRange* range = MidiSettingRange(key.toStdString());
    auto* f = new CIntEdit(range->minimum, range->maximum, spin, this);
    f->setObjectName(key);
    f->setSuffix(suffix);
    return f;
  };
  graceFraction_ = field(false, QStringLiteral("GraceFraction"));
  multiGraceFraction_ = field(false, QStringLiteral("MultiGraceFraction"));
  staccatoLen_ = field(false, QStringLiteral("StaccatoLen"), QStringLiteral(" %"));
  pauseLen_ = field(false, QStringLiteral("PauseLen"), QStringLiteral(" %"));
  delay_ = field(false, QStringLiteral("Delay"), QStringLiteral(" s"));
  transpose_ = field(true, QStringLiteral("Transpose"));
  repeat_ = field(true, QStringLiteral("Repeat"));

  auto* lengths = new QGroupBox(QStringLiteral("Lengths"), this);
  auto* lengthForm = new QFormLayout(lengths);
  lengthForm->addRow(QStringLiteral("Single gr&ace note: notated length /"), graceFraction_);
  lengthForm->addRow(QStringLiteral("Grace notes in a gro&up: notated length /"),
                     multiGraceFraction_);
  lengthForm->addRow(QStringLiteral("&Staccato notes sound for:"), staccatoLen_);
  lengthForm->addRow(QStringLiteral("&Fermata length:"), pauseLen_);

  auto* play = new QGroupBox(QStringLiteral("Playing"), this);
  auto* playForm = new QFormLayout(play);
  playForm->addRow(QStringLiteral("&Delay before playing:"), delay_);
  playForm->addRow(QStringLiteral("&Transpose (semitones):"), transpose_);
  playForm->addRow(QStringLiteral("&Repeat (times):"), repeat_);

  auto check = [this](const QString& text, const QString& key) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(key);
    return box;
  };
  playChords_ = check(QStringLiteral("Play Chords"), QStringLiteral("PlayChords"));
  commonEqualsCut_ =
      check(QStringLiteral("Treat Common Time as Cut Time"), QStringLiteral("CommonEqualsCut"));
  playGraces_ =
      check(QStringLiteral("Play &Grace Notes and Other Gracings"), QStringLiteral("PlayGraces"));
  keepDrone_ = check(QStringLiteral("&Keep Drone"), QStringLiteral("KeepDrone"));
  keyHpSpecial_ =
      check(QStringLiteral("Keys Hp and HP set drone, etc"), QStringLiteral("KeyHpSpecial"));
  noRepeats_ = check(QStringLiteral("&No Repeats"), QStringLiteral("NoRepeats"));
  playnowMinimize_ = check(QStringLiteral("M&inimize the play window on Play Now"),
                           QStringLiteral("PlaynowMinimize"));
  warnBarLen_ =
      check(QStringLiteral("&Warn for number of notes in bar"), QStringLiteral("WarnBarLen"));

  auto* switches = new QGroupBox(QStringLiteral("Options"), this);
  auto* grid = new QGridLayout(switches);
  grid->addWidget(playChords_, 0, 0);
  grid->addWidget(noRepeats_, 0, 1);
  grid->addWidget(playGraces_, 1, 0);
  grid->addWidget(keepDrone_, 1, 1);
  grid->addWidget(commonEqualsCut_, 2, 0);
  grid->addWidget(keyHpSpecial_, 2, 1);
  grid->addWidget(warnBarLen_, 3, 0);
  grid->addWidget(playnowMinimize_, 3, 1);

  playPos_ = new QComboBox(this);
  playPos_->setObjectName(QStringLiteral("PlayPos"));
  playPos_->addItem(QStringLiteral("Where the main window puts it"));
  playPos_->addItem(QStringLiteral("Lower Left"));
  playPos_->addItem(QStringLiteral("Upper Right"));
  auto* posLabel = new QLabel(QStringLiteral("Play Window Position:"), this);
  posLabel->setBuddy(playPos_);
  auto* posRow = new QHBoxLayout;
  posRow->addWidget(posLabel);
  posRow->addWidget(playPos_);
  posRow->addStretch();

  auto* top = new QHBoxLayout;
  top->addWidget(lengths);
  top->addWidget(play);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(switches);
  layout->addLayout(posRow);
  layout->addStretch();
}

void COptPlayOpt::Load(const PlayOptionsData& options) {
  const MidiSettings& m = options.midi;
  graceFraction_->setValue(m.graceFraction);
  multiGraceFraction_->setValue(m.multiGraceFraction);
  staccatoLen_->setValue(m.staccatoLen);
  pauseLen_->setValue(m.pauseLen);
  delay_->setValue(m.delay);
  transpose_->setValue(m.transpose);
  repeat_->setValue(m.repeat);
  playChords_->setChecked(m.playChords);
  commonEqualsCut_->setChecked(m.commonEqualsCut);
  playGraces_->setChecked(m.playGraces);
  keepDrone_->setChecked(m.keepDrone);
  keyHpSpecial_->setChecked(m.keyHpSpecial);
  noRepeats_->setChecked(m.noRepeats);
  playnowMinimize_->setChecked(m.playnowMinimize);
  warnBarLen_->setChecked(m.warnBarLen);
  playPos_->setCurrentIndex(m.playPos >= 0 && m.playPos <= 2 ? m.playPos : 1);
}

bool COptPlayOpt::Store(PlayOptionsData& options) {
  for (CIntEdit* f : {graceFraction_, multiGraceFraction_, staccatoLen_, pauseLen_, delay_,
                      transpose_, repeat_}) {
    if (!f->Check()) return false;
  }
  MidiSettings& m = options.midi;
  m.graceFraction = graceFraction_->value();
  m.multiGraceFraction = multiGraceFraction_->value();
  m.staccatoLen = staccatoLen_->value();
  m.pauseLen = pauseLen_->value();
  m.delay = delay_->value();
  m.transpose = transpose_->value();
  m.repeat = repeat_->value();
  m.playChords = playChords_->isChecked();
  m.commonEqualsCut = commonEqualsCut_->isChecked();
  m.playGraces = playGraces_->isChecked();
  m.keepDrone = keepDrone_->isChecked();
  m.keyHpSpecial = keyHpSpecial_->isChecked();
  m.noRepeats = noRepeats_->isChecked();
  m.playnowMinimize = playnowMinimize_->isChecked();
  m.warnBarLen = warnBarLen_->isChecked();
  m.playPos = playPos_->currentIndex();
  return true;
}

}  // namespace tunora
