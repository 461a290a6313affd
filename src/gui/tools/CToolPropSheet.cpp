#include "gui/tools/CToolPropSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/app/Messages.h"
#include "gui/tools/ChordwiseDialogs.h"
#include "gui/tools/CToolDoc.h"
#include "tools/NoteWriter.h"
#include "tools/Transpose.h"

namespace tunora {

namespace {

// A group of two radio buttons side by side, the first one chosen.
QGroupBox* RadioPair(QWidget* parent, const QString& title, QRadioButton*& first,
                     const QString& firstText, QRadioButton*& second, const QString& secondText) {
  auto* group = new QGroupBox(title, parent);
  first = new QRadioButton(firstText, group);
  second = new QRadioButton(secondText, group);
  first->setChecked(true);
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(first);
  layout->addWidget(second);
  layout->addStretch();
  return group;
}

// A row with a button at its right end, under the page's controls.
void AddButtonRow(QVBoxLayout* layout, QPushButton* button) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(button);
  layout->addLayout(row);
  layout->addStretch();
}

}  // namespace

// --- ABC -------------------------------------------------------------------------------------

CToolAbcDlg::CToolAbcDlg(CToolDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  auto* removeGroup = new QGroupBox(QStringLiteral("&Remove"), this);
  auto* removeLayout = new QVBoxLayout(removeGroup);
  const char* removeNames[] = {"Chords",       "Comments",
                               "Graces",       "Line Continuation \\",
                               "Line Break !", "Spaces around Barlines"};
  for (size_t i = 0; i < remove_.size(); ++i) {
    remove_[i] = new QCheckBox(QString::fromLatin1(removeNames[i]), removeGroup);
    removeLayout->addWidget(remove_[i]);
  }
  auto* addGroup = new QGroupBox(QStringLiteral("&Add"), this);
  auto* addLayout = new QVBoxLayout(addGroup);
  const char* addNames[] = {"Line Continuation \\", "Line Break !", "Spaces around Barlines"};
  for (size_t i = 0; i < add_.size(); ++i) {
    add_[i] = new QCheckBox(QString::fromLatin1(addNames[i]), addGroup);
    addLayout->addWidget(add_[i]);
  }
  addLayout->addStretch();

  lengthOn_ = new QCheckBox(QStringLiteral("Change Default &Length to:"), this);
  length_ = new QLineEdit(this);
  length_->setMaximumWidth(80);
  wrapOn_ = new QCheckBox(QStringLiteral("&Wrap Lines to"), this);
  wrap_ = new QSpinBox(this);
  wrap_->setRange(10, 999);
  wrap_->setValue(72);
  apply_ = new QPushButton(QStringLiteral("A&pply"), this);

  auto* groups = new QHBoxLayout;
  groups->addWidget(removeGroup);
  groups->addWidget(addGroup);
  auto* grid = new QGridLayout;
  grid->addWidget(lengthOn_, 0, 0);
  grid->addWidget(length_, 0, 1);
  grid->addWidget(wrapOn_, 1, 0);
  auto* wrapRow = new QHBoxLayout;
  wrapRow->addWidget(wrap_);
  wrapRow->addWidget(new QLabel(QStringLiteral("characters"), this));
  wrapRow->addStretch();
  grid->addLayout(wrapRow, 1, 1);
  grid->setColumnStretch(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(grid);
  AddButtonRow(layout, apply_);

  connect(lengthOn_, &QCheckBox::toggled, length_, &QWidget::setEnabled);
  connect(wrapOn_, &QCheckBox::toggled, wrap_, &QWidget::setEnabled);
  length_->setEnabled(false);
  wrap_->setEnabled(false);
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
}

RewriteOptions CToolAbcDlg::Options() const {
  RewriteOptions o;
  o.mode = RewriteOptions::kAbcTools;
  o.removeChords = remove_[kChords]->isChecked();
  o.removeComments = remove_[kComments]->isChecked();
  o.removeGraces = remove_[kGraces]->isChecked();
  o.removeContinuations = remove_[kContinuations]->isChecked();
  o.removeBreaks = remove_[kBreaks]->isChecked();
  o.removeBarSpaces = remove_[kBarSpaces]->isChecked();
  o.addContinuations = add_[kAddContinuations]->isChecked();
  o.addBreaks = add_[kAddBreaks]->isChecked();
  o.addBarSpaces = add_[kAddBarSpaces]->isChecked();
  if (lengthOn_->isChecked()) o.newUnitLength = length_->text().trimmed().toStdString();
  if (wrapOn_->isChecked()) o.wrapColumn = wrap_->value();
  return o;
}

void CToolAbcDlg::Refresh() {
  if (!lengthOn_->isChecked()) length_->setText(doc_->UnitLengthText());
}

bool CToolAbcDlg::Apply() {
  RewriteOptions o = Options();
  if (lengthOn_->isChecked()) {
    uint32_t n = 0, d = 0;
    if (!ParseFraction(o.newUnitLength, n, d)) {
      MessageWarning(this, QStringLiteral("The default length must be a fraction of a whole "
                                          "note such as 1/16."));
      length_->setFocus();
      return false;
    }
  }
  return doc_->Rewrite(o);
}

// --- Chords ----------------------------------------------------------------------------------

CToolChordsDlg::CToolChordsDlg(CToolDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  strangeness_ = new QSpinBox(this);
  strangeness_->setRange(0, 100);
  strangeness_->setSuffix(QStringLiteral(" %"));
  auto* strangeLabel = new QLabel(QStringLiteral("&Strangeness:"), this);
  strangeLabel->setBuddy(strangeness_);
  QGroupBox* chordsGroup =
      RadioPair(this, QStringLiteral("&Chords"), perBeat_, QStringLiteral("per Beat"), perBar_,
                QStringLiteral("per Bar"));
  set_ = new QPushButton(QStringLiteral("S&et Chords"), this);
  view_ = new QPushButton(QStringLiteral("&View Chords"), this);
  remove_ = new QPushButton(QStringLiteral("&Remove Chords"), this);
  options_ = new QPushButton(QStringLiteral("&Options..."), this);

  auto* row = new QHBoxLayout;
  row->addWidget(strangeLabel);
  row->addWidget(strangeness_);
  row->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(set_);
  buttons->addWidget(view_);
  buttons->addWidget(remove_);
  buttons->addStretch();
  buttons->addWidget(options_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(chordsGroup);
  layout->addLayout(buttons);
  layout->addStretch();

  connect(set_, &QPushButton::clicked, this, [this] { SetChords(); });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveChords(); });
  connect(view_, &QPushButton::clicked, this, [this] { ViewChords(); });
  connect(options_, &QPushButton::clicked, this, [this] {
    CChordwiseOptionsDlg dialog(this);
    dialog.exec();
  });
}

