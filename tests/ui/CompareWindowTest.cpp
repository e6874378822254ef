// Comparing in the real main window with a real history folder: the History
// dialog's commands, "Compare with the last scan" after a scan and a refresh,
// what is gone after a removal, and the treemap by change.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ScanHistory.h"
#include "export/ZstdFile.h"
#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "fakes/WindowRun.h"
#include "reports/ChangesReport.h"
#include "reports/ReportColumns.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "treemap/TreemapChange.h"
#include "ui/DMMain.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeSort.h"
#include "ui/HistoryDialog.h"
#include "ui/Main.h"
#include "ui/TreemapPanel.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Folders are named with the platform's separator at the end.
const std::string Sep(1, static_cast<char>(fs::path::preferred_separator));

using test::Named;
using test::Utf8;

class CompareWindowTest : public ::testing::Test {
 protected:
  CompareWindowTest() {
    fs::create_directories(Root / "A");
    fs::create_directories(Root / "B");
    test::WriteFile(Root / "A" / "apple.txt", 3000);
    test::WriteFile(Root / "A" / "cherry.txt", 2000);
    test::WriteFile(Root / "B" / "one.bin", 400);
    W = std::make_unique<TfrmMain>(Dm, TMainSetup{CreateNativePlatform(), &Store, &Dialog, LanguageFolder(),
                                                  NativePathStyle(), &Shell, Utf8(History)});
    W->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(W.get()));
  }
  ~CompareWindowTest() override {
    W.reset();
    std::error_code ec;
    fs::remove_all(Root, ec);
    fs::remove_all(History, ec);
  }

  // Scanned the first time, refreshed after; until its history entry is written.
  bool Scan(size_t entriesAfter) {
    if (entriesAfter == 1) {
      if (!W->StartScan(Utf8(Root))) return false;
    } else {
      W->FocusFolder(Node(""));
      W->SetCommandSource(Named<QTreeView>(*W, "trvFolder"));
      Named<QAction>(*W, "mniRefresh")->trigger();
    }
    return test::RunWindowUntil(*W, [&] {
      return W->Engine().ScanRoots().empty() && TScanHistory(Utf8(History)).List().size() == entriesAfter;
    });
  }

  TFolderNode* Node(const std::string& sub) {
    const std::string path = Utf8(sub.empty() ? Root : (Root / sub).make_preferred());
    TFolderNode* node = W->Tree().FindFolderNode(path);
    return !node->IsHiddenRoot() && node->Data()->GetFullPath() == path ? node : nullptr;
  }

  QString ChangeText(const std::string& sub) {
    const QModelIndex index = W->FolderModel().IndexOf(Node(sub)).siblingAtColumn(TFolderTreeModel::ChangeColumn);
    return W->FolderModel().data(index, Qt::DisplayRole).toString();
  }

  // Runs `step` on the History dialog once exec() shows it.
  void WithHistoryDialog(const std::function<void(TfrmHistory&, QTreeWidget&)>& step) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = W->findChild<TfrmHistory*>("frmHistory");
      ASSERT_NE(dialog, nullptr);
      ran = true;
      step(*dialog, *Named<QTreeWidget>(*dialog, "lvwHistory"));
      if (dialog->isVisible()) dialog->reject();
    });
    Named<QAction>(*W, "mniHistory")->trigger();
    EXPECT_TRUE(ran);
  }

  uint32_t TreemapColor(const char* name) {
    test::RunWindowUntil(*W, [&] { return W->Treemap().Settled(); });
    if (const TTreemapSnapshot* snapshot = W->Treemap().Snapshot())
      for (const TTreemapNode& node : snapshot->Nodes)
        if (node.Kind == TTreemapNode::File && node.FileData->Name.View() == name) return node.Color;
    return 0;
  }

  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
  fs::path Root = test::MakeTempFolder("kestrove-compare");
  fs::path History = test::MakeTempFolder("kestrove-history");
  std::unique_ptr<TfrmMain> W;
};

