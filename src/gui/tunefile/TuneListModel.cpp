#include "gui/tunefile/TuneListModel.h"

#include <algorithm>

#include "app/Settings.h"
#include "gui/tunefile/CAbcDoc.h"

namespace tunora {

TuneListModel::TuneListModel(CAbcDoc* document, QObject* parent)
    : QAbstractListModel(parent), document_(document) {}

int TuneListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(lines_.size());
}

Qt::ItemFlags TuneListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::string_view TuneListModel::LineUtf8(int line) const {
  if (line < 0 || static_cast<size_t>(line) >= lines_.size()) return {};
  size_t k = static_cast<size_t>(line);
  if (!valid_[k]) {
    lines_[k] = document_->LineUtf8(line);
    valid_[k] = 1;
  }
  return lines_[k];
}

QString TuneListModel::LineText(int line) const {
  std::string_view s = LineUtf8(line);
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QVariant TuneListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::ToolTipRole) return LineText(index.row());
  if (role == Qt::DisplayRole) {
    // A format may give several lines (all titles); a list line shows them in one.
    QString text = LineText(index.row());
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
      text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
      text.replace(QLatin1Char('\n'), QLatin1Char(' '));
      text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    }
    return text;
  }
  return {};
}

void TuneListModel::NoteFormat() {
  // Only a number-in-file code (%x) makes a line depend on the tune's position;
  // any 'x' in the format counts, to be safe.
  positionDependent_ =
      CAbcDoc::CurrentSettings().preferences.tunelistFormat.find('x') != std::string::npos;
}

void TuneListModel::Fill() {
  NoteFormat();
  beginResetModel();
  size_t n = document_->File().TuneCount() + 1;
  lines_.assign(n, std::string());
  valid_.assign(n, 0);
  endResetModel();
}

void TuneListModel::RefreshLine(int line) {
  if (line < 0 || static_cast<size_t>(line) >= lines_.size()) return;
  valid_[static_cast<size_t>(line)] = 0;
  QModelIndex i = index(line);
  emit dataChanged(i, i, {Qt::DisplayRole});
}

void TuneListModel::RefreshAll() {
  NoteFormat();
  std::fill(valid_.begin(), valid_.end(), 0);
  if (!lines_.empty())
    emit dataChanged(index(0), index(static_cast<int>(lines_.size()) - 1), {Qt::DisplayRole});
}

void TuneListModel::InvalidateFrom(int line) {
  int n = static_cast<int>(lines_.size());
  if (!positionDependent_ || line >= n) return;
  for (int k = std::max(line, 0); k < n; ++k) valid_[static_cast<size_t>(k)] = 0;
  emit dataChanged(index(std::max(line, 0)), index(n - 1), {Qt::DisplayRole});
}

void TuneListModel::InsertLines(int at, int count) {
  if (count <= 0) return;
  // The tune file already holds the new tunes; the lines follow it here.
  size_t old = lines_.size();
  at = std::clamp(at, 1, static_cast<int>(old));
  beginInsertRows(QModelIndex(), at, at + count - 1);
  lines_.insert(lines_.begin() + at, static_cast<size_t>(count), std::string());
  valid_.insert(valid_.begin() + at, static_cast<size_t>(count), 0);
  endInsertRows();
  InvalidateFrom(at + count);
}

void TuneListModel::RemoveLine(int line) { RemoveLines({line}); }

void TuneListModel::RemoveLines(const std::vector<int>& lines) {
  // Runs of neighbouring lines go in one step each, last run first, so removing
  // many thousand lines stays fast.
  std::vector<int> sorted;
  for (int l : lines)
    if (l >= 1 && static_cast<size_t>(l) < lines_.size()) sorted.push_back(l);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  if (sorted.empty()) return;
  size_t end = sorted.size();
  while (end > 0) {
    size_t begin = end - 1;
    while (begin > 0 && sorted[begin - 1] == sorted[begin] - 1) --begin;
    int first = sorted[begin];
    int last = sorted[end - 1];
    beginRemoveRows(QModelIndex(), first, last);
    lines_.erase(lines_.begin() + first, lines_.begin() + last + 1);
    valid_.erase(valid_.begin() + first, valid_.begin() + last + 1);
    endRemoveRows();
    end = begin;
  }
  InvalidateFrom(sorted.front());
}

void TuneListModel::InsertRuns(const std::vector<int>& lines) {
  // lines: the new lines' final positions, ascending.
  size_t k = 0;
  while (k < lines.size()) {
    size_t j = k + 1;
    while (j < lines.size() && lines[j] == lines[j - 1] + 1) ++j;
    InsertLines(lines[k], static_cast<int>(j - k));
    k = j;
  }
}

}  // namespace tunora
