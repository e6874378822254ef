#include "ui/FolderTreeView.h"

#include <QPainter>

#include "reports/FormatSize.h"

namespace kv {

QString FolderNodeText(const TFolderNodeData& folder) {
  std::string text = "  ";
  text += FormatSize(folder.GetSize());
  text += "  ";
  text += folder.Name.View();
  return QString::fromStdString(text);
}

TFolderTreeDelegate::TFolderTreeDelegate(QTreeView& view, const TFolderTreeModel& model, const TdtmMain& dm)
    : QStyledItemDelegate(&view), View_(view), Model_(model), Dm_(dm) {}

void TFolderTreeDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const TFolderNode* node = Model_.NodeOf(index);
  if (!node || node->IsHiddenRoot()) return;
  TFolderNodeData& folder = *node->Data();
  option->text = FolderNodeText(folder);
  const int32_t image = View_.isExpanded(index) ? folder.GetOpenImage() : folder.GetClosedImage();
  option->icon = Dm_.ImageOf(image);
  option->features |= QStyleOptionViewItem::HasDecoration;
  option->decorationSize = QSize(16, 16);
  option->font.setBold(folder.TreePercent > 10);
  option->fontMetrics = QFontMetrics(option->font);
}

void TFolderTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const TFolderNode* node = Model_.NodeOf(index);
  if (!node || node->IsHiddenRoot() || node->Data()->Complete) return;
  // Over the right half of the folder image, as the row's own "busy" sign.
  painter->drawPixmap(option.rect.left() + 9, option.rect.top(), Dm_.WatchBitmap());
}

}  // namespace kv
