#include "gui/play/options/COptStyleListPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/app/Messages.h"

namespace tunora {

COptStyleListPage::COptStyleListPage(const QString& caption, const QStringList& headers,
                                     QWidget* parent)
    : COptPlayPage(caption, parent) {
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("List"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setHeaderLabels(headers);
  list_->header()->setStretchLastSection(true);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnEdit(); });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });

  buttons_ = new QVBoxLayout;
  connect(AddButton(QStringLiteral("&Edit...")), &QPushButton::clicked, this,
          &COptStyleListPage::OnEdit);
  connect(AddButton(QStringLiteral("&New...")), &QPushButton::clicked, this,
          &COptStyleListPage::OnNew);
  connect(AddButton(QStringLiteral("Dele&te")), &QPushButton::clicked, this,
          &COptStyleListPage::OnDelete);
  connect(AddButton(QStringLiteral("&Up 1")), &QPushButton::clicked, this,
          &COptStyleListPage::OnUp);
  connect(AddButton(QStringLiteral("&Down 1")), &QPushButton::clicked, this,
          &COptStyleListPage::OnDown);
  buttons_->addStretch();

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons_);
}

QPushButton* COptStyleListPage::AddButton(const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(text);
  button->setAutoDefault(false);
  // Before the stretch, when there is one.
  const int at = buttons_->count() > 0 && buttons_->itemAt(buttons_->count() - 1)->spacerItem()
                     ? buttons_->count() - 1
                     : buttons_->count();
  buttons_->insertWidget(at, button);
  return button;
}

QPushButton* COptStyleListPage::Button(const QString& text) const {
  return findChild<QPushButton*>(text);
}

int COptStyleListPage::CurrentRow() const {
  QTreeWidgetItem* item = list_->currentItem();
  return item ? list_->indexOfTopLevelItem(item) : -1;
}

void COptStyleListPage::SetCurrentRow(int row) {
  if (row >= 0 && row < list_->topLevelItemCount()) {
    list_->setCurrentItem(list_->topLevelItem(row));
  } else {
    list_->setCurrentItem(nullptr);
  }
  UpdateButtons();
}

void COptStyleListPage::Refill(int row) {
  list_->clear();
  for (int i = 0; i < Count(); ++i) {
    auto* item = new QTreeWidgetItem(RowTexts(i));
    // Long texts are cut in their column; the whole text shows on hovering.
    for (int c = 0; c < item->columnCount(); ++c) item->setToolTip(c, item->text(c));
    list_->addTopLevelItem(item);
  }
  // Room between the columns.
  const int gap = list_->fontMetrics().horizontalAdvance(QStringLiteral("00"));
  for (int c = 0; c + 1 < list_->columnCount(); ++c) {
    list_->resizeColumnToContents(c);
    list_->setColumnWidth(c, list_->columnWidth(c) + gap);
  }
  SetCurrentRow(row < Count() ? row : Count() - 1);
}

void COptStyleListPage::UpdateButtons() {
  const int row = CurrentRow();
  const bool selected = row >= 0;
  for (const char* text : {"&Edit...", "Dele&te"}) {
    if (QPushButton* b = Button(QString::fromLatin1(text))) b->setEnabled(selected);
  }
  if (QPushButton* b = Button(QStringLiteral("&Up 1"))) b->setEnabled(row > 0);
  if (QPushButton* b = Button(QStringLiteral("&Down 1")))
    b->setEnabled(selected && row + 1 < Count());
}

void COptStyleListPage::OnEdit() {
  const int row = CurrentRow();
  if (row < 0) return;
  if (EditRow(row)) Refill(row);
}

void COptStyleListPage::OnNew() {
  // After the selected row, else at the end.
  const int row = CurrentRow() >= 0 ? CurrentRow() + 1 : Count();
  InsertNew(row);
  Refill(row);
  // A new entry that is not confirmed goes again.
  if (!EditRow(row)) {
    RemoveRow(row);
    Refill(row - 1);
    return;
  }
  Refill(row);
}

void COptStyleListPage::OnDelete() {
  const int row = CurrentRow();
  if (row < 0) return;
  const QString question = DeleteQuestion();
  if (!question.isEmpty() && !AskYesNo(this, question)) return;
  RemoveRow(row);
  Refill(row);
}

void COptStyleListPage::OnUp() {
  const int row = CurrentRow();
  if (row < 0) return;
  Refill(MoveRow(row, true));
}

void COptStyleListPage::OnDown() {
  const int row = CurrentRow();
  if (row < 0) return;
  Refill(MoveRow(row, false));
}

}  // namespace tunora
