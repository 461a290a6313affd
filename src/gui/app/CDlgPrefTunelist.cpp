#include "gui/app/CDlgPrefTunelist.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Settings.h"

namespace tunora {

CDlgPrefTunelist::CDlgPrefTunelist(QWidget* parent)
    : CPrefPage(QStringLiteral("Tune List"), parent) {
  listFormat_ = new QLineEdit(this);
  listFormat_->setObjectName(QStringLiteral("TunelistFormat"));
  prefFormat_ = new QLineEdit(this);
  prefFormat_->setObjectName(QStringLiteral("PreftextFormat"));
  auto* hint =
      new QLabel(QStringLiteral("%X number, %T titles (%#T the first), %R rhythm, %C composer, "
                                "%K key, %x position; \\t gives a tab."),
                 this);
  hint->setWordWrap(true);
  QFont small = hint->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  hint->setFont(small);

  tabWidth_ = new QSpinBox(this);
  tabWidth_->setObjectName(QStringLiteral("TunelistTabWidth"));
  tabWidth_->setRange(0, 200);
  tabWidth_->setSpecialValueText(QStringLiteral("Fit the widest entries"));
  tabWidth_->setSuffix(QStringLiteral(" characters"));

  auto* lines = new QGroupBox(QStringLiteral("Lines"), this);
  auto* form = new QFormLayout(lines);
  form->addRow(QStringLiteral("&Tune Line Format:"), listFormat_);
  form->addRow(QStringLiteral("&Header Line Text:"), prefFormat_);
  form->addRow(hint);
  form->addRow(QStringLiteral("Tab &stops every:"), tabWidth_);

  multiColumn_ = new QCheckBox(QStringLiteral("&Multi-column list"), this);
  height_ = new QSpinBox(this);
  height_->setRange(0, 500);
  height_->setSpecialValueText(QStringLiteral("Standard"));
  height_->setSuffix(QStringLiteral(" lines"));
  width_ = new QSpinBox(this);
  width_->setRange(0, 1000);
  width_->setSpecialValueText(QStringLiteral("Standard"));
  width_->setSuffix(QStringLiteral(" characters"));
  auto* window = new QGroupBox(QStringLiteral("Window"), this);
  auto* windowForm = new QFormLayout(window);
  windowForm->addRow(multiColumn_);
  windowForm->addRow(QStringLiteral("H&eight:"), height_);
  windowForm->addRow(QStringLiteral("&Width:"), width_);

  askCut_ = new QCheckBox(QStringLiteral("Ask before removing &one tune"), this);
  askCutMulti_ = new QCheckBox(QStringLiteral("Ask before removing &several tunes"), this);
  auto* confirm = new QGroupBox(QStringLiteral("Cut and Delete"), this);
  auto* confirmLayout = new QVBoxLayout(confirm);
  confirmLayout->addWidget(askCut_);
  confirmLayout->addWidget(askCutMulti_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lines);
  layout->addWidget(window);
  layout->addWidget(confirm);
  layout->addStretch();
}

void CDlgPrefTunelist::Load(const Settings& s) {
  const PreferenceSettings& p = s.preferences;
  listOriginal_ = p.tunelistFormat;
  prefOriginal_ = p.preftextFormat;
  listFormat_->setText(TextOf(p.tunelistFormat));
  prefFormat_->setText(TextOf(p.preftextFormat));
  tabWidth_->setValue(p.tunelistTabWidth);
  multiColumn_->setChecked(p.multiColumn);
  height_->setValue(p.tuneListHeight);
  width_->setValue(p.tuneListWidth);
  askCut_->setChecked(p.askCut);
  askCutMulti_->setChecked(p.askCutMulti);
}

bool CDlgPrefTunelist::Store(Settings& s) {
  PreferenceSettings& p = s.preferences;
  p.tunelistFormat = BytesOf(listOriginal_, listFormat_->text());
  p.preftextFormat = BytesOf(prefOriginal_, prefFormat_->text());
  p.tunelistTabWidth = tabWidth_->value();
  p.multiColumn = multiColumn_->isChecked();
  p.tuneListHeight = height_->value();
  p.tuneListWidth = width_->value();
  p.askCut = askCut_->isChecked();
  p.askCutMulti = askCutMulti_->isChecked();
  return true;
}

}  // namespace tunora
