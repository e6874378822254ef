// The treemap in the real main window: hover and clicks against status text,
// focus, report rows and history; the View entry across restarts; the picture
// after removals, size type and resize; the legend. Coordinates come from the
// picture's own layout, never from assumed fonts or sizes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/WindowRun.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "app/UserDialog.h"
#include "ui/DMMain.h"
#include "ui/Main.h"
#include "ui/ReportListModels.h"
#include "ui/TreemapPanel.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Named;
using test::Utf8;

class TreemapWindowTest : public ::testing::Test {
 protected:
  TreemapWindowTest() : Root(test::MakeTempFolder("kestrove-treemap")) {
    // Root/A: apple.txt 3000, cherry.txt 2000, berry.bin 1000, child/x.dat 500; Root/B: one.bin 400
    fs::create_directories(Root / "A" / "child");
    fs::create_directories(Root / "B");
    for (const auto& [path, size] : {std::pair{"A/apple.txt", 3000}, {"A/cherry.txt", 2000}, {"A/berry.bin", 1000},
                                     {"A/child/x.dat", 500}, {"B/one.bin", 400}})
      std::ofstream(Root / path, std::ios::binary) << std::string(static_cast<size_t>(size), 'x');
  }
  ~TreemapWindowTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  std::unique_ptr<TfrmMain> MakeWindow() {
    auto w = std::make_unique<TfrmMain>(
        Dm, TMainSetup{CreateNativePlatform(), &Store, &Dialog, LanguageFolder(), NativePathStyle(), &Shell, {}});
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  }

  static bool RunUntil(TfrmMain& w, const std::function<bool()>& done) { return test::RunWindowUntil(w, done); }

  // Scanned, Root focused and its picture finished.
  std::unique_ptr<TfrmMain> ScannedWindow() {
    auto w = MakeWindow();
    Dialog.Folders.push_back(Utf8(Root));
    Named<QAction>(*w, "mniScanFolder")->trigger();
    EXPECT_TRUE(RunUntil(*w, [&] { return w->Engine().ScanRoots().empty() && Node(*w, "") != nullptr; }));
    w->FocusFolder(Node(*w, ""));
    EXPECT_TRUE(Settle(*w));
    return w;
  }

  TFolderNode* Node(TfrmMain& w, const std::string& sub) {
    const std::string path = Utf8(sub.empty() ? Root : (Root / sub).make_preferred());
    TFolderNode* node = w.Tree().FindFolderNode(path);
    return !node->IsHiddenRoot() && node->Data()->GetFullPath() == path ? node : nullptr;
  }

  static bool Settle(TfrmMain& w) { return RunUntil(w, [&] { return w.Treemap().Settled(); }); }

  // A pixel of the picture where the item itself is hit (for a folder: its frame).
  static QPoint PointOf(TfrmMain& w, const std::function<bool(const TTreemapNode&)>& match) {
    const TTreemapSnapshot* snapshot = w.Treemap().Snapshot();
    const TTreemapLayout* layout = w.Treemap().Layout();
    if (!snapshot || !layout) throw std::runtime_error("no picture");
    for (size_t i = 0; i < layout->Cells().size(); ++i) {
      const TTreemapCell& cell = layout->Cells()[i];
      if (!match(snapshot->Nodes[cell.Node])) continue;
      for (int y = static_cast<int>(cell.Rect.Y); y < cell.Rect.Y + cell.Rect.H; ++y)
        for (int x = static_cast<int>(cell.Rect.X); x < cell.Rect.X + cell.Rect.W; ++x)
          if (layout->HitTest(x + 0.5, y + 0.5) == static_cast<int64_t>(i)) return {x, y};
    }
    throw std::runtime_error("item not in the picture");
  }
  static std::function<bool(const TTreemapNode&)> File(const char* name) {
    return [name](const TTreemapNode& n) { return n.Kind == TTreemapNode::File && n.FileData->Name.View() == name; };
  }
  static std::function<bool(const TTreemapNode&)> Folder(const TFolderNode* folder) {
    return [folder](const TTreemapNode& n) { return n.Kind == TTreemapNode::Folder && n.FolderNode == folder; };
  }

