#include "ui/Main.h"

#include "ui/SshScanDialog.h"
#include "ui/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "reports/ReportColumns.h"
#include "scan/ItemFilter.h"
#include "settings/TextIds.h"
#include "ui/About.h"
#include "ui/ChartPanel.h"
#include "ui/DMMain.h"
#include "app/ExportCommands.h"
#include "ui/FileMenus.h"
#include "ui/FilterDialog.h"
#include "ui/FolderPane.h"
#include "ui/FolderTreeModel.h"
#include "ui/MainToolBar.h"
#include "ui/PendingClose.h"
#include "ui/QtUserDialog.h"
#include "ui/ReportArea.h"
#include "ui/SettingsDialog.h"
#include "ui/ShellCommands.h"
#include "ui/TreemapPanel.h"

namespace kv {

namespace {

const char* const HomePage = "https://www.varnholt.de/kestrove/";

}  // namespace

TfrmMain::TfrmMain(TdtmMain& dm, TMainSetup setup, QWidget* parent)
    : QMainWindow(parent),
      Dm_(dm),
      Setup_(std::move(setup)),
      Settings_(*Setup_.Settings),
      // Every start shows sizes in MB as file sizes; neither choice is stored.
      SizeFormat_{TSizeType::FileSize, TSizeUnit::MB, Setup_.Platform.Locale.get()},
      Pane_(SizeFormat_) {
  setObjectName("frmMain");
  setWindowTitle("Varnholt Kestrove 2.4");
  resize(766, 581);
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  if (Setup_.Dialog) {
    Dialog_ = Setup_.Dialog;
  } else {
    OwnDialog_ = std::make_unique<TQtUserDialog>(this, [this] { return Languages_->Translate(IdQuestionCaption); });
    Dialog_ = OwnDialog_.get();
  }
  if (!Setup_.Shell) OwnShell_ = CreateDesktopShell();
  Shell_ = Setup_.Shell ? Setup_.Shell : OwnShell_.get();

  Services_ = std::make_unique<TFileServices>(Setup_.Platform, Setup_.Style);
  Tree_ = std::make_unique<TSizeTree>(*Services_, *Setup_.Platform.Locale);
  Engine_ = std::make_unique<TScanEngine>(*Tree_, Queue_, Settings_, *Setup_.Platform.Locale);
  Engine_->OnUpdateCounters = [this] { UpdateCounters(); };
  Engine_->OnUpdateCommandState = [this] { UpdateCommandState(); };
  Engine_->OnRepaintTree = [this] { Folders_->Repaint(); };
  Compare_ = std::make_unique<TCompareState>(Setup_.HistoryFolder);
  Pane_.SetBaseline(&Compare_->Baseline());
  Engine_->OnScanFinished = [this](const std::string& root) { ScanFinished(root); };
  Engine_->OnScanError = [this](const std::string&, const EMaskError& error) {
    Dialog_->ShowError(ToUtf8(MaskErrorText(error, *Languages_)));
  };


  // The chart panel takes its palette and gradient from the options.
  Options_ = std::make_unique<TOption>(Settings_);

  Actions_ = std::make_unique<TMainActions>(*this);
  // The treemap's entry is the one of the View entries kept across runs.
  Act("mniShowTreemap")->setChecked(Options_->ShowTreemap != 0);
  ToolBar_ = new TMainToolBar(*Actions_, this);
  UnitButtons_ = ToolBar_->UnitButtons();
  UnitActions_ = Actions_->UnitActions();
  CreatePanes();
  CreateStatusBar();
  ConnectActions();
  ConnectCompare();
  ConnectToolBar();
  ConnectViews();

  ShowFilterState();
  ConnectQueue();
  ProgressThread_ = std::make_unique<TSearchProgress>(*Engine_);
  PendingClose_ = new TPendingClose(*this);
  Reports_->ApplyReportColumns();
  Languages_ = std::make_unique<TLangList>(Settings_, *Setup_.Platform.FileSystem, Setup_.LanguageFolder);
  FileEnv_ = std::make_unique<TFileCommandEnv>(WindowFileCommandEnv(*Dialog_, LanguageTranslator(*Languages_)));
  FileEnv_->Style = Setup_.Style;
  ApplyLanguage();
  UpdateCounters();
  UpdateCommandState();
  // A settings file left alone or a language file refused is told once the window is up.
  QTimer::singleShot(0, this, [this] {
    for (const std::string& notice : InputNotices(Settings_, *Languages_)) Dialog_->ShowError(notice);
  });
}

TfrmMain::~TfrmMain() {
  Shutdown();
  // The panes' models observe the tree and the report pane: the panes go
  // before those, not with the other widgets after them.
  delete Reports_;
  delete Folders_;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
}

void TfrmMain::Shutdown() {
  if (ShutDown_) return;
  ShutDown_ = true;
  // Workers first: none may touch the window or the tree afterwards.
  Reports_->StopIconLoader();
  ProgressThread_.reset();
  pnlTreemap->Stop();
  StopHistoryWrites();
  Engine_->StopScans();
  SshScans_.clear();  // stopped and joined
  Queue_.SetNotify({});
  DrainTarget_.reset();
  Folders_->StopFocusReports();
  // Rows refer to tree objects: empty the lists before the tree frees them.
  Pane_.Clear();
  Reports_->ReloadLists();
  Tree_->BeginUpdate();
  Tree_->Clear();
  Tree_->EndUpdate();
  Engine_->ClearReadErrors();
  Options_.reset();  // writes the options
}

// ---------------------------------------------------------------- creation

void TfrmMain::CreatePanes() {
  auto* central = new QWidget(this);
  auto* panes = new QVBoxLayout(central);
  panes->setContentsMargins(0, 0, 0, 0);
  panes->setSpacing(0);
  panes->addWidget(ToolBar_);

  // The tree and report panes over the treemap, which spans the width.
  splTreemap = new QSplitter(Qt::Vertical, central);
  splTreemap->setObjectName("splTreemap");
  splTreemap->setHandleWidth(4);
  splTreemap->setChildrenCollapsible(false);
  panes->addWidget(splTreemap, 1);
  splMain = new QSplitter(Qt::Horizontal, splTreemap);
  splMain->setObjectName("splMain");
  splMain->setHandleWidth(4);

  Folders_ = new TFolderPane(*Tree_, *Services_, Setup_.Platform, Setup_.Style, *Shell_, Dm_, ToolBar_->DriveList(),
                             splMain);
  Folders_->SetSizeFormat(SizeFormat_);
  Reports_ = new TReportArea({Pane_, Dm_, *Options_, Settings_, *Setup_.Platform.Locale, *Dialog_, *Shell_, Queue_,
                              [this](const char* id) { return Languages_->Translate(id); },
                              *Actions_->Menu("mniColumns")},
                             splMain);
  splMain->addWidget(Folders_);
  splMain->addWidget(Reports_);
  splMain->setStretchFactor(0, 0);
  splMain->setStretchFactor(1, 1);
  splMain->setSizes({310, 452});
  CreateTreemap(splTreemap);
  setCentralWidget(central);
}

void TfrmMain::CreateStatusBar() {
  barStatus = new QStatusBar(this);
  barStatus->setObjectName("barStatus");
  barStatus->setSizeGripEnabled(true);
  const int widths[4] = {120, 120, 120, 50};
  for (size_t i = 0; i < 4; ++i) {
    auto* panel = new QLabel(barStatus);
    panel->setObjectName(QString("pnlStatus%1").arg(i));
    panel->setFixedWidth(widths[i]);
    barStatus->addWidget(panel);
    Panels_[i] = panel;
  }
  // Long paths must not widen the window: the label takes what is left.
  TreemapStatus_ = new QLabel(barStatus);
  TreemapStatus_->setObjectName("pnlStatus4");
  TreemapStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  barStatus->addWidget(TreemapStatus_, 1);
  ReadErrorStatus_ = new QLabel(barStatus);
  ReadErrorStatus_->setObjectName("pnlReadErrors");
  ReadErrorStatus_->hide();
  barStatus->addWidget(ReadErrorStatus_);
  setStatusBar(barStatus);
  // A child of the status bar, not one of its panels: placed by hand at the right end.
  ScanProgressBar = new QProgressBar(barStatus);
  ScanProgressBar->setObjectName("ScanProgressBar");
  ScanProgressBar->setRange(0, 100);
  ScanProgressBar->setTextVisible(false);
  ScanProgressBar->setFixedSize(150, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  ScanProgressBar->hide();
  barStatus->installEventFilter(this);
  PlaceProgressBar();
}

// ---------------------------------------------------------------- wiring

QToolButton* TfrmMain::Btn(std::string_view name) const { return ToolBar_->Button(name); }

void TfrmMain::ConnectActions() {
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"mniScanDrive",
       [this] {
         const std::string root = Folders_->ChosenDrive();
         if (!root.empty()) StartScan(root);
       }},
      {"mniScanFolder",
       [this] {
         std::string folder;
         if (Dialog_->ChooseFolder(Languages_->Translate(IdSelectFolder), folder)) StartScan(folder);
       }},
      {"mniScanSsh", [this] { StartSshScan(AskSshScan(Settings_, *Languages_, this)); }},
      {"mniStopScan", [this] { StopScans(); }},
      {"mniFilter", [this] { EditFilter(); }},
      {"mniExport", [this] { ExportResultCommand(*Tree_, *FileEnv_); }},
      {"mniExportNcdu", [this] { ExportNcduCommand(*Tree_, *FileEnv_); }},
      {"mniImport", [this] { ImportResult(); }},
      {"mniExit", [this] { close(); }},
      {"mniListFiles", [this] { ShowReportTree(this, *Tree_, *FileEnv_, SizeFormat_, TitleTime()); }},
      {"mniReportSettings", [this] { EditSettings("tbsReport"); }},
      {"mniReportSettings2", [this] { EditSettings("tbsReport"); }},
      {"mniHomepage", [] { QDesktopServices::openUrl(QUrl(HomePage)); }},
      {"mniAbout", [this] { ShowAbout(); }},
      {"mniExplorer",
       [this] {
         if (const TBaseNodeData* item = SelectedItem())
           Shell_->ShowInFileManager(ItemPath(*item), AsFolderData(item) != nullptr);
       }},
      {"mniProperties",
       [this] {
         if (const TBaseNodeData* item = SelectedItem())
           ShowProperties(*Shell_, *item, SizeFormat_, LanguageTranslator(*Languages_), this);
       }},
      {"mniDelete", [this] { DeleteSelected(); }},
      {"mniRemoveFromList", [this] { RemoveSelected(); }},
      {"mniRefresh", [this] { RefreshSelected(); }},
      {"mniFullExpand", [this] { ExpandToLevel(FocusedNode(), 0); }},
  };
  for (const auto& [name, command] : commands) connect(Act(name), &QAction::triggered, this, command);
  for (int level = 1; level <= 4; ++level)
    connect(Act("mniExpandToLevel" + std::to_string(level)), &QAction::triggered, this,
            [this, level] { ExpandToLevel(FocusedNode(), level); });

