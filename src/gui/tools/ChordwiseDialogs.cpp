#include "gui/tools/ChordwiseDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/app/CTunoraApp.h"

namespace tunora {

namespace {

using S = ChordwiseSettings;

const ChordwiseWeightRow kProgressionRows[] = {
    {"Progression, Same Chord", &S::progressBySame},
    {"Progression, By 5th Up", &S::progressByFifthUp},
    {"Progression, By 4th Up", &S::progressByFourthUp},
    {"Progression, By 3rd", &S::progressByThird},
    {"Progression, By Minor 2nd", &S::progressByMinorSecond},
    {"Progression, By Major 2nd", &S::progressByMajorSecond},
};

const ChordwiseWeightRow kAdvancedRows[] = {
    {"Note Count, On Beat", &S::beatNote},
    {"Note Count, On Offbeat", &S::offBeatNote},
    {"Note Count, On Nth Beat", &S::nthBeatNote},
    {"Note Count, Other", &S::otherNote},
    {"After Jump > 5th", &S::jumpNote},
    {"Note Not in Tune (but in Scale)", &S::strangeInscale},
    {"Note Not in Tune (and Not in Scale)", &S::strangeNonscale},
    {"Possible Chords, 1st of Chord", &S::chordFirst},
    {"Possible Chords, 3rd of Chord", &S::chordThird},
    {"Possible Chords, 5th of Chord", &S::chordFifth},
    {"Chord Setting, 1st of Chord", &S::setChordFirst},
    {"Chord Setting, 3rd of Chord", &S::setChordThird},
    {"Chord Setting, 5th of Chord", &S::setChordFifth},
    {"Note on Beat", &S::setChordBeatNote},
    {"Note on Offbeat", &S::setChordOffBeatNote},
    {"Note on Nth Beat", &S::setChordNthBeatNote},
    {"Other notes", &S::setChordOtherNote},
    {"Weight of Possible Chord Points", &S::weightPossible},
};

// A form of percentage spin boxes for rows, filled from weights.
template <size_t N>
std::vector<QSpinBox*> MakeSpins(QWidget* parent, QFormLayout* form,
                                 const ChordwiseWeightRow (&rows)[N], const S& weights) {
  std::vector<QSpinBox*> spins;
  for (const ChordwiseWeightRow& row : rows) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 1000);
    spin->setSuffix(QStringLiteral(" %"));
    spin->setValue(weights.*row.value);
    form->addRow(QString::fromLatin1(row.label), spin);
    spins.push_back(spin);
  }
  return spins;
}

template <size_t N>
void ReadSpins(const std::vector<QSpinBox*>& spins, const ChordwiseWeightRow (&rows)[N],
               S& weights) {
  for (size_t i = 0; i < N; ++i) weights.*rows[i].value = spins[i]->value();
}

template <size_t N>
void ResetSpins(const std::vector<QSpinBox*>& spins, const ChordwiseWeightRow (&rows)[N]) {
  const S defaults;
  for (size_t i = 0; i < N; ++i) spins[i]->setValue(defaults.*rows[i].value);
}

QDialogButtonBox* Buttons(QDialog* dialog, QPushButton*& reset) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  reset = box->addButton(QStringLiteral("Reset to &Default Values"), QDialogButtonBox::ResetRole);
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return box;
}

}  // namespace

bool SaveChordwiseSettings(const ChordwiseSettings& weights) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return false;
  app->GetSettings().chordwise = weights;
  return app->SaveSettings();
}

CChordwiseAdvancedDlg::CChordwiseAdvancedDlg(QWidget* parent, ChordwiseSettings& weights)
    : QDialog(parent), weights_(weights) {
  setWindowTitle(QStringLiteral("Chordwise Chord Setting - Advanced Options"));
  auto* form = new QFormLayout;
  spins_ = MakeSpins(this, form, kAdvancedRows, weights);
  QPushButton* reset = nullptr;
  auto* buttons = Buttons(this, reset);
  connect(reset, &QPushButton::clicked, this, [this] { ResetSpins(spins_, kAdvancedRows); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CChordwiseAdvancedDlg::accept() {
  ReadSpins(spins_, kAdvancedRows, weights_);
  SaveChordwiseSettings(weights_);
  QDialog::accept();
}

CChordwiseOptionsDlg::CChordwiseOptionsDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Chordwise Chord Setting Options"));
  if (CTunoraApp* app = CTunoraApp::Instance()) weights_ = app->GetSettings().chordwise;
  auto* form = new QFormLayout;
  spins_ = MakeSpins(this, form, kProgressionRows, weights_);
  auto* advanced = new QPushButton(QStringLiteral("&Advanced Settings"), this);
  QPushButton* reset = nullptr;
  auto* buttons = Buttons(this, reset);
  connect(reset, &QPushButton::clicked, this, [this] { ResetSpins(spins_, kProgressionRows); });
  connect(advanced, &QPushButton::clicked, this, [this] { Advanced(); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  auto* row = new QHBoxLayout;
  row->addWidget(advanced);
  row->addStretch();
  layout->addLayout(row);
  layout->addWidget(buttons);
}

void CChordwiseOptionsDlg::Store() { ReadSpins(spins_, kProgressionRows, weights_); }

bool CChordwiseOptionsDlg::Advanced() {
  Store();
  CChordwiseAdvancedDlg dialog(this, weights_);
  return dialog.exec() == QDialog::Accepted;
}

void CChordwiseOptionsDlg::accept() {
  Store();
  SaveChordwiseSettings(weights_);
  QDialog::accept();
}

}  // namespace tunora
