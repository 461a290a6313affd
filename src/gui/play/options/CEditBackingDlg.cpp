#include "gui/play/options/CEditBackingDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/app/CPrefPage.h"
#include "gui/app/Messages.h"
#include "gui/play/options/OptWidgets.h"

namespace tunora {

CEditBackingDlg::CEditBackingDlg(const Backing& backing, QWidget* parent)
    : QDialog(parent), backing_(backing) {
  setWindowTitle(QStringLiteral("Edit Backing Style"));
  name_ = new QLineEdit(CPrefPage::TextOf(backing.name), this);
  name_->setObjectName(QStringLiteral("Name"));
  auto* nameLabel = new QLabel(QStringLiteral("&Name:"), this);
  nameLabel->setBuddy(name_);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(nameLabel);
  nameRow->addWidget(name_, 1);

  // Patterns line up better in a fixed-width font.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* grid = new QGridLayout;
  auto* meterHead = new QLabel(QStringLiteral("&Meter or beat"), this);
  auto* patternHead = new QLabel(QStringLiteral("&Pattern"), this);
  grid->addWidget(meterHead, 0, 0);
  grid->addWidget(patternHead, 0, 1);
  for (size_t i = 0; i < meters_.size(); ++i) {
    meters_[i] = new QLineEdit(this);
    meters_[i]->setObjectName(QStringLiteral("Meter%1").arg(i + 1));
    patterns_[i] = new QLineEdit(this);
    patterns_[i]->setObjectName(QStringLiteral("Pattern%1").arg(i + 1));
    patterns_[i]->setFont(fixed);
    if (i < backing.pairs.size()) {
      meters_[i]->setText(CPrefPage::TextOf(backing.pairs[i].meters));
      patterns_[i]->setText(CPrefPage::TextOf(backing.pairs[i].pattern));
    }
    grid->addWidget(meters_[i], static_cast<int>(i) + 1, 0);
    grid->addWidget(patterns_[i], static_cast<int>(i) + 1, 1);
  }
  meterHead->setBuddy(meters_[0]);
  patternHead->setBuddy(patterns_[0]);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 3);

  auto* hint = new QLabel(
      QStringLiteral("Default length: 1/8.\nNotes from lowest in chord: abcdefgh (etc)"), this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditBackingDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CEditBackingDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addLayout(grid);
  layout->addWidget(hint);
  layout->addWidget(buttons);
  resize(560, sizeHint().height());
}

void CEditBackingDlg::accept() {
  auto refuse = [this](QLineEdit* field, const QString& text) {
    MessageWarning(this, text);
    field->setFocus();
    return;
  };
  const QString name = name_->text().trimmed();
  if (name.isEmpty()) return refuse(name_, QStringLiteral("Please enter a name."));
  if (!CheckStyleText(name_, name)) return;

  Backing b = backing_;
  b.name = CPrefPage::BytesOf(backing_.name, name);
  b.pairs.clear();
  for (size_t i = 0; i < meters_.size(); ++i) {
    // The player looks a meter up between the commas of the list, so blanks would hide it.
    QString meters = meters_[i]->text();
    meters.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    const QString pattern = patterns_[i]->text().trimmed();
    if (meters.isEmpty() && pattern.isEmpty()) continue;
    // The meter list ends at the first colon of the line in the file.
    if (meters.isEmpty() || meters.contains(QLatin1Char(':'))) {
      return refuse(meters_[i], QStringLiteral("Please enter the meters of this pattern, "
                                               "such as 3/4 or 2/4,4/4 (without a colon)."));
    }
    if (!CheckStyleText(meters_[i], meters) || !CheckStyleText(patterns_[i], pattern)) return;
    const BackingPair* old = i < backing_.pairs.size() ? &backing_.pairs[i] : nullptr;
    b.pairs.push_back({CPrefPage::BytesOf(old ? old->meters : std::string(), meters),
                       CPrefPage::BytesOf(old ? old->pattern : std::string(), pattern)});
  }
  backing_ = std::move(b);
  QDialog::accept();
}

}  // namespace tunora
