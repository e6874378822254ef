// Comparing in the real main window with a real history folder: the History
// dialog's list and commands, "Compare with the last scan" after two scans,
// what is gone after a removal, and the treemap by change.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/ScanHistory.h"
#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "fakes/WindowRun.h"
#include "model/FileServices.h"
#include "reports/ChangesReport.h"
#include "reports/ReportColumns.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "treemap/TreemapChange.h"
#include "ui/DMMain.h"
#include "ui/FolderTreeModel.h"
#include "ui/HistoryDialog.h"
#include "ui/Main.h"
#include "ui/TreemapPanel.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::Named;
using test::Utf8;

class CompareWindowTest : public ::testing::Test {
 protected:
  CompareWindowTest()
      : Root(test::MakeTempFolder("kestrove-compare")), History(test::MakeTempFolder("kestrove-history")) {
    // Root/A: apple.txt 3000, cherry.txt 2000; Root/B: one.bin 400
    fs::create_directories(Root / "A");
    fs::create_directories(Root / "B");
    test::WriteFile(Root / "A" / "apple.txt", 3000);
    test::WriteFile(Root / "A" / "cherry.txt", 2000);
    test::WriteFile(Root / "B" / "one.bin", 400);
  }
  ~CompareWindowTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
    fs::remove_all(History, ec);
  }

  std::unique_ptr<TfrmMain> MakeWindow() {
    auto w = std::make_unique<TfrmMain>(Dm, TMainSetup{CreateNativePlatform(), &Store, &Dialog, LanguageFolder(),
                                                       NativePathStyle(), &Shell, Utf8(History)});
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  }

  // Scanned (the first time) or refreshed, and its history entry written.
  bool Scan(TfrmMain& w, size_t entriesAfter) {
    if (entriesAfter == 1) {
      if (!w.StartScan(Utf8(Root))) return false;
    } else {
      w.FocusFolder(Node(w, ""));
      w.SetCommandSource(Named<QTreeView>(w, "trvFolder"));
      Named<QAction>(w, "mniRefresh")->trigger();
    }
    TScanHistory history(Utf8(History));
    return test::RunWindowUntil(w, [&] {
      return w.Engine().ScanRoots().empty() && history.List().size() == entriesAfter;
    });
  }

  // A first scan; then apple.txt grew by 2000, one.bin is gone, C/new.txt is
  // new; a second scan; then compared with the last scan, Root focused.
  std::unique_ptr<TfrmMain> ComparedWindow() {
    auto w = MakeWindow();
    EXPECT_TRUE(Scan(*w, 1));
    test::WriteFile(Root / "A" / "apple.txt", 5000);
    fs::remove(Root / "B" / "one.bin");
    fs::create_directories(Root / "C");
    test::WriteFile(Root / "C" / "new.txt", 700);
    EXPECT_TRUE(Scan(*w, 2));
    w->FocusFolder(Node(*w, ""));
    Named<QAction>(*w, "mniCompareLast")->trigger();
    return w;
  }

  TFolderNode* Node(TfrmMain& w, const std::string& sub) {
    const std::string path = Utf8(sub.empty() ? Root : (Root / sub).make_preferred());
    TFolderNode* node = w.Tree().FindFolderNode(path);
    return !node->IsHiddenRoot() && node->Data()->GetFullPath() == path ? node : nullptr;
  }

  QString ChangeText(TfrmMain& w, const std::string& sub) {
    TFolderTreeModel& model = w.FolderModel();
    const QModelIndex index = model.IndexOf(Node(w, sub));
    return model.data(index.siblingAtColumn(TFolderTreeModel::ChangeColumn), Qt::DisplayRole).toString();
  }

  // Runs `step` on the History dialog once exec() shows it.
  void WithHistoryDialog(TfrmMain& w, const std::function<void(TfrmHistory&)>& step) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = w.findChild<TfrmHistory*>("frmHistory");
      ASSERT_NE(dialog, nullptr);
      ran = true;
      step(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
    Named<QAction>(w, "mniHistory")->trigger();
    EXPECT_TRUE(ran);
  }

  static QStringList Column(const QTreeWidget& list, int column) {
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i) texts << list.topLevelItem(i)->text(column);
    return texts;
  }

  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
  fs::path Root;
  fs::path History;
};