  for (int u = 0; u < 4; ++u)
    connect(UnitActions_[static_cast<size_t>(u)], &QAction::triggered, this,
            [this, u] { SetSizeUnit(static_cast<TSizeUnit>(u)); });
  // The size type: a radio pair in the drop-down and its twin in the View menu.
  const std::pair<const char*, TSizeType> types[] = {
      {"mniSizeTypeFile", TSizeType::FileSize}, {"mniSizeTypeAllocated", TSizeType::Allocated}};
  for (const auto& [name, type] : types)
    for (QAction* action : {Act(name), Act(std::string(name) + "2")})
      connect(action, &QAction::triggered, this, [this, t = type] { SetSizeType(t); });

  // A report kind's twin in the Report menu only calls its drop-down entry.
  for (const TReportKindInfo& info : AllReportKinds()) {
    QAction* popup = Actions_->PopupKind(info.Kind);
    connect(popup, &QAction::triggered, this, [this, kind = info.Kind] { SelectReportKind(kind); });
    connect(Actions_->MenuKind(info.Kind), &QAction::triggered, popup, &QAction::trigger);
  }

  connect(Act("mniShowChart"), &QAction::toggled, this, [this](bool on) { Reports_->SetChartWanted(on); });
  connect(Act("mniShowInfoDisk"), &QAction::toggled, this, [this](bool on) { Folders_->ShowDrivePanel(on); });
  connect(Act("mniShowTreemap"), &QAction::toggled, this, [this](bool on) {
    pnlTreemap->setVisible(on);
    Options_->ShowTreemap = on ? 1 : 0;
    Options_->Save();
  });

