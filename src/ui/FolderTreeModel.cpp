#include "ui/FolderTreeModel.h"

namespace kv {

TFolderTreeModel::TFolderTreeModel(TSizeTree& tree, QObject* parent) : QAbstractItemModel(parent), Tree_(tree) {
  Tree_.SetObserver(this);
}

TFolderTreeModel::~TFolderTreeModel() { Tree_.SetObserver(nullptr); }

TFolderNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TFolderNode*>(index.internalPointer()) : Tree_.Root();
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderNode* node) const {
  if (!node || node->IsHiddenRoot()) return {};
  return createIndex(static_cast<int>(node->Row()), 0, const_cast<TFolderNode*>(node));
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const TFolderNode* node = NodeOf(parent);
  if (row < 0 || column < 0 || column > ChangeColumn || static_cast<size_t>(row) >= node->ChildCount()) return {};
  return createIndex(row, column, node->Child(static_cast<size_t>(row)));
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(NodeOf(child)->Parent());
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(NodeOf(parent)->ChildCount());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const { return ChangeColumn + 1; }

QVariant TFolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > ChangeColumn) return {};
  return Headers_[section];
}

void TFolderTreeModel::SetHeaderTexts(const QString& name, const QString& change) {
  Headers_[0] = name;
  Headers_[1] = change;
  emit headerDataChanged(Qt::Horizontal, 0, ChangeColumn);
}

void TFolderTreeModel::ChangesMoved() {
  // The view asks only for the rows it shows.
  if (const int rows = rowCount(); rows > 0) emit dataChanged(index(0, ChangeColumn), index(rows - 1, ChangeColumn));
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::ToolTipRole) {
    if (!ToolTipOf) return {};
    const QString tip = ToolTipOf(*NodeOf(index));
    return tip.isEmpty() ? QVariant() : QVariant(tip);
  }
  if (index.column() == ChangeColumn) return ChangeOf ? ChangeOf(*NodeOf(index), role) : QVariant();
  if (role != Qt::DisplayRole) return {};
  const std::string_view name = NodeOf(index)->Data()->Name.View();
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

void TFolderTreeModel::RowsAboutToBeInserted(TFolderNode* parent, size_t first, size_t last) {
  beginInsertRows(IndexOf(parent), static_cast<int>(first), static_cast<int>(last));
}

void TFolderTreeModel::RowsInserted(TFolderNode*, size_t, size_t) { endInsertRows(); }

void TFolderTreeModel::RowsAboutToBeRemoved(TFolderNode* parent, size_t first, size_t last) {
  beginRemoveRows(IndexOf(parent), static_cast<int>(first), static_cast<int>(last));
}

void TFolderTreeModel::RowsRemoved(TFolderNode*, size_t, size_t) { endRemoveRows(); }

void TFolderTreeModel::BulkUpdateEnded() {
  // Sizes, percentages and completion may have changed anywhere: views repaint.
  if (const int rows = rowCount(); rows > 0) emit dataChanged(index(0, 0), index(rows - 1, ChangeColumn));
}

void TFolderTreeModel::TreeAboutToBeCleared() { beginResetModel(); }

void TFolderTreeModel::TreeCleared() { endResetModel(); }

}  // namespace kv
