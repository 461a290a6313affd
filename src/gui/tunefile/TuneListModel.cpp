#include "gui/tunefile/TuneListModel.h"

#include <algorithm>

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
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return LineText(index.row());
  return {};
}

void TuneListModel::Fill() {
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
  std::fill(valid_.begin(), valid_.end(), 0);
  if (!lines_.empty())
    emit dataChanged(index(0), index(static_cast<int>(lines_.size()) - 1), {Qt::DisplayRole});
}

void TuneListModel::InvalidateFrom(int line) {
  int n = static_cast<int>(lines_.size());
  if (line >= n) return;
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

void TuneListModel::RemoveLine(int line) {
  if (line < 1 || static_cast<size_t>(line) >= lines_.size()) return;
  beginRemoveRows(QModelIndex(), line, line);
  lines_.erase(lines_.begin() + line);
  valid_.erase(valid_.begin() + line);
  endRemoveRows();
  InvalidateFrom(line);
}

}  // namespace tunora
