#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "reports/ListingReport.h"
#include "reports/ReportKinds.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

// ---- the kinds table ----

TEST(ReportKindTable, EveryKindHasOneRowWithUniqueNamesAndTwins) {
  ASSERT_EQ(AllReportKinds().size(), ReportKindCount);
  std::set<std::string_view> names;
  for (size_t i = 0; i < ReportKindCount; ++i) {
    const auto kind = static_cast<TReportKind>(i);
    const TReportKindInfo &info = ReportKindInfo(kind);
    EXPECT_EQ(info.Kind, kind);
    EXPECT_TRUE(names.insert(info.PopupName).second) << info.PopupName;
    EXPECT_EQ(info.MenuName, std::string(info.PopupName) + "2");
    EXPECT_EQ(FindReportKind(info.PopupName), kind);
    // A listing kind ranks or lists; an aggregate kind has a key; never both.
    EXPECT_EQ(info.Class == TReportClass::Listing, info.Items != TListingItems::None);
    EXPECT_EQ(info.Class == TReportClass::Aggregate, info.Key != TAggregateKey::None);
  }
}

TEST(ReportKindTable, ClassesChartsScopesAndLimits) {
  int listing = 0, hiddenCharts = 0, limited = 0;
  for (const TReportKindInfo &info : AllReportKinds()) {
    listing += info.Class == TReportClass::Listing;
    hiddenCharts += !info.ChartShown;
    limited += info.ListCountLimited;
  }
  EXPECT_EQ(listing, 7);
  EXPECT_EQ(hiddenCharts,
            7);           // the six search kinds and Extensions including subfolders
  EXPECT_EQ(limited, 7);  // the same seven

  const TReportKindInfo &here = ReportKindInfo(TReportKind::ExtensionsInThisFolder);
  const TReportKindInfo &below = ReportKindInfo(TReportKind::Top100Extensions);
  EXPECT_EQ(here.TextId, below.TextId);
  EXPECT_EQ(here.TextId, "2133");
  EXPECT_TRUE(here.ChartShown);
  EXPECT_FALSE(below.ChartShown);
  EXPECT_EQ(here.Scope, TReportScope::FilesInFolder);
  EXPECT_EQ(below.Scope, TReportScope::IncludingSubfolders);
  EXPECT_TRUE(ReportKindInfo(TReportKind::Top100Owners).ChartShown);
  EXPECT_FALSE(ReportKindInfo(TReportKind::Top100Owners).ListCountLimited);
  EXPECT_EQ(ReportKindInfo(TReportKind::FilesInThisFolder).Scope, TReportScope::FolderItself);
  EXPECT_EQ(ReportKindInfo(TReportKind::NewFolders).TextId, "2145");
  EXPECT_EQ(ReportKindInfo(TReportKind::NewFolders).Order, TListingOrder::Newest);
  EXPECT_EQ(ReportKindInfo(TReportKind::OldestFiles).Items, TListingItems::Files);
}

TEST(ReportKindTable, LookupByNameWithOrWithoutPrefixInAnyAsciiCase) {
  EXPECT_EQ(FindReportKind("mniTop100Files"), TReportKind::Top100Files);
  EXPECT_EQ(FindReportKind("Top100Files"), TReportKind::Top100Files);
  EXPECT_EQ(FindReportKind("top100files"), TReportKind::Top100Files);
  EXPECT_EQ(FindReportKind("MNINEWFOLDERS"), TReportKind::NewFolders);
  EXPECT_EQ(FindReportKind("owners"), TReportKind::Owners);
  EXPECT_EQ(FindReportKind("Top100Owners"), TReportKind::Top100Owners);
  for (std::string_view bad : {"", "mni", "Top100File", "Top100Files2", "mnimniOwners", " Owners", "Top100Files "})
    EXPECT_FALSE(FindReportKind(bad).has_value()) << bad;
}

// ---- listing reports ----

struct TTimes {
  double Created, Modified, Access;
};

