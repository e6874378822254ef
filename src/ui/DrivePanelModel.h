// trvDiskSize: the drive panel as a Qt table model over rows it owns, built
// once at start-up, and the delegate drawing its usage bar.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

#include "app/DrivePanel.h"

namespace kv {

class ILocale;

class TDrivePanelModel final : public QAbstractTableModel {
 public:
  // The rows stay in the given order until the first header click; the sort
  // indicator should start on column 0, ascending (Sort()). Each drive's icon
  // is asked for once, by its root.
  TDrivePanelModel(std::vector<TBildDiskSize> rows, const std::function<QIcon(const std::string& root)>& iconOf,
                   const ILocale& locale, QObject* parent = nullptr);

  // Header texts by column index (set from the language).
  void SetHeaderTexts(const QStringList& texts);
  // The clicked column becomes the sort column and the direction flips.
  void HeaderClick(int column);
  const TSortState& Sort() const { return Sort_; }
  // The row object, or null.
  const TBildDiskSize* RowObject(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::vector<TBildDiskSize> Rows_;
  std::vector<QIcon> Icons_;  // by the rows' IconIndex
  const ILocale& Locale_;
  QStringList Headers_;
  TSortState Sort_ = InitialDriveSort();
};

// Draws the free share as a bar under the centred text of the % Free column;
// set on the whole view, as it also keeps every cell free of selection and
// focus marks.
class TUsageBarDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kv