TEST_F(CompareWindowTest, HistoryDialogListsOpensComparesAndDeletes) {
  if (!ZstdAvailable()) GTEST_SKIP() << "built without zstd: no history";
  ASSERT_TRUE(Scan(1));
  TScanHistory history(Utf8(History));
  const THistoryEntry scanned = history.List().front();
  // An older entry of a folder this window never scanned.
  const std::string otherRoot = Utf8(Root.parent_path() / (Root.filename().string() + "-elsewhere"));
  {
    const TPlatform platform = CreateNativePlatform();
    TSizeTree other(W->Tree().Services(), *platform.Locale);
    other.BeginUpdate();
    TFolderNode* folder = other.GetFolderNode(otherRoot + Sep, TItemInfo{}, nullptr, "", NativePathStyle());
    ASSERT_TRUE(other.AddFileNode(otherRoot + Sep + "far.bin", folder, 777, TItemInfo{}, "", NativePathStyle()));
    other.AddSizesToFolder(folder, 777, 777, 1);
    other.EndUpdate();
    ASSERT_TRUE(history.Add(other, otherRoot, 777, "20200102T030405", 5));
  }
  const std::vector<THistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 2u);

  const TSizeFormat& format = W->SizeFormat();
  WithHistoryDialog([&](TfrmHistory& dialog, QTreeWidget& list) {
    // Newest first; roots as scans name them; times in local time.
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0), QString::fromStdString(Utf8(Root) + Sep));
    EXPECT_EQ(list.topLevelItem(1)->text(0), QString::fromStdString(otherRoot));
    EXPECT_EQ(list.topLevelItem(0)->text(2), QString::fromStdString(FormatSize(5400, format)));
    // Small entries in KB whatever the window's unit.
    ASSERT_LT(entries[1].OnDisk, 1 << 20);
    EXPECT_EQ(list.topLevelItem(1)->text(3),
              QString::fromStdString(FormatSize(entries[1].OnDisk, {format.Type, TSizeUnit::KB, format.Locale})));
    const double local = W->Tree().Services().FileTimeToLocalDateTime(HistoryFileTime("20200102T030405"));
    EXPECT_EQ(list.topLevelItem(1)->text(1), QString::fromStdString(DateTimeText(local, *format.Locale)));
    EXPECT_EQ(dialog.Current()->Path, scanned.Path);
    list.setCurrentItem(list.topLevelItem(1));
    Named<QPushButton>(dialog, "btnOpen")->click();
    EXPECT_FALSE(dialog.isVisible());
  });
  // Opened into the window beside the scanned folder, as Import does.
  TFolderNode* opened = W->Tree().FindFolderNode(otherRoot);
  ASSERT_FALSE(opened->IsHiddenRoot());
  EXPECT_EQ(opened->Data()->TotalSize, 777);
  EXPECT_FALSE(W->Compare().Active());

  WithHistoryDialog([&](TfrmHistory& dialog, QTreeWidget&) { Named<QPushButton>(dialog, "btnCompare")->click(); });
  EXPECT_EQ(W->Compare().Baseline().SourceFile, scanned.Path);
  EXPECT_FALSE(Named<QTreeView>(*W, "trvFolder")->isColumnHidden(TFolderTreeModel::ChangeColumn));

  // No keeps the entry; Yes deletes it and the list follows.
  Dialog.Answers = {false, true};
  WithHistoryDialog([&](TfrmHistory& dialog, QTreeWidget& list) {
    list.setCurrentItem(list.topLevelItem(1));
    Named<QPushButton>(dialog, "btnDelete")->click();
    EXPECT_EQ(list.topLevelItemCount(), 2);
    Named<QPushButton>(dialog, "btnDelete")->click();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(dialog.Current()->Path, scanned.Path);
  });
  ASSERT_EQ(Dialog.Questions.size(), 2u);
  EXPECT_NE(Dialog.Questions[1].find(otherRoot), std::string::npos);
  EXPECT_FALSE(fs::exists(test::NativePath(entries[1].Path)));
  EXPECT_TRUE(Dialog.Errors.empty());
}

