// The real main window on real temporary folders, driven through its actions,
// buttons and views as the user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QKeySequence>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QSpinBox>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "reports/FormatSize.h"
#include "app/DrivePanel.h"
#include "reports/ReportColumns.h"
#include "model/FileServices.h"
#include "model/NodeData.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "app/UserDialog.h"
#include "ui/ChartPanel.h"
#include "ui/ChartViews.h"
#include "ui/DMMain.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeView.h"
#include "ui/Main.h"
#include "ui/MainActions.h"
#include "ui/PendingClose.h"
#include "ui/SettingsDialog.h"
#include "ui/QtText.h"
#include "ui/ReportListModels.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Named;
using test::Q;
using test::Utf8;
using test::WriteFile;

// Expected texts come from the language files themselves, not from the window.
TLang LoadLang(const char* file) { return TLang(LanguageFolder() + file); }

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : Root(test::MakeTempFolder("kestrove-ui")) {}
  ~MainWindowTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  std::unique_ptr<TfrmMain> MakeWindow(std::string languageFolder = LanguageFolder()) {
    return std::make_unique<TfrmMain>(
        Dm, TMainSetup{CreateNativePlatform(), &Store, &Dialog, std::move(languageFolder), NativePathStyle(), &Shell, {}});
  }

  // Root/A: apple.txt 300, berry.bin 100, cherry.txt 200, child/x.dat 50
  // Root/B: one.bin 1      Root/C: y.txt 10      Root/D: empty
  void MakeSmallTree() {
    fs::create_directories(Root / "A" / "child");
    WriteFile(Root / "A" / "apple.txt", 300);
    WriteFile(Root / "A" / "berry.bin", 100);
    WriteFile(Root / "A" / "cherry.txt", 200);
    WriteFile(Root / "A" / "child" / "x.dat", 50);
    fs::create_directories(Root / "B");
    WriteFile(Root / "B" / "one.bin", 1);
    fs::create_directories(Root / "C");
    WriteFile(Root / "C" / "y.txt", 10);
    fs::create_directories(Root / "D");
  }

  static bool Shown(TfrmMain& w, const fs::path& folder) {
    const TFolderNode* node = w.Tree().FindFolderNode(Utf8(folder));
    return !node->IsHiddenRoot() && node->Data()->GetFullPath() == Utf8(folder);
  }

  // Runs the event loop until the condition holds or the deadline passes.
  static bool RunUntil(TfrmMain& w, const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
      w.DrainScanCalls();
      QCoreApplication::processEvents();
      if (done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return done();
  }

  ::testing::AssertionResult WaitForScan(TfrmMain& w, const fs::path& folder) {
    // Also until the next status refresh has forgotten the ended scan's root,
    // which until then refuses scans inside it.
    if (RunUntil(w, [&] { return w.Engine().ActiveScans() == 0 && Shown(w, folder) && w.Engine().ScanRoots().empty(); }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "scan of " << Utf8(folder) << " did not end";
  }

  // The user's way: Scan folder..., the chooser answering the folder.
  ::testing::AssertionResult ScanFolder(TfrmMain& w, const fs::path& folder) {
    Dialog.Folders.push_back(Utf8(folder));
    Named<QAction>(w, "mniScanFolder")->trigger();
    return WaitForScan(w, folder);
  }

  TFolderNode* Node(TfrmMain& w, const fs::path& folder) {
    TFolderNode* node = w.Tree().FindFolderNode(Utf8(folder));
    if (node->IsHiddenRoot() || node->Data()->GetFullPath() != Utf8(folder))
      throw std::runtime_error("folder not in the tree: " + Utf8(folder));
    return node;
  }

  static QStringList Column(const QTreeView& list, int column) {
    QStringList cells;
    const QAbstractItemModel& model = *list.model();
    for (int row = 0; row < model.rowCount(); ++row) cells << model.index(row, column).data().toString();
    return cells;
  }

  // The colour in the middle of an icon, and the one the fake shell paints for a key.
  static QRgb Pixel(const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixel(8, 8); }
  static QRgb ShellColour(const std::string& key) { return test::FakeShell::PictureOf(key).Pixels[0]; }
  static std::string ToUtf8(const QString& text) { return text.toStdString(); }

  static int RowNamed(const QTreeView& list, const QString& name) {
    return static_cast<int>(Column(list, 0).indexOf(name));
  }

  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
  fs::path Root;
  const TLang English = LoadLang("English.kvl");
  const TLang Deutsch = LoadLang("Deutsch.kvl");
};

// ---------------------------------------------------------------- start-up

TEST_F(MainWindowTest, StartsIdleInMegabytesFileSizeWithFilesAndFoldersReport) {
  ASSERT_EQ(English.FindText("2175"), "Folders:");
  // An earlier window's choices are its own.
  auto earlier = MakeWindow();
  earlier->SetSizeUnit(TSizeUnit::GB);
  earlier->SetSizeType(TSizeType::Allocated);
  auto w = MakeWindow();
  EXPECT_EQ(w->SizeFormat().Unit, TSizeUnit::MB);
  EXPECT_EQ(w->SizeFormat().Type, TSizeType::FileSize);
  for (const char* name : {"btnBack", "btnNext", "btnUp", "btnStopSearch"})
    EXPECT_FALSE(Named<QToolButton>(*w, name)->isEnabled()) << name;
  EXPECT_TRUE(Named<QToolButton>(*w, "btnFilter")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*w, "mniListFiles")->isEnabled());  // nothing scanned to save
  EXPECT_TRUE(Named<QToolButton>(*w, "btnMB")->isChecked());
  for (const char* name : {"btnB", "btnKB", "btnGB"}) EXPECT_FALSE(Named<QToolButton>(*w, name)->isChecked()) << name;
  EXPECT_TRUE(Named<QAction>(*w, "mniMB")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniSizeTypeFile")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniSizeTypeFile2")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniSizeTypeAllocated")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniFilesInThisFolder")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniFilesInThisFolder2")->isChecked());
  EXPECT_EQ(Named<QToolButton>(*w, "btnReportType")->text(), QString("Files and folders"));
  EXPECT_EQ(Named<QStackedWidget>(*w, "pgcMain")->currentWidget(), Named<QWidget>(*w, "tbsFiles"));
  EXPECT_EQ(Named<QLabel>(*w, "pnlStatus0")->text(), QString("Folders: 0"));
  EXPECT_EQ(Named<QLabel>(*w, "pnlStatus1")->text(), Q(English.FindText("2176") + " 0"));
  EXPECT_TRUE(Named<QLabel>(*w, "pnlStatus2")->text().endsWith(Q(English.FindText("2179"))))
      << Named<QLabel>(*w, "pnlStatus2")->text().toStdString();
  EXPECT_FALSE(Named<QToolButton>(*w, "btnFilter")->isChecked());
  EXPECT_TRUE(Named<QProgressBar>(*w, "ScanProgressBar")->isHidden());
  EXPECT_TRUE(Named<QAction>(*w, "mniPie2")->isChecked());
}

TEST_F(MainWindowTest, StoredFilterStartsWithFilterButtonPressedAndStatusOn) {
  WriteRegString(Store, "Filter-Mask-Included-Value", "*.txt");
  auto w = MakeWindow();
  EXPECT_TRUE(Named<QToolButton>(*w, "btnFilter")->isChecked());
  const QString status = Named<QLabel>(*w, "pnlStatus2")->text();
  EXPECT_TRUE(status.endsWith(Q(English.FindText("2178")))) << status.toStdString();
  EXPECT_FALSE(status.endsWith(Q(English.FindText("2179")))) << status.toStdString();
}

// ---------------------------------------------------------------- scanning

