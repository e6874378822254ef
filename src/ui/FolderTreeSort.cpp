#include "ui/FolderTreeSort.h"

namespace kv {

TFolderTreeSort::TFolderTreeSort(TFolderTreeModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), Model_(model) {
  setSourceModel(&model);
}

TFolderNode* TFolderTreeSort::NodeOf(const QModelIndex& index) const {
  return Model_.NodeOf(mapToSource(index));
}

QModelIndex TFolderTreeSort::IndexOf(const TFolderNode* node) const { return mapFromSource(Model_.IndexOf(node)); }

void TFolderTreeSort::HeaderClick(int column) {
  const bool same = sortColumn() == column;
  if (column == TFolderTreeModel::ChangeColumn) {
    if (!same)
      sort(column, Qt::DescendingOrder);
    else if (sortOrder() == Qt::DescendingOrder)
      sort(column, Qt::AscendingOrder);
    else
      Unsort();
  } else if (column == 0) {
    if (sortColumn() < 0)
      sort(0, Qt::DescendingOrder);
    else
      Unsort();
  }
}

void TFolderTreeSort::Resort() {
  if (sortColumn() >= 0) invalidate();
}

bool TFolderTreeSort::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  // Equal keys keep the core's order whichever way the column sorts.
  const bool byRow = sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
  if (left.column() != TFolderTreeModel::ChangeColumn) return left.row() < right.row();
  const qlonglong a = Model_.data(left, TFolderTreeModel::ChangeSortRole).toLongLong();
  const qlonglong b = Model_.data(right, TFolderTreeModel::ChangeSortRole).toLongLong();
  return a != b ? a < b : byRow;
}

}  // namespace kv