  // The chart type entries of the View menu call their twins in the chart panel.
  TChartPanel& chart = Reports_->Chart();
  chart.OnChartTypeChosen = [this] {
    Act(Reports_->Chart().PieShown() ? "mniPie2" : "mniBar2")->setChecked(true);
    RefreshReport(FocusedNode());
    // With no folder focused the report stays, but the chart changes type.
    if (!FocusedNode()) RefreshChart();
  };
  connect(Act("mniPie2"), &QAction::triggered, chart.PieAction(), &QAction::trigger);
  if (auto* chartSettings = chart.findChild<QAction*>("mniChartSettings")) {
    chartSettings->setEnabled(true);
    connect(chartSettings, &QAction::triggered, this, [this] { EditSettings("tbsChart"); });
  }
  connect(Act("mniBar2"), &QAction::triggered, chart.BarAction(), &QAction::trigger);
}

void TfrmMain::ConnectToolBar() {
  // Pressed shows that a filter is in effect: the dialog decides, not the click,
  // which has already flipped the button.
  connect(Btn("btnFilter"), &QToolButton::clicked, this, [this] {
    Btn("btnFilter")->setChecked(FilterInEffect_);
    EditFilter();
  });
  connect(Btn("btnUp"), &QToolButton::clicked, this, [this] {
    if (UpInProgress_) return;
    UpInProgress_ = true;
    if (TFolderNode* node = FocusedNode()) FocusFolder(node->Parent());
    UpInProgress_ = false;
  });
  connect(Btn("btnBack"), &QToolButton::clicked, this, [this] { StepHistory(-1); });
  connect(Btn("btnNext"), &QToolButton::clicked, this, [this] { StepHistory(+1); });
  for (int u = 0; u < 4; ++u)
    connect(UnitButtons_[static_cast<size_t>(u)], &QToolButton::clicked, this,
            [this, u] { SetSizeUnit(static_cast<TSizeUnit>(u)); });
  mnuSaveFiles = CreateSaveFilesMenu(this, [this](TReportFileFormat format) { SaveReport(format); });
  ToolBar_->DropDown("btnSyzeType", Actions_->Menu("mnuSizeType"));
  ToolBar_->DropDown("btnReportType", Actions_->Menu("mnuReportType"));
  ToolBar_->DropDown("btnSaveFiles", mnuSaveFiles);
}