TEST_F(CompareWindowTest, LastScanShowsChangesInTheColumnTheTreemapAndAfterARemoval) {
  if (!ZstdAvailable()) GTEST_SKIP() << "built without zstd: no history";
  ASSERT_TRUE(Scan(1));
  auto* byChange = Named<QAction>(*W, "mniTreemapByChange");
  EXPECT_FALSE(byChange->isEnabled());  // nothing to compare with yet
  test::WriteFile(Root / "A" / "apple.txt", 5000);
  fs::remove(Root / "B" / "one.bin");
  fs::create_directories(Root / "C");
  test::WriteFile(Root / "C" / "new.txt", 700);
  ASSERT_TRUE(Scan(2));
  W->FocusFolder(Node(""));
  Named<QAction>(*W, "mniCompareLast")->trigger();

  // The first scan, not the entry just written of the tree shown; named by its folder.
  ASSERT_TRUE(W->Compare().Active());
  const QString said = Named<QStatusBar>(*W, "barStatus")->currentMessage();
  EXPECT_TRUE(said.contains(QString::fromStdString(Utf8(Root) + Sep + "  "))) << said.toStdString();
  for (const THistoryEntry& entry : TScanHistory(Utf8(History)).List())
    EXPECT_EQ(entry.Path == W->Compare().Baseline().SourceFile, entry.Total == 5400) << entry.Path;
  const TSizeFormat& format = W->SizeFormat();
  EXPECT_EQ(ChangeText("A"), QString::fromStdString(SignedSizeText(2000, format)));
  EXPECT_EQ(ChangeText("B"), QString::fromStdString(SignedSizeText(-400, format)));
  EXPECT_EQ(ChangeText("C"), W->Tr(IdChangeNew));
  EXPECT_EQ(ChangeText(""), QString::fromStdString(SignedSizeText(2000 - 400 + 700, format)));

  // Clicks on the column's header: most growth first, most shrinkage first,
  // then the name order. The focus stays on its folder; each shown row
  // focuses the folder it shows.
  auto* tree = Named<QTreeView>(*W, "trvFolder");
  auto* sorted = dynamic_cast<TFolderTreeSort*>(tree->model());
  ASSERT_NE(sorted, nullptr);
  W->FocusFolder(Node("B"));
  const std::vector<std::vector<std::string>> orders = {{"A", "C", "B"}, {"B", "C", "A"}, {"A", "B", "C"}};
  for (const std::vector<std::string>& order : orders) {
    QHeaderView* header = tree->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(TFolderTreeModel::ChangeColumn) + 5, header->height() / 2));
    EXPECT_EQ(W->FocusedNode(), Node("B"));
    const QModelIndex top = sorted->IndexOf(Node(""));
    ASSERT_EQ(sorted->rowCount(top), 3);
    for (int row = 0; row < 3; ++row) {
      EXPECT_EQ(sorted->NodeOf(sorted->index(row, 0, top)), Node(order[row])) << order[0] << row;
      W->FocusFolder(Node(order[row]));
      EXPECT_EQ(tree->currentIndex().row(), row) << order[row];
      EXPECT_EQ(W->FocusedNode(), Node(order[row]));
    }
    W->FocusFolder(Node("B"));
  }
  W->FocusFolder(Node(""));

  // The treemap by change: stored at once, each file in its change's colour.
  EXPECT_EQ(TreemapColor("apple.txt"), ExtensionColor(".txt"));
  const QImage byExtension = W->Treemap().grab().toImage();
  ASSERT_TRUE(byChange->isEnabled());
  byChange->trigger();
  EXPECT_EQ(ReadRegInteger(Store, "TreemapByChange", -1), 1);
  EXPECT_EQ(TreemapColor("apple.txt"), TreemapChangeColor(true, 3000, 5000));
  EXPECT_EQ(TreemapColor("cherry.txt"), TreemapUnchangedColor);
  EXPECT_EQ(TreemapColor("new.txt"), TreemapChangeColor(false, 0, 700));
  EXPECT_NE(W->Treemap().grab().toImage(), byExtension);

  // A removal from the list: what it held is gone in the comparison too.
  auto isGone = [&](const char* name) {
    for (const TGoneItem& item : W->Compare().Baseline().Gone())
      if (item.Name == name) return true;
    return false;
  };
  EXPECT_TRUE(isGone("one.bin"));
  EXPECT_FALSE(isGone("cherry.txt"));
  W->FocusFolder(Node("A"));
  W->SetCommandSource(Named<QTreeView>(*W, "trvFolder"));
  Named<QAction>(*W, "mniRemoveFromList")->trigger();
  ASSERT_EQ(Node("A"), nullptr);
  EXPECT_TRUE(isGone("cherry.txt"));
  EXPECT_EQ(ChangeText(""), QString::fromStdString(SignedSizeText(-5000 - 400 + 700, format)));

  // Without a baseline: colours by extension again, the choice kept.
  Named<QAction>(*W, "mniClearBaseline")->trigger();
  EXPECT_FALSE(byChange->isEnabled());
  EXPECT_TRUE(byChange->isChecked());
  EXPECT_EQ(TreemapColor("new.txt"), ExtensionColor(".txt"));
}

}  // namespace
}  // namespace kv
