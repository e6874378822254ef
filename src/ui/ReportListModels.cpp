#include "ui/ReportListModels.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "treemap/Treemap.h"

namespace kv {

namespace {

QVariant AlignmentOf(TAlignment column) {
  const Qt::Alignment alignment =
      column == TAlignment::Centre ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter);
  return static_cast<int>(alignment);
}

}  // namespace

// ---- shared part ----

TReportListModel::TReportListModel(TReportPane& pane, const TListImages& images, QObject* parent)
    : TReportListModel(pane, images, static_cast<int>(ColumnsOf(pane.Kind()).size()), parent) {}

TReportListModel::TReportListModel(TReportPane& pane, const TListImages& images, int columns, QObject* parent)
    : QAbstractTableModel(parent), Pane_(pane), Images_(images), Columns_(columns) {}

void TReportListModel::SetHeaderTexts(const QStringList& texts) {
  Headers_ = texts;
  if (Columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, Columns_ - 1);
}

// Called after the pane changed its rows, before control returns to the event
// loop: rowCount and data read the pane live. The old row pointers may be
// freed by then, which is safe because a reset reads no data before it ends
// and every index of the old rows dies with it.
void TReportListModel::Reload() {
  beginResetModel();
  endResetModel();
}

void TReportListModel::Repaint() {
  const int rows = rowCount();
  if (rows == 0 || Columns_ == 0) return;
  emit dataChanged(index(0, 0), index(rows - 1, Columns_ - 1));
}

void TReportListModel::RowChanged(int row) {
  if (row < 0 || row >= rowCount() || Columns_ == 0) return;
  emit dataChanged(index(row, 0), index(row, Columns_ - 1), {Qt::DecorationRole});
}

int TReportListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns_; }

QVariant TReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns_) return {};
  return section < Headers_.size() ? Headers_[section] : QString();
}

// ---- files list ----

TFilesListModel::TFilesListModel(TReportPane& pane, const TListImages& images, QObject* parent)
    : TReportListModel(pane, images, static_cast<int>(FilesColumns().size()), parent) {}

int TFilesListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Pane_.FilesRows().size());
}

TBaseNodeData* TFilesListModel::RowObject(int row) const {
  const TListingRows& rows = Pane_.FilesRows();
  return row >= 0 && static_cast<size_t>(row) < rows.size() ? rows[static_cast<size_t>(row)] : nullptr;
}

QVariant TFilesListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const TBaseNodeData* row = RowObject(index.row());
  if (!row) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(
          FilesCellText(*row, Pane_.FilesRows().PercentOf(*row), column, Pane_.Kind(), Pane_.SizeFormat()));
    case Qt::DecorationRole: {
      if (column != fcName) return {};
      if (const auto* folder = AsFolderData(row))
        return folder->IsTopLevel() ? Images_.Drive : Images_.ClosedFolder;
      if (Images_.FileImage)
        if (QIcon icon = Images_.FileImage(row->GetText()); !icon.isNull()) return icon;
      return Images_.AnyFile;
    }
    case Qt::TextAlignmentRole:
      return AlignmentOf(FilesColumns()[static_cast<size_t>(column)].Alignment);
    case Qt::FontRole: {
      // Only the content of a folder has shares worth pointing out.
      if (Pane_.Kind() != TReportKind::FilesInThisFolder || !(Pane_.FilesRows().PercentOf(*row) > 10)) return {};
      QFont font;
      font.setBold(true);
      return font;
    }
    default:
      return {};
  }
}

// ---- extensions list ----

TExtensionsListModel::TExtensionsListModel(TReportPane& pane, const TListImages& images, QObject* parent)
    : TReportListModel(pane, images, static_cast<int>(ExtensionsColumns().size()), parent) {}

int TExtensionsListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Pane_.ExtensionsRows().size());
}

TExtensionsNodeData* TExtensionsListModel::RowObject(int row) const {
  const TAggregateRows& rows = Pane_.ExtensionsRows();
  return row >= 0 && static_cast<size_t>(row) < rows.size() ? rows[static_cast<size_t>(row)].get() : nullptr;
}

QVariant TExtensionsListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const TExtensionsNodeData* row = RowObject(index.row());
  if (!row) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(ExtensionsCellText(*row, index.column(), Pane_.SizeFormat()));
    case Qt::TextAlignmentRole:
      return AlignmentOf(ExtensionsColumns()[static_cast<size_t>(index.column())].Alignment);
    case Qt::DecorationRole:
      // Rows without an icon key (owners, ranges) show none.
      if (index.column() != ecName || row->IconIndex < 0 || !Images_.ImageOf) return {};
      return Images_.ImageOf(row->IconIndex);
    case SwatchRole:
      if (index.column() != ecName || ReportKindInfo(Pane_.Kind()).Key != TAggregateKey::Extension) return {};
      return QColor::fromRgb(ExtensionColor(row->Name));  // opaque
    default:
      return {};
  }
}

