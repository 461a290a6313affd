#include "gui/app/CFieldOrderDlg.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/Messages.h"

namespace tunora {

CFieldOrderDlg::CFieldOrderDlg(const std::string& prefix, const std::string& order,
                               const std::string& suffix, const std::string* flags, QWidget* parent)
    : QDialog(parent), model_(prefix, order, suffix, flags) {
  setWindowTitle(QStringLiteral("Field Order"));
  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(260, 320);

  auto* buttons = new QVBoxLayout;
  auto add = [&](const QString& text, void (CFieldOrderDlg::*slot)()) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(text);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    return b;
  };
  add(QStringLiteral("First"), &CFieldOrderDlg::OnFirst);
  add(QStringLiteral("Up 1"), &CFieldOrderDlg::OnUp);
  add(QStringLiteral("Down 1"), &CFieldOrderDlg::OnDown);
  add(QStringLiteral("Last"), &CFieldOrderDlg::OnLast);
  expanded_ = add(QStringLiteral("Expanded"), &CFieldOrderDlg::OnExpanded);
  expanded_->setVisible(model_.HasFlags());
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("Cancel"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { model_.Select(row); });
  Refill();
}

QPushButton* CFieldOrderDlg::Button(const QString& text) const {
  return findChild<QPushButton*>(text);
}

void CFieldOrderDlg::Refill() {
  int selected = model_.Selected();
  list_->blockSignals(true);
  list_->clear();
  for (const FieldOrderModel::Entry& e : model_.Entries()) {
    QString text = QString::fromStdString(e.text);
    // The mark sits in its own column, after a tab.
    text.replace(QLatin1Char('\t'), QStringLiteral("    "));
    list_->addItem(text);
  }
  if (selected >= 0 && selected < list_->count()) list_->setCurrentRow(selected);
  list_->blockSignals(false);
}

void CFieldOrderDlg::Run(std::string (FieldOrderModel::*step)()) {
  if (model_.Selected() < 0) return;
  std::string message = (model_.*step)();
  if (!message.empty()) {
    MessageWarning(this, QString::fromStdString(message));
    return;
  }
  Refill();
}

void CFieldOrderDlg::OnFirst() { Run(&FieldOrderModel::First); }
void CFieldOrderDlg::OnUp() { Run(&FieldOrderModel::Up); }
void CFieldOrderDlg::OnDown() { Run(&FieldOrderModel::Down); }
void CFieldOrderDlg::OnLast() { Run(&FieldOrderModel::Last); }

void CFieldOrderDlg::OnExpanded() {
  if (!model_.HasFlags() || model_.Selected() < 0) return;
  model_.ToggleExpanded();
  Refill();
}

}  // namespace tunora