TEST_F(MainWindowTest, ScanOfChosenFolderFillsTreeAndCountersThenEndsIdle) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  EXPECT_EQ(Dialog.FolderTitles, std::vector<std::string>{English.FindText("2356")});
  EXPECT_EQ(English.FindText("2356"), "Select a folder");

  // The chain of nodes from the file system's top down to the scanned folder.
  std::vector<std::string> chain;
  const TFolderNode* top = Node(*w, Root);
  for (; !top->Parent()->IsHiddenRoot(); top = top->Parent())
    chain.insert(chain.begin(), std::string(top->Data()->GetText()));
  chain.insert(chain.begin(), std::string(top->Data()->GetText()));
  EXPECT_EQ(chain, w->Tree().SplitPath(Utf8(Root)));
  ASSERT_EQ(w->FolderModel().rowCount(), 1);
  EXPECT_EQ(w->FolderModel().NodeOf(w->FolderModel().index(0, 0)), top);

  int64_t files = 0;
  int64_t folders = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Root)) (entry.is_directory() ? folders : files) += 1;
  const auto chainFolders = static_cast<int64_t>(chain.size());
  EXPECT_EQ(w->Tree().TotalFiles, files);
  EXPECT_EQ(w->Tree().TotalFolders, chainFolders + folders);
  const QString wantFolders = Q(English.FindText("2175") + " " + std::to_string(chainFolders + folders - 1));
  const QString wantFiles = Q(English.FindText("2176") + " " + std::to_string(files));
  auto* panel0 = Named<QLabel>(*w, "pnlStatus0");
  auto* panel1 = Named<QLabel>(*w, "pnlStatus1");
  RunUntil(*w, [&] { return panel0->text() == wantFolders && panel1->text() == wantFiles; }, 5s);
  EXPECT_EQ(panel0->text(), wantFolders);
  EXPECT_EQ(panel1->text(), wantFiles);

  std::vector<const TFolderNode*> stack{top};
  while (!stack.empty()) {
    const TFolderNode* n = stack.back();
    stack.pop_back();
    EXPECT_TRUE(n->Data()->Complete) << n->Data()->GetFullPath();
    for (size_t i = 0; i < n->ChildCount(); ++i) stack.push_back(n->Child(i));
  }

  auto* bar = Named<QProgressBar>(*w, "ScanProgressBar");
  RunUntil(*w, [&] { return bar->isHidden(); }, 5s);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_FALSE(Named<QToolButton>(*w, "btnStopSearch")->isEnabled());
  EXPECT_TRUE(w->Engine().ScanRoots().empty());
}

TEST_F(MainWindowTest, StopEndsScanAtOnceAndNothingArrivesAfterwards) {
  for (int d = 0; d < 40; ++d) {
    const fs::path sub = Root / ("sub" + std::to_string(d)) / "deeper";
    fs::create_directories(sub);
    for (int f = 0; f < 100; ++f) WriteFile((f % 2 ? sub : sub.parent_path()) / ("f" + std::to_string(f)), 3);
  }
  auto w = MakeWindow();
  ASSERT_TRUE(w->StartScan(Utf8(Root)));
  auto* stop = Named<QToolButton>(*w, "btnStopSearch");
  EXPECT_TRUE(stop->isEnabled());
  // No event has run since the start, so nothing the worker read is applied yet.
  stop->click();
  EXPECT_EQ(w->Engine().ActiveScans(), 0);
  EXPECT_TRUE(w->Engine().ScanRoots().empty());
  EXPECT_FALSE(Named<QToolButton>(*w, "btnStopSearch")->isEnabled());

  const int64_t files = w->Tree().TotalFiles;
  EXPECT_LT(files, 4000);
  const int64_t folders = w->Tree().TotalFolders;
  // Long enough for several status refreshes and any late hand-over.
  const auto until = Clock::now() + 1s;
  RunUntil(*w, [&] { return Clock::now() >= until; }, 5s);
  EXPECT_EQ(w->Tree().TotalFiles, files);
  EXPECT_EQ(w->Tree().TotalFolders, folders);
  EXPECT_EQ(w->Engine().ActiveScans(), 0);
  EXPECT_FALSE(Named<QToolButton>(*w, "btnStopSearch")->isEnabled());
  EXPECT_TRUE(Named<QProgressBar>(*w, "ScanProgressBar")->isHidden());
  EXPECT_EQ(Named<QLabel>(*w, "pnlStatus1")->text(), Q(English.FindText("2176") + " " + std::to_string(files)));
}

TEST_F(MainWindowTest, WindowClosedDuringScanLeavesNothingRunning) {
  for (int d = 0; d < 20; ++d) {
    const fs::path sub = Root / ("sub" + std::to_string(d));
    fs::create_directories(sub);
    for (int f = 0; f < 100; ++f) WriteFile(sub / ("f" + std::to_string(f)), 3);
  }
  auto w = MakeWindow();
  ASSERT_TRUE(w->StartScan(Utf8(Root)));
  // Let some hand-overs get queued for the event loop, then go away.
  const auto until = Clock::now() + 50ms;
  while (Clock::now() < until) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(w->close());
  EXPECT_EQ(w->Engine().ActiveScans(), 0);
  EXPECT_TRUE(w->Engine().ScanRoots().empty());
  w.reset();
  // Drains posted for the gone window must not reach it (the sanitizers watch).
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(5ms);
  }
}

// Qt drops a close for a window that a modal dialog blocks: the request waits
// for the dialog to go and is then carried out, scan or no scan.
TEST_F(MainWindowTest, CloseAskedWhileADialogIsModalHappensWhenItGoes) {
  MakeSmallTree();
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(w->StartScan(Utf8(Root)));
  QDialog chooser(w.get());
  chooser.setModal(true);
  chooser.show();
  ASSERT_TRUE(RunUntil(*w, [] { return QGuiApplication::modalWindow() != nullptr; }, 5s));
  w->PendingClose().Request();
  RunUntil(*w, [] { return false; }, 0s);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->PendingClose().Pending());
  chooser.hide();
  EXPECT_TRUE(RunUntil(*w, [&] { return !w->isVisible(); }, 5s));
  EXPECT_FALSE(w->PendingClose().Pending());
  EXPECT_EQ(w->Engine().ActiveScans(), 0);

  // With nothing in the way the request closes at once.
  auto again = MakeWindow();
  again->show();
  again->PendingClose().Request();
  EXPECT_FALSE(again->isVisible());
}

// ---------------------------------------------------------------- navigation

TEST_F(MainWindowTest, BackAndNextWalkHistoryWithoutAddingEntries) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  TFolderNode* a = Node(*w, Root / "A");
  TFolderNode* b = Node(*w, Root / "B");
  TFolderNode* c = Node(*w, Root / "C");
  TFolderNode* d = Node(*w, Root / "D");
  w->FocusFolder(a);
  w->FocusFolder(b);
  w->FocusFolder(c);
  const std::vector<std::string> abc{GetNodePath(a), GetNodePath(b), GetNodePath(c)};
  EXPECT_EQ(w->History().History(), abc);
  EXPECT_EQ(w->History().HistoryIndex(), 2);
  auto* back = Named<QToolButton>(*w, "btnBack");
  auto* next = Named<QToolButton>(*w, "btnNext");
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(next->isEnabled());

  back->click();
  EXPECT_EQ(w->FocusedNode(), b);
  EXPECT_EQ(w->History().History(), abc);
  EXPECT_EQ(w->History().HistoryIndex(), 1);
  EXPECT_TRUE(next->isEnabled());

  next->click();
  EXPECT_EQ(w->FocusedNode(), c);
  EXPECT_EQ(w->History().History(), abc);
  EXPECT_EQ(w->History().HistoryIndex(), 2);

  back->click();
  w->FocusFolder(d);
  EXPECT_EQ(w->FocusedNode(), d);
  EXPECT_EQ(w->History().History(),
            (std::vector<std::string>{GetNodePath(a), GetNodePath(b), GetNodePath(c), GetNodePath(d)}));
  EXPECT_EQ(w->History().HistoryIndex(), 3);
  EXPECT_FALSE(next->isEnabled());
  EXPECT_TRUE(back->isEnabled());
}

TEST_F(MainWindowTest, UpFocusesParentAndIsDisabledOnTopLevelFolder) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  TFolderNode* a = Node(*w, Root / "A");
  TFolderNode* child = Node(*w, Root / "A" / "child");
  w->FocusFolder(child);
  auto* up = Named<QToolButton>(*w, "btnUp");
  ASSERT_TRUE(up->isEnabled());
  up->click();
  EXPECT_EQ(w->FocusedNode(), a);
  EXPECT_EQ(w->History().History(), (std::vector<std::string>{GetNodePath(child), GetNodePath(a)}));
  EXPECT_EQ(w->History().HistoryIndex(), 1);

  TFolderNode* top = a;
  while (!top->Parent()->IsHiddenRoot()) top = top->Parent();
  w->FocusFolder(top);
  EXPECT_EQ(w->FocusedNode(), top);
  EXPECT_FALSE(up->isEnabled());
  up->click();
  EXPECT_EQ(w->FocusedNode(), top);
}

