// How a folder row of the tree is drawn: size and name, the folder image for
// its state, bold for a folder over a tenth of its parent, and the marks of a
// folder still being scanned, not readable or on another file system.
// Computed at paint time from the node.
#pragma once

#include <QStyledItemDelegate>
#include <QTreeView>

#include "reports/FormatSize.h"
#include "ui/DMMain.h"
#include "ui/FolderTreeSort.h"

namespace kv {

// "  1 234.56 MB  Windows": two blanks, the size, two blanks, the name.
QString FolderNodeText(const TFolderNodeData& folder, const TSizeFormat& format);

class TFolderTreeDelegate final : public QStyledItemDelegate {
 public:
  TFolderTreeDelegate(QTreeView& view, const TFolderTreeSort& model, const TdtmMain& dm,
                      const TSizeFormat& format);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // Sizes drawn from now on; the view repaints when told.
  void SetSizeFormat(const TSizeFormat& format) { Format_ = format; }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  QTreeView& View_;
  const TFolderTreeSort& Model_;
  const TdtmMain& Dm_;
  TSizeFormat Format_;
};

}  // namespace kv
