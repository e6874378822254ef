#include "ui/FolderTreeView.h"

#include <QPainter>

namespace kv {

QString FolderNodeText(const TFolderNodeData& folder, const TSizeFormat& format) {
  std::string text = "  ";
  text += FormatSize(folder.GetSize(format.Type), format);
  text += "  ";
  text += folder.Name.View();
  return QString::fromStdString(text);
}

TFolderTreeDelegate::TFolderTreeDelegate(QTreeView& view, const TFolderTreeSort& model, const TdtmMain& dm,
                                         const TSizeFormat& format)
    : QStyledItemDelegate(&view), View_(view), Model_(model), Dm_(dm), Format_(format) {}

void TFolderTreeDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.column() != 0) return;
  const TFolderNode* node = Model_.NodeOf(index);
  if (!node || node->IsHiddenRoot()) return;
  TFolderNodeData& folder = *node->Data();
  option->text = FolderNodeText(folder, Format_);
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
  if (index.column() != 0) return;
  const TFolderNode* node = Model_.NodeOf(index);
  if (!node || node->IsHiddenRoot()) return;
  const TFolderNodeData& folder = *node->Data();
  if (!folder.Complete) {
    // Over the right half of the folder image, as the row's own "busy" sign.
    painter->drawPixmap(option.rect.left() + 9, option.rect.top(), Dm_.WatchBitmap());
    return;
  }
  // A folder the scan did not enter: a badge on the image's lower right corner.
  const QPixmap* badge = (folder.Info().Marks & imReadError)         ? &Dm_.ReadErrorBitmap()
                         : (folder.Info().Marks & imOtherFileSystem) ? &Dm_.OtherFileSystemBitmap()
                                                                   : nullptr;
  if (badge) painter->drawPixmap(option.rect.left() + 10, option.rect.bottom() - 10, *badge);
}

}  // namespace kv