// ---- percent bar ----

TPercentBarGeometry PercentBarGeometry(const QRect& cell, double percent) {
  TPercentBarGeometry geometry;
  geometry.Outline = cell.adjusted(2, 2, -2, -2);
  const QRect inner = geometry.Outline.adjusted(1, 1, -1, -1);
  // A share is never above the whole; the clamp keeps a stray value inside the outline.
  const double share = std::clamp(percent, 0.0, 100.0) / 100;
  const int width = std::max(0, static_cast<int>(share * inner.width()));
  geometry.Bar = QRect(inner.left(), inner.top(), width, std::max(0, inner.height()));
  return geometry;
}

void PaintPercentBar(QPainter& painter, const QRect& cell, double percent) {
  const TPercentBarGeometry bar = PercentBarGeometry(cell, percent);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (bar.Outline.isValid()) {
    painter.setPen(QColor(192, 192, 192));
    painter.setBrush(Qt::NoBrush);
    // A 1 px pen draws one pixel right of and below the rectangle it is given.
    painter.drawRect(bar.Outline.adjusted(0, 0, -1, -1));
  }
  if (!bar.Bar.isEmpty()) painter.fillRect(bar.Bar, QColor(0, 255, 0));
  painter.restore();
}

void TLayeredItemDelegate::PaintLayered(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index,
                                        const std::function<int(const QRect& cell)>& under) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();

  // Background and selection first, as the style would draw them.
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
  opt.rect.setLeft(under(opt.rect));

  // The text (and focus frame) over it: the item is drawn again with a
  // background that paints nothing, still selected so the text keeps its colour.
  opt.backgroundBrush = Qt::NoBrush;
  opt.palette.setBrush(QPalette::Highlight, Qt::transparent);
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

TPercentBarDelegate::TPercentBarDelegate(const TReportPane& pane, QObject* parent)
    : TLayeredItemDelegate(parent), Pane_(pane) {}

void TPercentBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const auto* model = dynamic_cast<const TFilesListModel*>(index.model());
  const TBaseNodeData* row =
      model && Pane_.Kind() == TReportKind::FilesInThisFolder && index.column() == fcPercent
          ? model->RowObject(index.row())
          : nullptr;
  if (!row) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  PaintLayered(painter, option, index, [&](const QRect& cell) {
    PaintPercentBar(*painter, cell, Pane_.FilesRows().PercentOf(*row));
    return cell.left();
  });
}

// ---- extension swatch ----

namespace {

int SwatchSide(const QRect& cell) { return std::clamp(cell.height() - 6, 4, 12); }

}  // namespace

void TSwatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QVariant swatch = index.data(SwatchRole);
  if (!swatch.isValid()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  PaintLayered(painter, option, index, [&](const QRect& cell) {
    const int side = SwatchSide(cell);
    const QRect square(cell.left() + 3, cell.top() + (cell.height() - side) / 2, side, side);
    painter->save();
    painter->fillRect(square, swatch.value<QColor>());
    painter->setPen(QColor(96, 96, 96));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(square.adjusted(0, 0, -1, -1));
    painter->restore();
    return square.right() + 4;  // icon and text after the square
  });
}

QSize TSwatchDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  if (index.data(SwatchRole).isValid()) size.rwidth() += SwatchSide(option.rect) + 7;
  return size;
}

// ---- changes list ----

TChangesListModel::TChangesListModel(TReportPane& pane, const TListImages& images,
                                     std::function<std::string(const char*)> translate, QObject* parent)
    : TReportListModel(pane, images, ChangesColumnCount, parent), Translate_(std::move(translate)) {}

int TChangesListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Pane_.Changes().Rows.size());
}

const TChangeRow* TChangesListModel::RowObject(int row) const {
  const std::vector<TChangeRow>& rows = Pane_.Changes().Rows;
  return row >= 0 && static_cast<size_t>(row) < rows.size() ? &rows[static_cast<size_t>(row)] : nullptr;
}

QVariant TChangesListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const TChangeRow* row = RowObject(index.row());
  if (!row) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      const TTranslate translate = [this](std::string_view id) { return Translate_(std::string(id).c_str()); };
      return QString::fromUtf8(ChangesCellText(*row, column, Pane_.SizeFormat(), translate));
    }
    case Qt::DecorationRole:
      if (column != ccName) return {};
      return row->IsFolder ? Images_.ClosedFolder : Images_.AnyFile;
    case Qt::TextAlignmentRole:
      return AlignmentOf(ChangesColumns()[static_cast<size_t>(column)].Alignment);
    case Qt::ForegroundRole:
      if (column != ccDifference && column != ccState) return {};
      return QColor::fromRgb(ChangeStateColor(row->State));
    default:
      return {};
  }
}

}  // namespace kv
