// The main window: maps menus, tool buttons and views onto the core's scan
// engine, size tree, report pane and navigation history. The logic lives in
// the core and the widgets in the window's parts (TMainActions, TMainToolBar,
// TFolderPane, TReportArea, TTreemapPanel); this class wires them together.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QMainWindow>

#include "app/CompareCommands.h"
#include "app/ExportCommands.h"
#include "platform/Platform.h"
#include "platform/Shell.h"
#include "reports/FormatSize.h"
#include "app/ReportPane.h"
#include "model/FileServices.h"
#include "scan/FolderSearch.h"
#include "scan/SshScanJob.h"
#include "app/NavigationHistory.h"
#include "model/SizeTree.h"
#include "platform/UiCallQueue.h"
#include "settings/Language.h"
#include "app/Option.h"
#include "app/UserDialog.h"
#include "ui/MainActions.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QToolButton;
class QTreeView;
class QWidget;

namespace kv {

class TdtmMain;
class TFolderTreeModel;
class TChartPanel;
class TFolderPane;
class TMainToolBar;
class TReportArea;
class TPendingClose;
class TTreemapPanel;
struct TTreemapNode;

// What the window runs on; tests give fakes and a scripted dialog.
struct TMainSetup {
  TPlatform Platform;
  ISettingsStore* Settings = nullptr;
  // Null: message boxes and Qt's folder chooser.
  IUserDialog* Dialog = nullptr;
  // The Language folder, with a trailing separator.
  std::string LanguageFolder;
  TPathStyle Style = NativePathStyle();
  // Null: the desktop's own shell.
  IShell* Shell = nullptr;
  // Where finished scans are kept; empty keeps none (tests).
  std::string HistoryFolder;
};

class TfrmMain final : public QMainWindow {
 public:
  TfrmMain(TdtmMain& dm, TMainSetup setup, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // ---- status and commands ----
  void UpdateCommandState();
  void UpdateCounters();

  // ---- scanning ----
  bool StartScan(const std::string& path);
  void StopScans();
  // Starts a scan over SSH of an ssh:// address; empty does nothing.
  void StartSshScan(const std::string& url);
  // The filter dialog; afterwards the filter button shows whether one is set.
  void EditFilter();
  // The file commands of the menus.
  void SaveReport(TReportFileFormat format);
  void ImportResult();
  // Now, as the titles of written pages show it.
  std::string TitleTime() const;
  // The settings dialog on one of its pages; the report is rebuilt afterwards.
  void EditSettings(const char* page);
  // Runs the calls worker threads have queued for the UI thread.
  void DrainScanCalls();

  // ---- reports ----
  void SelectReportKind(TReportKind kind);
  void UncheckReportKinds();
  void RefreshReport(TFolderNode* node);
  // Draws the current list as the chart, or hides the panel for reports without one.
  void RefreshChart();
  // The list view of the current kind's page.
  QTreeView* CurrentReportList() const;

  // ---- units and size type ----
  void SetSizeUnit(TSizeUnit unit);
  void SetSizeType(TSizeType type);
  // Hands the window's size format to every part that shows sizes and redraws them.
  void RefreshSizeDisplay();
  const TSizeFormat& SizeFormat() const { return SizeFormat_; }

  // ---- folder tree and navigation ----
  TFolderNode* FocusedNode() const;
  void FocusFolder(TFolderNode* node);
  void StepHistory(int delta);
  void ExpandToLevel(TFolderNode* node, int level);

  // ---- treemap ----
  // The picture follows the focused folder.
  void UpdateTreemap();
  // A click on an item: its folder focused, a file's row selected; a double
  // click (zoom) also makes the picture show that folder.
  void TreemapClicked(const TTreemapNode& node, bool zoom);

  // ---- commands on the selected file or folder ----
  // The item of the control the context menu was opened over, or null.
  TBaseNodeData* SelectedItem() const;
  void RemoveItem(TBaseNodeData* item);
  void RemoveByPaths(const std::vector<std::string>& paths);
  void DeleteSelected();
  void RemoveSelected();
  void RefreshSelected();
  void OpenListRow();
  // Which control the commands act on, as when the context menu opens over it.
  void SetCommandSource(QWidget* source) { PopupSource_ = source; }
  // A context menu key pressed in the window: the entry for the focused view.
  void KeyCommand(std::string_view name);

  // ---- texts ----
  void ApplyLanguage();
  // Makes a language current and re-labels the window at once.
  void ChangeLanguage(const std::string& name);
  QString Tr(const char* id) const;

  // ---- comparing with an earlier scan ----
  void CompareWithFile();
  void CompareWithLast();
  void ClearBaseline();
  TCompareState& Compare() { return *Compare_; }

  // ---- what the window runs on (tests, tools) ----
  TSizeTree& Tree() { return *Tree_; }
  TScanEngine& Engine() { return *Engine_; }
  TPendingClose& PendingClose() { return *PendingClose_; }
  TReportPane& Pane() { return Pane_; }
  const TNavigationHistory& History() const { return History_; }
  TLangList& Languages() { return *Languages_; }
  TOption& Options() { return *Options_; }
  TChartPanel& Chart();
  TTreemapPanel& Treemap() { return *pnlTreemap; }
  TFolderTreeModel& FolderModel();
  IUserDialog& Dialog() { return *Dialog_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateStatusBar();
  void CreatePanes();
  void ConnectActions();
  void ConnectToolBar();
  void ConnectViews();
  void CreateTreemap(QWidget* parent);
  void ShowTreemapItem(const TTreemapNode* node);
  void ConnectQueue();
  void Shutdown();
  void SyncProgressBar();
  void PlaceProgressBar();
  void ShowPopup(QWidget* source, const QPoint& pos);
  // The context menu's entries enabled for the selection in source, which
  // the item commands then act on.
  void UpdateItemActions(QWidget* source);
  void ShowFilterState();
  // After a refresh: rebuilds the report as the refreshed folder's scan arrives.
  void FollowRefresh();
  // Both entries of the kind checked and the report button naming it; the
  // report itself is left as it is.
  void MarkReportKind(TReportKind kind);
  std::string ItemPath(const TBaseNodeData& item) const;
  void ShowAbout();
  void TreeFocusChanged(TFolderNode* focused);
  // Why the folder was not scanned (not readable, another file system), or empty.
  QString FolderMarkText(const TFolderNode& node) const;
  // The focused folder's mark, else how many folders the scans could not read.
  void ShowReadErrors();
  void ConnectCompare();
  // A new or no baseline: the Change column, the report and the picture follow.
  void BaselineChanged();
  void ScanFinished(const std::string& root);
  QVariant ChangeCell(const TFolderNode& node, int role) const;

  TdtmMain& Dm_;
  TMainSetup Setup_;
  ISettingsStore& Settings_;
  std::unique_ptr<IUserDialog> OwnDialog_;
  IUserDialog* Dialog_;
  std::unique_ptr<IShell> OwnShell_;
  IShell* Shell_;

  std::unique_ptr<TFileServices> Services_;
  std::unique_ptr<TSizeTree> Tree_;
  TUiCallQueue Queue_;
  std::unique_ptr<TScanEngine> Engine_;
  std::vector<std::unique_ptr<TSshScanJob>> SshScans_;
  std::unique_ptr<TSearchProgress> ProgressThread_;
  TPendingClose* PendingClose_ = nullptr;  // a child of the window
  std::unique_ptr<TOption> Options_;
  std::unique_ptr<TLangList> Languages_;
  std::unique_ptr<TFileCommandEnv> FileEnv_;
  std::unique_ptr<TCompareState> Compare_;
  // How this window shows sizes; the pane below is built with it.
  TSizeFormat SizeFormat_;
  TReportPane Pane_;
  TNavigationHistory History_;
  // Drains scheduled from worker threads check this is still alive.
  std::shared_ptr<TfrmMain*> DrainTarget_;
  bool ShutDown_ = false;
  bool UpInProgress_ = false;
  bool RemovingFolder_ = false;
  // The stored filter is in effect; the checkable button can be flipped by a click.
  bool FilterInEffect_ = false;
  bool SaveFailureShown_ = false;
  // The folder a refresh is scanning again, until that scan ends.
  std::string RefreshPath_;
  bool RefreshShown_ = false;

  std::unique_ptr<TMainActions> Actions_;  // menus and their entries

  TMainToolBar* ToolBar_ = nullptr;        // pnlTop1
  TFolderPane* Folders_ = nullptr;         // pnlLeft
  TReportArea* Reports_ = nullptr;         // pnlClient
  // The unit choices on the tool bar and in the View menu, in TSizeUnit order.
  std::array<QToolButton*, 4> UnitButtons_{};  // btnB, btnKB, btnMB, btnGB
  std::array<QAction*, 4> UnitActions_{};      // mniB, mniKB, mniMB, GB1

  // ---- widgets (object names as the members) ----

  QStatusBar* barStatus = nullptr;
  std::array<QLabel*, 4> Panels_{};
  QProgressBar* ScanProgressBar = nullptr;
  QLabel* TreemapStatus_ = nullptr;  // pnlStatus4: the item under the mouse
  QLabel* ReadErrorStatus_ = nullptr;  // pnlReadErrors

  QSplitter* splTreemap = nullptr;
  QSplitter* splMain = nullptr;
  TTreemapPanel* pnlTreemap = nullptr;

  QMenu* mnuSaveFiles = nullptr;
  QWidget* PopupSource_ = nullptr;

  QAction* Act(std::string_view name) const { return Actions_->Act(name); }
  QToolButton* Btn(std::string_view name) const;
};

}  // namespace kv
