#include "gui/tunefile/TuneListBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/Settings.h"
#include "gui/app/Messages.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TuneListModel.h"

namespace tunora {

namespace {

bool IsModifierKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock: return true;
    default: return false;
  }
}

}  // namespace

// Draws a line whose text holds tabs cell by cell at the list's tab stops; the
// cells' widths widen the stops as lines are drawn.
class TabbedLineDelegate : public QStyledItemDelegate {
 public:
  explicit TabbedLineDelegate(TuneListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!opt.text.contains(QLatin1Char('\t'))) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const QString text = opt.text;
    // Lines drawn earlier move to a stop that this line widened.
    if (list_->MeasureCells(text)) list_->viewport()->update();
    opt.text.clear();
    QStyle* style = list_->style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, list_);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, list_);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    const QRect textArea = area.adjusted(margin, 0, -margin, 0);
    const QStringList cells = text.split(QLatin1Char('\t'));
    const std::vector<int> at = list_->CellPositions(text);
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(
        group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    for (qsizetype k = 0; k < cells.size(); ++k) {
      const int left = textArea.left() + at[static_cast<size_t>(k)];
      if (left >= textArea.right()) break;
      const int right =
          k + 1 < cells.size()
              ? std::min(textArea.left() + at[static_cast<size_t>(k) + 1], textArea.right())
              : textArea.right();
      const QRect cell(left, textArea.top(), right - left, textArea.height());
      painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                        opt.fontMetrics.elidedText(cells[k], opt.textElideMode, cell.width()));
    }
    painter->restore();
  }

 private:
  TuneListBox* list_;
};

TuneListBox::TuneListBox(CAbcView* owner, QWidget* parent) : QListView(parent), owner_(owner) {
  setObjectName(QStringLiteral("list%1").arg(kControlId));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setDragEnabled(false);
  setAcceptDrops(false);
  setTabKeyNavigation(false);
  setFocusPolicy(Qt::StrongFocus);
  setTextElideMode(Qt::ElideRight);
  // The list keeps its selection visible when another window is active.
  QPalette p = palette();
  p.setBrush(QPalette::Inactive, QPalette::Highlight,
             p.brush(QPalette::Active, QPalette::Highlight));
  p.setBrush(QPalette::Inactive, QPalette::HighlightedText,
             p.brush(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);
  setItemDelegate(new TabbedLineDelegate(this));
  SetMultiColumn(false);
}

void TuneListBox::ResetTabs() {
  // Characters as the window sizes count them: half the width of "hg".
  const int charWidth = std::max(fontMetrics().horizontalAdvance(QStringLiteral("hg")) / 2, 1);
  const int fixed = CAbcDoc::CurrentSettings().preferences.tunelistTabWidth;
  tabs_.Reset(std::clamp(fixed, 0, 1000) * charWidth, charWidth);
}

std::vector<int> TuneListBox::CellWidths(const QString& text) const {
  std::vector<int> widths;
  const QFontMetrics fm = fontMetrics();
  for (const QString& cell : text.split(QLatin1Char('\t')))
    widths.push_back(fm.horizontalAdvance(cell));
  return widths;
}

bool TuneListBox::MeasureCells(const QString& text) { return tabs_.Measure(CellWidths(text)); }

std::vector<int> TuneListBox::CellPositions(const QString& text) const {
  return tabs_.Positions(CellWidths(text));
}

void TuneListBox::SetMultiColumn(bool on) {
  multiColumn_ = on;
  setFlow(QListView::TopToBottom);
  setWrapping(on);
  setResizeMode(on ? QListView::Adjust : QListView::Fixed);
  setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
  setGridSize(QSize());
}

int TuneListBox::LineHeight() const {
  if (multiColumn_ && gridSize().isValid()) return gridSize().height();
  if (model() && model()->rowCount() > 0) {
    int h = visualRect(model()->index(0, 0)).height();
    if (h > 0) return h;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    h = itemDelegate()->sizeHint(option, model()->index(0, 0)).height();
    if (h > 0) return h;
  }
  return fontMetrics().height();
}

void TuneListBox::RecomputeColumnWidth() {
  ResetTabs();
  if (!multiColumn_) return;
  columnWidth_ = 20;
  int lineHeight = fontMetrics().height() + 4;
  if (model() && model()->rowCount() > 0) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    lineHeight = std::max(itemDelegate()->sizeHint(option, model()->index(0, 0)).height(), 1);
  }
  setGridSize(QSize(columnWidth_, lineHeight));
  if (model()) WidenColumnFor(0, model()->rowCount() - 1);
}

