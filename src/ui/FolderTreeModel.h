// The folder tree as a Qt item model: no copy of the data, rows follow the
// size tree's notifications.
#pragma once

#include <QAbstractItemModel>

#include <functional>

#include "model/SizeTree.h"

namespace kv {

class TFolderTreeModel final : public QAbstractItemModel, private ITreeObserver {
 public:
  explicit TFolderTreeModel(TSizeTree& tree, QObject* parent = nullptr);
  ~TFolderTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  TFolderNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const TFolderNode* node) const;

  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The hint of a folder row (why it was not read, say); empty for none.
  std::function<QString(const TFolderNode& node)> ToolTipOf;
  // The cells of the Change column (ChangeColumn) by role; the view hides
  // the column while there is nothing to compare with.
  std::function<QVariant(const TFolderNode& node, int role)> ChangeOf;
  static constexpr int ChangeColumn = 1;
  // The Change column's sort key: the signed difference (a new folder's size).
  static constexpr int ChangeSortRole = Qt::UserRole;
  // Header texts: the name column's and the Change column's.
  void SetHeaderTexts(const QString& name, const QString& change);
  // Every Change cell may read differently (another baseline, size type or unit).
  void ChangesMoved();

 private:
  void RowsAboutToBeInserted(TFolderNode* parent, size_t first, size_t last) override;
  void RowsInserted(TFolderNode* parent, size_t first, size_t last) override;
  void RowsAboutToBeRemoved(TFolderNode* parent, size_t first, size_t last) override;
  void RowsRemoved(TFolderNode* parent, size_t first, size_t last) override;
  void BulkUpdateEnded() override;
  void TreeAboutToBeCleared() override;
  void TreeCleared() override;

  TSizeTree& Tree_;
  QString Headers_[2];
};

}  // namespace kv