void TfrmMain::ConnectViews() {
  Folders_->OnFocusChanged = [this](TFolderNode* focused) { TreeFocusChanged(focused); };
  Folders_->Model().ToolTipOf = [this](const TFolderNode& node) { return FolderMarkText(node); };
  connect(Reports_->FilesList(), &QAbstractItemView::doubleClicked, this, [this] { OpenListRow(); });
  for (QTreeView* view : {Folders_->View(), Reports_->FilesList(), Reports_->ExtensionsList()})
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& pos) { ShowPopup(view, view->viewport()->mapToGlobal(pos)); });
  // The context menu's keys work without opening it.
  for (const TMenuShortcut& shortcut : MainMenuShortcuts()) {
    if (Act(shortcut.Name)->shortcutContext() != Qt::WidgetShortcut) continue;
    auto* key = new QShortcut(Act(shortcut.Name)->shortcut(), this);
    connect(key, &QShortcut::activated, this, [this, name = shortcut.Name] { KeyCommand(name); });
  }
}

void TfrmMain::ShowPopup(QWidget* source, const QPoint& globalPos) {
  UpdateItemActions(source);
  Actions_->Menu("mnuPopup")->popup(globalPos);
}

void TfrmMain::KeyCommand(std::string_view name) {
  // The list or tree with the focus, else the tree, as a right click there would.
  QWidget* source = Folders_->View();
  for (QWidget* view : {static_cast<QWidget*>(Reports_->FilesList()), static_cast<QWidget*>(Reports_->ExtensionsList())})
    if (focusWidget() == view) source = view;
  UpdateItemActions(source);
  if (QAction* action = Act(name); action->isEnabled()) action->trigger();
}

