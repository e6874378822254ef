#include "ui/Main.h"
#include "ui/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#include "reports/AggregateReport.h"
#include "reports/ReportColumns.h"
#include "scan/ItemFilter.h"
#include "settings/TextIds.h"
#include "reports/ChartPoints.h"
#include "app/IconLoader.h"
#include "ui/About.h"
#include "ui/ChartPanel.h"
#include "ui/DMMain.h"
#include "app/ExportCommands.h"
#include "ui/FileMenus.h"
#include "ui/FilterDialog.h"
#include "ui/FolderPane.h"
#include "ui/MainToolBar.h"
#include "ui/QtUserDialog.h"
#include "ui/ReportListModels.h"
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
      Pane_(*Setup_.Platform.Locale) {
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
  Engine_->OnScanError = [this](const std::string&, const EMaskError& error) {
    Dialog_->ShowError(ToUtf8(MaskErrorText(error, *Languages_)));
  };

  // Every start shows sizes in MB as file sizes; neither choice is stored.
  SetCurrentSizeUnit(TSizeUnit::MB);
  SetCurrentSizeType(TSizeType::FileSize);

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
  ConnectToolBar();
  ConnectViews();

  // Start-up state: the Files and folders report on its page, both lists by
  // size, largest first.
  pgcMain->setCurrentWidget(tbsFiles);
  ShowFilterState();
  ConnectQueue();
  ProgressThread_ = std::make_unique<TSearchProgress>(*Engine_);
  ApplyReportColumns();
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
  // The views must let go of the models before the tree they show is freed.
  grdFiles->setModel(nullptr);
  grdExtensions->setModel(nullptr);
  delete FilesModel_;
  delete ExtensionsModel_;
  // The folder pane's model observes the tree: the pane goes before it, not
  // with the other widgets after it.
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
  IconLoader_.reset();
  ProgressThread_.reset();
  pnlTreemap->Stop();
  Engine_->StopScans();
  Queue_.SetNotify({});
  DrainTarget_.reset();
  Folders_->StopFocusReports();
  // Rows refer to tree objects: empty the lists before the tree frees them.
  Pane_.Clear();
  ReloadLists();
  Tree_->BeginUpdate();
  Tree_->Clear();
  Tree_->EndUpdate();
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

  // Right pane: the two report lists on hidden-tab pages over the chart panel.
  pnlClient = new QWidget(splMain);
  pnlClient->setObjectName("pnlClient");
  auto* client = new QVBoxLayout(pnlClient);
  client->setContentsMargins(0, 0, 0, 0);
  splChart = new QSplitter(Qt::Vertical, pnlClient);
  splChart->setObjectName("splChart");
  splChart->setHandleWidth(4);
  client->addWidget(splChart);

  pgcMain = new QStackedWidget(splChart);
  pgcMain->setObjectName("pgcMain");
  auto page = [this](const char* name, QTreeView*& list, QAbstractItemModel* model,
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
  };
  FilesModel_ = new TFilesListModel(Pane_, Dm_.ListImages());
  ExtensionsModel_ = new TExtensionsListModel(Pane_, Dm_.ListImages());
  tbsFiles = page("tbsFiles", grdFiles, FilesModel_, FilesColumns(), true);
  grdFiles->setObjectName("grdFiles");
  grdFiles->setItemDelegate(new TPercentBarDelegate(Pane_, grdFiles));
  // Date columns wide enough for the locale's date and time (an afternoon hour
  // with two-digit fields).
  const QString sampleDate = FromUtf8(DateTimeText(45658.7291, *Setup_.Platform.Locale));
  const int dateWidth = grdFiles->fontMetrics().horizontalAdvance(sampleDate) + 24;
  for (int column : {fcCreated, fcModified, fcLastAccess})
    grdFiles->header()->resizeSection(column, std::max(grdFiles->header()->sectionSize(column), dateWidth));
  tbsTypes = page("tbsTypes", grdExtensions, ExtensionsModel_, ExtensionsColumns(), false);
  grdExtensions->setObjectName("grdExtensions");
  grdExtensions->setItemDelegate(new TSwatchDelegate(grdExtensions));
  // Sizes up to seven integer digits in any unit.
  const int sizeWidth = grdFiles->fontMetrics().horizontalAdvance(QString("9 999 999.99 KB")) + 24;
  for (QTreeView* list : {grdFiles, grdExtensions})
    list->header()->resizeSection(fcSize, std::max(list->header()->sectionSize(fcSize), sizeWidth));
  for (QTreeView* list : {grdFiles, grdExtensions})
    connect(list->header(), &QHeaderView::sectionClicked, this, [this](int column) { HeaderClicked(column); });

  // The chart of the current report under the lists.
  ChartPanel_ = new TChartPanel(*Options_, *Dialog_, [this](const char* id) { return Languages_->Translate(id); },
                                splChart);
  pnlChart = ChartPanel_;
  ChartPanel_->OnChartTypeChosen = [this] {
    Act(ChartPanel_->PieShown() ? "mniPie2" : "mniBar2")->setChecked(true);
    RefreshReport(FocusedNode());
    // With no folder focused the report stays, but the chart changes type.
    if (!FocusedNode()) RefreshChart();
  };
  connect(Act("mniPie2"), &QAction::triggered, ChartPanel_->PieAction(), &QAction::trigger);
  if (auto* chartSettings = ChartPanel_->findChild<QAction*>("mniChartSettings")) {
    chartSettings->setEnabled(true);
    connect(chartSettings, &QAction::triggered, this, [this] { EditSettings("tbsChart"); });
  }
  connect(Act("mniBar2"), &QAction::triggered, ChartPanel_->BarAction(), &QAction::trigger);
  splChart->setStretchFactor(0, 1);
  splChart->setStretchFactor(1, 0);
  splChart->setSizes({300, 250});

  splMain->addWidget(Folders_);
  splMain->addWidget(pnlClient);
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
      {"mniStopScan", [this] { StopScans(); }},
      {"mniFilter", [this] { EditFilter(); }},
      {"mniExport", [this] { ExportResultCommand(*Tree_, *FileEnv_); }},
      {"mniImport", [this] { ImportResult(); }},
      {"mniExit", [this] { close(); }},
      {"mniListFiles", [this] { ShowReportTree(this, *Tree_, *FileEnv_, TitleTime()); }},
      {"mniReportSettings", [this] { EditSettings("tbsReport"); }},
      {"mniReportSettings2", [this] { EditSettings("tbsReport"); }},
      {"mniHomepage", [] { QDesktopServices::openUrl(QUrl(HomePage)); }},
      {"mniAbout", [this] { ShowAbout(); }},
      {"mniExplorer",
       [this] {
         if (const TBaseNodeData* item = SelectedItem())
           Shell_->ShowInFileManager(ItemPath(*item), dynamic_cast<const TFolderNodeData*>(item) != nullptr);
       }},
      {"mniProperties",
       [this] {
         if (const TBaseNodeData* item = SelectedItem())
           ShowProperties(*Shell_, *item, LanguageTranslator(*Languages_), this);
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

  // Reports without a chart keep the panel hidden whatever the entry says.
  connect(Act("mniShowChart"), &QAction::toggled, this, [this](bool on) {
    pnlChart->setVisible(on && ReportKindInfo(Pane_.Kind()).ChartShown);
  });
  connect(Act("mniShowInfoDisk"), &QAction::toggled, this, [this](bool on) { Folders_->ShowDrivePanel(on); });
  connect(Act("mniShowTreemap"), &QAction::toggled, this, [this](bool on) {
    pnlTreemap->setVisible(on);
    Options_->ShowTreemap = on ? 1 : 0;
    Options_->Save();
  });
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
  connect(grdFiles, &QAbstractItemView::doubleClicked, this, [this] { OpenListRow(); });
  for (QTreeView* view : {Folders_->View(), grdFiles, grdExtensions})
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& pos) { ShowPopup(view, view->viewport()->mapToGlobal(pos)); });
}

