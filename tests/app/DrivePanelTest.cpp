#include "app/DrivePanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"

namespace kv {
namespace {

constexpr int64_t GiB = 1024LL * 1024 * 1024;

std::vector<std::string> DrivesOf(const std::vector<TBildDiskSize>& rows) {
  std::vector<std::string> drives;
  for (const TBildDiskSize& row : rows) drives.push_back(row.Drive);
  return drives;
}

TBildDiskSize Row(std::string drive, int64_t total, int64_t free) {
  TBildDiskSize row;
  row.Drive = std::move(drive);
  row.TotalBytes = total;
  row.FreeBytes = free;
  row.PercentFree = PercentFreeOf(total, free);
  return row;
}

// Fixed C: and D:, a CD-ROM E: without a disc, a USB stick F:, a RAM disk R:
// and a network drive Z:. All but E: answer every question.
class DrivePanelListing : public ::testing::Test {
 protected:
  DrivePanelListing() {
    auto& fs = *Fake.FileSystem;
    fs.Drives = {{"c:\\", TDriveType::Fixed},     {"D:\\", TDriveType::Fixed},
                 {"E:\\", TDriveType::CdRom},     {"F:\\", TDriveType::Removable},
                 {"R:\\", TDriveType::Ram},       {"Z:\\", TDriveType::Network}};
    for (const char* root : {"C:\\", "D:\\", "F:\\", "R:\\", "Z:\\"}) fs.ClusterSizes[root] = 4096;
    fs.Space["C:"] = {1000 * GiB, 379 * GiB};
    fs.Space["D:"] = {2 * GiB, 2 * GiB};
    fs.Space["F:"] = fs.Space["R:"] = fs.Space["Z:"] = {GiB, GiB};
  }
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
};

TEST_F(DrivePanelListing, LocalReadyDrivesOnlyInListedOrder) {
  const std::vector<TBildDiskSize> rows = FillDrivePanel(Services);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"C:\\", "D:\\"}));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].TotalBytes, 1000 * GiB);
  EXPECT_EQ(rows[0].FreeBytes, 379 * GiB);
  EXPECT_DOUBLE_EQ(rows[0].PercentFree, 0.37);
  EXPECT_DOUBLE_EQ(rows[1].PercentFree, 1.0);
  // The type rules out a drive before its readiness is asked.
  const auto& asked = Fake.FileSystem->ClusterQueries;
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));
  // Space is asked of the root without its separator, as the system takes it.
  const auto& space = Fake.FileSystem->SpaceQueries;
  EXPECT_NE(std::find(space.begin(), space.end(), "C:"), space.end());
  EXPECT_EQ(std::find(space.begin(), space.end(), "E:"), space.end());
}

TEST_F(DrivePanelListing, AnOpticalDriveWithADiscIsListed) {
  Fake.FileSystem->ClusterSizes["E:\\"] = 2048;
  Fake.FileSystem->Space["E:"] = {GiB / 2, 0};
  const std::vector<TBildDiskSize> rows = FillDrivePanel(Services);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].TotalBytes, GiB / 2);
  EXPECT_EQ(rows[2].FreeBytes, 0);
  EXPECT_EQ(rows[2].PercentFree, 0.0);
}

TEST_F(DrivePanelListing, NoQualifyingDriveLeavesThePanelEmpty) {
  Fake.FileSystem->ClusterSizes.clear();
  EXPECT_TRUE(FillDrivePanel(Services).empty());
  Fake.FileSystem->Drives.clear();
  EXPECT_TRUE(FillDrivePanel(Services).empty());
}

TEST_F(DrivePanelListing, ADriveWithoutSizeHasNoFreeShare) {
  // Ready, but its space query fails: shown with 0 bytes and 0 % free.
  Fake.FileSystem->Space.erase("D:");
  std::vector<TBildDiskSize> rows = FillDrivePanel(Services);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].TotalBytes, 0);
  EXPECT_EQ(rows[1].PercentFree, 0.0);
  EXPECT_EQ(DriveCellText(rows[1], dcSize, *Fake.Locale), "0 GB");
  EXPECT_EQ(DriveCellText(rows[1], dcPercentFree, *Fake.Locale), "0 %");
  // Free bytes reported for a zero total still divide nothing.
  EXPECT_EQ(PercentFreeOf(0, 5000), 0.0);
}

