// The list of a tune list window (control 1008): one line for the file header
// and one per tune, extended selection, in one column or in many. It finds
// lines by typing, opens a line with Enter or a double click, deletes with the
// Delete key, and moves (left button) or copies (right button) tunes by
// dragging them within the list or onto the list of another open file.
#pragma once

#include <QElapsedTimer>
#include <QListView>
#include <QPoint>
#include <vector>

#include "tunefile/ListLogic.h"

namespace tunora {

class CAbcView;

class TuneListBox : public QListView {
  Q_OBJECT

 public:
  static constexpr int kControlId = 1008;

  explicit TuneListBox(CAbcView* owner, QWidget* parent = nullptr);

  CAbcView* Owner() const { return owner_; }

  // The one- or many-column form; the column width is measured by
  // RecomputeColumnWidth.
  void SetMultiColumn(bool on);
  bool MultiColumn() const { return multiColumn_; }
  // Height of a line and width of a column, in pixels.
  int LineHeight() const;
  int ColumnWidth() const { return columnWidth_; }
  // Multi-column: the widest line decides the column width (at least 20 px).
  void RecomputeColumnWidth();
  void WidenColumnFor(int first, int last);

  // Lines per column (the lines shown, in one column).
  int RowsPerColumn() const;
  // The line a drop at pos (viewport coordinates) lands on.
  int DropLineAt(const QPoint& pos) const;
  // The tune list under a point of the screen, or null.
  static TuneListBox* ListAt(const QPoint& globalPos);

  // The tab stops of "\t" in the lines, from the widest cell of each column of the
  // lines drawn (every line in many columns), or every TunelistTabWidth characters.
  const TabStops& Tabs() const { return tabs_; }
  // Where each cell of line's text begins, from the start of its text.
  std::vector<int> CellPositions(const QString& text) const;

  const TypeAhead& Search() const { return search_; }
  bool Dragging() const { return dragging_; }

 signals:
  // Enter or a double click on a line: the document's Edit command.
  void EditRequested();
  // The Delete key.
  void DeleteRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyboardSearch(const QString& search) override;

 private:
  void Disarm();
  // Ends the mouse mode: any drag, and the type-ahead text.
  void CancelMouseMode();
  void Drop(const QPoint& globalPos);
  // Measures the cells of a line for the tab stops; true when a stop moved.
  bool MeasureCells(const QString& text);
  std::vector<int> CellWidths(const QString& text) const;
  void ResetTabs();
  friend class TabbedLineDelegate;

  CAbcView* owner_;
  bool multiColumn_ = false;
  int columnWidth_ = 20;
  TabStops tabs_;
  TypeAhead search_;
  QElapsedTimer typed_;  // since the last key

  // Drag state.
  bool armed_ = false;
  bool dragging_ = false;
  bool passedPress_ = false;  // the list's own click handling ran on the press
  bool pressedSelected_ = false;
  Qt::MouseButton button_ = Qt::NoButton;
  int pressedLine_ = -1;
  QPoint pressPos_;
  std::vector<int> dragLines_;
};

}  // namespace tunora