void TfrmMain::ShowPopup(QWidget* source, const QPoint& globalPos) {
  PopupSource_ = source;
  const bool overTree = source == Folders_->View();
  const bool item = SelectedItem() != nullptr;
  const bool multi = FilesMultiplySelected();
  const bool idle = Engine_->ScanRoots().empty();
  Act("mniExplorer")->setEnabled(item && !multi);
  Act("mniDelete")->setEnabled(item && idle);
  Act("mniRemoveFromList")->setEnabled(item && idle);
  Act("mniProperties")->setEnabled(item && !multi);
  Act("mniRefresh")->setEnabled(item && idle && !multi);
  Actions_->Menu("mniExpand")->menuAction()->setVisible(item && overTree && !multi);
  Actions_->Menu("mniColumns")->menuAction()->setVisible(!overTree);
  if (!overTree) BuildColumnsMenu();
  Actions_->Menu("mnuPopup")->popup(globalPos);
}

void TfrmMain::ConnectQueue() {
  // Workers post; the event loop drains. One drain is scheduled at a time and
  // never runs after the window is gone.
  DrainTarget_ = std::make_shared<TfrmMain*>(this);
  auto scheduled = std::make_shared<std::atomic<bool>>(false);
  Queue_.SetNotify([weak = std::weak_ptr<TfrmMain*>(DrainTarget_), scheduled] {
    if (scheduled->exchange(true)) return;
    QMetaObject::invokeMethod(
        qApp,
        [weak, scheduled] {
          scheduled->store(false);
          if (const auto target = weak.lock()) (*target)->DrainScanCalls();
        },
        Qt::QueuedConnection);
  });
}

