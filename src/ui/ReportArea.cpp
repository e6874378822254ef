#include "ui/ReportArea.h"

#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/IconLoader.h"
#include "app/Option.h"
#include "reports/ChartPoints.h"
#include "reports/ReportColumns.h"
#include "ui/ChartPanel.h"
#include "ui/DMMain.h"
#include "ui/QtText.h"
#include "ui/ReportListModels.h"

namespace kv {

TReportArea::TReportArea(const TReportAreaSetup& setup, QWidget* parent)
    : QWidget(parent),
      Pane_(setup.Pane),
      Dm_(setup.Dm),
      Options_(setup.Options),
      Settings_(setup.Settings),
      Shell_(setup.Shell),
      Queue_(setup.Queue),
      mniColumns(setup.Columns) {
  setObjectName("pnlClient");
  auto* client = new QVBoxLayout(this);
  client->setContentsMargins(0, 0, 0, 0);
  splChart = new QSplitter(Qt::Vertical, this);
  splChart->setObjectName("splChart");
  splChart->setHandleWidth(4);
  client->addWidget(splChart);

  pgcMain = new QStackedWidget(splChart);
  pgcMain->setObjectName("pgcMain");
  FilesModel_ = std::make_unique<TFilesListModel>(Pane_, Dm_.ListImages());
  ExtensionsModel_ = std::make_unique<TExtensionsListModel>(Pane_, Dm_.ListImages());
  tbsFiles = AddPage("tbsFiles", grdFiles, FilesModel_.get(), FilesColumns(), true);
  grdFiles->setObjectName("grdFiles");
  grdFiles->setItemDelegate(new TPercentBarDelegate(Pane_, grdFiles));
  // Date columns wide enough for the locale's date and time (an afternoon hour
  // with two-digit fields).
  const QString sampleDate = FromUtf8(DateTimeText(45658.7291, setup.Locale));
  const int dateWidth = grdFiles->fontMetrics().horizontalAdvance(sampleDate) + 24;
  for (int column : {fcCreated, fcModified, fcLastAccess})
    grdFiles->header()->resizeSection(column, std::max(grdFiles->header()->sectionSize(column), dateWidth));
  tbsTypes = AddPage("tbsTypes", grdExtensions, ExtensionsModel_.get(), ExtensionsColumns(), false);
  grdExtensions->setObjectName("grdExtensions");
  grdExtensions->setItemDelegate(new TSwatchDelegate(grdExtensions));
  ChangesModel_ = std::make_unique<TChangesListModel>(Pane_, Dm_.ListImages(), setup.Translate);
  tbsChanges = AddPage("tbsChanges", grdChanges, ChangesModel_.get(), ChangesColumns(), false);
  grdChanges->setObjectName("grdChanges");
  grdChanges->header()->setSortIndicator(ccDifference, Qt::DescendingOrder);
  // Sizes up to seven integer digits in any unit.
  const int sizeWidth = grdFiles->fontMetrics().horizontalAdvance(QString("9 999 999.99 KB")) + 24;
  for (QTreeView* list : {grdFiles, grdExtensions})
    list->header()->resizeSection(fcSize, std::max(list->header()->sectionSize(fcSize), sizeWidth));
  for (QTreeView* list : {grdFiles, grdExtensions, grdChanges})
    connect(list->header(), &QHeaderView::sectionClicked, this, [this](int column) { HeaderClicked(column); });

  // The chart of the current report under the lists.
  ChartPanel_ = new TChartPanel(Options_, setup.Dialog, setup.Translate, splChart);
  splChart->setStretchFactor(0, 1);
  splChart->setStretchFactor(1, 0);
  splChart->setSizes({300, 250});
  // Start-up state: the Files and folders report on its page, both lists by
  // size, largest first.
  pgcMain->setCurrentWidget(tbsFiles);
}

TReportArea::~TReportArea() {
  StopIconLoader();
  // The views let go of the models before they are freed.
  grdFiles->setModel(nullptr);
  grdExtensions->setModel(nullptr);
  grdChanges->setModel(nullptr);
}

QWidget* TReportArea::AddPage(const char* name, QTreeView*& list, QAbstractItemModel* model,
                              const std::vector<TColumnSpec>& columns, bool multi) {
  auto* tab = new QWidget(pgcMain);
  tab->setObjectName(name);
  auto* box = new QVBoxLayout(tab);
  box->setContentsMargins(0, 0, 0, 0);
  list = new QTreeView(tab);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setIconSize(QSize(16, 16));
  list->setModel(model);
  QHeaderView* header = list->header();
  header->setSectionsClickable(true);
  header->setSectionsMovable(true);
  header->setFirstSectionMovable(false);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(1, Qt::DescendingOrder);
  header->setStretchLastSection(false);
  // The widths suit a small 8-point font; wider digits get wider columns.
  const double scale = std::max(1.0, list->fontMetrics().horizontalAdvance(QString("0123456789")) / 60.0);
  for (size_t i = 0; i < columns.size(); ++i) {
    header->resizeSection(static_cast<int>(i), static_cast<int>(columns[i].Width * scale));
    list->setColumnHidden(static_cast<int>(i), !columns[i].VisibleAtFirst);
  }
  box->addWidget(list);
  pgcMain->addWidget(tab);
  return tab;
}

QTreeView* TReportArea::CurrentList() const {
  if (pgcMain->currentWidget() == tbsFiles) return grdFiles;
  if (pgcMain->currentWidget() == tbsTypes) return grdExtensions;
  if (pgcMain->currentWidget() == tbsChanges) return grdChanges;
  return nullptr;
}

void TReportArea::ShowPageOf(TReportKind kind) {
  pgcMain->setCurrentWidget(kind == TReportKind::Changes ? tbsChanges : (IsListingKind(kind) ? tbsFiles : tbsTypes));
}

void TReportArea::ReloadLists() {
  FilesModel_->Reload();
  ExtensionsModel_->Reload();
  ChangesModel_->Reload();
  for (auto [list, sort] : {std::pair{grdFiles, Pane_.FilesSort()}, std::pair{grdExtensions, Pane_.ExtensionsSort()},
                            std::pair{grdChanges, Pane_.ChangesSort()}})
    list->header()->setSortIndicator(sort.Column, sort.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TReportArea::RepaintCells() {
  FilesModel_->Repaint();
  ExtensionsModel_->Repaint();
  ChangesModel_->Repaint();
}

void TReportArea::RepaintLists() {
  grdFiles->viewport()->update();
  grdExtensions->viewport()->update();
  grdChanges->viewport()->update();
}

void TReportArea::ApplyReportColumns() {
  QTreeView* list = CurrentList();
  if (!list) return;
  const TReportKind kind = Pane_.Kind();
  const std::vector<bool> visible = ApplyColumnVisibility(Settings_, kind, InitialColumnVisibility(kind));
  list->header()->setUpdatesEnabled(false);
  for (size_t i = 0; i < visible.size(); ++i) list->setColumnHidden(static_cast<int>(i), !visible[i]);
  list->header()->setUpdatesEnabled(true);
}

void TReportArea::StartIconLoader() {
  IconLoader_.reset();  // takes no further step, not even one already asked for
  IconRow_ = -1;
  IconLoader_ = std::make_unique<TThreadLoadIcons>(
      Queue_,
      [this] {
        // Walks whichever list is shown now, one row per step.
        QTreeView* list = CurrentList();
        if (!list) return IconRow_ >= 0;
        const int rows = list->model()->rowCount();
        IconRow_ = IconRow_ + 1 < rows ? IconRow_ + 1 : -1;
        return IconRow_ >= 0;
      },
      [this] {
        QTreeView* list = CurrentList();
        if (!list || IconRow_ < 0 || list == grdChanges) return;
        TFileIconsList& icons = Dm_.FileIcons();
        if (list == grdFiles) {
          const auto* file = AsFileData(FilesModel_->RowObject(IconRow_));
          if (!file) return;  // folders have their own image
          // Kept by type in the icon list, not in the file: the model looks it up there.
          icons.IconOf(file->Name.Str(), Shell_);
          FilesModel_->RowChanged(IconRow_);
        } else if (TExtensionsNodeData* row = ExtensionsModel_->RowObject(IconRow_)) {
          row->IconIndex = row->IconKey.empty() ? -1 : icons.IconOf(row->IconKey, Shell_);
          ExtensionsModel_->RowChanged(IconRow_);
        }
      });
}

void TReportArea::StopIconLoader() { IconLoader_.reset(); }

void TReportArea::RefreshChart() {
  const TReportKind kind = Pane_.Kind();
  if (!ReportKindInfo(kind).ChartShown) {
    ChartPanel_->hide();
    return;
  }
  // Rebuilt even while the user keeps the panel hidden.
  ChartPanel_->setVisible(ChartWanted_);
  const int32_t others = Options_.ChartOtherType;
  if (kind == TReportKind::Changes) {
    ChartPanel_->RefreshChart(FillChartSeries(Pane_.Changes().Rows, others));
    return;
  }
  ChartPanel_->RefreshChart(IsListingKind(kind) ? FillChartSeries(Pane_.FilesRows(), Pane_.SizeFormat().Type, others)
                                                : FillChartSeries(Pane_.ExtensionsRows(), others));
}

void TReportArea::SetChartWanted(bool on) {
  ChartWanted_ = on;
  ChartPanel_->setVisible(on && ReportKindInfo(Pane_.Kind()).ChartShown);
}

void TReportArea::BuildColumnsMenu() {
  mniColumns.clear();
  QTreeView* list = CurrentList();
  if (!list) return;
  const TReportKind kind = Pane_.Kind();
  for (const TColumnChoice& choice : OfferedColumns(Settings_, kind)) {
    const QString caption = list->model()->headerData(choice.Index, Qt::Horizontal).toString();
    QAction* entry = mniColumns.addAction(caption);
    entry->setObjectName(QString("mniColumn%1").arg(choice.Index));
    entry->setCheckable(true);
    entry->setChecked(choice.Checked);
    entry->setData(choice.Index);
    connect(entry, &QAction::toggled, this, [this, list, kind, index = choice.Index](bool show) {
      ToggleColumn(Settings_, kind, index, show);
      list->setColumnHidden(index, !show);
    });
  }
}

void TReportArea::HeaderClicked(int column) {
  Pane_.HeaderClick(column);
  ReloadLists();
  // The chart follows the new row order.
  RefreshChart();
}

TBaseNodeData* TReportArea::CurrentFileRow() const {
  const QModelIndex current = grdFiles->currentIndex();
  return current.isValid() ? FilesModel_->RowObject(current.row()) : nullptr;
}

bool TReportArea::FilesMultiplySelected() const {
  return CurrentList() == grdFiles && grdFiles->selectionModel()->selectedRows().size() > 1;
}

std::vector<std::string> TReportArea::SelectedFilePaths() const {
  std::vector<int> rows;
  for (const QModelIndex& index : grdFiles->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> paths;
  for (int row : rows)
    if (const TBaseNodeData* item = FilesModel_->RowObject(row)) paths.push_back(item->GetFullPath());
  return paths;
}

void TReportArea::SelectFileRow(const TFileNodeData* file) {
  for (int row = 0; row < FilesModel_->rowCount(); ++row) {
    if (FilesModel_->RowObject(row) != file) continue;
    const QModelIndex index = FilesModel_->index(row, 0);
    grdFiles->selectionModel()->setCurrentIndex(index,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grdFiles->scrollTo(index);
    return;
  }
}

void TReportArea::ApplyLanguage(const TTranslate& translate) {
  const auto titles = [&translate](const std::vector<TColumnSpec>& columns) {
    QStringList texts;
    for (const TColumnSpec& column : columns) texts << FromUtf8(translate(column.HeaderId));
    return texts;
  };
  FilesModel_->SetHeaderTexts(titles(FilesColumns()));
  ExtensionsModel_->SetHeaderTexts(titles(ExtensionsColumns()));
  ChangesModel_->SetHeaderTexts(titles(ChangesColumns()));
  ChartPanel_->ApplyLanguage();
}

}  // namespace kv