TEST_F(MainWindowTest, UpIsDisabledOnceNoFolderIsFocused) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "A" / "child"));
  auto* up = Named<QToolButton>(*w, "btnUp");
  ASSERT_TRUE(up->isEnabled());
  // What Back does when nothing is left of the folder's path.
  w->FocusFolder(nullptr);
  ASSERT_EQ(w->FocusedNode(), nullptr);
  EXPECT_FALSE(up->isEnabled());
}

TEST_F(MainWindowTest, BackToFolderLeadingNowhereKeepsNextFocusChange) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  // An aggregate report keeps no pointers to folders in the files list, so
  // the folder can be taken out of the tree under the window.
  Named<QAction>(*w, "mniExtensionsInThisFolder")->trigger();
  TFolderNode* a = Node(*w, Root / "A");
  TFolderNode* root = Node(*w, Root);
  TFolderNode* c = Node(*w, Root / "C");
  w->FocusFolder(a);
  w->FocusFolder(root);
  const std::string pathA = GetNodePath(a);
  w->Tree().RemoveFolderNode(a);
  ASSERT_EQ(w->Tree().FindFolderNode(pathA), root);

  // Back finds only the focused folder left of A's path: no focus change.
  Named<QToolButton>(*w, "btnBack")->click();
  EXPECT_EQ(w->FocusedNode(), root);
  w->FocusFolder(c);
  EXPECT_EQ(w->FocusedNode(), c);
  EXPECT_EQ(w->History().History(), (std::vector<std::string>{pathA, GetNodePath(root), GetNodePath(c)}));
  EXPECT_EQ(w->History().HistoryIndex(), 2);
}

// ---------------------------------------------------------------- units and size type

TEST_F(MainWindowTest, UnitButtonsAndEntriesMoveTogetherAndRelabelSizes) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  TFolderNode* a = Node(*w, Root / "A");
  w->FocusFolder(a);
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  ASSERT_GT(grdFiles->model()->rowCount(), 0);
  const QString treeBefore = FolderNodeText(*a->Data(), w->SizeFormat());
  EXPECT_TRUE(treeBefore.contains(" MB")) << treeBefore.toStdString();

  QSignalSpy changed(grdFiles->model(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(grdFiles->model(), &QAbstractItemModel::modelReset);
  Named<QToolButton>(*w, "btnGB")->click();
  EXPECT_GT(changed.count() + reset.count(), 0);
  EXPECT_TRUE(Named<QAction>(*w, "GB1")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniMB")->isChecked());
  EXPECT_TRUE(Named<QToolButton>(*w, "btnGB")->isChecked());
  EXPECT_FALSE(Named<QToolButton>(*w, "btnMB")->isChecked());
  const QString treeGb = FolderNodeText(*a->Data(), w->SizeFormat());
  EXPECT_NE(treeGb, treeBefore);
  EXPECT_TRUE(treeGb.contains(" GB")) << treeGb.toStdString();
  EXPECT_TRUE(grdFiles->model()->index(0, fcSize).data().toString().endsWith(" GB"));

  Named<QAction>(*w, "mniKB")->trigger();
  EXPECT_TRUE(Named<QToolButton>(*w, "btnKB")->isChecked());
  EXPECT_FALSE(Named<QToolButton>(*w, "btnGB")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniKB")->isChecked());
  EXPECT_TRUE(FolderNodeText(*a->Data(), w->SizeFormat()).contains(" KB"));
  EXPECT_TRUE(grdFiles->model()->index(0, fcSize).data().toString().endsWith(" KB"));
}

TEST_F(MainWindowTest, AllocatedSizeTypeShowsAllocatedSizeInFilesList) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "B"));
  Named<QToolButton>(*w, "btnB")->click();
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const int row = RowNamed(*grdFiles, "one.bin");
  ASSERT_GE(row, 0);
  auto* model = dynamic_cast<TFilesListModel*>(grdFiles->model());
  ASSERT_NE(model, nullptr);
  const auto* file = AsFileData(model->RowObject(row));
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->FileSize(), 1);
  ASSERT_NE(file->AllocatedSize(), 1);
  const ILocale& locale = *w->SizeFormat().Locale;
  EXPECT_EQ(grdFiles->model()->index(row, fcSize).data().toString(), Q(FormatSize(1, TSizeUnit::B, locale)));

  // The model answers live, so the view only shows the change when told.
  QSignalSpy changed(grdFiles->model(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(grdFiles->model(), &QAbstractItemModel::modelReset);
  Named<QAction>(*w, "mniSizeTypeAllocated2")->trigger();
  EXPECT_GT(changed.count() + reset.count(), 0);
  EXPECT_TRUE(Named<QAction>(*w, "mniSizeTypeAllocated")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniSizeTypeAllocated2")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniSizeTypeFile")->isChecked());
  const int after = RowNamed(*grdFiles, "one.bin");
  ASSERT_GE(after, 0);
  EXPECT_EQ(grdFiles->model()->index(after, fcSize).data().toString(),
            Q(FormatSize(file->AllocatedSize(), TSizeUnit::B, locale)));

  Named<QAction>(*w, "mniSizeTypeFile")->trigger();
  EXPECT_TRUE(Named<QAction>(*w, "mniSizeTypeFile2")->isChecked());
  EXPECT_EQ(grdFiles->model()->index(RowNamed(*grdFiles, "one.bin"), fcSize).data().toString(),
            Q(FormatSize(1, TSizeUnit::B, locale)));
}

// ---------------------------------------------------------------- report kinds

TEST_F(MainWindowTest, ReportKindChoiceMovesCheckPageAndCaption) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "A"));
  auto* pgcMain = Named<QStackedWidget>(*w, "pgcMain");
  auto* caption = Named<QToolButton>(*w, "btnReportType");
  auto* grdExtensions = Named<QTreeView>(*w, "grdExtensions");

  Named<QAction>(*w, "mniExtensionsInThisFolder2")->trigger();
  EXPECT_TRUE(Named<QAction>(*w, "mniExtensionsInThisFolder")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniExtensionsInThisFolder2")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniFilesInThisFolder")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniFilesInThisFolder2")->isChecked());
  EXPECT_EQ(pgcMain->currentWidget(), Named<QWidget>(*w, "tbsTypes"));
  EXPECT_EQ(caption->text(), Q(English.FindText("2133")));
  // A's own files: two .txt and one .bin; child/x.dat lies below.
  QStringList names = Column(*grdExtensions, ecName);
  EXPECT_EQ(names.size(), 2) << names.join(",").toStdString();
  EXPECT_EQ(names.filter("txt").size(), 1);
  EXPECT_EQ(names.filter("bin").size(), 1);
  EXPECT_EQ(names.filter("dat").size(), 0);
  const int txt = static_cast<int>(names.indexOf(names.filter("txt").value(0)));
  EXPECT_EQ(grdExtensions->model()->index(txt, ecCount).data().toString(), QString("2"));

  Named<QAction>(*w, "mniTop100Extensions")->trigger();
  EXPECT_TRUE(Named<QAction>(*w, "mniTop100Extensions")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniTop100Extensions2")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniExtensionsInThisFolder")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniExtensionsInThisFolder2")->isChecked());
  EXPECT_EQ(caption->text(), Q(English.FindText("2133")));
  EXPECT_EQ(pgcMain->currentWidget(), Named<QWidget>(*w, "tbsTypes"));
  names = Column(*grdExtensions, ecName);
  EXPECT_EQ(names.size(), 3) << names.join(",").toStdString();
  EXPECT_EQ(names.filter("dat").size(), 1);

  Named<QAction>(*w, "mniTop100Files2")->trigger();
  EXPECT_EQ(pgcMain->currentWidget(), Named<QWidget>(*w, "tbsFiles"));
  EXPECT_EQ(caption->text(), Q(English.FindText("2140")));
  EXPECT_TRUE(Named<QAction>(*w, "mniTop100Files")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniTop100Extensions")->isChecked());
}

