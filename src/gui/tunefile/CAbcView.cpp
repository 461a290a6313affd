#include "gui/tunefile/CAbcView.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Settings.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/TuneListBox.h"
#include "gui/tunefile/TuneListModel.h"

namespace tunora {

namespace {
constexpr int kMargin = 4;
}

CAbcView::CAbcView(CAbcDoc* document, QWidget* parent) : CMinFormView(document, parent) {
  list_ = new TuneListBox(this, this);
  list_->setModel(&document->Model());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(list_);
  setFocusProxy(list_);
  list_->SetMultiColumn(CAbcDoc::CurrentSettings().preferences.multiColumn);

  connect(list_, &TuneListBox::EditRequested, document, [document] { document->Edit(false); });
  connect(list_, &TuneListBox::DeleteRequested, document,
          [document] { document->RemoveSelected(false); });
  connect(document, &CAbcDoc::LinesInserted, this,
          [this](int first, int last) { SelectRange(first, last); });
  // In many columns a longer line widens every column.
  connect(&document->Model(), &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { list_->WidenColumnFor(first, last); });
  connect(&document->Model(), &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& first, const QModelIndex& last) {
            list_->WidenColumnFor(first.row(), last.row());
          });
}

CAbcView::~CAbcView() = default;

CAbcDoc* CAbcView::Doc() const { return static_cast<CAbcDoc*>(Document()); }

int CAbcView::CurrentLine(bool mustBeSelected) const {
  QModelIndex current = list_->currentIndex();
  if (!current.isValid()) return mustBeSelected ? -1 : 0;
  if (mustBeSelected && !list_->selectionModel()->isSelected(current)) return -1;
  return current.row();
}

std::vector<int> CAbcView::SelectedLines() const {
  std::vector<int> lines;
  const QItemSelection selection = list_->selectionModel()->selection();
  for (const QItemSelectionRange& range : selection)
    for (int row = range.top(); row <= range.bottom(); ++row) lines.push_back(row);
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

bool CAbcView::HasSelectedTune() const {
  for (const QItemSelectionRange& range : list_->selectionModel()->selection())
    if (range.bottom() >= 1) return true;
  return false;
}

void CAbcView::SelectLine(int line) {
  QAbstractItemModel* m = list_->model();
  if (m == nullptr || m->rowCount() == 0) return;
  line = std::clamp(line, 0, m->rowCount() - 1);
  QModelIndex index = m->index(line, 0);
  list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  list_->scrollTo(index);
}

void CAbcView::SelectRange(int first, int last) {
  QAbstractItemModel* m = list_->model();
  if (m == nullptr || m->rowCount() == 0) return;
  first = std::clamp(first, 0, m->rowCount() - 1);
  last = std::clamp(last, 0, m->rowCount() - 1);
  // The first line is the anchor of a later Shift selection, the last the caret.
  list_->selectionModel()->setCurrentIndex(m->index(first, 0), QItemSelectionModel::ClearAndSelect);
  list_->selectionModel()->select(QItemSelection(m->index(first, 0), m->index(last, 0)),
                                  QItemSelectionModel::Select);
  list_->selectionModel()->setCurrentIndex(m->index(last, 0), QItemSelectionModel::NoUpdate);
  list_->scrollTo(m->index(last, 0));
}

void CAbcView::SelectLines(const std::vector<int>& lines) {
  QAbstractItemModel* m = list_->model();
  if (m == nullptr || lines.empty()) return;
  std::vector<int> sorted;
  for (int line : lines)
    if (line >= 0 && line < m->rowCount()) sorted.push_back(line);
  std::sort(sorted.begin(), sorted.end());
  if (sorted.empty()) return;
  // One range per run of neighbouring lines.
  QItemSelection selection;
  size_t k = 0;
  while (k < sorted.size()) {
    size_t j = k + 1;
    while (j < sorted.size() && sorted[j] <= sorted[j - 1] + 1) ++j;
    selection.append(QItemSelectionRange(m->index(sorted[k], 0), m->index(sorted[j - 1], 0)));
    k = j;
  }
  list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  QModelIndex last = m->index(std::clamp(lines.back(), 0, m->rowCount() - 1), 0);
  list_->selectionModel()->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
  list_->scrollTo(last);
}

void CAbcView::SelectAllLines() { list_->selectAll(); }

QString CAbcView::PositionText() const {
  const int count = static_cast<int>(Doc()->File().TuneCount());
  const int line = CurrentLine();
  if (line >= 1 && line <= count) return QStringLiteral("Tune %1 of %2").arg(line).arg(count);
  return count == 1 ? QStringLiteral("1 tune") : QStringLiteral("%1 tunes").arg(count);
}

int CAbcView::ScrollPosition() const { return list_->verticalScrollBar()->value(); }

void CAbcView::SetScrollPosition(int value) { list_->verticalScrollBar()->setValue(value); }

void CAbcView::SetFormFromFont() {
  // The sample "hg" gives the line height and (half its width) the character width.
  QFontMetrics fm(list_->font());
  const int lineHeight = std::max(fm.boundingRect(QStringLiteral("hg")).height(), fm.height());
  const int charWidth = std::max(fm.horizontalAdvance(QStringLiteral("hg")) / 2, 1);
  const int frame = 2 * list_->frameWidth();
  const int scrollBar = list_->verticalScrollBar()->sizeHint().width();
  QSize form(2 * kMargin + frame + std::max(16 * charWidth, 120) + scrollBar + 2,
             2 * kMargin + frame + 2 * lineHeight + 24);
  SetFormSize(form);

  const PreferenceSettings& p = CAbcDoc::CurrentSettings().preferences;
  QSize wanted;
  if (p.tuneListHeight > 0 && p.tuneListWidth > 0) {
    wanted = QSize(2 * kMargin + frame + p.tuneListWidth * charWidth + scrollBar,
                   2 * kMargin + frame + p.tuneListHeight * list_->LineHeight());
  } else {
    wanted = QSize(2 * kMargin + frame + 40 * charWidth + scrollBar,
                   2 * kMargin + frame + 20 * std::max(list_->LineHeight(), lineHeight));
    // Without a saved size a list takes a comfortable part of the main window.
    wanted = wanted.expandedTo(AreaShare(40, 80));
  }
  ResizeClientTo(wanted.expandedTo(form));
}

void CAbcView::OnInitialUpdate() {
  SetFormFromFont();
  Filled();
  CMinFormView::OnInitialUpdate();
}

void CAbcView::Filled() {
  list_->RecomputeColumnWidth();
  SelectLine(0);
  list_->scrollToTop();
}

void CAbcView::OnUpdate(CMinFormView* sender, int hint) {
  (void)sender;
  (void)hint;
  Doc()->Model().RefreshAll();
}

void CAbcView::ApplySettings() {
  bool multi = CAbcDoc::CurrentSettings().preferences.multiColumn;
  if (multi != list_->MultiColumn()) list_->SetMultiColumn(multi);
  list_->RecomputeColumnWidth();
  list_->viewport()->update();
}

bool CAbcView::OnCommand(CommandId id) {
  if (id == CommandId::kEditSelectAll) {
    SelectAllLines();
    return true;
  }
  return false;
}

bool CAbcView::OnUpdateCommand(CommandId id, CommandState& state) {
  if (id == CommandId::kEditSelectAll) {
    state.enabled = true;
    return true;
  }
  return false;
}

}  // namespace tunora