  static const TBaseNodeData* CurrentRow(TfrmMain& w) {
    auto* grdFiles = Named<QTreeView>(w, "grdFiles");
    const QModelIndex current = grdFiles->currentIndex();
    if (!current.isValid() || !grdFiles->selectionModel()->isRowSelected(current.row(), {})) return nullptr;
    return static_cast<TFilesListModel*>(grdFiles->model())->RowObject(current.row());
  }

  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
  fs::path Root;
};

TEST_F(TreemapWindowTest, HoverShowsPathAndSizeClickOnFileFocusesItsFolderAndSelectsItsRow) {
  auto w = ScannedWindow();
  TFolderNode* a = Node(*w, "A");
  auto* panel = Named<TTreemapPanel>(*w, "pnlTreemap");
  auto* status = Named<QLabel>(*w, "pnlStatus4");
  const QPoint at = PointOf(*w, File("cherry.txt"));
  QMouseEvent move(QEvent::MouseMove, at, panel->mapToGlobal(at), Qt::NoButton, {}, {});
  QApplication::sendEvent(panel, &move);
  const QString path = QString::fromStdString(Utf8(Root / "A" / "cherry.txt"));
  for (const TSizeUnit unit : {TSizeUnit::MB, TSizeUnit::B}) {
    w->SetSizeUnit(unit);
    EXPECT_EQ(status->text(),
              path + "   " + QString::fromStdString(FormatSize(2000, unit, *w->SizeFormat().Locale)));
  }
  // From the folder's own report and from another report kind alike.
  for (const TReportKind kind : {TReportKind::FilesInThisFolder, TReportKind::Top100Extensions}) {
    SCOPED_TRACE(static_cast<int>(kind));
    w->FocusFolder(Node(*w, ""));
    w->SelectReportKind(kind);
    ASSERT_TRUE(Settle(*w));
    QTest::mouseClick(panel, Qt::LeftButton, {}, PointOf(*w, File("cherry.txt")));
    EXPECT_EQ(w->FocusedNode(), a);
    EXPECT_EQ(w->Pane().Kind(), TReportKind::FilesInThisFolder);
    const TBaseNodeData* row = CurrentRow(*w);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetFullPath(), Utf8(Root / "A" / "cherry.txt"));
    // A single click selects: the picture keeps showing the whole folder.
    EXPECT_EQ(w->Treemap().PictureFolder(), Node(*w, ""));
  }
}

TEST_F(TreemapWindowTest, ClickFocusesFolderDoubleClickZoomsAndBackUpFollowTheHistory) {
  auto w = ScannedWindow();
  TFolderNode* root = Node(*w, "");
  TFolderNode* a = Node(*w, "A");
  TFolderNode* child = Node(*w, "A/child");
  auto* panel = Named<TTreemapPanel>(*w, "pnlTreemap");

  QTest::mouseClick(panel, Qt::LeftButton, {}, PointOf(*w, Folder(a)));
  EXPECT_EQ(w->FocusedNode(), a);
  EXPECT_EQ(w->Treemap().PictureFolder(), root);

  QTest::mouseDClick(panel, Qt::LeftButton, {}, PointOf(*w, Folder(a)));
  EXPECT_EQ(w->FocusedNode(), a);
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().Snapshot()->Nodes[0].FolderNode, a);

  // Inside the zoomed picture: a file of a subfolder focuses that subfolder.
  QTest::mouseClick(panel, Qt::LeftButton, {}, PointOf(*w, File("x.dat")));
  EXPECT_EQ(w->FocusedNode(), child);
  EXPECT_EQ(w->History().History(), (std::vector<std::string>{GetNodePath(root), GetNodePath(a), GetNodePath(child)}));

  Named<QToolButton>(*w, "btnBack")->click();
  EXPECT_EQ(w->FocusedNode(), a);
  EXPECT_EQ(w->Treemap().PictureFolder(), a);
  Named<QToolButton>(*w, "btnUp")->click();
  EXPECT_EQ(w->FocusedNode(), root);
  EXPECT_EQ(w->Treemap().PictureFolder(), root);
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().Snapshot()->Nodes[0].FolderNode, root);
}