TEST(DrivePanelPosix, MountPointsKeepTheirCase) {
  test::FakePlatform fake;
  auto& fs = *fake.FileSystem;
  fs.Drives = {{"/", TDriveType::Fixed}, {"/Data/", TDriveType::Fixed}, {"/media/stick/", TDriveType::Removable}};
  fs.ClusterSizes["/"] = fs.ClusterSizes["/Data/"] = fs.ClusterSizes["/media/stick/"] = 4096;
  fs.Space["/"] = {100 * GiB, 25 * GiB};
  fs.Space["/Data"] = {10 * GiB, 9 * GiB};
  const TFileServices services(fake.Platform(), TPathStyle::Posix);
  const std::vector<TBildDiskSize> rows = FillDrivePanel(services);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"/", "/Data/"}));
  ASSERT_EQ(rows.size(), 2u);
  // "/" has no name without its separator, so it is asked as it is.
  EXPECT_EQ(rows[0].TotalBytes, 100 * GiB);
  EXPECT_DOUBLE_EQ(rows[0].PercentFree, 0.25);
  EXPECT_EQ(rows[1].FreeBytes, 9 * GiB);
}

TEST(DrivePanelSizes, GigabytesCutToTwoDecimals) {
  EXPECT_DOUBLE_EQ(BytesToGB(GiB), 1.0);
  EXPECT_DOUBLE_EQ(BytesToGB(GiB - 1), 0.99);
  EXPECT_DOUBLE_EQ(BytesToGB(120034123776), 111.79);
  EXPECT_DOUBLE_EQ(BytesToGB(536870912000), 500.0);
  EXPECT_DOUBLE_EQ(BytesToGB(2 * GiB - 1), 1.99);  // never rounded up
  EXPECT_DOUBLE_EQ(BytesToGB(GiB / 100), 0.0);     // 0.0099..
  EXPECT_DOUBLE_EQ(BytesToGB(GiB / 100 + 1), 0.01);
  EXPECT_DOUBLE_EQ(BytesToGB(0), 0.0);
}

TEST(DrivePanelSizes, SizeAndFreeTextsUseTheLocaleSeparator) {
  const test::FakeLocale locale;  // ',' as separator
  EXPECT_EQ(DriveCellText(Row("C:\\", GiB, GiB - 1), dcSize, locale), "1 GB");
  EXPECT_EQ(DriveCellText(Row("C:\\", GiB, GiB - 1), dcFree, locale), "0,99 GB");
  EXPECT_EQ(DriveCellText(Row("C:\\", 120034123776, 0), dcSize, locale), "111,79 GB");
  EXPECT_EQ(DriveCellText(Row("C:\\", 536870912000, 0), dcSize, locale), "500 GB");
  EXPECT_EQ(DriveCellText(Row("C:\\", 536870912000, 0), dcFree, locale), "0 GB");
  EXPECT_EQ(DriveCellText(Row("C:\\", 0, 0), dcDrive, locale), "C:\\");
  EXPECT_EQ(DriveCellText(Row("C:\\", 0, 0), 4, locale), "");
}

TEST(DrivePanelSizes, FreeShareIsCutToAWholePercent) {
  const test::FakeLocale locale;
  const TBildDiskSize row = Row("C:\\", 1000, 379);
  EXPECT_DOUBLE_EQ(row.PercentFree, 0.37);
  EXPECT_EQ(DriveCellText(row, dcPercentFree, locale), "37 %");
  // 0.29 * 100 is 28.999.. in binary; the text still says 29.
  TBildDiskSize share = row;
  share.PercentFree = 0.29;
  EXPECT_EQ(DriveCellText(share, dcPercentFree, locale), "29 %");
  EXPECT_EQ(DriveCellText(Row("C:\\", 1000, 999), dcPercentFree, locale), "99 %");
  EXPECT_EQ(DriveCellText(Row("C:\\", 1000, 1000), dcPercentFree, locale), "100 %");
  EXPECT_EQ(DriveCellText(Row("C:\\", 1000, 9), dcPercentFree, locale), "0 %");
}