void TfrmMain::UpdateItemActions(QWidget* source) {
  PopupSource_ = source;
  const bool overTree = source == Folders_->View();
  const bool item = SelectedItem() != nullptr;
  const bool multi = Reports_->FilesMultiplySelected();
  const bool idle = ScansIdle();
  Act("mniExplorer")->setEnabled(item && !multi);
  Act("mniDelete")->setEnabled(item && idle);
  Act("mniRemoveFromList")->setEnabled(item && idle);
  Act("mniProperties")->setEnabled(item && !multi);
  Act("mniRefresh")->setEnabled(item && idle && !multi);
  Actions_->Menu("mniExpand")->menuAction()->setVisible(item && overTree && !multi);
  Actions_->Menu("mniColumns")->menuAction()->setVisible(!overTree);
  if (!overTree) Reports_->BuildColumnsMenu();
}

// ---------------------------------------------------------------- status

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == barStatus && event->type() == QEvent::Resize) PlaceProgressBar();
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::PlaceProgressBar() {
  ScanProgressBar->move(barStatus->width() - ScanProgressBar->width() - 13, 3);
}

void TfrmMain::SyncProgressBar() {
  if (ShutDown_) return;
  ScanProgressBar->setVisible(Engine_->ProgressVisible());
  ScanProgressBar->setValue(Engine_->ProgressPosition());
}

void TfrmMain::UpdateCounters() {
  const int64_t folders = Tree_->TotalFolders > 0 ? Tree_->TotalFolders - 1 : Tree_->TotalFolders;
  Panels_[0]->setText(Tr(IdStatusFolders) + " " + QString::number(folders));
  Panels_[1]->setText(Tr(IdStatusFiles) + " " + QString::number(Tree_->TotalFiles));
  ShowReadErrors();
}

QString TfrmMain::FolderMarkText(const TFolderNode& node) const {
  if (node.IsHiddenRoot()) return {};
  const uint8_t marks = node.Data()->Info().Marks;
  if (marks & imReadError)
    return WithValue(Tr(IdFolderNotRead),
                     FromUtf8(Engine_->ReadErrorOf(Services_->ExcludeTrailingSeparator(GetNodePath(&node)))));
  if (marks & imOtherFileSystem) return Tr(IdOtherFileSystem);
  if (marks & imExcluded) return Tr(IdExcludedWhenScanned);
  return {};
}

void TfrmMain::ShowReadErrors() {
  const TFolderNode* focused = FocusedNode();
  QString text = focused ? FolderMarkText(*focused) : QString();
  // The count once the scans are done: while they run it only grows.
  const size_t failed = Engine_->ReadErrors().size();
  if (text.isEmpty() && failed > 0 && Engine_->ActiveScans() == 0)
    text = WithValue(Tr(IdFoldersNotRead), QString::number(failed));
  ReadErrorStatus_->setText(text);
  ReadErrorStatus_->setVisible(!text.isEmpty());
}

void TfrmMain::UpdateCommandState() {
  Btn("btnBack")->setEnabled(History_.CanGoBack());
  Btn("btnNext")->setEnabled(History_.CanGoNext());
  const TFolderNode* focused = FocusedNode();
  Btn("btnUp")->setEnabled(focused && !focused->Parent()->IsHiddenRoot());
  const bool idle = ScansIdle();
  Btn("btnFilter")->setEnabled(idle);
  Btn("btnStopSearch")->setEnabled(!idle);
  Panels_[2]->setText(Tr(IdStatusFilter) + " " + Tr(FilterInEffect_ ? IdFilterSet : IdFilterNotSet));
  Act("mniListFiles")->setEnabled(Tree_->Root()->ChildCount() > 0);
  SyncProgressBar();
  // A save that could not have the settings file's lock in time is told once.
  const bool saveFailed = Settings_.SaveFailure().has_value();
  if (saveFailed && !SaveFailureShown_) barStatus->showMessage(Tr(IdSettingsNotSaved), 10000);
  SaveFailureShown_ = saveFailed;
}

// ---------------------------------------------------------------- scanning

bool TfrmMain::StartScan(const std::string& path) {
  // Read at every start, so a changed option applies to the next scan.
  Engine_->SetCountLinksOnce(Options_->CountHardLinksOnce != 0);
  const bool started = Engine_->StartScan(path);
  UpdateCommandState();
  return started;
}

