#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "app/ReportPane.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

// C:\Data
//   a.txt 300, b.bin 100, c.txt 0
//   Empty (no files)
//   Sub1: x.dat 1000, y.DAT 300
//   Sub2 (no files of its own)
//     Big: huge.iso 5000
class ReportPaneTest : public ::testing::Test {
 protected:
  ReportPaneTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Tree.BeginUpdate();
    Data = Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "");
    Tree.GetFolderNode("C:\\Data\\Empty", TItemInfo{}, nullptr, "");
    Sub1 = Tree.GetFolderNode("C:\\Data\\Sub1", TItemInfo{}, nullptr, "");
    TFolderNode* big = Tree.GetFolderNode("C:\\Data\\Sub2\\Big", TItemInfo{}, nullptr, "");
    AddFile(Data, "a.txt", 300);
    AddFile(Data, "b.bin", 100);
    AddFile(Data, "c.txt", 0);
    AddFile(Sub1, "x.dat", 1000);
    AddFile(Sub1, "y.DAT", 300);
    AddFile(big, "huge.iso", 5000);
    Tree.EndUpdate();
  }

  void AddFile(TFolderNode* folder, const std::string& name, int64_t size) {
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, TItemInfo{}, "o\\o"));
    const TFileNodeData* file = folder->Data()->Files.Find(name);
    Tree.AddSizesToFolder(folder, size, file->AllocatedSize(), 1);
  }

  void Build(const TFolderNode* folder) { Pane.Build(folder, TReportSettings{}, {}); }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const TBaseNodeData* row : Pane.FilesRows()) names.push_back(row->Name.Str());
    return names;
  }
  std::vector<std::string> Extensions() const {
    std::vector<std::string> names;
    for (const auto& row : Pane.ExtensionsRows()) names.push_back(row->Name);
    return names;
  }

  using V = std::vector<std::string>;
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TReportPane Pane{TSizeFormat{TSizeType::FileSize, TSizeUnit::MB, Fake.Locale.get()}};
  TFolderNode *Data, *Sub1;
};

TEST_F(ReportPaneTest, StartsWithFilesAndFoldersSortedBySizeLargestFirst) {
  EXPECT_EQ(Pane.Kind(), TReportKind::FilesInThisFolder);
  EXPECT_TRUE(Pane.ListingShown());
  EXPECT_TRUE(Pane.FilesRows().empty());
  Build(Data);
  // Equal sizes (c.txt and Empty, both 0) keep the order they were collected in.
  EXPECT_EQ(Files(), (V{"Sub2", "Sub1", "a.txt", "b.bin", "c.txt", "Empty"}));
  EXPECT_EQ(Pane.FilesSort().Column, fcSize);
  EXPECT_TRUE(Pane.FilesSort().Descending);
  EXPECT_EQ(&Pane.CurrentSort(), &Pane.FilesSort());
  // The rows are the tree's own objects, with their percentages filled in.
  EXPECT_EQ(Pane.FilesRows()[1], Sub1->Data());
  EXPECT_DOUBLE_EQ(Pane.FilesRows().PercentOf(*Pane.FilesRows()[0]), 100.0 * 5000 / 6700);
}

TEST_F(ReportPaneTest, HeaderClicksFlipTheDirectionAndResortTheShownRowsStably) {
  Build(Data);
  Pane.HeaderClick(fcSize);
  EXPECT_EQ(Files(), (V{"c.txt", "Empty", "b.bin", "a.txt", "Sub1", "Sub2"}));
  EXPECT_FALSE(Pane.FilesSort().Descending);

  // Another column flips the direction too: names, descending.
  Pane.HeaderClick(fcName);
  EXPECT_EQ(Pane.FilesSort().Column, fcName);
  EXPECT_TRUE(Pane.FilesSort().Descending);
  EXPECT_EQ(Files(), (V{"Sub2", "Sub1", "Empty", "c.txt", "b.bin", "a.txt"}));

  // Back to sizes, ascending: the two empty items keep the name order just
  // shown rather than the order they were collected in.
  Pane.HeaderClick(fcSize);
  EXPECT_EQ(Files(), (V{"Empty", "c.txt", "b.bin", "a.txt", "Sub1", "Sub2"}));
  // The extensions list's sort is left alone.
  EXPECT_EQ(Pane.ExtensionsSort().Column, fcSize);
  EXPECT_TRUE(Pane.ExtensionsSort().Descending);
}

