#include "gui/play/options/COptPlayBacking.h"

#include <QPushButton>

#include "gui/app/CPrefPage.h"
#include "gui/play/options/CEditBackingDlg.h"
#include "play/StyleEdit.h"

namespace tunora {

COptPlayBacking::COptPlayBacking(QWidget* parent)
    : COptStyleListPage(QStringLiteral("Backing"),
                        {QStringLiteral("Name"), QStringLiteral("Standard"),
                         QStringLiteral("Meters")},
                        parent) {
  connect(AddButton(QStringLiteral("Use as &Standard Backing Style")), &QPushButton::clicked,
          this, &COptPlayBacking::OnStandard);
}

void COptPlayBacking::Load(const PlayOptionsData& data) {
  backings_ = data.styles.backings;
  Refill(0);
}

bool COptPlayBacking::Store(PlayOptionsData& data) {
  data.styles.backings = backings_;
  return true;
}

QStringList COptPlayBacking::RowTexts(int row) const {
  const Backing& b = backings_[static_cast<size_t>(row)];
  QStringList meters;
  for (const BackingPair& pair : b.pairs) meters << CPrefPage::TextOf(pair.meters);
  return {CPrefPage::TextOf(b.name), b.use ? QStringLiteral("yes") : QString(),
          meters.join(QStringLiteral(" | "))};
}

bool COptPlayBacking::EditRow(int row) {
  CEditBackingDlg dialog(backings_[static_cast<size_t>(row)], this);
  if (dialog.exec() != QDialog::Accepted) return false;
  backings_[static_cast<size_t>(row)] = dialog.Result();
  return true;
}

void COptPlayBacking::InsertNew(int row) {
  Backing b;
  b.name = "[New]";
  backings_.insert(backings_.begin() + row, std::move(b));
}

QString COptPlayBacking::DeleteQuestion() const {
  return QStringLiteral("Are you sure you want to delete this backing style?");
}

void COptPlayBacking::RemoveRow(int row) { backings_.erase(backings_.begin() + row); }

int COptPlayBacking::MoveRow(int row, bool up) {
  return static_cast<int>(MoveEntry(backings_, static_cast<size_t>(row), up));
}

void COptPlayBacking::OnStandard() {
  const int row = CurrentRow();
  if (row < 0) return;
  SetStandardBacking(backings_, static_cast<size_t>(row));
  Refill(row);
}

}  // namespace tunora