// C:\Data
//   a.txt 300, b.bin 100, c.txt 0
//   Empty (no files)
//   Sub1: x.dat 1000, y.dat 300
//     Deep: z.dat 50
//   Sub2 (no files of its own)
//     Big: huge.iso 5000, w.log 300
class ListingReportTest : public ::testing::Test {
 protected:
  ListingReportTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Tree.BeginUpdate();
    Data = AddFolder("C:\\Data", 3);
    Empty = AddFolder("C:\\Data\\Empty", 7);
    Sub1 = AddFolder("C:\\Data\\Sub1", 1);
    Deep = AddFolder("C:\\Data\\Sub1\\Deep", 9);
    Sub2 = AddFolder("C:\\Data\\Sub2", 5);
    Big = AddFolder("C:\\Data\\Sub2\\Big", 5);
    AddFile(Data, "a.txt", 300, {10, 50, 5});
    AddFile(Data, "b.bin", 100, {20, 40, 6});
    AddFile(Data, "c.txt", 0, {30, 30, 7});
    AddFile(Sub1, "x.dat", 1000, {5, 80, 8});
    AddFile(Sub1, "y.dat", 300, {5, 10, 9});
    AddFile(Deep, "z.dat", 50, {40, 20, 1});
    AddFile(Big, "huge.iso", 5000, {50, 60, 2});
    AddFile(Big, "w.log", 300, {60, 70, 3});
    Tree.EndUpdate();
  }

  TFolderNode *AddFolder(const std::string &path, double created) {
    TFolderNode *node = Tree.GetFolderNode(path, TItemInfo{}, nullptr, "");
    TItemInfo info = node->Data()->Info();
    info.Created = created;
    node->Data()->SetInfo(info);
    return node;
  }

  void AddFile(TFolderNode *folder, const std::string &name, int64_t size, TTimes t) {
    TItemInfo info;
    info.Created = t.Created;
    info.Modified = t.Modified;
    info.LastAccess = t.Access;
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, info, "o\\o"));
    const TFileNodeData *file = folder->Data()->Files.Find(name);
    Tree.AddSizesToFolder(folder, size, file->AllocatedSize(), 1);
  }

  static std::vector<std::string> Names(const TListingRows &rows) {
    std::vector<std::string> names;
    for (const TBaseNodeData *row : rows) names.push_back(row->Name.Str());
    return names;
  }

  std::vector<std::string> Build(const TFolderNode *folder, TReportKind kind, int32_t count = 50, int32_t stamp = 1) {
    return Names(BuildListingReport(folder, kind, TReportSettings{count, stamp}, Type));
  }

  using V = std::vector<std::string>;
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TSizeType Type = TSizeType::FileSize;  // of the reports built
  TFolderNode *Data, *Empty, *Sub1, *Deep, *Sub2, *Big;
};

TEST_F(ListingReportTest, FilesAndFoldersListsOwnFilesThenChildrenWithPercents) {
  const TListingRows rows = BuildListingReport(Data, TReportKind::FilesInThisFolder, {}, Type);
  EXPECT_EQ(Names(rows), (V{"a.txt", "b.bin", "c.txt", "Empty", "Sub1", "Sub2"}));
  // The rows are the tree's own objects.
  EXPECT_EQ(rows[0], Data->Data()->Files[0]);
  EXPECT_EQ(rows[4], Sub1->Data());
  const double sum = 300 + 100 + 0 + 0 + 1350 + 5300;
  EXPECT_DOUBLE_EQ(rows.PercentOf(*rows[0]), 100.0 * 300 / sum);
  EXPECT_DOUBLE_EQ(rows.PercentOf(*rows[4]), 100.0 * 1350 / sum);
  EXPECT_DOUBLE_EQ(rows.PercentOf(*rows[5]), 100.0 * 5300 / sum);
  EXPECT_EQ(rows.PercentOf(*rows[2]), 0);
  double total = 0;
  for (const TBaseNodeData *row : rows) total += rows.PercentOf(*row);
  EXPECT_NEAR(total, 100, 1e-9);
}

TEST_F(ListingReportTest, PercentsUseFileSizesUnderAllocatedSpaceAndZeroSums) {
  Type = TSizeType::Allocated;
  const TListingRows rows = BuildListingReport(Sub1, TReportKind::FilesInThisFolder, {}, Type);
  ASSERT_EQ(Names(rows), (V{"x.dat", "y.dat", "Deep"}));
  EXPECT_DOUBLE_EQ(rows.PercentOf(*rows[0]), 100.0 * 1000 / 1350);
  EXPECT_DOUBLE_EQ(rows.PercentOf(*rows[2]), 100.0 * 50 / 1350);

  // All raw sizes 0: every row 0, also in rows that summed to more before.
  TListingRows zero = rows;
  zero.assign({Data->Data()->Files[2], Empty->Data()});
  ComputeListPercents(zero);
  EXPECT_EQ(zero.PercentOf(*zero[0]), 0);
  EXPECT_EQ(zero.PercentOf(*zero[1]), 0);
  TListingRows none;
  ComputeListPercents(none);  // no rows, no division
  EXPECT_EQ(none.PercentOf(*rows[0]), 0);
}