TEST_F(ReportPaneTest, SortStatesSurviveRebuildsAndKindChanges) {
  Build(Data);
  Pane.HeaderClick(fcName);  // ascending by name
  Build(Sub1);
  EXPECT_EQ(Files(), (V{"x.dat", "y.DAT"}));
  Build(Data);
  EXPECT_EQ(Files(), (V{"a.txt", "b.bin", "c.txt", "Empty", "Sub1", "Sub2"}));

  Pane.SetKind(TReportKind::Top100Extensions);
  EXPECT_FALSE(Pane.ListingShown());
  EXPECT_EQ(&Pane.CurrentSort(), &Pane.ExtensionsSort());
  Build(Data);
  EXPECT_EQ(Extensions(), (V{".iso", ".dat", ".txt", ".bin"}));
  Pane.HeaderClick(ecCount);  // ascending by count, ties in the order shown before
  EXPECT_EQ(Extensions(), (V{".iso", ".bin", ".dat", ".txt"}));
  EXPECT_EQ(Pane.ExtensionsSort().Column, ecCount);
  EXPECT_EQ(Pane.FilesSort().Column, fcName);
  EXPECT_FALSE(Pane.FilesSort().Descending);

  Pane.SetKind(TReportKind::Top100Files);
  Build(Data);
  EXPECT_EQ(Files(), (V{"a.txt", "b.bin", "c.txt", "huge.iso", "x.dat", "y.DAT"}));

  Pane.SetKind(TReportKind::ExtensionsInThisFolder);
  Build(Data);
  EXPECT_EQ(Extensions(), (V{".bin", ".txt"}));  // still by count, ascending
}

TEST_F(ReportPaneTest, OnlyTheListOfTheCurrentKindIsRebuilt) {
  Build(Data);
  const TListingRows files = Pane.FilesRows();
  ASSERT_EQ(files.size(), 6u);

  Pane.SetKind(TReportKind::ExtensionsInThisFolder);
  EXPECT_EQ(Pane.FilesRows(), files);  // setting the kind builds nothing
  EXPECT_TRUE(Pane.ExtensionsRows().empty());
  Build(Data);
  EXPECT_EQ(Extensions(), (V{".txt", ".bin"}));
  EXPECT_EQ(Pane.ExtensionsRows()[0]->Count, 2);
  EXPECT_EQ(Pane.FilesRows(), files);

  Pane.SetKind(TReportKind::FilesInThisFolder);
  Build(Sub1);
  EXPECT_EQ(Files(), (V{"x.dat", "y.DAT"}));
  EXPECT_EQ(Extensions(), (V{".txt", ".bin"}));
}

TEST_F(ReportPaneTest, NoFolderOrTheHiddenRootEmptiesOnlyTheCurrentList) {
  Build(Data);
  Pane.SetKind(TReportKind::ExtensionsInThisFolder);
  Build(Data);
  ASSERT_EQ(Pane.ExtensionsRows().size(), 2u);

  Build(nullptr);
  EXPECT_TRUE(Pane.ExtensionsRows().empty());
  EXPECT_EQ(Pane.FilesRows().size(), 6u);

  Pane.SetKind(TReportKind::FilesInThisFolder);
  Build(Tree.Root());
  EXPECT_TRUE(Pane.FilesRows().empty());
}

TEST_F(ReportPaneTest, ClearEmptiesBothListsAndKeepsKindAndSorts) {
  Build(Data);
  Pane.HeaderClick(fcName);
  Pane.SetKind(TReportKind::Owners);
  Build(Data);
  ASSERT_FALSE(Pane.ExtensionsRows().empty());
  ASSERT_FALSE(Pane.FilesRows().empty());

  Pane.Clear();
  EXPECT_TRUE(Pane.FilesRows().empty());
  EXPECT_TRUE(Pane.ExtensionsRows().empty());
  EXPECT_EQ(Pane.Kind(), TReportKind::Owners);
  EXPECT_EQ(Pane.FilesSort().Column, fcName);
  EXPECT_FALSE(Pane.FilesSort().Descending);
}

}  // namespace
}  // namespace kv
