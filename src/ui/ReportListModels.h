// The two report lists as Qt table models over the report pane's rows: every
// text, image, font and sort comes from the core at the moment it is asked.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QRect>
#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>

#include "app/ReportPane.h"

namespace kv {

// The images the lists show in their first column.
struct TListImages {
  QIcon ClosedFolder;
  QIcon Drive;     // a top-level folder
  QIcon AnyFile;   // a file whose own icon is not known
  // The image of a looked-up icon index; none given: only the images above.
  std::function<QIcon(int32_t)> ImageOf;
  // The icon of a file name's type once it has been looked up, else a null icon.
  std::function<QIcon(std::string_view)> FileImage;
};

class TReportListModel : public QAbstractTableModel {
 public:
  TReportListModel(TReportPane& pane, const TListImages& images, QObject* parent = nullptr);

  // Header texts by column index (set from the language).
  void SetHeaderTexts(const QStringList& texts);
  // Tells views that the pane's rows were rebuilt or resorted.
  void Reload();
  // Tells views that every cell text may have changed (unit, size type).
  void Repaint();
  // One row's cells changed (its icon arrived).
  void RowChanged(int row);

  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 protected:
  TReportPane& Pane_;
  const TListImages& Images_;
  QStringList Headers_;
  int Columns_;
  TReportListModel(TReportPane& pane, const TListImages& images, int columns, QObject* parent);
};

// grdFiles: the rows of a listing kind. Bold rows over 10 percent in the
// Files and folders report.
class TFilesListModel final : public TReportListModel {
 public:
  TFilesListModel(TReportPane& pane, const TListImages& images, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The row object, or null.
  TBaseNodeData* RowObject(int row) const;
};

// The colour of an extension row in the treemap (a QColor) under this role of
// its name cell; nothing for the other aggregate kinds.
inline constexpr int SwatchRole = Qt::UserRole + 1;

// grdExtensions: the rows of an aggregate kind.
class TExtensionsListModel final : public TReportListModel {
 public:
  TExtensionsListModel(TReportPane& pane, const TListImages& images, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  TExtensionsNodeData* RowObject(int row) const;
};

// grdChanges: the rows of the Changes report; the difference and the state in
// the state's colour.
class TChangesListModel final : public TReportListModel {
 public:
  TChangesListModel(TReportPane& pane, const TListImages& images, std::function<std::string(const char*)> translate,
                    QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  const TChangeRow* RowObject(int row) const;

 private:
  std::function<std::string(const char*)> Translate_;
};

// Where the Percent cell draws its bar: a silver outline 2 px inside the cell,
// and inside that (1 px in) the bar from the left, its width the percentage
// (held to 0..100) of the room there.
struct TPercentBarGeometry {
  QRect Outline;
  QRect Bar;
};
TPercentBarGeometry PercentBarGeometry(const QRect& cell, double percent);
// Draws that outline in silver and the bar in lime, under the cell's text.
void PaintPercentBar(QPainter& painter, const QRect& cell, double percent);

// A delegate that draws something of its own between a cell's background and
// its icon and text.
class TLayeredItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  // `under` paints into the cell and gives the left edge left for the icon and text.
  void PaintLayered(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    const std::function<int(const QRect& cell)>& under) const;
};

// Draws the percent bar of the Files and folders report under the text of
// the Percent column.
class TPercentBarDelegate final : public TLayeredItemDelegate {
 public:
  TPercentBarDelegate(const TReportPane& pane, QObject* parent = nullptr);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const TReportPane& Pane_;
};

// Draws an extension's treemap colour as a small square before its name, so
// the Extensions report is the treemap's legend.
class TSwatchDelegate final : public TLayeredItemDelegate {
 public:
  using TLayeredItemDelegate::TLayeredItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kv