std::string TfrmMain::TitleTime() const {
  return DateTimeText(NowAsDayCount(*Services_), *Setup_.Platform.Locale);
}

void TfrmMain::SaveReport(TReportFileFormat format) {
  QTreeView* list = CurrentReportList();
  if (!list) return;
  std::vector<bool> visible(static_cast<size_t>(list->model()->columnCount()));
  for (size_t i = 0; i < visible.size(); ++i) visible[i] = !list->isColumnHidden(static_cast<int>(i));
  SaveReportCommand(format, Pane_, visible, GetNodePath(FocusedNode()), TitleTime(), *FileEnv_);
}

void TfrmMain::ImportResult() {
  if (ImportResultCommand(*Tree_, *FileEnv_) != TCommandOutcome::Cancelled) Imported();
}

void TfrmMain::Imported() {
  RecomputeBaseline();
  pnlTreemap->TreeChanged();
  UpdateTreemap();
  // Even a failed import keeps what it read before the damage.
  UpdateCounters();
  Folders_->Repaint();
  Reports_->RepaintLists();
  UpdateCommandState();
}

void TfrmMain::EditFilter() {
  {
    TfrmFilter dialog(Settings_, *Setup_.Platform.Locale, *Languages_, this);
    dialog.exec();
  }
  ShowFilterState();
  UpdateCommandState();
}

void TfrmMain::EditSettings(const char* page) {
  {
    TfrmSettings dialog(*Options_, *Languages_, [this] { ApplyLanguage(); }, this);
    dialog.ShowPage(page);
    dialog.exec();
  }
  // Confirmed or not, the report follows the options as they are now.
  RefreshReport(FocusedNode());
}

void TfrmMain::ShowFilterState() {
  const TFilter filter(Settings_, *Setup_.Platform.Locale);
  FilterInEffect_ = !filter.IsEmpty();
  Btn("btnFilter")->setChecked(FilterInEffect_);
}

void TfrmMain::StopScans() {
  Engine_->StopScans();
  for (auto& job : SshScans_) job->Stop();
  UpdateCommandState();
}

bool TfrmMain::ScansIdle() const {
  return Engine_->ScanRoots().empty() &&
         std::none_of(SshScans_.begin(), SshScans_.end(), [](const auto& job) { return job->Running(); });
}

void TfrmMain::StartSshScan(const std::string& url) {
  if (url.empty()) return;
  // Jobs that ended are released here: one cannot release itself from its own end.
  std::erase_if(SshScans_, [](const auto& job) { return job->Finished(); });
  TSshTarget target;
  std::string error;
  if (!ParseSshUrl(url, target, error)) {
    Dialog_->ShowError(url + ": " + error);
    return;
  }
  SshScans_.push_back(std::make_unique<TSshScanJob>(*Tree_, Queue_, target, TSshMethod::Auto,
                                                     [this](const std::string& failure) {
                                                       UpdateCounters();
                                                       UpdateCommandState();
                                                       if (!failure.empty()) Dialog_->ShowError(failure);
                                                     }));
  UpdateCommandState();
}

// ---------------------------------------------------------------- reports

void TfrmMain::UncheckReportKinds() { Actions_->UncheckReportKinds(); }

void TfrmMain::MarkReportKind(TReportKind kind) {
  UncheckReportKinds();
  Actions_->PopupKind(kind)->setChecked(true);
  Actions_->MenuKind(kind)->setChecked(true);
  Btn("btnReportType")->setText(WithoutAccessKey(Actions_->PopupKind(kind)->text()));
}

void TfrmMain::SelectReportKind(TReportKind kind) {
  MarkReportKind(kind);
  Pane_.SetKind(kind);
  Reports_->ShowPageOf(kind);
  // The first selected folder, which may be none: then the list is emptied.
  Pane_.Build(Folders_->FirstSelected(), Options_->ReportSettings(), LanguageTranslator(*Languages_));
  Reports_->ReloadLists();
  Reports_->StartIconLoader();
  Reports_->ApplyReportColumns();
  RefreshChart();
}