TEST_F(MainWindowTest, KindChosenWithNoFolderFocusedEmptiesItsList) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "A"));
  Named<QAction>(*w, "mniExtensionsInThisFolder")->trigger();
  auto* grdExtensions = Named<QTreeView>(*w, "grdExtensions");
  ASSERT_GT(grdExtensions->model()->rowCount(), 0);

  w->FocusFolder(nullptr);
  EXPECT_EQ(w->FocusedNode(), nullptr);
  Named<QAction>(*w, "mniTop100Extensions2")->trigger();
  EXPECT_EQ(grdExtensions->model()->rowCount(), 0);
  EXPECT_TRUE(Named<QAction>(*w, "mniTop100Extensions")->isChecked());
}

// ---------------------------------------------------------------- list headers

TEST_F(MainWindowTest, HeaderClicksFlipSortAndReorderRows) {
  fs::create_directories(Root / "S");
  WriteFile(Root / "S" / "apple.txt", 300);
  WriteFile(Root / "S" / "berry.bin", 100);
  WriteFile(Root / "S" / "cherry.txt", 200);
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "S"));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  QHeaderView* header = grdFiles->header();
  EXPECT_EQ(header->sortIndicatorSection(), fcSize);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(Column(*grdFiles, fcName), (QStringList{"apple.txt", "cherry.txt", "berry.bin"}));

  const auto click = [&](int section) {
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  };
  click(fcSize);
  EXPECT_EQ(header->sortIndicatorSection(), fcSize);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_EQ(Column(*grdFiles, fcName), (QStringList{"berry.bin", "cherry.txt", "apple.txt"}));
  EXPECT_EQ(w->Pane().FilesSort().Column, fcSize);
  EXPECT_FALSE(w->Pane().FilesSort().Descending);

  click(fcName);
  EXPECT_EQ(header->sortIndicatorSection(), fcName);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(Column(*grdFiles, fcName), (QStringList{"cherry.txt", "berry.bin", "apple.txt"}));
}

// ---------------------------------------------------------------- column chooser

TEST_F(MainWindowTest, HiddenColumnStaysHiddenForItsReportOnlyAcrossRestarts) {
  MakeSmallTree();
  {
    auto w = MakeWindow();
    ASSERT_TRUE(ScanFolder(*w, Root));
    w->FocusFolder(Node(*w, Root / "A"));
    auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
    ASSERT_FALSE(grdFiles->isColumnHidden(fcOwner));
    emit grdFiles->customContextMenuRequested(QPoint(5, 5));
    auto* columns = Named<QMenu>(*w, "mniColumns");
    QAction* owner = nullptr;
    for (QAction* entry : columns->actions())
      if (entry->data().isValid() && entry->data().toInt() == fcOwner) owner = entry;
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(owner->isChecked());
    EXPECT_EQ(owner->text(), Q(English.FindText("2173")));
    owner->trigger();
    Named<QMenu>(*w, "mnuPopup")->hide();
    EXPECT_TRUE(grdFiles->isColumnHidden(fcOwner));
    EXPECT_EQ(ReadRegInteger(Store, ColumnValueName(TReportKind::FilesInThisFolder, fcOwner), -1), 0);
  }
  auto w = MakeWindow();
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  EXPECT_TRUE(grdFiles->isColumnHidden(fcOwner));
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "A"));
  EXPECT_TRUE(grdFiles->isColumnHidden(fcOwner));
  EXPECT_FALSE(grdFiles->isColumnHidden(fcName));
  Named<QAction>(*w, "mniTop100Files")->trigger();
  EXPECT_FALSE(grdFiles->isColumnHidden(fcOwner));
  Named<QAction>(*w, "mniFilesInThisFolder")->trigger();
  EXPECT_TRUE(grdFiles->isColumnHidden(fcOwner));
}

// ---------------------------------------------------------------- language

TEST_F(MainWindowTest, LanguageSwitchRelabelsMenusCaptionAndHeaders) {
  ASSERT_EQ(Deutsch.FindText("Language"), "Deutsch");
  auto w = MakeWindow();
  const char* menus[][2] = {{"mniScan", "2114"}, {"mniView", "2115"}, {"mniReport", "2116"}, {"mniHelp", "2117"}};
  const auto expectTexts = [&](const TLang& lang) {
    for (const auto& [name, id] : menus) EXPECT_EQ(Named<QMenu>(*w, name)->title(), Q(lang.FindText(id))) << name;
    EXPECT_EQ(Named<QToolButton>(*w, "btnReportType")->text(), Q(lang.FindText("2132")));
    EXPECT_EQ(WithoutAccessKey(Named<QAction>(*w, "mniFilesInThisFolder")->text()), Q(lang.FindText("2132")));
    const QAbstractItemModel& model = *Named<QTreeView>(*w, "grdFiles")->model();
    for (size_t i = 0; i < FilesColumns().size(); ++i)
      EXPECT_EQ(model.headerData(static_cast<int>(i), Qt::Horizontal).toString(),
                Q(lang.FindText(FilesColumns()[i].HeaderId)))
          << i;
    EXPECT_EQ(Named<QLabel>(*w, "pnlStatus0")->text(), Q(lang.FindText("2175") + " 0"));
  };
  ASSERT_NE(Deutsch.FindText("2114"), English.FindText("2114"));
  expectTexts(English);

  w->ChangeLanguage("Deutsch");
  EXPECT_EQ(w->Languages().CurrentLanguage(), "Deutsch");
  expectTexts(Deutsch);
  EXPECT_EQ(Q(w->Languages().Translate("2161")), Q(Deutsch.FindText("2161")));

  w->ChangeLanguage("English");
  expectTexts(English);
}

TEST_F(MainWindowTest, EmptyLanguageFolderShowsNoTranslatedEverywhere) {
  const fs::path empty = test::MakeTempFolder("kestrove-ui-lang");
  {
    auto w = MakeWindow(Utf8(empty) + "/");
    const QString none = Q(std::string(NoTranslated));
    // With an access key of its own menu's choosing.
    for (const char* name : {"mniScan", "mniView", "mniReport", "mniHelp", "mniColumns"})
      EXPECT_EQ(WithoutAccessKey(Named<QMenu>(*w, name)->title()), none) << name;
    for (const char* name : {"mniScanFolder", "mniStopScan", "mniFilesInThisFolder", "mniTop100Files", "mniShowChart"})
      EXPECT_EQ(WithoutAccessKey(Named<QAction>(*w, name)->text()), none) << name;
    EXPECT_EQ(Named<QToolButton>(*w, "btnReportType")->text(), none);
    const QAbstractItemModel& model = *Named<QTreeView>(*w, "grdFiles")->model();
    for (int i = 0; i < model.columnCount(); ++i) EXPECT_EQ(model.headerData(i, Qt::Horizontal).toString(), none) << i;
    EXPECT_EQ(Named<QLabel>(*w, "pnlStatus0")->text(), none + " 0");
    EXPECT_EQ(Named<QLabel>(*w, "pnlStatus2")->text(), none + " " + none);
  }
  std::error_code ec;
  fs::remove_all(empty, ec);
}

TEST_F(MainWindowTest, EveryMenuEntryShowsItsLanguageTextOrItsFixedText) {
  auto w = MakeWindow();
  w->ChangeLanguage("Deutsch");
  size_t translated = 0;
  for (const TMenuEntry& entry : MainMenuEntries()) {
    const std::string name(entry.Name);
    if (entry.Kind == TMenuEntryKind::Separator) continue;
    QString expected = QString::fromLatin1(entry.Text.data(), static_cast<qsizetype>(entry.Text.size()));
    if (!entry.TextId.empty()) {
      expected = Q(Deutsch.FindText(entry.TextId));
      ASSERT_FALSE(expected.isEmpty()) << name;
      if (entry.Level > 0) expected.replace(expected.indexOf("%s"), 2, QString::number(entry.Level));
      ++translated;
    }
    const QString shown = entry.Kind == TMenuEntryKind::Menu ? Named<QMenu>(*w, name.c_str())->title()
                                                             : Named<QAction>(*w, name.c_str())->text();
    // The language file's access key stays; a text without one gets one.
    if (!AccessKeyOf(expected).isEmpty())
      EXPECT_EQ(shown, expected) << name;
    else
      EXPECT_EQ(WithoutAccessKey(shown), expected) << name;
  }
  // The fifteen report kinds are in the table twice, as drop-down entries and twins.
  EXPECT_GE(translated, 2 * ReportKindCount);
}

