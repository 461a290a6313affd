#include "gui/app/CDlgPrefFindMusic.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Settings.h"

namespace tunora {

CDlgPrefFindMusic::CDlgPrefFindMusic(QWidget* parent)
    : CPrefPage(QStringLiteral("Music Search"), parent) {
  looseMatch_ = new QSpinBox(this);
  looseMatch_->setRange(0, 100);
  looseMatch_->setSuffix(QStringLiteral(" %"));
  beginning_ = new QRadioButton(QStringLiteral("Beginning of &Tune"), this);
  anywhere_ = new QRadioButton(QStringLiteral("&Anywhere"), this);
  auto* where = new QHBoxLayout;
  where->addWidget(beginning_);
  where->addWidget(anywhere_);
  where->addStretch();
  fromBeginning_ = new QCheckBox(QStringLiteral("From Be&ginning"), this);
  subdir_ = new QCheckBox(QStringLiteral("Search Su&bdirectories"), this);
  ignoreOrnaments_ = new QCheckBox(QStringLiteral("&Ignore Ornamentation"), this);

  auto* search = new QGroupBox(QStringLiteral("Search"), this);
  auto* form = new QFormLayout(search);
  form->addRow(QStringLiteral("&Loose Match:"), looseMatch_);
  form->addRow(QStringLiteral("Where:"), where);
  form->addRow(fromBeginning_);
  form->addRow(subdir_);
  form->addRow(ignoreOrnaments_);

  transpose36_ = new QCheckBox(QStringLiteral("Thirds and &Sixths"), this);
  transpose45_ = new QCheckBox(QStringLiteral("Fourths and &Fifths"), this);
  transpose8_ = new QCheckBox(QStringLiteral("&Octave"), this);
  transposeMaj2_ = new QCheckBox(QStringLiteral("&Major Second"), this);
  transposeMin2Aug4_ = new QCheckBox(QStringLiteral("Mi&nor Second and Augmented Fourth"), this);
  transpose8plus_ = new QCheckBox(QStringLiteral("Each Also One Octave F&urther"), this);
  auto* transpose = new QGroupBox(QStringLiteral("Also Try the Phrase Transposed By"), this);
  auto* grid = new QGridLayout(transpose);
  grid->addWidget(transpose45_, 0, 0);
  grid->addWidget(transposeMaj2_, 0, 1);
  grid->addWidget(transpose36_, 1, 0);
  grid->addWidget(transpose8_, 1, 1);
  grid->addWidget(transposeMin2Aug4_, 2, 0, 1, 2);
  grid->addWidget(transpose8plus_, 3, 0, 1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search);
  layout->addWidget(transpose);
  layout->addStretch();
}

void CDlgPrefFindMusic::Load(const Settings& s) {
  const MusicSearchSettings& m = s.musicSearch;
  fromBeginning_->setChecked(m.fromBeginning);
  subdir_->setChecked(m.subdir);
  ignoreOrnaments_->setChecked(m.ignoreOrnamentation);
  transpose36_->setChecked(m.transpose36);
  transpose45_->setChecked(m.transpose45);
  transpose8_->setChecked(m.transpose8);
  transposeMaj2_->setChecked(m.transposeMaj2);
  transposeMin2Aug4_->setChecked(m.transposeMin2Aug4);
  transpose8plus_->setChecked(m.transpose8plus);
  looseMatch_->setValue(m.looseMatch);
  (m.where == 0 ? beginning_ : anywhere_)->setChecked(true);
}

bool CDlgPrefFindMusic::Store(Settings& s) {
  MusicSearchSettings& m = s.musicSearch;
  m.fromBeginning = fromBeginning_->isChecked();
  m.subdir = subdir_->isChecked();
  m.ignoreOrnamentation = ignoreOrnaments_->isChecked();
  m.transpose36 = transpose36_->isChecked();
  m.transpose45 = transpose45_->isChecked();
  m.transpose8 = transpose8_->isChecked();
  m.transposeMaj2 = transposeMaj2_->isChecked();
  m.transposeMin2Aug4 = transposeMin2Aug4_->isChecked();
  m.transpose8plus = transpose8plus_->isChecked();
  m.looseMatch = looseMatch_->value();
  m.where = beginning_->isChecked() ? 0 : 1;
  return true;
}

}  // namespace tunora