TEST_F(ListingReportTest, EmptyFolderNoFolderHiddenRootAndWrongClassGiveNoRows) {
  EXPECT_TRUE(Build(Empty, TReportKind::FilesInThisFolder).empty());
  EXPECT_TRUE(Build(Empty, TReportKind::Top100Files).empty());
  EXPECT_EQ(Build(Empty, TReportKind::Top100Folders), (V{"Empty"}));
  for (size_t i = 0; i < ReportKindCount; ++i) {
    EXPECT_TRUE(Build(nullptr, static_cast<TReportKind>(i)).empty());
    EXPECT_TRUE(Build(Tree.Root(), static_cast<TReportKind>(i)).empty());
  }
  EXPECT_TRUE(Build(Data, TReportKind::ExtensionsInThisFolder).empty());
}

TEST_F(ListingReportTest, GreatestFilesWalkTheSubtreeRankAndCutKeepingTreeOrderOnTies) {
  EXPECT_EQ(Build(Data, TReportKind::Top100Files),
            (V{"huge.iso", "x.dat", "a.txt", "y.dat", "w.log", "b.bin", "z.dat", "c.txt"}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Files, 4), (V{"huge.iso", "x.dat", "a.txt", "y.dat"}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Files, 1), (V{"huge.iso"}));
  EXPECT_TRUE(Build(Data, TReportKind::Top100Files, 0).empty());
  EXPECT_TRUE(Build(Data, TReportKind::Top100Files, -5).empty());
  EXPECT_EQ(Build(Sub1, TReportKind::Top100Files), (V{"x.dat", "y.dat", "z.dat"}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Files, 2147483647), Build(Data, TReportKind::Top100Files));
}

TEST_F(ListingReportTest, LargeLimitsRankLikeSmallOnesForEveryKind) {
  // Above a few thousand rows the selection works differently; ties must come
  // out the same.
  for (TReportKind kind : {TReportKind::Top100Files, TReportKind::Top100Folders, TReportKind::OldestFiles,
                           TReportKind::NewFiles, TReportKind::OldestFolders, TReportKind::NewFolders})
    for (int32_t stamp : {1, 2, 3}) {
      const V small = Build(Data, kind, 50, stamp);
      EXPECT_EQ(Build(Data, kind, 100000, stamp), small);
      EXPECT_EQ(Build(Data, kind, 2147483647, stamp), small);
    }
}

TEST_F(ListingReportTest, NegativeZeroAndMissingTimesRankSensibly) {
  Tree.BeginUpdate();
  TFolderNode *odd = AddFolder("C:\\Odd", 0);
  AddFile(odd, "nan", 1, {std::nan(""), 0, 0});
  AddFile(odd, "plus0", 1, {0.0, 0, 0});
  AddFile(odd, "minus", 1, {-2.5, 0, 0});
  AddFile(odd, "minus0", 1, {-0.0, 0, 0});
  AddFile(odd, "late", 1, {1e6, 0, 0});
  Tree.EndUpdate();
  // -0 and +0 are equal and keep tree order; a missing time is last both ways.
  const V oldest{"minus", "plus0", "minus0", "late", "nan"};
  const V newest{"late", "plus0", "minus0", "minus", "nan"};
  EXPECT_EQ(Build(odd, TReportKind::OldestFiles), oldest);
  EXPECT_EQ(Build(odd, TReportKind::NewFiles), newest);
  EXPECT_EQ(Build(odd, TReportKind::OldestFiles, 100000), oldest);
  EXPECT_EQ(Build(odd, TReportKind::NewFiles, 100000), newest);
}

TEST_F(ListingReportTest, GreatestFilesFollowTheSizeType) {
  Type = TSizeType::Allocated;
  // Every non-empty file takes one 4096-byte cluster: a tie in tree order.
  EXPECT_EQ(Build(Data, TReportKind::Top100Files, 7),
            (V{"huge.iso", "a.txt", "b.bin", "x.dat", "y.dat", "z.dat", "w.log"}));
}

