#include "gui/app/CDlgPrefFind.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/Settings.h"
#include "gui/app/CFieldOrderDlg.h"
#include "tunefile/Fields.h"

namespace tunora {

CDlgPrefFind::CDlgPrefFind(QWidget* parent) : CPrefPage(QStringLiteral("Find"), parent) {
  field_ = new QComboBox(this);
  field_->setObjectName(QStringLiteral("Field"));
  auto* order = new QPushButton(QStringLiteral("&Field Order..."), this);
  order->setObjectName(QStringLiteral("FieldOrder"));
  connect(order, &QPushButton::clicked, this, &CDlgPrefFind::OnFieldOrder);
  auto* fieldRow = new QHBoxLayout;
  fieldRow->addWidget(field_, 1);
  fieldRow->addWidget(order);

  looseMatch_ = new QSpinBox(this);
  looseMatch_->setRange(0, 100);
  looseMatch_->setSuffix(QStringLiteral(" %"));
  searchType_ = new QComboBox(this);
  searchType_->addItems(
      {QStringLiteral("Text"), QStringLiteral("Music"), QStringLiteral("Advanced")});

  auto* text = new QGroupBox(QStringLiteral("Text Search"), this);
  auto* form = new QFormLayout(text);
  form->addRow(QStringLiteral("&Search Type:"), searchType_);
  auto* fieldLabel = new QLabel(QStringLiteral("In F&ield:"), this);
  fieldLabel->setBuddy(field_);
  form->addRow(fieldLabel, fieldRow);
  form->addRow(QStringLiteral("&Loose Match:"), looseMatch_);

  exactMatch_ = new QCheckBox(QStringLiteral("E&xact Match"), this);
  ignoreCase_ = new QCheckBox(QStringLiteral("Ignore &Case"), this);
  subdir_ = new QCheckBox(QStringLiteral("Search Su&bdirectories"), this);
  fromBeginning_ = new QCheckBox(QStringLiteral("From Be&ginning"), this);
  auto* checks = new QGridLayout;
  checks->addWidget(exactMatch_, 0, 0);
  checks->addWidget(ignoreCase_, 0, 1);
  checks->addWidget(subdir_, 1, 0);
  checks->addWidget(fromBeginning_, 1, 1);
  form->addRow(checks);

  defaultButton_ = new QComboBox(this);
  defaultButton_->addItems({QStringLiteral("Go To"), QStringLiteral("Edit"), QStringLiteral("Play"),
                            QStringLiteral("Play Now")});
  findPos_ = new QComboBox(this);
  findPos_->addItems(
      {QStringLiteral("Anywhere"), QStringLiteral("Lower Left"), QStringLiteral("Upper Right")});
  auto* found = new QGroupBox(QStringLiteral("Found Files"), this);
  auto* foundForm = new QFormLayout(found);
  foundForm->addRow(QStringLiteral("&Double-click does:"), defaultButton_);
  foundForm->addRow(QStringLiteral("Window &Position:"), findPos_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(found);
  layout->addStretch();
}

void CDlgPrefFind::FillChooser(char letter) {
  field_->clear();
  const std::vector<ChooserEntry> entries = FieldChooserEntries(fieldOrder_);
  for (const ChooserEntry& e : entries) {
    field_->addItem(QString::fromStdString(e.name), QChar(e.letter));
  }
  field_->setCurrentIndex(letter ? FieldChooserIndex(entries, letter) : -1);
}

char CDlgPrefFind::ChosenLetter() const {
  if (field_->currentIndex() < 0) return 0;
  QString letter = field_->currentData().toString();
  return letter.isEmpty() ? 0 : static_cast<char>(letter[0].toLatin1());
}

void CDlgPrefFind::Load(const Settings& s) {
  const SearchSettings& f = s.search;
  fieldOrder_ = f.fieldOrder;
  fieldOriginal_ = f.field;
  FillChooser(f.field.empty() ? 0 : f.field[0]);
  exactMatch_->setChecked(f.exactMatch);
  ignoreCase_->setChecked(f.ignoreCase);
  subdir_->setChecked(f.subdir);
  fromBeginning_->setChecked(f.fromBeginning);
  looseMatch_->setValue(f.looseMatch);
  defaultButton_->setCurrentIndex(std::clamp(f.findDefaultButton, 0, 3));
  findPos_->setCurrentIndex(std::clamp(f.findPos, 0, 2));
  searchType_->setCurrentIndex(std::clamp(f.searchType, 0, 2));
}

bool CDlgPrefFind::Store(Settings& s) {
  SearchSettings& f = s.search;
  f.fieldOrder = fieldOrder_;
  char letter = ChosenLetter();
  // An unchanged choice keeps the stored value as it was.
  bool same = letter ? (!fieldOriginal_.empty() && fieldOriginal_[0] == letter)
                     : fieldOriginal_.empty() || !FieldLongName(fieldOriginal_[0]);
  f.field = same ? fieldOriginal_ : std::string(letter ? 1 : 0, letter);
  f.exactMatch = exactMatch_->isChecked();
  f.ignoreCase = ignoreCase_->isChecked();
  f.subdir = subdir_->isChecked();
  f.fromBeginning = fromBeginning_->isChecked();
  f.looseMatch = looseMatch_->value();
  f.findDefaultButton = defaultButton_->currentIndex();
  f.findPos = findPos_->currentIndex();
  f.searchType = searchType_->currentIndex();
  return true;
}

void CDlgPrefFind::OnFieldOrder() {
  char letter = ChosenLetter();
  CFieldOrderDlg dialog("", fieldOrder_, "", nullptr, this);
  if (dialog.exec() != QDialog::Accepted) return;
  fieldOrder_ = dialog.Order();
  FillChooser(letter);
}

}  // namespace tunora