TEST(DrivePanelOrder, ComparesEachColumnsKey) {
  const TBildDiskSize c = Row("c:\\", 500, 100), d = Row("D:\\", 300, 200);
  EXPECT_LT(CompareDriveRows(c, d, dcDrive), 0);  // case-blind: c before D
  EXPECT_GT(CompareDriveRows(d, c, dcDrive), 0);
  EXPECT_EQ(CompareDriveRows(Row("/home/", 1, 1), Row("/HOME/", 2, 2), dcDrive), 0);
  EXPECT_GT(CompareDriveRows(c, d, dcSize), 0);
  EXPECT_LT(CompareDriveRows(c, d, dcFree), 0);
  EXPECT_LT(CompareDriveRows(c, d, dcPercentFree), 0);  // 0.2 < 0.66
  TBildDiskSize nearly = c;
  nearly.PercentFree = c.PercentFree + 1e-15;
  EXPECT_LT(CompareDriveRows(c, nearly, dcPercentFree), 0);  // equal only when exactly equal
  EXPECT_EQ(CompareDriveRows(c, c, dcPercentFree), 0);
}

TEST(DrivePanelOrder, EveryHeaderClickFlipsTheDirection) {
  // Drive order as the system lists them; sizes C 500, D 1000, E 200.
  std::vector<TBildDiskSize> rows = {Row("C:\\", 500, 100), Row("D:\\", 1000, 50), Row("E:\\", 200, 150)};
  TSortState sort = InitialDriveSort();
  EXPECT_EQ(sort.Column, dcDrive);
  EXPECT_FALSE(sort.Descending);

  sort.HeaderClick(dcSize);  // first click on Size: largest first
  SortDriveRows(rows, sort);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"D:\\", "C:\\", "E:\\"}));
  sort.HeaderClick(dcSize);
  SortDriveRows(rows, sort);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"E:\\", "C:\\", "D:\\"}));
  sort.HeaderClick(dcDrive);  // the direction flips again on a new column
  EXPECT_TRUE(sort.Descending);
  SortDriveRows(rows, sort);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"E:\\", "D:\\", "C:\\"}));
  sort.HeaderClick(dcFree);
  SortDriveRows(rows, sort);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"D:\\", "C:\\", "E:\\"}));
  sort.HeaderClick(dcPercentFree);
  SortDriveRows(rows, sort);
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"E:\\", "C:\\", "D:\\"}));  // 0.75, 0.2, 0.05
}

TEST(DrivePanelOrder, EqualKeysKeepTheirOrderInBothDirections) {
  std::vector<TBildDiskSize> rows = {Row("A:\\", 10, 1), Row("B:\\", 10, 2), Row("C:\\", 5, 3)};
  SortDriveRows(rows, TSortState{dcSize, true});
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"A:\\", "B:\\", "C:\\"}));
  SortDriveRows(rows, TSortState{dcSize, false});
  EXPECT_EQ(DrivesOf(rows), (std::vector<std::string>{"C:\\", "A:\\", "B:\\"}));
}

TEST(DrivePanelColumns, FourColumnsWithTheirTitlesAndAlignment) {
  const std::vector<TColumnSpec>& columns = DriveColumns();
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_STREQ(columns[0].HeaderId, "2160");
  EXPECT_STREQ(columns[3].HeaderId, "2163");
  EXPECT_EQ(columns[0].Width, 65);
  EXPECT_EQ(columns[3].Width, 80);
  EXPECT_EQ(columns[2].Alignment, TAlignment::Left);
  EXPECT_EQ(columns[3].Alignment, TAlignment::Centre);
}

}  // namespace
}  // namespace kv
