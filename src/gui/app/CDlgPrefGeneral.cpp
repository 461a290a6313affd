#include "gui/app/CDlgPrefGeneral.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/app/CAssociationDlg.h"
#include "gui/app/CFieldOrderDlg.h"

namespace tunora {

CDlgPrefGeneral::CDlgPrefGeneral(QWidget* parent) : CPrefPage(QStringLiteral("General"), parent) {
  abcDir_ = new QLineEdit(this);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, &CDlgPrefGeneral::OnBrowse);
  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(abcDir_, 1);
  dirRow->addWidget(browse);

  layoutFile_ = new QLineEdit(this);
  recentFiles_ = new QSpinBox(this);
  recentFiles_->setRange(0, 16);
  longFileLen_ = new QSpinBox(this);
  longFileLen_->setRange(1, 260);
  longFileLen_->setSuffix(QStringLiteral(" characters"));

  auto* files = new QGroupBox(QStringLiteral("Files"), this);
  auto* form = new QFormLayout(files);
  auto* dirLabel = new QLabel(QStringLiteral("&Directory for ABC Files:"), this);
  dirLabel->setBuddy(abcDir_);
  form->addRow(dirLabel, dirRow);
  form->addRow(QStringLiteral("&Layout File:"), layoutFile_);
  form->addRow(QStringLiteral("&Recent File List:"), recentFiles_);
  form->addRow(QStringLiteral("Long File Le&ngth:"), longFileLen_);

  saveWindows_ = new QCheckBox(QStringLiteral("Restore open &windows at next start"), this);
  convertTeX_ = new QCheckBox(QStringLiteral("Convert &TeX accents when reading and saving"), this);
  cvtTeXEsc_ = new QCheckBox(QStringLiteral("Also &escape #, && and \\ when saving"), this);
  connect(convertTeX_, &QCheckBox::toggled, cvtTeXEsc_, &QWidget::setEnabled);
  pasteDropped_ =
      new QCheckBox(QStringLiteral("&Paste dropped files instead of opening them"), this);
  noCheckAssociation_ =
      new QCheckBox(QStringLiteral("Do not &check the .abc file association at start"), this);

  auto* behaviour = new QGroupBox(QStringLiteral("Behaviour"), this);
  auto* checks = new QVBoxLayout(behaviour);
  checks->addWidget(saveWindows_);
  checks->addWidget(convertTeX_);
  auto* indented = new QHBoxLayout;
  indented->addSpacing(20);
  indented->addWidget(cvtTeXEsc_);
  checks->addLayout(indented);
  checks->addWidget(pasteDropped_);
  checks->addWidget(noCheckAssociation_);

  auto* fieldOrder = new QPushButton(QStringLiteral("&Field Order..."), this);
  fieldOrder->setObjectName(QStringLiteral("FieldOrder"));
  connect(fieldOrder, &QPushButton::clicked, this, &CDlgPrefGeneral::OnFieldOrder);
  associate_ = new QPushButton(QStringLiteral("&Associate .abc files with Tunora"), this);
  associate_->setToolTip(
      QStringLiteral("Makes Tunora open .abc files, even when they belong to another program"));
  connect(associate_, &QPushButton::clicked, this, [this] { AssociateAbcFiles(this); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(fieldOrder);
  buttons->addStretch();
  buttons->addWidget(associate_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(files);
  layout->addWidget(behaviour);
  layout->addLayout(buttons);
  layout->addStretch();
}

void CDlgPrefGeneral::Load(const Settings& s) {
  const PreferenceSettings& p = s.preferences;
  abcDirOriginal_ = p.abcDir;
  layoutOriginal_ = p.layoutFile;
  abcDir_->setText(TextOf(p.abcDir));
  layoutFile_->setText(TextOf(p.layoutFile));
  recentFiles_->setValue(p.recentFileList);
  longFileLen_->setValue(p.longFileLen);
  saveWindows_->setChecked(p.saveWindows);
  convertTeX_->setChecked(p.convertTeX);
  cvtTeXEsc_->setChecked(p.cvtTeXEsc);
  cvtTeXEsc_->setEnabled(p.convertTeX);
  pasteDropped_->setChecked(p.pasteDDEOpen);
  noCheckAssociation_->setChecked(p.noCheckAssociation);
  fieldOrder_ = p.fieldOrder;
  fieldExpanded_ = p.fieldExpanded;
}

bool CDlgPrefGeneral::Store(Settings& s) {
  PreferenceSettings& p = s.preferences;
  std::string dir = BytesOf(abcDirOriginal_, abcDir_->text().trimmed());
  // Folder paths end with "/".
  if (!dir.empty() && dir.back() != '/') dir += '/';
  p.abcDir = dir;
  p.layoutFile = BytesOf(layoutOriginal_, layoutFile_->text().trimmed());
  if (p.layoutFile.empty()) p.layoutFile = "layout.cfg";
  p.recentFileList = recentFiles_->value();
  p.longFileLen = longFileLen_->value();
  p.saveWindows = saveWindows_->isChecked();
  p.convertTeX = convertTeX_->isChecked();
  p.cvtTeXEsc = cvtTeXEsc_->isChecked();
  p.pasteDDEOpen = pasteDropped_->isChecked();
  p.noCheckAssociation = noCheckAssociation_->isChecked();
  p.fieldOrder = fieldOrder_;
  p.fieldExpanded = fieldExpanded_;
  return true;
}

void CDlgPrefGeneral::OnFieldOrder() {
  CFieldOrderDlg dialog("XT", fieldOrder_, "K", &fieldExpanded_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  fieldOrder_ = dialog.Order();
  fieldExpanded_ = dialog.Flags();
}

void CDlgPrefGeneral::OnBrowse() {
  QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Directory for ABC Files"),
                                                  abcDir_->text());
  if (!dir.isEmpty()) abcDir_->setText(dir.endsWith(QLatin1Char('/')) ? dir : dir + '/');
}

}  // namespace tunora
