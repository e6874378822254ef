#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>

#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "fakes/QtHelpers.h"
#include "model/FileServices.h"
#include "ui/DrivePanelModel.h"

namespace kv {
namespace {

constexpr int64_t GiB = 1024LL * 1024 * 1024;

using test::SolidIcon;

// C: 500 GiB with 37.9 % free, D: 1000 GiB, E: 200 GiB, as the fake lists them.
// Set up before the model member reads it.
struct TThreeDrives {
  TThreeDrives() {
    auto& fs = *Fake.FileSystem;
    fs.Drives = {{"C:\\", TDriveType::Fixed}, {"D:\\", TDriveType::Fixed}, {"E:\\", TDriveType::Fixed}};
    for (const char* root : {"C:\\", "D:\\", "E:\\"}) fs.ClusterSizes[root] = 4096;
    fs.Space["C:"] = {500 * GiB, 500 * GiB * 379 / 1000};
    fs.Space["D:"] = {1000 * GiB, 50 * GiB};
    fs.Space["E:"] = {200 * GiB + GiB / 2, 150 * GiB};
  }
  test::FakePlatform Fake;
};

class DrivePanelModelTest : public ::testing::Test {
 protected:
  std::vector<std::string> Drives() const {
    std::vector<std::string> drives;
    for (int row = 0; row < Model.rowCount(); ++row)
      drives.push_back(Model.index(row, dcDrive).data().toString().toStdString());
    return drives;
  }