TEST_F(ListingReportTest, GreatestFoldersRankByOwnFilesIncludingTheSelectedFolder) {
  // Sub2 holds 5300 below it but nothing directly.
  EXPECT_EQ(Build(Data, TReportKind::Top100Folders), (V{"Big", "Sub1", "Data", "Deep", "Empty", "Sub2"}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Folders, 3), (V{"Big", "Sub1", "Data"}));
  EXPECT_EQ(Build(Sub1, TReportKind::Top100Folders), (V{"Sub1", "Deep"}));
  EXPECT_EQ(Build(Sub2, TReportKind::Top100Folders), (V{"Big", "Sub2"}));

  EXPECT_EQ(ListingItemSize(*Sub2->Data(), TReportKind::Top100Folders, Type), 0);
  EXPECT_EQ(ListingItemSize(*Sub2->Data(), TReportKind::FilesInThisFolder, Type), 5300);
  EXPECT_EQ(ListingItemSize(*Data->Data()->Files[0], TReportKind::Top100Folders, Type), 300);
  Type = TSizeType::Allocated;
  EXPECT_EQ(ListingItemSize(*Data->Data(), TReportKind::Top100Folders, Type), 2 * 4096);
  // Big takes 3 clusters; Data and Sub1 tie at 2 and keep tree order.
  EXPECT_EQ(Build(Data, TReportKind::Top100Folders, 3), (V{"Big", "Data", "Sub1"}));
}

TEST_F(ListingReportTest, OldestAndNewestFilesUseTheChosenTimeStamp) {
  EXPECT_EQ(Build(Data, TReportKind::OldestFiles, 3), (V{"x.dat", "y.dat", "a.txt"}));
  EXPECT_EQ(Build(Data, TReportKind::OldestFiles, 3, 7), (V{"x.dat", "y.dat", "a.txt"}));  // counts as creation
  EXPECT_EQ(Build(Data, TReportKind::NewFiles, 3), (V{"w.log", "huge.iso", "z.dat"}));
  EXPECT_EQ(Build(Data, TReportKind::OldestFiles, 3, 2), (V{"y.dat", "z.dat", "c.txt"}));
  EXPECT_EQ(Build(Data, TReportKind::NewFiles, 3, 2), (V{"x.dat", "w.log", "huge.iso"}));
  EXPECT_EQ(Build(Data, TReportKind::OldestFiles, 2, 3), (V{"z.dat", "huge.iso"}));
  EXPECT_EQ(Build(Data, TReportKind::NewFiles, 2, 3), (V{"y.dat", "x.dat"}));
  EXPECT_EQ(Build(Data, TReportKind::OldestFiles).size(), 8u);
}

TEST_F(ListingReportTest, OldestAndNewestFoldersIncludeTheSelectedOne) {
  EXPECT_EQ(Build(Data, TReportKind::OldestFolders), (V{"Sub1", "Data", "Sub2", "Big", "Empty", "Deep"}));
  EXPECT_EQ(Build(Data, TReportKind::NewFolders, 2), (V{"Deep", "Empty"}));
  EXPECT_EQ(Build(Data, TReportKind::NewFolders, 4), (V{"Deep", "Empty", "Sub2", "Big"}));
  EXPECT_EQ(Build(Sub2, TReportKind::OldestFolders, 1), (V{"Sub2"}));
}

TEST_F(ListingReportTest, SearchKindsHaveNoPercents) {
  for (TReportKind kind : {TReportKind::Top100Files, TReportKind::OldestFiles}) {
    const TListingRows rows = BuildListingReport(Data, kind, {}, Type);
    ASSERT_FALSE(rows.empty());
    for (const TBaseNodeData *row : rows) EXPECT_EQ(rows.PercentOf(*row), 0) << row->GetText();
  }
}

TEST(ListingReportHelpers, ReportDateAndUnfilledColumns) {
  TItemInfo info;
  info.Created = 1;
  info.Modified = 2;
  info.LastAccess = 3;
  EXPECT_EQ(ReportDate(info, 1), 1);
  EXPECT_EQ(ReportDate(info, 2), 2);
  EXPECT_EQ(ReportDate(info, 3), 3);
  EXPECT_EQ(ReportDate(info, 0), 1);
  EXPECT_EQ(ReportDate(info, 4), 1);
  EXPECT_EQ(ListingUnfilledColumns(TReportKind::FilesInThisFolder), (std::vector<int>{3}));
  EXPECT_EQ(ListingUnfilledColumns(TReportKind::NewFolders), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(ListingUnfilledColumns(TReportKind::Top100Files), (std::vector<int>{2, 4, 5}));
  EXPECT_TRUE(ListingUnfilledColumns(TReportKind::Owners).empty());
}

}  // namespace
}  // namespace kv
