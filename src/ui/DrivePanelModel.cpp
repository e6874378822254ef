#include "ui/DrivePanelModel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <cmath>

#include "ui/ReportListModels.h"

namespace kv {

TDrivePanelModel::TDrivePanelModel(std::vector<TBildDiskSize> rows,
                                   const std::function<QIcon(const std::string& root)>& iconOf,
                                   const ILocale& locale, QObject* parent)
    : QAbstractTableModel(parent), Rows_(std::move(rows)), Locale_(locale) {
  for (TBildDiskSize& row : Rows_) {
    row.IconIndex = static_cast<int32_t>(Icons_.size());
    Icons_.push_back(iconOf(row.Drive));
  }
}

void TDrivePanelModel::SetHeaderTexts(const QStringList& texts) {
  Headers_ = texts;
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TDrivePanelModel::HeaderClick(int column) {
  if (column < 0 || column >= columnCount()) return;
  beginResetModel();
  Sort_.HeaderClick(column);
  SortDriveRows(Rows_, Sort_);
  endResetModel();
}

const TBildDiskSize* TDrivePanelModel::RowObject(int row) const {
  return row >= 0 && static_cast<size_t>(row) < Rows_.size() ? &Rows_[static_cast<size_t>(row)] : nullptr;
}

int TDrivePanelModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

int TDrivePanelModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(DriveColumns().size());
}

QVariant TDrivePanelModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const TBildDiskSize* row = RowObject(index.row());
  if (!row) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(DriveCellText(*row, column, Locale_));
    case Qt::DecorationRole:
      if (column != dcDrive || row->IconIndex < 0 || static_cast<size_t>(row->IconIndex) >= Icons_.size()) return {};
      return Icons_[static_cast<size_t>(row->IconIndex)];
    case Qt::TextAlignmentRole: {
      const Qt::Alignment alignment = DriveColumns()[static_cast<size_t>(column)].Alignment == TAlignment::Centre
                                          ? Qt::AlignCenter
                                          : (Qt::AlignLeft | Qt::AlignVCenter);
      return static_cast<int>(alignment);
    }
    default:
      return {};
  }
}

QVariant TDrivePanelModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
  return section < Headers_.size() ? Headers_[section] : QString();
}

// ---- usage bar ----

void TUsageBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // The panel is informative only: no selection and no focus frame shown.
  QStyleOptionViewItem opt = option;
  opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  const auto* model = dynamic_cast<const TDrivePanelModel*>(index.model());
  const TBildDiskSize* row = model && index.column() == dcPercentFree ? model->RowObject(index.row()) : nullptr;
  if (!row) {
    QStyledItemDelegate::paint(painter, opt, index);
    return;
  }

  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

  // PercentFree holds a whole percent / 100, so rounding gives that whole
  // percent back and the bar width is cut from exactly the shown share.
  PaintPercentBar(*painter, opt.rect, std::round(row->PercentFree * 100));

  // The centred text over the bar, without painting the background again.
  opt.backgroundBrush = Qt::NoBrush;
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

}  // namespace kv