bool CToolChordsDlg::SetChords() {
  return doc_->SetChords(static_cast<uint32_t>(strangeness_->value()), perBar_->isChecked(), true);
}

bool CToolChordsDlg::RemoveChords() { return doc_->SetChords(0, perBar_->isChecked(), false); }

void CToolChordsDlg::ViewChords() { doc_->ShowChords(); }

// --- Transpose -------------------------------------------------------------------------------

CToolTransposeDlg::CToolTransposeDlg(CToolDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  QGroupBox* direction = RadioPair(this, QStringLiteral("&up/down:"), up_, QStringLiteral("up"),
                                   down_, QStringLiteral("down"));
  by_ = new QSpinBox(this);
  by_->setRange(0, 11);
  key_ = new QComboBox(this);
  key_->setMinimumContentsLength(10);
  octaves_ = new QSpinBox(this);
  octaves_->setRange(0, 8);
  apply_ = new QPushButton(QStringLiteral("&Transpose"), this);

  auto* grid = new QGridLayout;
  auto* byLabel = new QLabel(QStringLiteral("&by:"), this);
  byLabel->setBuddy(by_);
  auto* keyLabel = new QLabel(QStringLiteral("to &key:"), this);
  keyLabel->setBuddy(key_);
  auto* plusLabel = new QLabel(QStringLiteral("&plus"), this);
  plusLabel->setBuddy(octaves_);
  grid->addWidget(direction, 0, 0, 1, 3);
  grid->addWidget(byLabel, 1, 0);
  grid->addWidget(by_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("semitones"), this), 1, 2);
  grid->addWidget(keyLabel, 2, 0);
  grid->addWidget(key_, 2, 1, 1, 2);
  grid->addWidget(plusLabel, 3, 0);
  grid->addWidget(octaves_, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("octaves"), this), 3, 2);
  grid->setColumnStretch(3, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  AddButtonRow(layout, apply_);

  connect(by_, &QSpinBox::valueChanged, this, [this] { ShowKeyForBy(); });
  connect(up_, &QRadioButton::toggled, this, [this] { ShowKeyForBy(); });
  connect(key_, &QComboBox::activated, this, [this](int index) { SetByForKey(index); });
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
}

void CToolTransposeDlg::Refresh() {
  const std::string keyText = doc_->KeyText();
  const QString mode = QString::fromStdString(KeyModeText(keyText));
  coupling_ = true;
  key_->clear();
  for (std::string_view tonic : kKeyListTonics)
    key_->addItem(QString::fromLatin1(tonic.data(), static_cast<qsizetype>(tonic.size())) + mode);
  coupling_ = false;
  ShowKeyForBy();
}

void CToolTransposeDlg::ShowKeyForBy() {
  if (coupling_) return;
  coupling_ = true;
  const QString tonic =
      QString::fromStdString(KeyListTonic(doc_->KeyText(), by_->value(), up_->isChecked()));
  int found = -1;
  for (int i = 0; i < key_->count(); ++i)
    if (key_->itemText(i).startsWith(tonic)) found = i;
  key_->setCurrentIndex(found);
  if (found < 0) key_->setEditText(tonic);
  coupling_ = false;
}

void CToolTransposeDlg::SetByForKey(int index) {
  if (coupling_ || index < 0) return;
  const int by =
      ByForTonic(doc_->KeyText(), key_->itemText(index).left(2).toStdString(), up_->isChecked());
  if (by < 0) return;
  coupling_ = true;
  by_->setValue(by);
  coupling_ = false;
}

int CToolTransposeDlg::Shift() const {
  return TransposeShift(by_->value(), octaves_->value(), up_->isChecked());
}

bool CToolTransposeDlg::Apply() {
  RewriteOptions o;
  o.mode = RewriteOptions::kTranspose;
  o.shift = Shift();
  if (o.shift == 0) return false;
  const bool done = doc_->Rewrite(o);
  if (done) {
    Refresh();
    coupling_ = true;
    by_->setValue(0);
    octaves_->setValue(0);
    coupling_ = false;
    ShowKeyForBy();
  }
  return done;
}

// --- the sheet -------------------------------------------------------------------------------

CToolPropSheet::CToolPropSheet(CToolDoc* doc, QWidget* parent) : QTabWidget(parent) {
  abc_ = new CToolAbcDlg(doc, this);
  chords_ = new CToolChordsDlg(doc, this);
  transpose_ = new CToolTransposeDlg(doc, this);
  addTab(abc_, QStringLiteral("ABC"));
  addTab(chords_, QStringLiteral("Chords"));
  addTab(transpose_, QStringLiteral("Transpose"));
}

void CToolPropSheet::Refresh() {
  abc_->Refresh();
  transpose_->Refresh();
}

}  // namespace tunora
