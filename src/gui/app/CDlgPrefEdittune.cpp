#include "gui/app/CDlgPrefEdittune.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Settings.h"

namespace tunora {

CDlgPrefEdittune::CDlgPrefEdittune(QWidget* parent)
    : CPrefPage(QStringLiteral("Edit Tune"), parent) {
  height_ = new QSpinBox(this);
  height_->setRange(0, 500);
  height_->setSpecialValueText(QStringLiteral("Standard"));
  height_->setSuffix(QStringLiteral(" lines"));
  width_ = new QSpinBox(this);
  width_->setRange(0, 1000);
  width_->setSpecialValueText(QStringLiteral("Standard"));
  width_->setSuffix(QStringLiteral(" characters"));
  titleFormat_ = new QLineEdit(this);
  titleFormat_->setToolTip(QStringLiteral("Tune format string, for example %X %#T (%f)"));

  auto* window = new QGroupBox(QStringLiteral("Editor Window"), this);
  auto* form = new QFormLayout(window);
  form->addRow(QStringLiteral("&Height:"), height_);
  form->addRow(QStringLiteral("&Width:"), width_);
  form->addRow(QStringLiteral("&Title Format:"), titleFormat_);

  font_ = new QLabel(this);
  font_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  font_->setMinimumWidth(180);
  auto* fontButton = new QPushButton(QStringLiteral("&Font..."), this);
  connect(fontButton, &QPushButton::clicked, this, &CDlgPrefEdittune::OnFont);
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(font_, 1);
  fontRow->addWidget(fontButton);
  form->addRow(QStringLiteral("ABC Text Font:"), fontRow);

  saveFileAlso_ = new QCheckBox(QStringLiteral("Saving a tune also &saves its tune file"), this);
  rawDefault_ = new QCheckBox(QStringLiteral("Edit opens the &raw editor"), this);
  defaultTool_ = new QComboBox(this);
  defaultTool_->addItems(
      {QStringLiteral("ABC"), QStringLiteral("Chords"), QStringLiteral("Transpose")});
  auto* editing = new QGroupBox(QStringLiteral("Editing"), this);
  auto* editForm = new QFormLayout(editing);
  editForm->addRow(saveFileAlso_);
  editForm->addRow(rawDefault_);
  editForm->addRow(QStringLiteral("Tools &Open On:"), defaultTool_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(window);
  layout->addWidget(editing);
  layout->addStretch();
}

void CDlgPrefEdittune::ShowFont() {
  font_->setText(QStringLiteral("%1, %2 pt").arg(TextOf(fontFace_)).arg(fontSize_));
}

void CDlgPrefEdittune::Load(const Settings& s) {
  const PreferenceSettings& p = s.preferences;
  height_->setValue(p.editTuneHeight);
  width_->setValue(p.editTuneWidth);
  titleOriginal_ = p.edittitleFormat;
  titleFormat_->setText(TextOf(p.edittitleFormat));
  saveFileAlso_->setChecked(p.saveTuneFileAlso);
  rawDefault_->setChecked(p.rawEditDefault);
  defaultTool_->setCurrentIndex(std::clamp(p.defaultTool, 0, 2));
  fontFace_ = s.fonts.abcFontFace;
  fontSize_ = s.fonts.abcFontSize;
  ShowFont();
}

bool CDlgPrefEdittune::Store(Settings& s) {
  PreferenceSettings& p = s.preferences;
  p.editTuneHeight = height_->value();
  p.editTuneWidth = width_->value();
  p.edittitleFormat = BytesOf(titleOriginal_, titleFormat_->text());
  p.saveTuneFileAlso = saveFileAlso_->isChecked();
  p.rawEditDefault = rawDefault_->isChecked();
  p.defaultTool = defaultTool_->currentIndex();
  s.fonts.abcFontFace = fontFace_;
  s.fonts.abcFontSize = fontSize_;
  return true;
}

void CDlgPrefEdittune::OnFont() {
  bool ok = false;
  QFont start(TextOf(fontFace_), fontSize_);
  start.setStyleHint(QFont::TypeWriter);
  QFont chosen = QFontDialog::getFont(&ok, start, this, QStringLiteral("ABC Text Font"),
                                      QFontDialog::MonospacedFonts);
  if (!ok) return;
  // The setting holds "face,size": a comma in the face would split it.
  fontFace_ = chosen.family().remove(QLatin1Char(',')).toStdString();
  fontSize_ = std::max(1, chosen.pointSize());
  ShowFont();
}

}  // namespace tunora