void TfrmMain::DrainScanCalls() {
  if (ShutDown_) return;
  if (Queue_.Drain() > 0) {
    // Hand-overs change sizes, marks and percentages anywhere in the tree and
    // in the rows shown: repaint once per drain, not per node.
    Folders_->Repaint();
    if (QTreeView* list = CurrentReportList()) list->viewport()->update();
    pnlTreemap->TreeGrew();
  }
  if (!RefreshPath_.empty()) FollowRefresh();
  SyncProgressBar();
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
}

void TfrmMain::UpdateCommandState() {
  Btn("btnBack")->setEnabled(History_.CanGoBack());
  Btn("btnNext")->setEnabled(History_.CanGoNext());
  const TFolderNode* focused = FocusedNode();
  Btn("btnUp")->setEnabled(focused && !focused->Parent()->IsHiddenRoot());
  const bool idle = Engine_->ScanRoots().empty();
  Btn("btnFilter")->setEnabled(idle);
  Btn("btnStopSearch")->setEnabled(!idle);
  Panels_[2]->setText(Tr(IdStatusFilter) + " " + Tr(FilterInEffect_ ? IdFilterSet : IdFilterNotSet));
  Act("mniListFiles")->setEnabled(Tree_->Root()->ChildCount() > 0);
  SyncProgressBar();
}

// ---------------------------------------------------------------- scanning

bool TfrmMain::StartScan(const std::string& path) {
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
  if (ImportResultCommand(*Tree_, *FileEnv_) == TCommandOutcome::Cancelled) return;
  pnlTreemap->TreeChanged();
  UpdateTreemap();
  // Even a failed import keeps what it read before the damage.
  UpdateCounters();
  Folders_->Repaint();
  grdFiles->viewport()->update();
  grdExtensions->viewport()->update();
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
  UpdateCommandState();
}

// ---------------------------------------------------------------- reports

void TfrmMain::UncheckReportKinds() { Actions_->UncheckReportKinds(); }

void TfrmMain::MarkReportKind(TReportKind kind) {
  UncheckReportKinds();
  Actions_->PopupKind(kind)->setChecked(true);
  Actions_->MenuKind(kind)->setChecked(true);
  Btn("btnReportType")->setText(Actions_->PopupKind(kind)->text());
}

void TfrmMain::SelectReportKind(TReportKind kind) {
  MarkReportKind(kind);
  Pane_.SetKind(kind);
  pgcMain->setCurrentWidget(IsListingKind(kind) ? tbsFiles : tbsTypes);
  // The first selected folder, which may be none: then the list is emptied.
  Pane_.Build(Folders_->FirstSelected(), Options_->ReportSettings(), LanguageTranslator(*Languages_));
  ReloadLists();
  StartIconLoader();
  ApplyReportColumns();
  RefreshChart();
}

void TfrmMain::RefreshReport(TFolderNode* node) {
  if (!node || node->IsHiddenRoot()) return;
  Pane_.Build(node, Options_->ReportSettings(), LanguageTranslator(*Languages_));
  ReloadLists();
  StartIconLoader();
  ApplyReportColumns();
  RefreshChart();
  UpdateTreemap();
}

void TfrmMain::RefreshChart() {
  const TReportKind kind = Pane_.Kind();
  if (!ReportKindInfo(kind).ChartShown) {
    pnlChart->hide();
    return;
  }
  // Rebuilt even while the user keeps the panel hidden.
  pnlChart->setVisible(Act("mniShowChart")->isChecked());
  const int32_t others = Options_->ChartOtherType;
  ChartPanel_->RefreshChart(IsListingKind(kind) ? FillChartSeries(Pane_.FilesRows(), others)
                                                : FillChartSeries(Pane_.ExtensionsRows(), others));
}

