#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "reports/ChartPoints.h"
#include "reports/ListingReport.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {

// Readable failure messages.
void PrintTo(const TChartPoint &point, std::ostream *out) { *out << "{" << point.Value << ", \"" << point.Label << "\"}"; }
void PrintTo(const TBarWindow &w, std::ostream *out) {
  *out << "{axis " << w.AxisMin << ".." << w.AxisMax << ", points " << w.FirstPoint << " +" << w.PointCount << "}";
}

namespace {

using Points = std::vector<TChartPoint>;
const std::string Others(ChartOthersLabel);

// Loose file rows; each test lists them in display order.
class ChartRows {
 public:
  void Add(const std::string &name, int64_t size, int64_t allocated = 0) {
    Files_.push_back(std::make_unique<TFileNodeData>(name, size, allocated, nullptr, TItemInfo{}, "o\\o"));
    Rows.push_back(Files_.back().get());
  }
  TListingRows Rows;

 private:
  std::vector<std::unique_ptr<TFileNodeData>> Files_;
};

TEST(ChartSeries, SmallSharesGoToOthersUnderTypeOneOnlyAndPointsRunFromTheLastRow) {
  ChartRows r;
  r.Add("a", 70);
  r.Add("b", 29);
  r.Add("c", 1);
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 1), (Points{{29, "b"}, {70, "a"}, {1, Others}}));
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 2), (Points{{1, "c"}, {29, "b"}, {70, "a"}}));
  // Only 2 turns the gathering off.
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 0), FillChartSeries(r.Rows, TSizeType::FileSize, 1));
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 3), FillChartSeries(r.Rows, TSizeType::FileSize, 1));

  // A sorted list turned round: the slices come in the opposite order.
  ChartRows up;
  up.Add("c", 1);
  up.Add("b", 29);
  up.Add("a", 70);
  EXPECT_EQ(FillChartSeries(up.Rows, TSizeType::FileSize, 1), (Points{{70, "a"}, {29, "b"}, {1, Others}}));
}

TEST(ChartSeries, ExactlyTwoPercentIsSmallAndAnythingAboveIsNot) {
  ChartRows r;
  r.Add("two", 2);
  r.Add("rest", 98);
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 1), (Points{{98, "rest"}, {2, Others}}));

  ChartRows justAbove;  // 301 of 15000 is 2.0067 %
  justAbove.Add("a", 301);
  justAbove.Add("b", 14699);
  EXPECT_EQ(FillChartSeries(justAbove.Rows, TSizeType::FileSize, 1), (Points{{14699, "b"}, {301, "a"}}));

  ChartRows justBelow;  // 299 of 15000 is 1.9933 %, 60 exactly 0.4 %
  justBelow.Add("a", 299);
  justBelow.Add("b", 14641);
  justBelow.Add("c", 60);
  EXPECT_EQ(FillChartSeries(justBelow.Rows, TSizeType::FileSize, 1), (Points{{14641, "b"}, {359, Others}}));

  // Sizes whose hundredfold passes the 64-bit range are still judged exactly.
  const int64_t total = 9'000'000'000'000'000'000;
  ChartRows huge;
  huge.Add("at", total / 50);
  huge.Add("rest", total - total / 50);
  ASSERT_EQ(FillChartSeries(huge.Rows, TSizeType::FileSize, 1).size(), 2u);
  EXPECT_EQ(FillChartSeries(huge.Rows, TSizeType::FileSize, 1)[1],
            (TChartPoint{static_cast<double>(total / 50), Others}));
  ChartRows over;
  over.Add("over", total / 50 + 1);
  over.Add("rest", total - total / 50 - 1);
  EXPECT_EQ(FillChartSeries(over.Rows, TSizeType::FileSize, 1)[1].Label, "over");
}

TEST(ChartSeries, SixtyEqualRowsAreOneOthersPointOrSixtyPoints) {
  ChartRows r;
  for (int i = 0; i < 60; ++i) r.Add("f" + std::to_string(i), 1000);
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 1), (Points{{60000, Others}}));
  const Points each = FillChartSeries(r.Rows, TSizeType::FileSize, 2);
  ASSERT_EQ(each.size(), 60u);
  for (size_t i = 0; i < each.size(); ++i)
    EXPECT_EQ(each[i], (TChartPoint{1000, "f" + std::to_string(59 - i)}));

  // Empty rows add nothing to "Others" but are points of their own under type 2.
  r.Add("zero", 0);
  EXPECT_EQ(FillChartSeries(r.Rows, TSizeType::FileSize, 1), (Points{{60000, Others}}));
  const Points withZero = FillChartSeries(r.Rows, TSizeType::FileSize, 2);
  ASSERT_EQ(withZero.size(), 61u);
  EXPECT_EQ(withZero.front(), (TChartPoint{0, "zero"}));
}

TEST(ChartSeries, NothingToDrawGivesNoPoints) {
  ChartRows zeros;
  zeros.Add("a", 0, 4096);  // allocated space does not count under file size
  zeros.Add("b", 0);
  ChartRows none;
  for (int type : {1, 2}) {
    EXPECT_TRUE(FillChartSeries(zeros.Rows, TSizeType::FileSize, type).empty()) << type;
    EXPECT_TRUE(FillChartSeries(none.Rows, TSizeType::FileSize, type).empty()) << type;
    EXPECT_TRUE(FillChartSeries(TAggregateRows{}, type).empty()) << type;
  }
}