// ---------------------------------------------------------------- view

TEST_F(MainWindowTest, ChartAndDrivePanelsFollowTheirViewEntries) {
  auto w = MakeWindow();
  auto* chart = Named<QWidget>(*w, "pnlChart");
  auto* disk = Named<QWidget>(*w, "pnlDiskSize");
  auto* showChart = Named<QAction>(*w, "mniShowChart");
  auto* showDisk = Named<QAction>(*w, "mniShowInfoDisk");
  ASSERT_TRUE(showChart->isChecked());
  ASSERT_TRUE(showDisk->isChecked());
  EXPECT_FALSE(chart->isHidden());
  EXPECT_FALSE(disk->isHidden());

  showChart->trigger();
  EXPECT_FALSE(showChart->isChecked());
  EXPECT_TRUE(chart->isHidden());
  EXPECT_FALSE(disk->isHidden());
  showChart->trigger();
  EXPECT_FALSE(chart->isHidden());

  showDisk->trigger();
  EXPECT_FALSE(showDisk->isChecked());
  EXPECT_TRUE(disk->isHidden());
  EXPECT_FALSE(chart->isHidden());
  showDisk->trigger();
  EXPECT_FALSE(disk->isHidden());
}

TEST_F(MainWindowTest, ProgressBarSitsAtRightEndOfStatusBarAfterResize) {
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  auto* bar = Named<QStatusBar>(*w, "barStatus");
  auto* progress = Named<QProgressBar>(*w, "ScanProgressBar");
  // Both wider than the tool bar needs, so the window takes the size given.
  for (const QSize size : {QSize(1000, 640), QSize(820, 520)}) {
    w->resize(size);
    QCoreApplication::processEvents();
    ASSERT_EQ(w->width(), size.width());
    EXPECT_EQ(progress->x(), bar->width() - 150 - 13) << size.width();
    EXPECT_EQ(progress->y(), 3);
    EXPECT_EQ(progress->width(), 150);
  }
}

// ---------------------------------------------------------------- chart

// The labels of the points the chart draws, in drawing order.
QStringList ChartLabels(TfrmMain& w, const char* chart) {
  const auto* view = dynamic_cast<const TChartView*>(w.findChild<QWidget*>(chart));
  if (!view) return {};
  QStringList labels;
  for (const TChartPoint& point : view->Points()) labels << Q(point.Label);
  return labels;
}
QStringList PieLabels(TfrmMain& w) { return ChartLabels(w, "chrPie"); }

TEST_F(MainWindowTest, ChartFollowsReportKindSortAndChartType) {
  fs::create_directories(Root / "S");
  WriteFile(Root / "S" / "apple.txt", 300);
  WriteFile(Root / "S" / "berry.bin", 100);
  WriteFile(Root / "S" / "cherry.txt", 200);
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "S"));
  auto* pnlChart = Named<QWidget>(*w, "pnlChart");
  // Slices from the last row to the first: the largest row is drawn last.
  EXPECT_EQ(PieLabels(*w), (QStringList{"berry.bin", "cherry.txt", "apple.txt"}));
  EXPECT_FALSE(pnlChart->isHidden());

  // A header click reverses the row order and so the order of the slices.
  Named<QTreeView>(*w, "grdFiles")->header()->sectionClicked(fcSize);
  EXPECT_EQ(PieLabels(*w), (QStringList{"apple.txt", "cherry.txt", "berry.bin"}));

  // Reports without a chart hide the panel; back to one with a chart shows it.
  Named<QAction>(*w, "mniTop100Files2")->trigger();
  EXPECT_TRUE(pnlChart->isHidden());
  Named<QAction>(*w, "mniShowChart")->setChecked(false);
  Named<QAction>(*w, "mniShowChart")->setChecked(true);
  EXPECT_TRUE(pnlChart->isHidden());
  Named<QAction>(*w, "mniFilesInThisFolder2")->trigger();
  EXPECT_FALSE(pnlChart->isHidden());
  // ...unless the user has hidden it.
  Named<QAction>(*w, "mniShowChart")->setChecked(false);
  Named<QAction>(*w, "mniExtensionsInThisFolder")->trigger();
  EXPECT_TRUE(pnlChart->isHidden());
  Named<QAction>(*w, "mniShowChart")->setChecked(true);
  Named<QAction>(*w, "mniFilesInThisFolder")->trigger();

  // The chart's own settings entry opens the window's settings dialog.
  EXPECT_TRUE(Named<QAction>(*w, "mniChartSettings")->isEnabled());

  // The View menu's chart type moves the panel's check marks and page.
  Named<QAction>(*w, "mniBar2")->trigger();
  EXPECT_TRUE(Named<QAction>(*w, "mniBar")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniPie")->isChecked());
  EXPECT_EQ(Named<QStackedWidget>(*w, "pgcChart")->currentWidget(), Named<QWidget>(*w, "tbsBar"));
  EXPECT_EQ(Named<QToolButton>(*w, "btnChartType")->text(), "Bar");
  // The window rebuilt the report into the bar chart.
  EXPECT_EQ(ChartLabels(*w, "Chart2"), (QStringList{"apple.txt", "cherry.txt", "berry.bin"}));
  EXPECT_EQ(w->Chart().RenderVisibleChart().size(), Named<QWidget>(*w, "Chart2")->size());
  // ...and the panel's own entry moves the View menu's.
  Named<QAction>(*w, "mniPie")->trigger();
  EXPECT_TRUE(Named<QAction>(*w, "mniPie2")->isChecked());
  EXPECT_FALSE(Named<QAction>(*w, "mniBar2")->isChecked());
  EXPECT_EQ(PieLabels(*w), (QStringList{"apple.txt", "cherry.txt", "berry.bin"}));
}

TEST_F(MainWindowTest, DrivePanelListsTheDrivesOnceWithTranslatedTitles) {
  auto w = MakeWindow();
  auto* panel = Named<QTreeView>(*w, "trvDiskSize");
  TFileServices services(CreateNativePlatform(), NativePathStyle());
  const std::vector<TBildDiskSize> drives = FillDrivePanel(services);
  ASSERT_EQ(panel->model()->rowCount(), static_cast<int>(drives.size()));
  QStringList roots;
  for (const TBildDiskSize& drive : drives) roots << Q(drive.Drive);
  for (int row = 0; row < panel->model()->rowCount(); ++row)
    EXPECT_TRUE(roots.contains(panel->model()->index(row, 0).data().toString())) << row;
  const char* ids[] = {"2160", "2161", "2162", "2163"};
  for (int column = 0; column < 4; ++column)
    EXPECT_EQ(panel->model()->headerData(column, Qt::Horizontal).toString(), Q(English.FindText(ids[column])));
  // The system drive is always there, and ready.
  const bool windows = NativePathStyle() == TPathStyle::Windows;
  EXPECT_TRUE(roots.contains(windows ? "C:\\" : "/"));
  // Each drive shows its own picture from the shell, in the panel and the drive list.
  for (int row = 0; row < panel->model()->rowCount(); ++row) {
    const QModelIndex cell = panel->model()->index(row, 0);
    EXPECT_EQ(Pixel(cell.data(Qt::DecorationRole).value<QIcon>()), ShellColour(ToUtf8(cell.data().toString()))) << row;
  }
  auto* edtDriveList = Named<QComboBox>(*w, "edtDriveList");
  ASSERT_GT(edtDriveList->count(), 0);
  for (int i = 0; i < edtDriveList->count(); ++i) {
    const std::string root = ToUtf8(edtDriveList->itemData(i).toString());
    const std::string withSeparator = root == "/" ? root : root + (windows ? "\\" : "/");
    EXPECT_EQ(Pixel(edtDriveList->itemIcon(i)), ShellColour(withSeparator)) << root;
  }
}