void TfrmMain::StartIconLoader() {
  IconLoader_.reset();  // takes no further step, not even one already asked for
  IconRow_ = -1;
  IconLoader_ = std::make_unique<TThreadLoadIcons>(
      Queue_,
      [this] {
        // Walks whichever list is shown now, one row per step.
        QTreeView* list = CurrentReportList();
        if (!list) return IconRow_ >= 0;
        const int rows = list->model()->rowCount();
        IconRow_ = IconRow_ + 1 < rows ? IconRow_ + 1 : -1;
        return IconRow_ >= 0;
      },
      [this] {
        QTreeView* list = CurrentReportList();
        if (!list || IconRow_ < 0) return;
        TFileIconsList& icons = Dm_.FileIcons();
        if (list == grdFiles) {
          auto* file = dynamic_cast<TFileNodeData*>(FilesModel_->RowObject(IconRow_));
          if (!file) return;  // folders have their own image
          file->IconIndex = icons.IconOf(file->Name.Str(), *Shell_);
          FilesModel_->RowChanged(IconRow_);
        } else if (TExtensionsNodeData* row = ExtensionsModel_->RowObject(IconRow_)) {
          row->IconIndex = row->IconKey.empty() ? -1 : icons.IconOf(row->IconKey, *Shell_);
          ExtensionsModel_->RowChanged(IconRow_);
        }
      });
}

void TfrmMain::ReloadLists() {
  FilesModel_->Reload();
  ExtensionsModel_->Reload();
  for (auto [list, sort] : {std::pair{grdFiles, Pane_.FilesSort()}, std::pair{grdExtensions, Pane_.ExtensionsSort()}})
    list->header()->setSortIndicator(sort.Column, sort.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QTreeView* TfrmMain::CurrentReportList() const {
  if (pgcMain->currentWidget() == tbsFiles) return grdFiles;
  if (pgcMain->currentWidget() == tbsTypes) return grdExtensions;
  return nullptr;
}

void TfrmMain::ApplyReportColumns() {
  QTreeView* list = CurrentReportList();
  if (!list) return;
  const TReportKind kind = Pane_.Kind();
  const std::vector<bool> visible = ApplyColumnVisibility(Settings_, kind, InitialColumnVisibility(kind));
  list->header()->setUpdatesEnabled(false);
  for (size_t i = 0; i < visible.size(); ++i) list->setColumnHidden(static_cast<int>(i), !visible[i]);
  list->header()->setUpdatesEnabled(true);
}

void TfrmMain::BuildColumnsMenu() {
  QMenu* mniColumns = Actions_->Menu("mniColumns");
  mniColumns->clear();
  QTreeView* list = CurrentReportList();
  if (!list) return;
  const TReportKind kind = Pane_.Kind();
  for (const TColumnChoice& choice : OfferedColumns(Settings_, kind)) {
    const QString caption = list->model()->headerData(choice.Index, Qt::Horizontal).toString();
    QAction* entry = mniColumns->addAction(caption);
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

void TfrmMain::HeaderClicked(int column) {
  Pane_.HeaderClick(column);
  ReloadLists();
  // The chart follows the new row order.
  RefreshChart();
}

// ---------------------------------------------------------------- units

void TfrmMain::SetSizeUnit(TSizeUnit unit) {
  const auto u = static_cast<size_t>(unit);
  UnitButtons_[u]->setChecked(true);
  UnitActions_[u]->setChecked(true);
  SetCurrentSizeUnit(unit);
  RefreshSizeDisplay();
}

void TfrmMain::SetSizeType(TSizeType type) {
  const bool file = type == TSizeType::FileSize;
  Act(file ? "mniSizeTypeFile" : "mniSizeTypeAllocated")->setChecked(true);
  Act(file ? "mniSizeTypeFile2" : "mniSizeTypeAllocated2")->setChecked(true);
  SetCurrentSizeType(type);
  RefreshSizeDisplay();
}

void TfrmMain::RefreshSizeDisplay() {
  Folders_->Repaint();
  FilesModel_->Repaint();
  ExtensionsModel_->Repaint();
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
    return;
  }
  RefreshReport(focused);
  History_.AddToHistory(GetNodePath(focused));
  UpdateCommandState();
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

  QStringList files;
  for (const TColumnSpec& column : FilesColumns()) files << Tr(column.HeaderId);
  FilesModel_->SetHeaderTexts(files);
  QStringList extensions;
  for (const TColumnSpec& column : ExtensionsColumns()) extensions << Tr(column.HeaderId);
  ExtensionsModel_->SetHeaderTexts(extensions);
  Folders_->ApplyLanguage(translate);

  // The report button names the current choice in the new language.
  Btn("btnReportType")->setText(Actions_->PopupKind(Pane_.Kind())->text());
  ChartPanel_->ApplyLanguage();
  ApplySaveFilesMenuLanguage(*mnuSaveFiles, translate);
  UpdateCounters();
  UpdateCommandState();
}

void TfrmMain::ShowAbout() {
  TfrmAbout about(*Languages_, HomePage, this);
  about.exec();
}

}  // namespace kv