TEST_F(TreemapWindowTest, ViewEntrySwitchesThePanelAndTheChoiceSurvivesARestart) {
  // On at first; each window finds what the one before left and flips it.
  for (const bool expected : {true, false, true}) {
    auto w = MakeWindow();
    auto* entry = Named<QAction>(*w, "mniShowTreemap");
    EXPECT_EQ(entry->isChecked(), expected);
    EXPECT_EQ(Named<QWidget>(*w, "pnlTreemap")->isVisible(), expected);
    entry->trigger();
    EXPECT_EQ(Named<QWidget>(*w, "pnlTreemap")->isVisible(), !expected);
    EXPECT_EQ(ReadRegInteger(Store, "ShowTreemap", -1), expected ? 0 : 1);  // stored at once
  }
}

TEST_F(TreemapWindowTest, PictureFollowsRemovalsSizeTypeAndResize) {
  auto w = ScannedWindow();
  TFolderNode* root = Node(*w, "");
  const auto total = [&] { return w->Treemap().Snapshot()->Nodes[0].Size; };
  ASSERT_EQ(total(), 6900);

  // A file removed from the list: gone from the picture, the total follows.
  w->FocusFolder(Node(*w, "A"));
  auto* grdFiles = Named<QTreeView>(*w, "grdFiles");
  for (int row = 0; row < grdFiles->model()->rowCount(); ++row)
    if (grdFiles->model()->index(row, fcName).data().toString() == "apple.txt")
      grdFiles->setCurrentIndex(grdFiles->model()->index(row, 0));
  w->SetCommandSource(grdFiles);
  Named<QAction>(*w, "mniRemoveFromList")->trigger();
  EXPECT_EQ(w->Treemap().Snapshot(), nullptr);  // the old picture's items are not used again
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(total(), 3500);
  EXPECT_THROW(PointOf(*w, File("apple.txt")), std::runtime_error);

  // A folder removed from the tree: the picture shows its parent without it.
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniRemoveFromList")->trigger();
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().PictureFolder(), root);
  EXPECT_EQ(total(), 400);

  w->SetSizeType(TSizeType::Allocated);
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().Snapshot()->SizeType, TSizeType::Allocated);
  EXPECT_EQ(total(), root->Data()->TotalAllocated);

  auto* panel = Named<TTreemapPanel>(*w, "pnlTreemap");
  w->resize(w->width() + 60, w->height() + 40);
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().Layout()->Width(), panel->width());
  EXPECT_EQ(w->Treemap().Layout()->Height(), panel->height());
}

TEST_F(TreemapWindowTest, IconsArrivingInTheListLeaveTheFinishedPictureAlone) {
  auto w = ScannedWindow();
  const TTreemapSnapshot* shown = w->Treemap().Snapshot();
  ASSERT_NE(shown, nullptr);
  // Every file listed: the icon loader's steps come through the scan's queue.
  w->SelectReportKind(TReportKind::Top100Files);
  ASSERT_TRUE(RunUntil(*w, [&] { return Dm.FileIcons().Count() == 3; }));  // .txt, .bin, .dat
  ASSERT_TRUE(Settle(*w));
  EXPECT_EQ(w->Treemap().Snapshot(), shown);
}

TEST_F(TreemapWindowTest, ExtensionsReportIsTheLegendOfTheColours) {
  auto w = ScannedWindow();
  w->FocusFolder(Node(*w, "A"));
  w->SelectReportKind(TReportKind::ExtensionsInThisFolder);
  auto* list = Named<QTreeView>(*w, "grdExtensions");
  ASSERT_EQ(list->model()->rowCount(), 2);
  for (int row = 0; row < 2; ++row) {
    const std::string ext = static_cast<TExtensionsListModel*>(list->model())->RowObject(row)->Name;
    const QVariant swatch = list->model()->index(row, ecName).data(SwatchRole);
    EXPECT_EQ(swatch.value<QColor>().rgb(), ExtensionColor(ext) | 0xff000000u) << ext;
  }
  // Owners have no colour of their own.
  w->SelectReportKind(TReportKind::Owners);
  EXPECT_FALSE(list->model()->index(0, ecName).data(SwatchRole).isValid());
}

}  // namespace
}  // namespace kv