void TfrmMain::RefreshReport(TFolderNode* node) {
  if (!node || node->IsHiddenRoot()) return;
  Pane_.Build(node, Options_->ReportSettings(), LanguageTranslator(*Languages_));
  Reports_->ReloadLists();
  Reports_->StartIconLoader();
  Reports_->ApplyReportColumns();
  RefreshChart();
  UpdateTreemap();
}

void TfrmMain::RefreshChart() { Reports_->RefreshChart(); }

QTreeView* TfrmMain::CurrentReportList() const { return Reports_->CurrentList(); }

TChartPanel& TfrmMain::Chart() { return Reports_->Chart(); }

// ---------------------------------------------------------------- units

void TfrmMain::SetSizeUnit(TSizeUnit unit) {
  const auto u = static_cast<size_t>(unit);
  UnitButtons_[u]->setChecked(true);
  UnitActions_[u]->setChecked(true);
  SizeFormat_.Unit = unit;
  RefreshSizeDisplay();
}

void TfrmMain::SetSizeType(TSizeType type) {
  const bool file = type == TSizeType::FileSize;
  Act(file ? "mniSizeTypeFile" : "mniSizeTypeAllocated")->setChecked(true);
  Act(file ? "mniSizeTypeFile2" : "mniSizeTypeAllocated2")->setChecked(true);
  SizeFormat_.Type = type;
  RefreshSizeDisplay();
}

void TfrmMain::RefreshSizeDisplay() {
  Pane_.SetSizeFormat(SizeFormat_);
  Folders_->SetSizeFormat(SizeFormat_);
  pnlTreemap->SetSizeType(SizeFormat_.Type);
  Folders_->Repaint();
  Folders_->ChangesMoved();
  Reports_->RepaintCells();
  RefreshReport(FocusedNode());
  pnlTreemap->RefreshHover();  // the hovered size in the new unit
}

// ---------------------------------------------------------------- tree

TFolderNode* TfrmMain::FocusedNode() const { return Folders_->FocusedNode(); }

TFolderTreeModel& TfrmMain::FolderModel() { return Folders_->Model(); }

void TfrmMain::TreeFocusChanged(TFolderNode* focused) {
  // A folder removal moves Qt's focus on its own; the removal focuses itself.
  if (RemovingFolder_) return;
  if (!focused) {
    // No folder focused: the report stays, Up has nowhere to go.
    UpdateCommandState();
    ShowReadErrors();
    return;
  }
  RefreshReport(focused);
  History_.AddToHistory(GetNodePath(focused));
  UpdateCommandState();
  ShowReadErrors();
}

void TfrmMain::FocusFolder(TFolderNode* node) { Folders_->FocusFolder(node); }

void TfrmMain::StepHistory(int delta) {
  const bool allowed = delta < 0 ? History_.CanGoBack() : History_.CanGoNext();
  if (!allowed) return;
  const std::string path = History_.StepHistory(delta);
  TFolderNode* node = Tree_->FindFolderNode(path);
  if (!node || node->IsHiddenRoot() || node == FocusedNode()) History_.StepLedNowhere();
  FocusFolder(node);
  UpdateCommandState();
}

void TfrmMain::ExpandToLevel(TFolderNode* node, int level) { Folders_->ExpandToLevel(node, level); }

// ---------------------------------------------------------------- texts

QString TfrmMain::Tr(const char* id) const { return FromUtf8(Languages_->Translate(id)); }

void TfrmMain::ChangeLanguage(const std::string& name) {
  Languages_->SetCurrentLanguage(name);
  ApplyLanguage();
}

void TfrmMain::ApplyLanguage() {
  const TTranslate translate = LanguageTranslator(*Languages_);
  Actions_->ApplyLanguage(translate);
  ToolBar_->ApplyLanguage(translate);
  Folders_->ApplyLanguage(translate);
  Reports_->ApplyLanguage(translate);
  ApplySaveFilesMenuLanguage(*mnuSaveFiles, translate);
  pnlTreemap->SetHint(Tr(IdTreemapHint));
  // The report button names the current choice in the new language.
  Btn("btnReportType")->setText(WithoutAccessKey(Actions_->PopupKind(Pane_.Kind())->text()));
  UpdateCounters();
  UpdateCommandState();
}

void TfrmMain::ShowAbout() {
  TfrmAbout about(*Languages_, HomePage, this);
  about.exec();
}

}  // namespace kv
