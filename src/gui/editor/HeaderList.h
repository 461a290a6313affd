// The header list of the tune editor: one owner-drawn line per header field,
// the label in a column of its own and the value beside it. A line shows the
// first line of its value, or every line when it is expanded; a value of more
// than one line has a "..." button at the right edge that expands it.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <functional>
#include <string>

namespace tunora {

class TuneForm;

// The lines of a TuneForm as list rows. The display text of a row is the
// label, a TAB and the value; the value is shown with LF line breaks.
class HeaderListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role {
    kLetterRole = Qt::UserRole + 1,
    kValueRole,
    kExpandedRole,
    kLabelRole,
    kLineCountRole,  // lines of the value as shown
  };

  // toDisplay turns the bytes of a value into visible text.
  HeaderListModel(TuneForm* form, std::function<QString(const std::string&)> toDisplay,
                  QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The form changed: every row again.
  void Reset();

 private:
  TuneForm* form_;
  std::function<QString(const std::string&)> toDisplay_;
};

class HeaderListView;

class HeaderLineDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit HeaderLineDelegate(HeaderListView* view);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  HeaderListView* view_;
};

class HeaderListView : public QListView {
  Q_OBJECT

 public:
  explicit HeaderListView(QWidget* parent = nullptr);

  // Width of the label column, and the height of one text line of a row.
  int LabelWidth() const;
  int TextLineHeight() const;
  // Height of a row holding that many lines of text.
  int RowHeight(int lines) const;
  // Lines a row shows: all of its value when expanded, else one.
  static int ShownLines(const QModelIndex& index);
  // While a multi-line value is edited its row is as tall as the editor (lines of
  // text; row -1: none), so the rows below move down instead of being covered.
  // True when that changed the rows' layout.
  bool SetEditorLines(int row, int lines);
  // Lines of text a row takes: those shown, or the editor's when taller.
  int RowLines(const QModelIndex& index) const;
  // Width of the drawn "..." button.
  int MoreButtonWidth() const;
  // The value column of a row, in viewport coordinates.
  QRect ValueRect(int row) const;
  // Sum of the rows' heights.
  int ContentHeight() const;

  int CurrentRow() const;
  void SelectRow(int row);
  // Lays the rows out now (after the form changed), so row rectangles are right.
  void Relayout() { doItemsLayout(); }

 signals:
  // A click on the "..." button of a multi-line row.
  void ToggleExpandedRequested(int row);
  // A key or click that starts editing the current row: key is Qt::Key_...
  // (0 for none) and text the typed character, if any.
  void EditRequested(int row, int key, const QString& text);
  // A letter typed in the list (upper-cased).
  void LetterTyped(char letter);
  // The Insert key.
  void InsertRequested();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int editorRow_ = -1;
  int editorLines_ = 0;
};

}  // namespace tunora
