// The folder tree as the view shows it: the core's order (by name), or the
// siblings of each shown folder sorted by a column. Only folders the view
// asks for get an order of their own, so a huge tree costs nothing extra
// until it is expanded; rows the scan adds while sorted go to their place.
#pragma once

#include <QSortFilterProxyModel>

#include "ui/FolderTreeModel.h"

namespace kv {

class TFolderTreeSort final : public QSortFilterProxyModel {
 public:
  explicit TFolderTreeSort(TFolderTreeModel& model, QObject* parent = nullptr);

  // A view's index to its folder (none: the hidden root), and back.
  TFolderNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const TFolderNode* node) const;

  // A click on a header: the Change column sorts the largest growth first,
  // then the largest shrinkage first, then goes back to the core's order;
  // the name column turns that order round and back.
  void HeaderClick(int column);
  // Back to the core's order.
  void Unsort() { sort(-1); }
  // The keys may have changed everywhere (another baseline, size type): the
  // shown folders are sorted again.
  void Resort();

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  TFolderTreeModel& Model_;
};

}  // namespace kv