// ---------------------------------------------------------------- file commands

TEST_F(MainWindowTest, RemoveFromListTakesFileAndFolderOffEveryTotal) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  TFolderNode* root = Node(*w, Root);
  TFolderNode* a = Node(*w, Root / "A");
  const int64_t rootSize = root->Data()->TotalSize;
  const int64_t files = w->Tree().TotalFiles;
  const int64_t folders = w->Tree().TotalFolders;

  // A file row of A's report: gone from the list, the counters and every total.
  w->FocusFolder(a);
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const int apple = RowNamed(*grdFiles, "apple.txt");
  ASSERT_GE(apple, 0);
  grdFiles->setCurrentIndex(grdFiles->model()->index(apple, 0));
  w->SetCommandSource(grdFiles);
  Named<QAction>(*w, "mniRemoveFromList")->trigger();
  EXPECT_EQ(RowNamed(*grdFiles, "apple.txt"), -1);
  EXPECT_EQ(a->Data()->TotalSize, 350);
  EXPECT_EQ(root->Data()->TotalSize, rootSize - 300);
  EXPECT_EQ(w->Tree().TotalFiles, files - 1);
  EXPECT_EQ(Named<QLabel>(*w, "pnlStatus1")->text(), Q(English.FindText("2176") + " " + std::to_string(files - 1)));
  EXPECT_TRUE(fs::exists(Root / "A" / "apple.txt"));  // only the list forgets it

  // A folder from the tree: its subtree goes, its parent is focused and shown.
  w->FocusFolder(a);
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniRemoveFromList")->trigger();
  EXPECT_EQ(w->Tree().FindChild(root, "A"), nullptr);
  EXPECT_EQ(w->FocusedNode(), root);
  EXPECT_EQ(root->Data()->TotalSize, rootSize - 650);
  EXPECT_EQ(root->Data()->FolderCount, 3);  // A and A/child gone
  EXPECT_EQ(w->Tree().TotalFolders, folders - 2);
  EXPECT_EQ(w->Tree().TotalFiles, files - 4);
  EXPECT_EQ(RowNamed(*grdFiles, "A"), -1);
  EXPECT_GE(RowNamed(*grdFiles, "B"), 0);
  EXPECT_EQ(w->History().History().back(), GetNodePath(root));
}

TEST_F(MainWindowTest, DeleteAsksFirstThenTrashesOrDeletesForGoodWhereTheTrashCannot) {
  const fs::path folder = Root / "S";
  fs::create_directories(folder);
  // Sizes set the list's order: a, b, c, d.
  const std::map<QString, size_t> sizes = {{"a.txt", 40}, {"b.txt", 30}, {"c.txt", 20}, {"d.txt", 10}};
  for (const auto& [name, size] : sizes) WriteFile(folder / name.toStdString(), size);
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const std::string a = Utf8(folder / "a.txt"), b = Utf8(folder / "b.txt"), c = Utf8(folder / "c.txt"),
                    d = Utf8(folder / "d.txt");
  Shell.NoTrash = {b, c};
  Shell.Failing = {d};
  const std::string ask = English.FindText("2195"), askForGood = English.FindText("2302");
  const struct {
    std::vector<const char*> rows;
    std::deque<bool> answers;
    std::vector<std::string> questions, calls;
    QStringList left;
  } cases[] = {
      // No to the first question: the shell is not even asked.
      {{"a.txt", "b.txt"}, {false}, {ask}, {}, {"a.txt", "b.txt", "c.txt", "d.txt"}},
      // The trash takes a, cannot take b (No: b stays), and d fails quietly.
      {{"a.txt", "b.txt", "d.txt"}, {true, false}, {ask, askForGood}, {"trash " + a, "trash " + b, "trash " + d},
       {"b.txt", "c.txt", "d.txt"}},
      // Yes to deleting for good: b and c go in one question.
      {{"b.txt", "c.txt"}, {true, true}, {ask, askForGood}, {"trash " + b, "trash " + c, "delete " + b, "delete " + c},
       {"d.txt"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(&test - cases);
    w->FocusFolder(Node(*w, folder));
    grdFiles->selectionModel()->clear();
    for (const char* name : test.rows) {
      const QModelIndex index = grdFiles->model()->index(RowNamed(*grdFiles, name), 0);
      grdFiles->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
      grdFiles->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    w->SetCommandSource(grdFiles);
    Dialog.Questions.clear();
    Shell.Calls.clear();
    Dialog.Answers = test.answers;
    Named<QAction>(*w, "mniDelete")->trigger();
    EXPECT_EQ(Dialog.Questions, test.questions);
    EXPECT_EQ(Shell.Calls, test.calls);
    EXPECT_EQ(Column(*grdFiles, fcName), test.left);
    int64_t left = 0;
    for (const QString& name : test.left) left += static_cast<int64_t>(sizes.at(name));
    EXPECT_EQ(Node(*w, folder)->Data()->TotalSize, left);
  }
  // From the tree: the folder itself, deleted for good after the second Yes.
  Shell.NoTrash = {Utf8(folder)};
  Dialog.Answers = {true, true};
  Shell.Calls.clear();
  w->FocusFolder(Node(*w, folder));
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniDelete")->trigger();
  EXPECT_EQ(Shell.Calls, (std::vector<std::string>{"trash " + Utf8(folder), "delete " + Utf8(folder)}));
  EXPECT_EQ(w->Tree().FindChild(Node(*w, Root), "S"), nullptr);
}

TEST_F(MainWindowTest, OpeningAFileWithoutProgramOffersTheChooserElseItsFolder) {
  fs::create_directories(Root / "S");
  WriteFile(Root / "S" / "a.kvzz", 10);
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "S"));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  grdFiles->setCurrentIndex(grdFiles->model()->index(0, 0));
  const std::string file = Utf8(Root / "S" / "a.kvzz");
  const struct {
    TOpenResult result;
    bool chooser;
    std::vector<std::string> calls;
    bool told;
  } cases[] = {
      {TOpenResult::Opened, true, {"open " + file}, false},
      {TOpenResult::Failed, true, {"open " + file}, false},  // quiet, like every shell failure
      {TOpenResult::NoProgram, true, {"open " + file, "openwith " + file}, false},
      {TOpenResult::NoProgram, false, {"open " + file, "openwith " + file, "show " + file}, true},
  };
  for (const auto& test : cases) {
    Shell.Calls.clear();
    Dialog.Errors.clear();
    Shell.OpenResult = test.result;
    Shell.HasOpenWith = test.chooser;
    w->OpenListRow();
    EXPECT_EQ(Shell.Calls, test.calls);
    EXPECT_EQ(Dialog.Errors, test.told ? std::vector<std::string>{English.FindText("2301")} : std::vector<std::string>{});
  }
}

TEST_F(MainWindowTest, PropertiesComeFromTheShellElseFromTheProgramsOwnTranslatedDialog) {
  fs::create_directories(Root / "S");
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "S"));
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniProperties")->trigger();
  EXPECT_EQ(Shell.Calls, (std::vector<std::string>{"properties " + Utf8(Root / "S")}));

  Shell.HasProperties = false;
  w->ChangeLanguage("Deutsch");
  QStringList labels;
  QTimer::singleShot(0, [&labels] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->objectName() == "frmProperties") {
        for (const QLabel* label : dialog->findChildren<QLabel*>()) labels << label->text();
        dialog->accept();
      }
  });
  Named<QAction>(*w, "mniProperties")->trigger();
  for (const char* id : {"2303", "2305", "2307", "2312"}) EXPECT_TRUE(labels.contains(Q(Deutsch.FindText(id)))) << id;
}

