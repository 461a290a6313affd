#include "gui/play/options/COptPlayBacking.h"

#include <QPushButton>

#include "gui/app/CPrefPage.h"
#include "gui/play/options/CEditBackingDlg.h"

namespace tunora {

COptPlayBacking::COptPlayBacking(QWidget* parent)
    : BackingListPage(
          QStringLiteral("Backing"),
          {QStringLiteral("Name"), QStringLiteral("Standard"), QStringLiteral("Meters")}, parent) {
  connect(AddButton(QStringLiteral("Use as &Standard Backing Style")), &QPushButton::clicked, this,
          &COptPlayBacking::OnStandard);
}

QStringList COptPlayBacking::RowTexts(int row) const {
  const Backing& b = Entry(row);
  QStringList meters;
  for (const BackingPair& pair : b.pairs) meters << CPrefPage::TextOf(pair.meters);
  return {CPrefPage::TextOf(b.name), b.use ? QStringLiteral("yes") : QString(),
          meters.join(QStringLiteral(" | "))};
}

bool COptPlayBacking::EditRow(int row) {
  CEditBackingDlg dialog(Entry(row), this);
  if (dialog.exec() != QDialog::Accepted) return false;
  Entry(row) = dialog.Result();
  return true;
}

void COptPlayBacking::InsertNew(int row) {
  Backing b;
  b.name = "[New]";
  Insert(row, std::move(b));
}

QString COptPlayBacking::DeleteQuestion() const {
  return QStringLiteral("Are you sure you want to delete this backing style?");
}

void COptPlayBacking::OnStandard() {
  const int row = CurrentRow();
  if (row < 0) return;
  SetStandardBacking(entries_, static_cast<size_t>(row));
  Refill(row);
}

}  // namespace tunora