void TuneListBox::WidenColumnFor(int first, int last) {
  auto* m = qobject_cast<TuneListModel*>(model());
  if (!multiColumn_ || m == nullptr) return;
  // Every line is measured; the widest, laid out at the stops, sets the width.
  for (int line = std::max(first, 0); line <= last && line < m->rowCount(); ++line)
    MeasureCells(m->data(m->index(line), Qt::DisplayRole).toString());
  // The item's text margins on both sides, as the delegate draws them.
  const int margins =
      2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
  const int width = std::max(columnWidth_, tabs_.Width() + margins + 2);
  if (width != columnWidth_ || !gridSize().isValid()) {
    columnWidth_ = width;
    setGridSize(QSize(columnWidth_, std::max(gridSize().height(), fontMetrics().height())));
  }
}

int TuneListBox::RowsPerColumn() const {
  const int lineHeight = std::max(LineHeight(), 1);
  const int byHeight = std::max(viewport()->height() / lineHeight, 1);
  if (!multiColumn_ || model() == nullptr || model()->rowCount() == 0) return byHeight;
  // The list wraps a column before a line would touch the bottom edge: count
  // the lines of a column as laid out, from the first line shown to the line
  // beside it in the next column.
  QModelIndex top = indexAt(QPoint(1, 1));
  if (!top.isValid()) top = model()->index(0, 0);
  QRect first = visualRect(top);
  QModelIndex next = indexAt(QPoint(first.left() + ColumnWidth() + 1, first.top() + 1));
  if (next.isValid() && next.row() > top.row()) return next.row() - top.row();
  return byHeight;
}

int TuneListBox::DropLineAt(const QPoint& pos) const {
  DropGeometry g;
  g.lineCount = model() ? model()->rowCount() : 1;
  g.lineHeight = LineHeight();
  g.multiColumn = multiColumn_;
  g.columnWidth = multiColumn_ && gridSize().isValid() ? gridSize().width() : columnWidth_;
  g.clientHeight = RowsPerColumn() * g.lineHeight;
  // The first line shown, and the point relative to where it is drawn.
  QModelIndex top = indexAt(QPoint(1, 1));
  if (top.isValid()) {
    QRect r = visualRect(top);
    g.topLine = top.row();
    g.x = pos.x() - r.left();
    g.y = pos.y() - r.top();
  } else {
    g.x = pos.x();
    g.y = pos.y();
  }
  return DropTargetLine(g);
}

TuneListBox* TuneListBox::ListAt(const QPoint& globalPos) {
  for (QWidget* w = QApplication::widgetAt(globalPos); w != nullptr; w = w->parentWidget()) {
    if (auto* list = qobject_cast<TuneListBox*>(w)) return list;
    if (w->isWindow()) break;
  }
  return nullptr;
}

void TuneListBox::keyboardSearch(const QString& search) {
  // Typing is handled by the list's own type-ahead.
  (void)search;
}

void TuneListBox::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (IsModifierKey(key)) {
    QListView::keyPressEvent(event);
    return;
  }
  if (key == Qt::Key_Escape && (armed_ || dragging_)) {
    CancelMouseMode();
    return;
  }
  auto* m = qobject_cast<TuneListModel*>(model());
  if (m == nullptr) {
    QListView::keyPressEvent(event);
    return;
  }
  TypeAhead::KeyKind kind = TypeAhead::KeyKind::kOther;
  char ch = 0;
  const bool commandKey =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const QString text = event->text();
  if (key == Qt::Key_Backspace) {
    kind = TypeAhead::KeyKind::kBackspace;
  } else if (key == Qt::Key_Delete) {
    kind = TypeAhead::KeyKind::kDelete;
  } else if (!commandKey && text.size() == 1 && text[0].unicode() >= 32 &&
             text[0].unicode() < 127) {
    kind = TypeAhead::KeyKind::kCharacter;
    ch = static_cast<char>(text[0].unicode());
  }
  if (kind == TypeAhead::KeyKind::kCharacter && typed_.isValid() &&
      typed_.elapsed() > TypeAhead::kResetMs)
    search_.Clear();
  typed_.start();
  int current = currentIndex().isValid() ? currentIndex().row() : 0;
  TypeAhead::Result r =
      search_.Key(kind, ch, current, m->LineCount(), [m](int line) { return m->LineUtf8(line); });
  if (r.select >= 0) owner_->SelectLine(r.select);
  if (r.deleteSelection) {
    emit DeleteRequested();
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    emit EditRequested();
    return;
  }
  if (!r.consumed) QListView::keyPressEvent(event);
}

