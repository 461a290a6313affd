// The lines of a tune list: line 0 is the file header, line n tune n of the
// document's TuneFile. Lines are expanded from the format settings when first
// asked for and kept until the tune changes, so a file of many thousand tunes
// opens at once and only the lines on screen are ever made.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class CAbcDoc;

class TuneListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit TuneListModel(CAbcDoc* document, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The text of a line as shown (UTF-8); made on first use.
  std::string_view LineUtf8(int line) const;
  QString LineText(int line) const;
  int LineCount() const { return rowCount(); }

  // Fill: every line again from the tune file.
  void Fill();
  // Line n's text changed.
  void RefreshLine(int line);
  // Every line's text changed (format settings, renumbering).
  void RefreshAll();
  // count tunes were inserted as lines at..at+count-1.
  void InsertLines(int at, int count);
  // Line n was removed from the tune file.
  void RemoveLine(int line);
  // These lines (positions before the removal) were removed.
  void RemoveLines(const std::vector<int>& lines);
  // Tunes were put back at these positions (ascending, as they are now).
  void InsertRuns(const std::vector<int>& lines);

 private:
  // Lines after a change of positions show other numbers for %x.
  void InvalidateFrom(int line);
  void NoteFormat();

  CAbcDoc* document_;
  // One entry per line; the count follows the tune file through the
  // notifications above, so views always see a consistent list.
  mutable std::vector<std::string> lines_;
  mutable std::vector<char> valid_;
  bool positionDependent_ = true;
};

}  // namespace tunora
