#include "gui/editor/HeaderList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "editor/TuneForm.h"

namespace tunora {

namespace {
constexpr int kRowPadding = 6;  // above and below the text of a row
constexpr int kLabelPadding = 5;
constexpr const char* kMoreText = "...";

// Every letter a line can have.
constexpr std::string_view kFormLetters = "ABCDEFGHIJKLMNOPQRSTUVXYZum?";
}  // namespace

// --- model ---------------------------------------------------------------------------

HeaderListModel::HeaderListModel(TuneForm* form,
                                 std::function<QString(const std::string&)> toDisplay,
                                 QObject* parent)
    : QAbstractListModel(parent), form_(form), toDisplay_(std::move(toDisplay)) {}

int HeaderListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(form_->lines.size());
}

QVariant HeaderListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const FormLine& line = form_->lines[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(FormLabel(line.letter)) + QLatin1Char('\t') +
             data(index, kValueRole).toString();
    case kLetterRole: return QChar::fromLatin1(line.letter);
    case kValueRole: {
      QString value = toDisplay_(line.value);
      value.remove(QLatin1Char('\r'));
      return value;
    }
    case kExpandedRole: return line.expanded;
    case kLabelRole: return QString::fromStdString(FormLabel(line.letter));
    case kLineCountRole:
      return static_cast<int>(data(index, kValueRole).toString().count(QLatin1Char('\n'))) + 1;
    default: return {};
  }
}

Qt::ItemFlags HeaderListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void HeaderListModel::Reset() {
  beginResetModel();
  endResetModel();
}

// --- delegate ------------------------------------------------------------------------

HeaderLineDelegate::HeaderLineDelegate(HeaderListView* view)
    : QStyledItemDelegate(view), view_(view) {}

QSize HeaderLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  return QSize(option.rect.width() > 0 ? option.rect.width() : 100,
               view_->RowHeight(view_->RowLines(index)));
}

void HeaderLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  painter->save();
  const QRect r = option.rect;
  const QPalette& pal = option.palette;
  bool selected = (option.state & QStyle::State_Selected) != 0;
  bool focused = view_->hasFocus();
  QColor background = selected ? (focused ? pal.color(QPalette::Highlight)
                                          : pal.color(QPalette::Inactive, QPalette::Highlight))
                               : pal.color(QPalette::Base);
  QColor text =
      selected && focused ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
  painter->fillRect(r, background);

  const int labelWidth = view_->LabelWidth();
  const int lineHeight = view_->TextLineHeight();
  const QFontMetrics fm(option.font);
  const int top = r.top() + kRowPadding / 2;

  // The label column.
  QColor labelColour = selected && focused ? text : pal.color(QPalette::PlaceholderText);
  painter->setPen(labelColour);
  QString label = index.data(HeaderListModel::kLabelRole).toString();
  painter->drawText(
      QRect(r.left() + kLabelPadding, top, labelWidth - 2 * kLabelPadding, lineHeight),
      Qt::AlignLeft | Qt::AlignVCenter, label);
  painter->setPen(pal.color(QPalette::Mid));
  painter->drawLine(r.left() + labelWidth - 2, r.top(), r.left() + labelWidth - 2, r.bottom());

  // The value: its first line, or all of them when expanded.
  QString value = index.data(HeaderListModel::kValueRole).toString();
  bool expanded = index.data(HeaderListModel::kExpandedRole).toBool();
  QStringList lines = value.split(QLatin1Char('\n'));
  bool multi = lines.size() > 1;
  int right = r.right() - kLabelPadding;
  int buttonWidth = view_->MoreButtonWidth();
  if (multi) right -= buttonWidth + 2;
  int valueLeft = r.left() + labelWidth + 2;
  int width = std::max(0, right - valueLeft);
  painter->setPen(text);
  int shown = expanded ? static_cast<int>(lines.size()) : 1;
  for (int k = 0; k < shown; ++k) {
    QString line = fm.elidedText(lines[k], Qt::ElideRight, width);
    painter->drawText(QRect(valueLeft, top + k * lineHeight, width, lineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, line);
  }

  // The "..." button of a value with more than one line.
  if (multi) {
    QRect button(r.right() - buttonWidth - 1, top, buttonWidth, lineHeight);
    painter->setPen(pal.color(QPalette::Mid));
    painter->setBrush(expanded ? pal.color(QPalette::Midlight) : pal.color(QPalette::Button));
    painter->drawRoundedRect(button.adjusted(0, 0, -1, -1), 2, 2);
    painter->setPen(pal.color(QPalette::ButtonText));
    painter->drawText(button, Qt::AlignCenter, QString::fromLatin1(kMoreText));
  }
  painter->restore();
}

// --- view -----------------------------------------------------------------------------