TEST_F(CompareWindowTest, HistoryDialogListsOpensComparesAndDeletes) {
  auto w = MakeWindow();
  ASSERT_TRUE(Scan(*w, 1));
  TScanHistory history(Utf8(History));
  const THistoryEntry scanned = history.List().front();
  // An older entry of a folder this window never scanned.
  const std::string otherRoot = Utf8(Root.parent_path() / (Root.filename().string() + "-elsewhere"));
  {
    const TPlatform platform = CreateNativePlatform();
    TSizeTree other(w->Tree().Services(), *platform.Locale);
    other.BeginUpdate();
    TFolderNode* folder = other.GetFolderNode(otherRoot + "/", TItemInfo{}, nullptr, "", NativePathStyle());
    ASSERT_TRUE(other.AddFileNode(otherRoot + "/far.bin", folder, 777, TItemInfo{}, "", NativePathStyle()));
    other.AddSizesToFolder(folder, 777, 777, 1);
    other.EndUpdate();
    ASSERT_TRUE(history.Add(other, otherRoot, 777, "20200102T030405", 5));
  }
  const std::vector<THistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 2u);

  const TSizeFormat& format = w->SizeFormat();
  WithHistoryDialog(*w, [&](TfrmHistory& dialog) {
    auto* list = Named<QTreeWidget>(dialog, "lvwHistory");
    // Roots as scans name them, with the separator after the last name.
    EXPECT_EQ(Column(*list, 0), (QStringList{(Utf8(Root) + "/").c_str(), otherRoot.c_str()}));
    EXPECT_EQ(Column(*list, 2), (QStringList{FormatSize(5400, format).c_str(), FormatSize(777, format).c_str()}));
    EXPECT_EQ(Column(*list, 3), (QStringList{FormatSize(entries[0].OnDisk, format).c_str(),
                                             FormatSize(entries[1].OnDisk, format).c_str()}));
    // Shown in local time, not as the name keeps it.
    const double local = w->Tree().Services().FileTimeToLocalDateTime(HistoryFileTime("20200102T030405"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QString::fromStdString(DateTimeText(local, *format.Locale)));
    EXPECT_EQ(dialog.Current()->Path, scanned.Path);  // the newest is chosen
    list->setCurrentItem(list->topLevelItem(1));
    Named<QPushButton>(dialog, "btnOpen")->click();
    EXPECT_FALSE(dialog.isVisible());
  });
  // Opened into the window beside the scanned folder.
  TFolderNode* opened = w->Tree().FindFolderNode(otherRoot);
  ASSERT_FALSE(opened->IsHiddenRoot());
  EXPECT_EQ(opened->Data()->TotalSize, 777);
  EXPECT_FALSE(w->Compare().Active());

  WithHistoryDialog(*w, [&](TfrmHistory& dialog) { Named<QPushButton>(dialog, "btnCompare")->click(); });
  EXPECT_EQ(w->Compare().Baseline().SourceFile, scanned.Path);
  EXPECT_FALSE(Named<QTreeView>(*w, "trvFolder")->isColumnHidden(TFolderTreeModel::ChangeColumn));

  // No deletes it nothing; Yes deletes the chosen one and the list follows.
  Dialog.Answers = {false, true};
  WithHistoryDialog(*w, [&](TfrmHistory& dialog) {
    auto* list = Named<QTreeWidget>(dialog, "lvwHistory");
    list->setCurrentItem(list->topLevelItem(1));
    Named<QPushButton>(dialog, "btnDelete")->click();
    EXPECT_EQ(list->topLevelItemCount(), 2);
    Named<QPushButton>(dialog, "btnDelete")->click();
    EXPECT_EQ(Column(*list, 0), QStringList{(Utf8(Root) + "/").c_str()});
    EXPECT_TRUE(Named<QPushButton>(dialog, "btnDelete")->isEnabled());
  });
  ASSERT_EQ(Dialog.Questions.size(), 2u);
  EXPECT_NE(Dialog.Questions[1].find(otherRoot), std::string::npos);
  EXPECT_FALSE(fs::exists(test::NativePath(entries[1].Path)));
  EXPECT_TRUE(fs::exists(test::NativePath(scanned.Path)));
  EXPECT_TRUE(Dialog.Errors.empty());
}

