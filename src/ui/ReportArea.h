// pnlClient: the report pane's rows in two lists on hidden-tab pages (listing
// kinds in grdFiles, aggregate kinds in grdExtensions) over the chart panel,
// with the lists' columns, sorting, icons and the Columns submenu. The window
// builds the report; this area shows it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "app/ReportPane.h"
#include "reports/AggregateReport.h"

class QAbstractItemModel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTreeView;

namespace kv {

class IShell;
class ILocale;
class ISettingsStore;
class IUserDialog;
class TChartPanel;
class TdtmMain;
struct TColumnSpec;
class TChangesListModel;
class TExtensionsListModel;
class TFilesListModel;
class TOption;
class TThreadLoadIcons;
class TUiCallQueue;

// What the area runs on; all of it outlives the area.
struct TReportAreaSetup {
  TReportPane& Pane;
  TdtmMain& Dm;
  TOption& Options;
  ISettingsStore& Settings;  // the column choices
  const ILocale& Locale;
  IUserDialog& Dialog;
  IShell& Shell;
  TUiCallQueue& Queue;  // the icon loader's steps
  std::function<std::string(const char* id)> Translate;
  QMenu& Columns;  // mniColumns, filled each time the context menu opens
};

class TReportArea final : public QWidget {
 public:
  TReportArea(const TReportAreaSetup& setup, QWidget* parent = nullptr);
  ~TReportArea() override;

  // The list of the page shown, or null.
  QTreeView* CurrentList() const;
  QTreeView* FilesList() const { return grdFiles; }
  QTreeView* ExtensionsList() const { return grdExtensions; }
  QTreeView* ChangesList() const { return grdChanges; }
  TFilesListModel& FilesModel() const { return *FilesModel_; }
  TChartPanel& Chart() const { return *ChartPanel_; }

  // The page of the kind's list comes to the front.
  void ShowPageOf(TReportKind kind);
  // The pane's rows were rebuilt or resorted.
  void ReloadLists();
  // Every cell text may have changed (unit, size type).
  void RepaintCells();
  void RepaintLists();
  // The current kind's columns as the settings choose them.
  void ApplyReportColumns();
  // A fresh pass of icons over the list just rebuilt; the previous one stops.
  void StartIconLoader();
  void StopIconLoader();
  // Draws the current list as the chart, or hides the panel for reports
  // without one.
  void RefreshChart();
  // The user's choice of View > Chart; reports without a chart keep the
  // panel hidden whatever it says.
  void SetChartWanted(bool on);
  // The current kind's column choices, as the context menu offers them.
  void BuildColumnsMenu();

  // grdFiles: its current row's object, or null; whether more than one row is
  // selected; the paths of the selected rows, top down.
  TBaseNodeData* CurrentFileRow() const;
  bool FilesMultiplySelected() const;
  std::vector<std::string> SelectedFilePaths() const;
  // The file's row made current and scrolled into view, if it is listed.
  void SelectFileRow(const TFileNodeData* file);

  void ApplyLanguage(const TTranslate& translate);

 private:
  QWidget* AddPage(const char* name, QTreeView*& list, QAbstractItemModel* model,
                   const std::vector<TColumnSpec>& columns, bool multi);
  void HeaderClicked(int column);

  TReportPane& Pane_;
  TdtmMain& Dm_;
  TOption& Options_;
  ISettingsStore& Settings_;
  IShell& Shell_;
  TUiCallQueue& Queue_;
  QMenu& mniColumns;
  bool ChartWanted_ = true;
  std::unique_ptr<TThreadLoadIcons> IconLoader_;
  int IconRow_ = -1;  // the loader's row in the list shown

  QSplitter* splChart = nullptr;
  QStackedWidget* pgcMain = nullptr;
  QWidget* tbsFiles = nullptr;
  QWidget* tbsTypes = nullptr;
  QTreeView* grdFiles = nullptr;
  QTreeView* grdExtensions = nullptr;
  QWidget* tbsChanges = nullptr;
  QTreeView* grdChanges = nullptr;
  TChartPanel* ChartPanel_ = nullptr;  // pnlChart
  std::unique_ptr<TFilesListModel> FilesModel_;
  std::unique_ptr<TExtensionsListModel> ExtensionsModel_;
  std::unique_ptr<TChangesListModel> ChangesModel_;
};

}  // namespace kv