void TuneListBox::mousePressEvent(QMouseEvent* event) {
  if (dragging_ || armed_) return;  // a second button during a drag
  const QPoint pos = event->position().toPoint();
  const QModelIndex index = indexAt(pos);
  const Qt::MouseButton button = event->button();
  if (!index.isValid() || (button != Qt::LeftButton && button != Qt::RightButton)) {
    QListView::mousePressEvent(event);
    return;
  }
  const bool selected = selectionModel() && selectionModel()->isSelected(index);
  const bool extending = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  // A press on a selected line keeps the selection, so several tunes can be dragged.
  pressedSelected_ = selected && !extending;
  if (pressedSelected_) {
    passedPress_ = false;
    setFocus(Qt::MouseFocusReason);
  } else {
    QListView::mousePressEvent(event);
    passedPress_ = true;
  }
  armed_ = true;
  button_ = button;
  pressedLine_ = index.row();
  pressPos_ = pos;
  dragLines_ = owner_->SelectedLines();
}

void TuneListBox::mouseMoveEvent(QMouseEvent* event) {
  if (!armed_) {
    QListView::mouseMoveEvent(event);
    return;
  }
  if (dragging_) return;
  const QPoint pos = event->position().toPoint();
  if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
  CAbcDoc* doc = owner_->Doc();
  for (int line : dragLines_) {
    const TuneRecord* tune = doc->File().TuneAt(line);
    if (tune != nullptr && doc->IsTuneOpenInEditor(*tune)) {
      Disarm();
      MessageWarning(this, QStringLiteral("This tune is open for editing. Please close it first."));
      return;
    }
  }
  dragging_ = true;
  viewport()->setCursor(button_ == Qt::LeftButton ? Qt::DragMoveCursor : Qt::DragCopyCursor);
}

void TuneListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (!armed_ || event->button() != button_) {
    if (!armed_) QListView::mouseReleaseEvent(event);
    return;
  }
  const bool wasDragging = dragging_;
  const bool passed = passedPress_;
  const bool pressedSelected = pressedSelected_;
  const Qt::MouseButton button = button_;
  const int line = pressedLine_;
  if (wasDragging) {
    Drop(event->globalPosition().toPoint());
    Disarm();
    return;
  }
  Disarm();
  if (passed) QListView::mouseReleaseEvent(event);
  // A click on a selected line selects just that line.
  if (button == Qt::LeftButton && pressedSelected) owner_->SelectLine(line);
}

void TuneListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  Disarm();
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid()) {
    owner_->SelectLine(index.row());
    emit EditRequested();
    return;
  }
  QListView::mouseDoubleClickEvent(event);
}

void TuneListBox::focusOutEvent(QFocusEvent* event) {
  // A message box during a drag, or another window taking the focus, ends it.
  if (dragging_ || armed_) CancelMouseMode();
  QListView::focusOutEvent(event);
}

void TuneListBox::Disarm() {
  if (dragging_) viewport()->unsetCursor();
  armed_ = false;
  dragging_ = false;
  passedPress_ = false;
  pressedSelected_ = false;
  button_ = Qt::NoButton;
  pressedLine_ = -1;
  dragLines_.clear();
}

void TuneListBox::CancelMouseMode() {
  Disarm();
  search_.Clear();
}

void TuneListBox::Drop(const QPoint& globalPos) {
  TuneListBox* target = ListAt(globalPos);
  if (target == nullptr) return;
  int line = target->DropLineAt(target->viewport()->mapFromGlobal(globalPos));
  std::vector<int> lines = dragLines_;
  int pressed = pressedLine_;
  bool move = button_ == Qt::LeftButton;
  target->Owner()->Doc()->DropTunes(owner_->Doc(), lines, pressed, line, move);
}

}  // namespace tunora