HeaderListView::HeaderListView(QWidget* parent) : QListView(parent) {
  setItemDelegate(new HeaderLineDelegate(this));
  setUniformItemSizes(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabKeyNavigation(false);
}

int HeaderListView::LabelWidth() const {
  QFontMetrics fm(font());
  int widest = 0;
  for (char c : kFormLetters)
    widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(FormLabel(c))));
  return widest + 2 * kLabelPadding + 2;
}

int HeaderListView::TextLineHeight() const { return QFontMetrics(font()).lineSpacing(); }

int HeaderListView::RowHeight(int lines) const {
  return std::max(1, lines) * TextLineHeight() + kRowPadding;
}

int HeaderListView::ShownLines(const QModelIndex& index) {
  if (!index.data(HeaderListModel::kExpandedRole).toBool()) return 1;
  return index.data(HeaderListModel::kLineCountRole).toInt();
}

bool HeaderListView::SetEditorLines(int row, int lines) {
  if (row < 0) lines = 0;
  if (row == editorRow_ && lines == editorLines_) return false;
  editorRow_ = row;
  editorLines_ = lines;
  doItemsLayout();
  return true;
}

int HeaderListView::RowLines(const QModelIndex& index) const {
  const int shown = ShownLines(index);
  return index.row() == editorRow_ ? std::max(shown, editorLines_) : shown;
}

int HeaderListView::MoreButtonWidth() const {
  return QFontMetrics(font()).horizontalAdvance(QString::fromLatin1(kMoreText)) + 8;
}

QRect HeaderListView::ValueRect(int row) const {
  if (model() == nullptr || row < 0 || row >= model()->rowCount()) return {};
  QRect r = visualRect(model()->index(row, 0));
  int left = LabelWidth();
  return QRect(left, r.top(), std::max(10, viewport()->width() - left), r.height());
}

int HeaderListView::ContentHeight() const {
  if (model() == nullptr) return 0;
  int total = 0;
  for (int row = 0; row < model()->rowCount(); ++row)
    total += RowHeight(RowLines(model()->index(row, 0)));
  return total;
}

int HeaderListView::CurrentRow() const {
  QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void HeaderListView::SelectRow(int row) {
  if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
    selectionModel()->clear();
    return;
  }
  QModelIndex index = model()->index(row, 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

namespace {

bool PlainKey(const QKeyEvent* e) {
  return (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

bool StartsEditing(int key) {
  return key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Left ||
         key == Qt::Key_Right || key == Qt::Key_Space;
}

bool PrintableText(const QString& text) { return text.size() == 1 && text[0].isPrint(); }

}  // namespace

bool HeaderListView::event(QEvent* event) {
  // Keys of the list that are also menu shortcuts (Delete, Ins) belong to the list.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (PlainKey(key) &&
        (StartsEditing(key->key()) || key->key() == Qt::Key_Insert || PrintableText(key->text()))) {
      event->accept();
      return true;
    }
  }
  return QListView::event(event);
}

void HeaderListView::keyPressEvent(QKeyEvent* event) {
  if (!PlainKey(event)) {
    QListView::keyPressEvent(event);
    return;
  }
  const int key = event->key();
  const int row = CurrentRow();
  if (key == Qt::Key_Insert) {
    emit InsertRequested();
    return;
  }
  if (StartsEditing(key)) {
    if (row >= 0) emit EditRequested(row, key, QString());
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
    if (row >= 0) emit EditRequested(row, 0, QString());
    return;
  }
  const QString text = event->text();
  if (PrintableText(text)) {
    QChar c = text[0];
    if (c.unicode() < 128 && c.isLetter()) {
      emit LetterTyped(static_cast<char>(c.toUpper().unicode()));
    } else if (row >= 0) {
      emit EditRequested(row, 0, text);
    }
    return;
  }
  QListView::keyPressEvent(event);
}

void HeaderListView::mousePressEvent(QMouseEvent* event) {
  QModelIndex index = indexAt(event->position().toPoint());
  if (!index.isValid() || event->button() != Qt::LeftButton) {
    QListView::mousePressEvent(event);
    return;
  }
  const int row = index.row();
  bool multi = index.data(HeaderListModel::kLineCountRole).toInt() > 1;
  if (multi && event->position().x() >= viewport()->width() - (MoreButtonWidth() + 3)) {
    SelectRow(row);
    setFocus(Qt::MouseFocusReason);
    emit ToggleExpandedRequested(row);
    return;
  }
  if (row == CurrentRow() && selectionModel()->isSelected(index)) {
    setFocus(Qt::MouseFocusReason);
    emit EditRequested(row, 0, QString());
    return;
  }
  QListView::mousePressEvent(event);
}

void HeaderListView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

}  // namespace tunora