TEST(ChartSeries, ExtensionRowsUseTheirNameAndSummedSize) {
  TAggregateRows rows;
  rows.push_back(std::make_unique<TExtensionsNodeData>(".txt", 500, ""));
  rows.push_back(std::make_unique<TExtensionsNodeData>("", 300, ""));  // files without extension
  rows.push_back(std::make_unique<TExtensionsNodeData>(".jpg", 5, ""));
  EXPECT_EQ(FillChartSeries(rows, 1), (Points{{300, ""}, {500, ".txt"}, {5, Others}}));
  EXPECT_EQ(FillChartSeries(rows, 2), (Points{{5, ".jpg"}, {300, ""}, {500, ".txt"}}));
}

// A folder's content list: its files, then its child folders with their totals.
TEST(ChartSeries, FilesListFollowsTheSizeType) {
  test::FakePlatform fake;
  fake.FileSystem->ClusterSizes["C:\\"] = 4096;
  TFileServices services{fake.Platform(), TPathStyle::Windows};
  TSizeTree tree{services, *fake.Locale};
  tree.BeginUpdate();
  TFolderNode *data = tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "");
  TFolderNode *sub = tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "");
  auto addFile = [&](TFolderNode *folder, const std::string &name, int64_t size) {
    ASSERT_TRUE(tree.AddFileNode(GetNodePath(folder) + name, folder, size, TItemInfo{}, "o\\o"));
    tree.AddSizesToFolder(folder, size, folder->Data()->Files.Find(name)->AllocatedSize(), 1);
  };
  addFile(data, "big.bin", 100000);  // 25 clusters
  addFile(data, "tiny.txt", 1);      // 1 cluster
  addFile(sub, "s1", 1);
  addFile(sub, "s2", 1);  // Sub: 2 bytes in 2 clusters
  tree.EndUpdate();
  const TListingRows rows = BuildListingReport(data, TReportKind::FilesInThisFolder, {}, TSizeType::FileSize);
  ASSERT_EQ(rows.size(), 3u);

  TSizeType sizeType = TSizeType::FileSize;
  EXPECT_EQ(FillChartSeries(rows, sizeType, 1), (Points{{100000, "big.bin"}, {3, Others}}));
  EXPECT_EQ(FillChartSeries(rows, sizeType, 2), (Points{{2, "Sub"}, {1, "tiny.txt"}, {100000, "big.bin"}}));
  sizeType = TSizeType::Allocated;
  // 4096 of 114688 bytes is 3.6 %: no longer small.
  EXPECT_EQ(FillChartSeries(rows, sizeType, 1), (Points{{8192, "Sub"}, {4096, "tiny.txt"}, {102400, "big.bin"}}));
}

TEST(ChartBarPaging, ScrollBarAppearsAboveFivePoints) {
  for (int n : {0, 1, 5}) EXPECT_EQ(BarChartScrollBar(n), TBarScrollBar{}) << n;
  EXPECT_EQ(BarChartScrollBar(6), (TBarScrollBar{true, 0, 1}));
  EXPECT_EQ(BarChartScrollBar(20), (TBarScrollBar{true, 0, 15}));
}

TEST(ChartBarPaging, WindowsFromTopToBottom) {
  // First page: positions 14 to 19, the top of the chart.
  EXPECT_EQ(BarChartWindowAt(20, 0), (TBarWindow{14, 20, 14, 6}));
  // One step down: positions 13 to 18, the axis's top end is a slot's edge.
  EXPECT_EQ(BarChartWindowAt(20, 1), (TBarWindow{13, 19, 13, 6}));
  // Last page: one spare position below the bottom bar.
  EXPECT_EQ(BarChartWindowAt(20, 15), (TBarWindow{-1, 5, 0, 5}));
  EXPECT_EQ(BarChartWindowAt(6, 0), (TBarWindow{0, 6, 0, 6}));
  EXPECT_EQ(BarChartWindowAt(6, 1), (TBarWindow{-1, 5, 0, 5}));
  // Positions the scroll bar cannot have are taken as its ends.
  EXPECT_EQ(BarChartWindowAt(20, 99), BarChartWindowAt(20, 15));
  EXPECT_EQ(BarChartWindowAt(20, -3), BarChartWindowAt(20, 0));
}

TEST(ChartBarPaging, ShortListsFitInOneWindow) {
  EXPECT_EQ(BarChartWindowAt(3, 0), (TBarWindow{-3, 3, 0, 3}));
  EXPECT_EQ(BarChartWindowAt(3, 2), (TBarWindow{-3, 3, 0, 3}));  // no scroll bar to move
  EXPECT_EQ(BarChartWindowAt(5, 0), (TBarWindow{-1, 5, 0, 5}));
  EXPECT_EQ(BarChartWindowAt(0, 0), (TBarWindow{-6, 0, 0, 0}));
}

TEST(ChartBarPaging, FirstWindowShowsTheListsFirstRows) {
  ChartRows r;
  for (int i = 0; i < 20; ++i) r.Add("f" + std::to_string(i), 100 + i);
  const Points points = FillChartSeries(r.Rows, TSizeType::FileSize, 2);
  const int n = static_cast<int>(points.size());
  const TBarWindow top = BarChartWindowAt(n, 0);
  std::vector<std::string> shown;
  for (int i = top.FirstPoint + top.PointCount - 1; i >= top.FirstPoint; --i) shown.push_back(points[i].Label);
  EXPECT_EQ(shown, (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4", "f5"}));
  const TBarWindow bottom = BarChartWindowAt(n, BarChartScrollBar(n).Maximum);
  EXPECT_EQ(points[bottom.FirstPoint].Label, "f19");
}

}  // namespace
}  // namespace kv