TEST_F(MainWindowTest, ItemCommandsFollowSelectionAndScans) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "A"));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  auto* grdExtensions = Named<QTreeView>(*w, "grdExtensions");
  grdFiles->selectAll();
  grdFiles->setCurrentIndex(grdFiles->model()->index(0, 0));
  grdFiles->selectAll();
  grdFiles->customContextMenuRequested(QPoint(5, 5));
  auto* mnuPopup = Named<QMenu>(*w, "mnuPopup");
  // Several rows: only Delete and Remove from list act on all of them.
  EXPECT_FALSE(Named<QAction>(*w, "mniExplorer")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*w, "mniProperties")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*w, "mniRefresh")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*w, "mniDelete")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*w, "mniRemoveFromList")->isEnabled());
  mnuPopup->hide();
  // The extensions list has no items to act on, but offers its columns.
  Named<QAction>(*w, "mniExtensionsInThisFolder")->trigger();
  grdExtensions->customContextMenuRequested(QPoint(5, 5));
  for (const char* name : {"mniExplorer", "mniProperties", "mniRefresh", "mniDelete", "mniRemoveFromList"})
    EXPECT_FALSE(Named<QAction>(*w, name)->isEnabled()) << name;
  EXPECT_TRUE(Named<QMenu>(*w, "mniColumns")->menuAction()->isVisible());
  EXPECT_FALSE(Named<QMenu>(*w, "mniExpand")->menuAction()->isVisible());
  mnuPopup->hide();
  // Over the tree: Expand, no Columns; tree-changing commands wait for scans.
  auto* trvFolder = Named<QTreeView>(*w, "trvFolder");
  Dialog.Folders.push_back(Utf8(Root / "B"));
  ASSERT_TRUE(w->StartScan(Utf8(Root / "C")));
  trvFolder->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(Named<QMenu>(*w, "mniExpand")->menuAction()->isVisible());
  EXPECT_FALSE(Named<QMenu>(*w, "mniColumns")->menuAction()->isVisible());
  EXPECT_FALSE(Named<QAction>(*w, "mniDelete")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*w, "mniRefresh")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*w, "mniExplorer")->isEnabled());
  mnuPopup->hide();
  w->StopScans();
}

// Every entry of every menu has its own access key, in both languages: the
// language files' own keys must not collide, the rest are given free letters.
TEST_F(MainWindowTest, EveryMenuEntryHasAnAccessKeyOfItsOwnInBothLanguages) {
  auto w = MakeWindow();
  for (const char* language : {"Deutsch", "English"}) {
    w->ChangeLanguage(language);
    std::map<std::string_view, QStringList> keys;
    for (const TMenuEntry& entry : MainMenuEntries()) {
      if (entry.Kind == TMenuEntryKind::Separator || entry.In.empty()) continue;
      const std::string name(entry.Name);
      const QString caption = entry.Kind == TMenuEntryKind::Menu ? Named<QMenu>(*w, name.c_str())->title()
                                                                 : Named<QAction>(*w, name.c_str())->text();
      const QString key = AccessKeyOf(caption);
      EXPECT_FALSE(key.isEmpty()) << language << " " << name;
      EXPECT_FALSE(keys[entry.In].contains(key)) << language << " " << entry.In << ": " << caption.toStdString();
      keys[entry.In] << key;
    }
  }
}

TEST(MenuAccessKeyTest, TheLanguageFilesKeyElseTheFirstFreeLetter) {
  const struct {
    const char* Caption;
    const char* Taken;
    const char* Expected;
    const char* TakenAfter;
  } cases[] = {
      {"Export...", "", "&Export...", "e"},
      {"Import...", "ix", "I&mport...", "ixm"},
      {"S&top scan", "s", "S&top scan", "st"},       // its own key even where taken: the test above tells
      {"A&&B", "", "&A&&B", "a"},                    // "&&" is an ampersand, no key
      {"To level &1", "", "To level &1", "1"},
      {"KB", "kb", "KB", "kb"},                      // no letter left: none
      {"Größe", "g", "G&röße", "gr"},
  };
  for (const auto& c : cases) {
    QString taken = QString::fromUtf8(c.Taken);
    EXPECT_EQ(WithAccessKey(QString::fromUtf8(c.Caption), taken), QString::fromUtf8(c.Expected)) << c.Caption;
    EXPECT_EQ(taken, QString::fromUtf8(c.TakenAfter)) << c.Caption;
    EXPECT_EQ(WithoutAccessKey(QString::fromUtf8(c.Expected)).remove(u'&'), QString::fromUtf8(c.Caption).remove(u'&'));
  }
}

TEST_F(MainWindowTest, KeysShownInTheMenusActOnTheFocusedListOrTree) {
  MakeSmallTree();
  auto w = MakeWindow();
  const std::pair<const char*, QKeySequence> keys[] = {
      {"mniImport", QKeySequence(Qt::CTRL | Qt::Key_O)}, {"mniExport", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"mniExit", QKeySequence(Qt::CTRL | Qt::Key_Q)},   {"mniRefresh", QKeySequence(Qt::Key_F5)},
      {"mniDelete", QKeySequence(Qt::Key_Delete)},
  };
  for (const auto& [name, key] : keys) EXPECT_EQ(Named<QAction>(*w, name)->shortcut(), key) << name;
  EXPECT_EQ(Named<QToolButton>(*w, "btnBack")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Left));
  EXPECT_EQ(Named<QToolButton>(*w, "btnNext")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Right));
  EXPECT_TRUE(Named<QToolButton>(*w, "btnBack")->toolTip().endsWith(")"));

  ASSERT_TRUE(ScanFolder(*w, Root));
  // Del in the file list asks about its selected row, not the tree's folder.
  w->FocusFolder(Node(*w, Root / "A"));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const int row = RowNamed(*grdFiles, "apple.txt");
  ASSERT_GE(row, 0);
  grdFiles->setCurrentIndex(grdFiles->model()->index(row, 0));
  grdFiles->setFocus();
  Dialog.Answers = {true};
  Shell.Calls.clear();
  w->KeyCommand("mniDelete");
  EXPECT_EQ(Shell.Calls, std::vector<std::string>{"trash " + Utf8(Root / "A" / "apple.txt")});
  // F5 in the tree scans its folder again.
  WriteFile(Root / "A" / "new.bin", 1000);
  Named<QTreeView>(*w, "trvFolder")->setFocus();
  w->KeyCommand("mniRefresh");
  ASSERT_TRUE(WaitForScan(*w, Root / "A"));
  EXPECT_GE(RowNamed(*grdFiles, "A"), 0);
  EXPECT_EQ(Node(*w, Root / "A")->Data()->TotalSize, 1650);
}

TEST_F(MainWindowTest, DoubleClickOnGreatestFolderShowsItsContent) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root));
  Named<QAction>(*w, "mniTop100Folders2")->trigger();
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const int row = RowNamed(*grdFiles, "child");
  ASSERT_GE(row, 0);
  grdFiles->setCurrentIndex(grdFiles->model()->index(row, 0));
  w->OpenListRow();
  EXPECT_EQ(w->FocusedNode(), Node(*w, Root / "A" / "child"));
  EXPECT_TRUE(Named<QAction>(*w, "mniFilesInThisFolder")->isChecked());
  EXPECT_TRUE(Named<QAction>(*w, "mniFilesInThisFolder2")->isChecked());
  EXPECT_EQ(Named<QToolButton>(*w, "btnReportType")->text(), Q(English.FindText("2132")));
  EXPECT_EQ(Column(*grdFiles, fcName), (QStringList{"x.dat"}));
}

TEST_F(MainWindowTest, RefreshScansTheFolderAgain) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  WriteFile(Root / "A" / "new.bin", 1000);  // appears on disk after the scan
  w->FocusFolder(Node(*w, Root / "A"));
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniRefresh")->trigger();
  EXPECT_EQ(w->FocusedNode(), Node(*w, Root));
  ASSERT_TRUE(WaitForScan(*w, Root / "A"));
  EXPECT_EQ(Node(*w, Root / "A")->Data()->TotalSize, 1650);
  EXPECT_EQ(Node(*w, Root)->Data()->TotalSize, 1661);
  // The focused folder's list shows the refreshed folder again, rows and
  // shares as a fresh build gives them.
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  EXPECT_GE(RowNamed(*grdFiles, "A"), 0);
  const QStringList names = Column(*grdFiles, fcName);
  const QStringList percents = Column(*grdFiles, fcPercent);
  w->RefreshReport(w->FocusedNode());
  EXPECT_EQ(Column(*grdFiles, fcName), names);
  EXPECT_EQ(Column(*grdFiles, fcPercent), percents);
}