  TThreeDrives Machine;
  test::FakePlatform& Fake = Machine.Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  QIcon DriveIcon = SolidIcon(Qt::gray);
  TDrivePanelModel Model{FillDrivePanel(Services), [this](const std::string&) { return DriveIcon; }, *Fake.Locale};
};

TEST_F(DrivePanelModelTest, SatisfiesQtsTesterThroughHeaderClicks) {
  // Fatal: a broken reset or a bad index or role value aborts the test.
  QAbstractItemModelTester tester(&Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy reset(&Model, &QAbstractItemModel::modelReset);
  EXPECT_EQ(Model.rowCount(), 3);
  EXPECT_EQ(Model.columnCount(), 4);
  EXPECT_EQ(Model.rowCount(Model.index(0, 0)), 0);
  EXPECT_EQ(Model.Sort().Column, dcDrive);
  EXPECT_FALSE(Model.Sort().Descending);
  EXPECT_EQ(Drives(), (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));

  Model.HeaderClick(dcSize);  // largest first
  EXPECT_EQ(Model.Sort().Column, dcSize);
  EXPECT_TRUE(Model.Sort().Descending);
  EXPECT_EQ(Drives(), (std::vector<std::string>{"D:\\", "C:\\", "E:\\"}));
  Model.HeaderClick(dcSize);
  EXPECT_EQ(Drives(), (std::vector<std::string>{"E:\\", "C:\\", "D:\\"}));
  Model.HeaderClick(dcDrive);
  EXPECT_TRUE(Model.Sort().Descending);
  EXPECT_EQ(Drives(), (std::vector<std::string>{"E:\\", "D:\\", "C:\\"}));
  EXPECT_EQ(reset.count(), 3);

  // A click outside the columns changes nothing.
  Model.HeaderClick(7);
  EXPECT_EQ(reset.count(), 3);
  EXPECT_EQ(Model.Sort().Column, dcDrive);
}

TEST_F(DrivePanelModelTest, TextsImagesAlignmentAndHeaders) {
  EXPECT_EQ(Model.index(0, dcDrive).data().toString(), "C:\\");
  EXPECT_EQ(Model.index(0, dcSize).data().toString(), "500 GB");
  EXPECT_EQ(Model.index(0, dcFree).data().toString(), "189,5 GB");
  EXPECT_EQ(Model.index(0, dcPercentFree).data().toString(), "37 %");
  EXPECT_EQ(Model.index(2, dcSize).data().toString(), "200,5 GB");

  const QVariant icon = Model.index(0, dcDrive).data(Qt::DecorationRole);
  ASSERT_TRUE(icon.canConvert<QIcon>());
  EXPECT_EQ(icon.value<QIcon>().pixmap(16, 16).toImage().pixel(8, 8), QColor(Qt::gray).rgb());
  EXPECT_FALSE(Model.index(0, dcSize).data(Qt::DecorationRole).isValid());
  EXPECT_FALSE(Model.index(0, dcPercentFree).data(Qt::DecorationRole).isValid());

  EXPECT_EQ(Model.index(0, dcPercentFree).data(Qt::TextAlignmentRole).toInt(), static_cast<int>(Qt::AlignCenter));
  for (int column : {dcDrive, dcSize, dcFree})
    EXPECT_EQ(Model.index(0, column).data(Qt::TextAlignmentRole).toInt(),
              static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter));

  QSignalSpy headers(&Model, &QAbstractItemModel::headerDataChanged);
  Model.SetHeaderTexts({"Laufwerk", "Größe", "Frei", "% Frei"});
  EXPECT_EQ(headers.count(), 1);
  EXPECT_EQ(Model.headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Größe"));
  EXPECT_EQ(Model.headerData(3, Qt::Horizontal).toString(), "% Frei");
  EXPECT_FALSE(Model.headerData(4, Qt::Horizontal).isValid());
  EXPECT_FALSE(Model.headerData(0, Qt::Vertical).isValid());
}

TEST_F(DrivePanelModelTest, AnEmptyPanelIsAValidModel) {
  TDrivePanelModel empty({}, [](const std::string&) { return QIcon(); }, *Fake.Locale);
  QAbstractItemModelTester tester(&empty, QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(empty.rowCount(), 0);
  empty.HeaderClick(dcFree);
  EXPECT_EQ(empty.Sort().Column, dcFree);
  EXPECT_EQ(empty.rowCount(), 0);
}

class UsageBarTest : public DrivePanelModelTest {
 protected:
  static constexpr QRgb Lime = 0xFF00FF00, Silver = 0xFFC0C0C0, White = 0xFFFFFFFF;

  QImage Paint(const QModelIndex& index, QStyle::State extra = {}) const {
    QImage image(200, 18, QImage::Format_ARGB32);
    image.fill(White);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 18);
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled | QStyle::State_Active | extra;
    option.showDecorationSelected = true;
    Delegate.paint(&painter, option, index);
    painter.end();
    return image;
  }

  static int Count(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == color;
    return n;
  }

  TUsageBarDelegate Delegate;
};

TEST_F(UsageBarTest, GreenPartIsTheFreeShareOfTheInnerWidth) {
  // C: 37 % of the 194 px inside the outline: 71.78, cut to 71 (x 3..73).
  const QImage image = Paint(Model.index(0, dcPercentFree));
  EXPECT_EQ(image.pixel(3, 3), Lime);
  EXPECT_EQ(image.pixel(73, 14), Lime);
  EXPECT_NE(image.pixel(74, 9), Lime);
  EXPECT_NE(image.pixel(3, 2), Lime);
  EXPECT_NE(image.pixel(3, 15), Lime);
  EXPECT_EQ(Count(image, Lime), 71 * 12);
  // The silver outline 2 px in, nothing outside it.
  EXPECT_EQ(image.pixel(2, 9), Silver);
  EXPECT_EQ(image.pixel(197, 9), Silver);
  EXPECT_EQ(image.pixel(190, 2), Silver);
  EXPECT_EQ(image.pixel(190, 15), Silver);
  EXPECT_EQ(image.pixel(1, 9), White);
  EXPECT_EQ(image.pixel(198, 9), White);
  EXPECT_EQ(image.pixel(190, 16), White);
  // The centred text is drawn over it.
  int dark = 0;
  for (int y = 3; y < 15; ++y)
    for (int x = 80; x < 120; ++x) dark += qGray(image.pixel(x, y)) < 128;
  EXPECT_GT(dark, 0);

  // E: 150 of 200.5 GiB is 74 %: 143.56 px, cut to 143 (x 3..145); the text
  // now covers part of the bar, so its end is checked column by column.
  const QImage wide = Paint(Model.index(2, dcPercentFree));
  for (int y = 3; y < 15; ++y) {
    EXPECT_EQ(wide.pixel(145, y), Lime) << y;
    EXPECT_NE(wide.pixel(146, y), Lime) << y;
  }
}

TEST_F(UsageBarTest, FollowsItsRowAfterSortingAndOnlyInItsColumn) {
  Model.HeaderClick(dcSize);  // D: (5 %) first
  EXPECT_EQ(Count(Paint(Model.index(0, dcPercentFree)), Lime), 9 * 12);  // 9.7 cut to 9
  for (int column : {dcDrive, dcSize, dcFree}) {
    const QImage image = Paint(Model.index(0, column));
    EXPECT_EQ(Count(image, Lime), 0);
    EXPECT_EQ(Count(image, Silver), 0);
  }
}

TEST_F(UsageBarTest, ShowsNoSelectionOrFocus) {
  const QRgb highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight).rgb();
  ASSERT_NE(highlight, White);
  for (int column : {dcDrive, dcPercentFree}) {
    const QImage image = Paint(Model.index(0, column), QStyle::State_Selected | QStyle::State_HasFocus);
    EXPECT_EQ(Count(image, highlight), 0) << column;
  }
  EXPECT_EQ(Count(Paint(Model.index(0, dcPercentFree), QStyle::State_Selected), Lime), 71 * 12);
}

}  // namespace
}  // namespace kv
