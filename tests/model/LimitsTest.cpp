// Sizes and counts at the ends of the 64-bit range, and trees far deeper than a stack.
#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "reports/ChartPoints.h"
#include "reports/ListingReport.h"
#include "model/FileServices.h"
#include "model/Saturate.h"
#include "model/SizeTree.h"
#include "model/TreeRemoval.h"

namespace kv {
namespace {

constexpr int64_t Max = SatMax;
constexpr int64_t Min = SatMin;

TEST(SaturateTest, StopsAtTheEndsInsteadOfWrapping) {
  struct TCase {
    int64_t A, B, Sum, Difference, Product;
  };
  const TCase cases[] = {
      {1, 2, 3, -1, 2},
      {Max, 1, Max, Max - 1, Max},
      {Max - 5, 10, Max, Max - 15, Max},
      {Max, Max, Max, 0, Max},
      {Min, -1, Min, Min + 1, Max},
      {Min, 1, Min + 1, Min, Min},
      {0, Min, Min, Max, 0},
      {-3, Max, Max - 3, Min, Min},
      {Max / 2 + 1, 2, Max / 2 + 3, Max / 2 - 1, Max},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(SatAdd(c.A, c.B), c.Sum) << c.A << " + " << c.B;
    EXPECT_EQ(SatSub(c.A, c.B), c.Difference) << c.A << " - " << c.B;
    EXPECT_EQ(SatMul(c.A, c.B), c.Product) << c.A << " * " << c.B;
  }
  EXPECT_DOUBLE_EQ(SatPercent(Max, Max), 100.0);
  EXPECT_DOUBLE_EQ(SatPercent(Max / 4, Max), 25.0);
  EXPECT_DOUBLE_EQ(SatPercent(1, 4), 25.0);
  EXPECT_EQ(SatPercent(5, 0), 0.0);
}

class LimitsTest : public ::testing::Test {
 protected:
  LimitsTest() { Fake.FileSystem->ClusterSizes["C:\\"] = 4096; }
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;
};

TEST_F(LimitsTest, TotalsCountsAndSharesNearTheTopNeverWrap) {
  TFolderNode* drive = Tree.GetFolderNode("C:", Info, nullptr, "o\\o");
  TFolderNode* a = Tree.GetFolderNode("C:\\a", Info, drive, "o\\o");
  TFolderNode* b = Tree.GetFolderNode("C:\\b", Info, drive, "o\\o");
  // A sparse file of exabytes rounds up to the cluster without passing the top.
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a\\sparse", Max - 100), Max);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a\\sparse", Max - 4096), Max - 4095);  // 2^63 - 4096: whole clusters

  // Two batches of nearly the largest size: every total stops at the top.
  Tree.AddSizesToFolder(a, Max - 1, Max - 1, Max - 1);
  Tree.AddSizesToFolder(b, Max - 1, Max, 5);
  Tree.AddSizesToFolder(a, 10, 10, 1);
  EXPECT_EQ(a->Data()->OwnSize, Max);
  EXPECT_EQ(a->Data()->FileCount, Max);
  EXPECT_EQ(drive->Data()->TotalSize, Max);
  EXPECT_EQ(drive->Data()->TotalAllocated, Max);
  EXPECT_EQ(drive->Data()->FileCount, Max);
  EXPECT_EQ(Tree.TotalFiles, Max);

  // A folder count taken from a file at the top, then a folder more below it.
  drive->Data()->FolderCount = Max;
  Tree.GetFolderNode("C:\\a\\x\\y", Info, nullptr, "o\\o");
  EXPECT_EQ(drive->Data()->FolderCount, Max);
  EXPECT_EQ(a->Data()->FolderCount, 2);

  // Shares of totals that cannot be added up exactly.
  Tree.UpdateChildPercents(drive);
  EXPECT_NEAR(a->Data()->TreePercent, 50.0, 1e-9);
  TListingRows rows{a->Data(), b->Data()};
  ComputeListPercents(rows);
  EXPECT_NEAR(rows.PercentOf(*a->Data()) + rows.PercentOf(*b->Data()), 100.0, 1e-9);
  EXPECT_GT(rows.PercentOf(*b->Data()), 0);
  EXPECT_EQ(FillChartSeries(rows, TSizeType::FileSize, 1).size(), 2u);

  // Taking a folder of top-sized totals off its ancestors neither wraps nor goes below.
  RemoveFolderItem(Tree, a->Data());
  EXPECT_EQ(drive->Data()->FolderCount, Max - 3);
  EXPECT_EQ(drive->Data()->TotalSize, 0);
}

TEST_F(LimitsTest, AHundredThousandLevelsBuildSortAndGoWithoutRecursion) {
  constexpr size_t Depth = 100000;
  std::string path = "C:";
  for (size_t i = 0; i < Depth; ++i) path += i % 2 ? "\\b" : "\\a";
  Tree.BeginUpdate();
  TFolderNode* leaf = Tree.GetFolderNode(path, Info, nullptr, "o\\o");
  // A sibling at every level, so each sort has something to order.
  Tree.GetFolderNode(path.substr(0, path.size() - 2) + "\\0", Info, nullptr, "o\\o");
  Tree.EndUpdate();
  EXPECT_EQ(Tree.TotalFolders, static_cast<int64_t>(Depth) + 2);
  const TFolderNode* drive = Tree.Root()->Child(0);
  EXPECT_EQ(drive->Data()->FolderCount, static_cast<int64_t>(Depth) + 1);
  EXPECT_EQ(leaf->Data()->FolderCount, 0);
  EXPECT_EQ(leaf->Parent()->Data()->FolderCount, 2);
  EXPECT_EQ(leaf->Parent()->Child(0)->Data()->Name.View(), "0");  // sorted and published
  EXPECT_EQ(GetNodePath(leaf).size(), path.size() + 1);

  RemoveFolderItem(Tree, drive->Child(0)->Data());
  EXPECT_EQ(Tree.TotalFolders, 1);
  EXPECT_EQ(drive->Data()->FolderCount, 0);
  Tree.GetFolderNode(path, Info, nullptr, "o\\o");
  Tree.Clear();  // frees the chain a second time, again without recursion
  EXPECT_EQ(Tree.Root()->ChildCount(), 0u);
}

}  // namespace
}  // namespace kv