TEST_F(MainWindowTest, MalformedMaskStopsTheScanWithTheLanguagesMessage) {
  MakeSmallTree();
  WriteRegString(Store, "Filter-Mask-Included-Value", "*.txt; [x");
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  std::string want = English.FindText("2354");
  want.replace(want.find("%s"), 2, "[x");
  EXPECT_EQ(Dialog.Errors, std::vector<std::string>{want});
}

TEST_F(MainWindowTest, FilterDialogDecidesTheFilterButton) {
  auto w = MakeWindow();
  auto* btnFilter = Named<QToolButton>(*w, "btnFilter");
  auto* status = Named<QLabel>(*w, "pnlStatus2");
  EXPECT_TRUE(btnFilter->isEnabled());
  // While the dialog is open, button and status show the stored filter, not the click.
  std::vector<std::pair<QString, bool>> whileOpen;
  auto answer = [&](const char* button, const char* mask) {
    QTimer::singleShot(0, [&, button, mask] {
      w->UpdateCommandState();  // as the status refresh does every 300 ms
      whileOpen.emplace_back(status->text(), btnFilter->isChecked());
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "TfrmFilter") {
          Named<QComboBox>(*top, "cmbMaskIncluded")->setEditText(mask);
          Named<QPushButton>(*top, button)->click();
        }
    });
    btnFilter->click();
  };
  const QString off = Q(English.FindText("2177") + " " + English.FindText("2179"));
  const QString on = Q(English.FindText("2177") + " " + English.FindText("2178"));
  answer("btnOk", "*.txt");
  EXPECT_TRUE(btnFilter->isChecked());
  EXPECT_EQ(ReadRegString(Store, "Filter-Mask-Included-Value", ""), "*.txt");
  EXPECT_EQ(status->text(), on);
  answer("btnCancel", "*");
  EXPECT_TRUE(btnFilter->isChecked());
  EXPECT_EQ(status->text(), on);
  EXPECT_EQ(whileOpen, (std::vector<std::pair<QString, bool>>{{off, false}, {on, true}}));
}

TEST_F(MainWindowTest, SettingsDialogChangesTheReportAndTheLanguage) {
  MakeSmallTree();
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root));
  Named<QAction>(*w, "mniTop100Files2")->trigger();
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  EXPECT_EQ(grdFiles->model()->rowCount(), 6);
  // The dialog is modal: answer it from the event loop.
  QTimer::singleShot(0, [] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* dialog = dynamic_cast<TfrmSettings*>(top)) {
        if (auto* count = dialog->findChild<QSpinBox*>("edtCountFiles")) count->setValue(2);
        if (auto* languages = dialog->findChild<QComboBox*>("cmbLanguage"))
          languages->setCurrentIndex(languages->findText("Deutsch"));
        dialog->btnOkClick();
      }
  });
  Named<QAction>(*w, "mniReportSettings2")->trigger();
  EXPECT_EQ(w->Options().ReportListCount, 2);
  EXPECT_EQ(Column(*grdFiles, fcName), (QStringList{"apple.txt", "cherry.txt"}));
  EXPECT_EQ(Named<QMenu>(*w, "mniScan")->title(), Q(Deutsch.FindText("2114")));
  EXPECT_EQ(ReadRegString(Store, "Language", ""), "Deutsch");
}

TEST_F(MainWindowTest, FileTypeIconsArriveRowByRowOncePerExtension) {
  fs::create_directories(Root / "S");
  WriteFile(Root / "S" / "a.txt", 30);
  WriteFile(Root / "S" / "b.TXT", 20);
  WriteFile(Root / "S" / "c.doc", 10);
  auto w = MakeWindow();
  ASSERT_TRUE(ScanFolder(*w, Root));
  w->FocusFolder(Node(*w, Root / "S"));
  const TFileList& files = Node(*w, Root / "S")->Data()->Files;
  const TFileIconsList& icons = Dm.FileIcons();
  ASSERT_TRUE(RunUntil(*w, [&] {
    return std::all_of(files.begin(), files.end(),
                       [&](const TFileNodeData* f) { return icons.KnownIconOf(f->GetText()) >= 0; });
  }));
  const int32_t txt = icons.KnownIconOf("a.txt");
  EXPECT_GE(txt, 3);  // after the folder and drive images
  EXPECT_EQ(icons.KnownIconOf("b.TXT"), txt);
  EXPECT_NE(icons.KnownIconOf("c.doc"), txt);
  EXPECT_EQ(Dm.FileIcons().Count(), 2u);
  // The list shows the shell's picture of the type, not the placeholder.
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  const QModelIndex cell = grdFiles->model()->index(RowNamed(*grdFiles, "a.txt"), 0);
  EXPECT_EQ(cell.data(Qt::DecorationRole).value<QIcon>().cacheKey(), Dm.ImageOf(txt).cacheKey());
  EXPECT_EQ(Pixel(Dm.ImageOf(txt)), ShellColour(".txt"));
  EXPECT_EQ(Pixel(Dm.ImageOf(icons.KnownIconOf("c.doc"))), ShellColour(".doc"));

  // Extension rows get the same cached icons; nothing new is looked up.
  Named<QAction>(*w, "mniExtensionsInThisFolder")->trigger();
  auto* grdExtensions = Named<QTreeView>(*w, "grdExtensions");
  const int txtRow = RowNamed(*grdExtensions, ".txt");
  ASSERT_GE(txtRow, 0);
  ASSERT_TRUE(RunUntil(*w, [&] { return w->Pane().ExtensionsRows()[static_cast<size_t>(txtRow)]->IconIndex >= 0; }));
  EXPECT_EQ(w->Pane().ExtensionsRows()[static_cast<size_t>(txtRow)]->IconIndex, txt);
  EXPECT_EQ(Dm.FileIcons().Count(), 2u);
  EXPECT_EQ(std::count(Shell.IconQueries.begin(), Shell.IconQueries.end(), ".txt"), 1);
}

TEST_F(MainWindowTest, ExportedScanImportsIntoAFreshWindowAndReportsSave) {
  MakeSmallTree();
  const fs::path out = Root / "out";
  fs::create_directories(out);
  const fs::path scanned = Root / "tree";
  fs::create_directories(scanned);
  fs::rename(Root / "A", scanned / "A");
  fs::rename(Root / "B", scanned / "B");
  {
    auto w = MakeWindow();
    ASSERT_TRUE(ScanFolder(*w, scanned));
    EXPECT_TRUE(Named<QAction>(*w, "mniListFiles")->isEnabled());
    Dialog.SaveNames.push_back({Utf8(out / "scan"), 1});
    Named<QAction>(*w, "mniExport")->trigger();
    EXPECT_TRUE(fs::exists(out / "scan.kvr"));  // the default extension added

    // The report as shown: its rows in their order, through the save menu.
    w->FocusFolder(Node(*w, scanned / "A"));
    Dialog.SaveNames.push_back({Utf8(out / "report.csv"), 1});
    Named<QAction>(*w, "mniSaveAsCSVFile")->trigger();
    std::ifstream csv(out / "report.csv");
    const std::string text((std::istreambuf_iterator<char>(csv)), std::istreambuf_iterator<char>());
    EXPECT_LT(text.find("apple.txt"), text.find("cherry.txt"));
    EXPECT_LT(text.find("cherry.txt"), text.find("berry.bin"));
  }
  auto fresh = MakeWindow();
  Dialog.OpenNames.push_back(Utf8(out / "scan.kvr"));
  Named<QAction>(*fresh, "mniImport")->trigger();
  TFolderNode* a = Node(*fresh, scanned / "A");
  EXPECT_EQ(a->Data()->TotalSize, 650);
  EXPECT_EQ(Node(*fresh, scanned)->Data()->TotalSize, 651);
  EXPECT_EQ(Named<QLabel>(*fresh, "pnlStatus0")->text(),
            Q(English.FindText("2175") + " " + std::to_string(fresh->Tree().TotalFolders - 1)));
  EXPECT_TRUE(Named<QAction>(*fresh, "mniListFiles")->isEnabled());
}

}  // namespace
}  // namespace kv
