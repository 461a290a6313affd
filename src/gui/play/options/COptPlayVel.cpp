#include "gui/play/options/COptPlayVel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/play/options/OptWidgets.h"

namespace tunora {

COptPlayVel::COptPlayVel(QWidget* parent) : COptPlayPage(QStringLiteral("Volumes"), parent) {
  auto field = [this](const QString& key) {
    // The chords field edits the three VelChord keys, which share one range.
    const SettingRange* range =
        MidiSettingRange(key == QStringLiteral("VelChord") ? "VelChordOther" : key.toStdString());
    auto* f = new CIntEdit(range->minimum, range->maximum, false, this);
    f->setObjectName(key);
    return f;
  };
  noteBeat_ = field(QStringLiteral("VelNoteBeat"));
  noteOffbeat_ = field(QStringLiteral("VelNoteOffbeat"));
  noteOther_ = field(QStringLiteral("VelNoteOther"));
  chords_ = field(QStringLiteral("VelChord"));
  drone_ = field(QStringLiteral("VelDrone"));
  loudPercent_ = field(QStringLiteral("LoudPercent"));
  loudPercent_->setSuffix(QStringLiteral(" %"));

  auto* velocities = new QGroupBox(QStringLiteral("Velocity (0-127)"), this);
  auto* form = new QFormLayout(velocities);
  form->addRow(QStringLiteral("Melody notes on the &beat:"), noteBeat_);
  form->addRow(QStringLiteral("Melody notes &off the beat:"), noteOffbeat_);
  form->addRow(QStringLiteral("&Other melody notes:"), noteOther_);
  form->addRow(QStringLiteral("&Chords:"), chords_);
  form->addRow(QStringLiteral("&Drone:"), drone_);

  auto* accents = new QGroupBox(QStringLiteral("Accents"), this);
  auto* accentForm = new QFormLayout(accents);
  accentForm->addRow(QStringLiteral("Velocity increase for !accent!:"), loudPercent_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(velocities);
  layout->addWidget(accents);
  layout->addStretch();
}

void COptPlayVel::Load(const PlayOptionsData& options) {
  const MidiSettings& m = options.midi;
  noteBeat_->setValue(m.velNoteBeat);
  noteOffbeat_->setValue(m.velNoteOffbeat);
  noteOther_->setValue(m.velNoteOther);
  // Backing notes from chord symbols sound with VelChordOther, so that is the value shown.
  chordsLoaded_ = m.velChordOther;
  chords_->setValue(chordsLoaded_);
  drone_->setValue(m.velDrone);
  loudPercent_->setValue(m.loudPercent);
}

bool COptPlayVel::Store(PlayOptionsData& options) {
  for (CIntEdit* f : {noteBeat_, noteOffbeat_, noteOther_, chords_, drone_, loudPercent_}) {
    if (!f->Check()) return false;
  }
  MidiSettings& m = options.midi;
  m.velNoteBeat = noteBeat_->value();
  m.velNoteOffbeat = noteOffbeat_->value();
  m.velNoteOther = noteOther_->value();
  // The one "Chords" value stands for all three chord velocities: a changed value goes
  // to VelChordBeat, VelChordOffbeat and VelChordOther alike; an unchanged one leaves
  // each of them as it was, so values set apart in the settings file survive.
  if (chords_->value() != chordsLoaded_) {
    m.velChordBeat = m.velChordOffbeat = m.velChordOther = chords_->value();
  }
  m.velDrone = drone_->value();
  m.loudPercent = loudPercent_->value();
  return true;
}

}  // namespace tunora