TEST_F(CompareWindowTest, CompareWithTheLastScanShowsEachFoldersChange) {
  auto w = ComparedWindow();
  ASSERT_TRUE(w->Compare().Active());
  TScanHistory history(Utf8(History));
  // The scan before (its total), not the one the tree was just written to.
  const std::vector<THistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 2u);
  const THistoryEntry& first = entries[0].Total == 5400 ? entries[0] : entries[1];
  EXPECT_EQ(first.Total, 5400);
  EXPECT_EQ(w->Compare().Baseline().SourceFile, first.Path);
  const TSizeFormat& format = w->SizeFormat();
  EXPECT_EQ(ChangeText(*w, "A"), QString::fromStdString(SignedSizeText(2000, format)));
  EXPECT_EQ(ChangeText(*w, "B"), QString::fromStdString(SignedSizeText(-400, format)));
  EXPECT_EQ(ChangeText(*w, "C"), w->Tr(IdChangeNew));
  EXPECT_EQ(ChangeText(*w, ""), QString::fromStdString(SignedSizeText(2000 - 400 + 700, format)));

  // A removal from the list makes the file gone in the comparison as well.
  auto isGone = [&](const char* name) {
    for (const TGoneItem& item : w->Compare().Baseline().Gone())
      if (item.Name == name) return true;
    return false;
  };
  EXPECT_TRUE(isGone("one.bin"));
  EXPECT_FALSE(isGone("cherry.txt"));
  w->FocusFolder(Node(*w, "A"));
  w->SetCommandSource(Named<QTreeView>(*w, "trvFolder"));
  Named<QAction>(*w, "mniRemoveFromList")->trigger();
  ASSERT_EQ(Node(*w, "A"), nullptr);
  EXPECT_TRUE(isGone("cherry.txt"));
  EXPECT_TRUE(isGone("apple.txt"));
  EXPECT_EQ(ChangeText(*w, ""), QString::fromStdString(SignedSizeText(-5000 - 400 + 700, format)));
}

TEST_F(CompareWindowTest, TreemapByChangeColoursFilesByTheirChangeWhileThereIsABaseline) {
  auto w = MakeWindow();
  auto* byChange = Named<QAction>(*w, "mniTreemapByChange");
  EXPECT_FALSE(byChange->isEnabled());  // nothing to compare with yet
  w.reset();
  w = ComparedWindow();
  ASSERT_TRUE(w->Compare().Active());
  byChange = Named<QAction>(*w, "mniTreemapByChange");
  EXPECT_TRUE(byChange->isEnabled());
  EXPECT_FALSE(byChange->isChecked());
  auto settle = [&] { return test::RunWindowUntil(*w, [&] { return w->Treemap().Settled(); }); };
  auto colorOf = [&](const char* name) -> uint32_t {
    const TTreemapSnapshot* snapshot = w->Treemap().Snapshot();
    if (!snapshot) return 0;
    for (const TTreemapNode& node : snapshot->Nodes)
      if (node.Kind == TTreemapNode::File && node.FileData->Name.View() == name) return node.Color;
    return 0;
  };
  ASSERT_TRUE(settle());
  EXPECT_EQ(colorOf("apple.txt"), ExtensionColor(".txt"));
  const QImage byExtension = w->Treemap().grab().toImage();

  byChange->trigger();
  EXPECT_EQ(ReadRegInteger(Store, "TreemapByChange", -1), 1);  // stored at once
  ASSERT_TRUE(settle());
  const struct {
    const char* Name;
    uint32_t Color;
  } files[] = {{"apple.txt", TreemapChangeColor(true, 3000, 5000)},
               {"cherry.txt", TreemapUnchangedColor},
               {"new.txt", TreemapChangeColor(false, 0, 700)}};
  for (const auto& f : files) EXPECT_EQ(colorOf(f.Name), f.Color) << f.Name;
  EXPECT_NE(w->Treemap().grab().toImage(), byExtension);

  // Without a baseline the picture is coloured by extension again, the choice kept.
  Named<QAction>(*w, "mniClearBaseline")->trigger();
  EXPECT_FALSE(byChange->isEnabled());
  EXPECT_TRUE(byChange->isChecked());
  ASSERT_TRUE(settle());
  EXPECT_EQ(colorOf("apple.txt"), ExtensionColor(".txt"));
  EXPECT_EQ(w->Treemap().grab().toImage(), byExtension);
}

}  // namespace
}  // namespace kv
