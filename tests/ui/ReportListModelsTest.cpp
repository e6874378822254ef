#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QTableView>

#include <string>

#include "fakes/FakePlatform.h"
#include "fakes/QtHelpers.h"
#include "model/FileServices.h"
#include "ui/ReportListModels.h"

namespace kv {
namespace {

using test::SolidIcon;

// C:\Data
//   a.txt 300, b.bin 100
//   Sub: x.dat 1000
class ReportListModelsTest : public ::testing::Test {
 protected:
  ReportListModelsTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Tree.BeginUpdate();
    Data = Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "");
    TFolderNode* sub = Tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "");
    AddFile(Data, "a.txt", 300);
    AddFile(Data, "b.bin", 100);
    AddFile(sub, "x.dat", 1000);
    Tree.EndUpdate();
    Images.ClosedFolder = SolidIcon(Qt::yellow);
    Images.Drive = SolidIcon(Qt::gray);
    Images.AnyFile = SolidIcon(Qt::white);
  }

  void AddFile(TFolderNode* folder, const std::string& name, int64_t size) {
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, TItemInfo{}, "o\\o"));
    const TFileNodeData* file = folder->Data()->Files.Find(name);
    Tree.AddSizesToFolder(folder, size, file->AllocatedSize(), 1);
  }

  void Build(TReportKind kind, const TFolderNode* folder) {
    Pane.SetKind(kind);
    Pane.Build(folder, TReportSettings{}, {});
  }

  // The row of the files list showing the object.
  int RowOf(const TBaseNodeData* object) const {
    for (int row = 0; row < Files.rowCount(); ++row)
      if (Files.RowObject(row) == object) return row;
    return -1;
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TFolderNode* Data;
  TReportPane Pane{TSizeFormat{TSizeType::FileSize, TSizeUnit::MB, Fake.Locale.get()}};
  TListImages Images;
  TFilesListModel Files{Pane, Images};
  TExtensionsListModel Extensions{Pane, Images};
};

TEST_F(ReportListModelsTest, BothModelsSatisfyQtsTesterThroughReloads) {
  // Fatal: a broken reset or a bad index or role value aborts the test.
  QAbstractItemModelTester filesTester(&Files, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester extensionsTester(&Extensions, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy filesReset(&Files, &QAbstractItemModel::modelReset);
  EXPECT_EQ(Files.columnCount(), 11);
  EXPECT_EQ(Extensions.columnCount(), 3);
  EXPECT_EQ(Files.rowCount(), 0);

  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  ASSERT_EQ(Files.rowCount(), 3);
  EXPECT_EQ(Files.rowCount(Files.index(0, 0)), 0);
  EXPECT_EQ(Files.columnCount(Files.index(0, 0)), 0);
  EXPECT_EQ(Files.data(Files.index(0, 0)).toString(), "Sub");
  const QPersistentModelIndex kept = Files.index(2, 0);

  Pane.HeaderClick(fcName);
  Files.Reload();
  EXPECT_FALSE(kept.isValid());
  EXPECT_EQ(Files.data(Files.index(0, 0)).toString(), "a.txt");  // ascending by name
  EXPECT_EQ(Files.data(Files.index(2, 0)).toString(), "Sub");

  Build(TReportKind::Top100Extensions, Data);
  Extensions.Reload();
  ASSERT_EQ(Extensions.rowCount(), 3);
  EXPECT_EQ(Extensions.data(Extensions.index(0, 0)).toString(), ".dat");
  EXPECT_EQ(Files.rowCount(), 3);

  QSignalSpy changed(&Extensions, &QAbstractItemModel::dataChanged);
  Extensions.Repaint();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), Extensions.index(0, 0));
  EXPECT_EQ(changed[0][1].toModelIndex(), Extensions.index(2, 2));

  Pane.Clear();
  Files.Reload();
  Extensions.Reload();
  EXPECT_EQ(Files.rowCount(), 0);
  EXPECT_EQ(Extensions.rowCount(), 0);
  Extensions.Repaint();  // nothing to repaint, no signal
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(filesReset.count(), 3);
}

// A view with a selection and a current row follows a rebuild, and a clear
// before the tree frees its objects; under the address sanitizer any read of a
// freed row fails the run.
TEST_F(ReportListModelsTest, ViewFollowsReloadsAfterThePaneChanged) {
  QTableView view;
  TPercentBarDelegate delegate(Pane);
  view.setModel(&Files);
  view.setItemDelegate(&delegate);
  view.resize(600, 200);
  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  view.selectRow(1);
  view.setCurrentIndex(Files.index(1, fcPercent));
  ASSERT_FALSE(view.grab().isNull());

  Build(TReportKind::FilesInThisFolder, Tree.FindFolderNode("C:\\Data\\Sub"));
  Files.Reload();
  EXPECT_EQ(view.model()->rowCount(), 1);
  EXPECT_FALSE(view.selectionModel()->hasSelection());
  ASSERT_FALSE(view.grab().isNull());

  view.selectRow(0);
  Pane.Clear();
  Files.Reload();
  Tree.Clear();
  EXPECT_EQ(view.model()->rowCount(), 0);
  EXPECT_FALSE(view.selectionModel()->hasSelection());
  EXPECT_FALSE(view.grab().isNull());
}

TEST_F(ReportListModelsTest, CellTextsAreTheCoresTextsInTheLocale) {
  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  for (int row = 0; row < Files.rowCount(); ++row)
    for (int column = 0; column < Files.columnCount(); ++column)
      EXPECT_EQ(Files.data(Files.index(row, column)).toString().toStdString(),
                FilesCellText(*Pane.FilesRows()[static_cast<size_t>(row)],
                              Pane.FilesRows().PercentOf(*Pane.FilesRows()[static_cast<size_t>(row)]), column,
                              Pane.Kind(), Pane.SizeFormat()))
          << row << "/" << column;
  // 1000 of 1400: cut to two decimals, with the locale's separator.
  EXPECT_EQ(Files.data(Files.index(0, fcPercent)).toString(), "71,42 %");
  EXPECT_EQ(Files.data(Files.index(0, fcFolder)).toString(), "C:\\Data\\");

  Build(TReportKind::ExtensionsInThisFolder, Data);
  Extensions.Reload();
  ASSERT_EQ(Extensions.rowCount(), 2);
  EXPECT_EQ(Extensions.data(Extensions.index(0, ecName)).toString(), ".txt");
  EXPECT_EQ(Extensions.data(Extensions.index(1, ecCount)).toString(), "1");
  EXPECT_EQ(Extensions.data(Extensions.index(1, ecSize)).toString().toStdString(),
            ExtensionsCellText(*Pane.ExtensionsRows()[1], ecSize, Pane.SizeFormat()));
  EXPECT_FALSE(Extensions.data(Extensions.index(0, ecName), Qt::FontRole).isValid());
}

TEST_F(ReportListModelsTest, RowsOverTenPercentAreBoldOnlyInFilesAndFolders) {
  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  ASSERT_EQ(Files.rowCount(), 3);
  auto font = [this](int row) { return Files.data(Files.index(row, fcSize), Qt::FontRole); };
  // Sub 71 %, a.txt 21 %, b.bin 7 %.
  ASSERT_TRUE(font(0).isValid());
  EXPECT_TRUE(font(0).value<QFont>().bold());
  EXPECT_TRUE(font(1).isValid());
  EXPECT_FALSE(font(2).isValid());
  // Exactly 10 % is not over it.
  Tree.BeginUpdate();
  TFolderNode* tenth = Tree.GetFolderNode("C:\\Tenth", TItemInfo{}, nullptr, "");
  AddFile(tenth, "big", 900);
  AddFile(tenth, "small", 100);
  Tree.EndUpdate();
  Build(TReportKind::FilesInThisFolder, tenth);
  Files.Reload();
  ASSERT_EQ(Files.rowCount(), 2);
  EXPECT_TRUE(font(0).isValid());
  EXPECT_FALSE(font(1).isValid());

  Build(TReportKind::Top100Files, Data);
  Files.Reload();
  ASSERT_GT(Files.rowCount(), 0);
  for (int row = 0; row < Files.rowCount(); ++row) EXPECT_FALSE(font(row).isValid()) << row;
}

// Exposes what a view's delegate makes of the model's values.
class TOptionProbe : public QStyledItemDelegate {
 public:
  QStyleOptionViewItem OptionFor(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initStyleOption(&option, index);
    return option;
  }
};

TEST_F(ReportListModelsTest, PercentIsCentredAndTheRestLeftAlignedAsViewsReadIt) {
  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  const TOptionProbe probe;
  EXPECT_EQ(probe.OptionFor(Files.index(0, fcPercent)).displayAlignment, Qt::AlignCenter);
  EXPECT_EQ(probe.OptionFor(Files.index(0, fcName)).displayAlignment, Qt::AlignLeft | Qt::AlignVCenter);
  EXPECT_EQ(probe.OptionFor(Files.index(1, fcOwner)).displayAlignment, Qt::AlignLeft | Qt::AlignVCenter);

  Build(TReportKind::ExtensionsInThisFolder, Data);
  Extensions.Reload();
  EXPECT_EQ(probe.OptionFor(Extensions.index(0, ecSize)).displayAlignment, Qt::AlignLeft | Qt::AlignVCenter);
}

TEST_F(ReportListModelsTest, HeaderTextsByColumnAndTheirChangeSignal) {
  EXPECT_EQ(Files.headerData(0, Qt::Horizontal).toString(), "");
  QSignalSpy spy(&Files, &QAbstractItemModel::headerDataChanged);
  Files.SetHeaderTexts({"Name", "Size", "Percent"});
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy[0][0].value<Qt::Orientation>(), Qt::Horizontal);
  EXPECT_EQ(spy[0][1].toInt(), 0);
  EXPECT_EQ(spy[0][2].toInt(), 10);
  EXPECT_EQ(Files.headerData(2, Qt::Horizontal).toString(), "Percent");
  EXPECT_EQ(Files.headerData(3, Qt::Horizontal).toString(), "");  // not given
  EXPECT_FALSE(Files.headerData(11, Qt::Horizontal).isValid());
  EXPECT_FALSE(Files.headerData(0, Qt::Vertical).isValid());
  EXPECT_FALSE(Files.headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());

  Extensions.SetHeaderTexts({"Extension", "Size", "Files"});
  EXPECT_EQ(Extensions.headerData(2, Qt::Horizontal).toString(), "Files");
  EXPECT_EQ(Files.headerData(0, Qt::Horizontal).toString(), "Name");
}

TEST_F(ReportListModelsTest, FirstColumnImagesForFoldersDrivesAndFiles) {
  auto icon = [this](int row, int column = fcName) {
    return Files.data(Files.index(row, column), Qt::DecorationRole);
  };
  Build(TReportKind::FilesInThisFolder, Data);
  Files.Reload();
  const int sub = RowOf(Tree.FindFolderNode("C:\\Data\\Sub")->Data());
  const int file = RowOf(Data->Data()->Files.Find("a.txt"));
  ASSERT_GE(sub, 0);
  ASSERT_GE(file, 0);
  EXPECT_EQ(icon(sub).value<QIcon>().cacheKey(), Images.ClosedFolder.cacheKey());
  EXPECT_EQ(icon(file).value<QIcon>().cacheKey(), Images.AnyFile.cacheKey());
  EXPECT_FALSE(icon(sub, fcSize).isValid());

  // The greatest folders include the selected one, here a drive.
  TFolderNode* drive = Data->Parent();
  ASSERT_TRUE(drive->Data()->IsTopLevel());
  Build(TReportKind::Top100Folders, drive);
  Files.Reload();
  const int driveRow = RowOf(drive->Data());
  const int data = RowOf(Data->Data());
  ASSERT_GE(driveRow, 0);
  ASSERT_GE(data, 0);
  EXPECT_EQ(icon(driveRow).value<QIcon>().cacheKey(), Images.Drive.cacheKey());
  EXPECT_EQ(icon(data).value<QIcon>().cacheKey(), Images.ClosedFolder.cacheKey());

  Build(TReportKind::ExtensionsInThisFolder, Data);
  Extensions.Reload();
  EXPECT_FALSE(Extensions.data(Extensions.index(0, ecName), Qt::DecorationRole).isValid());
}

TEST_F(ReportListModelsTest, RowObjectsAreThePanesRowsOrNothing) {
  Build(TReportKind::FilesInThisFolder, Data);
  Build(TReportKind::ExtensionsInThisFolder, Data);
  EXPECT_EQ(Files.RowObject(0), Pane.FilesRows()[0]);
  EXPECT_EQ(Files.RowObject(2), Pane.FilesRows()[2]);
  EXPECT_EQ(Files.RowObject(3), nullptr);
  EXPECT_EQ(Files.RowObject(-1), nullptr);
  EXPECT_EQ(Extensions.RowObject(1), Pane.ExtensionsRows()[1].get());
  EXPECT_EQ(Extensions.RowObject(2), nullptr);
  EXPECT_EQ(Extensions.RowObject(-1), nullptr);
}

// ---- percent bar ----

TEST(PercentBarGeometry, OutlineTwoPixelsInBarOneMoreAndCutNotRounded) {
  const QRect cell(0, 0, 60, 18);
  EXPECT_EQ(PercentBarGeometry(cell, 50).Outline, QRect(2, 2, 56, 14));
  EXPECT_EQ(PercentBarGeometry(cell, 50).Bar, QRect(3, 3, 27, 12));
  EXPECT_EQ(PercentBarGeometry(cell, 33.3).Bar.width(), 17);  // 17.98
  EXPECT_EQ(PercentBarGeometry(cell, 100).Bar.width(), 54);
  EXPECT_EQ(PercentBarGeometry(cell, 0).Bar.width(), 0);
  // Stray values stay inside the outline.
  EXPECT_EQ(PercentBarGeometry(cell, 130).Bar.width(), 54);
  EXPECT_EQ(PercentBarGeometry(cell, -4).Bar.width(), 0);

  const TPercentBarGeometry moved = PercentBarGeometry(QRect(100, 40, 60, 18), 50);
  EXPECT_EQ(moved.Outline, QRect(102, 42, 56, 14));
  EXPECT_EQ(moved.Bar, QRect(103, 43, 27, 12));
  EXPECT_TRUE(PercentBarGeometry(QRect(0, 0, 5, 5), 80).Bar.isEmpty());
}

class PercentBarDelegateTest : public ReportListModelsTest {
 protected:
  static constexpr QRgb Lime = 0xFF00FF00, Silver = 0xFFC0C0C0, White = 0xFFFFFFFF;

  PercentBarDelegateTest() {
    // 25 % of the 194 px inside the outline: the bar covers x 3..50, left of
    // the centred text.
    Tree.BeginUpdate();
    TFolderNode* quarters = Tree.GetFolderNode("C:\\Quarters", TItemInfo{}, nullptr, "");
    for (const char* name : {"q1", "q2", "q3", "q4"}) AddFile(quarters, name, 100);
    Tree.EndUpdate();
    Build(TReportKind::FilesInThisFolder, quarters);
    Files.Reload();
  }

  QImage Paint(const QModelIndex& index, QStyle::State extra = {}) const {
    QImage image(200, 18, QImage::Format_ARGB32);
    image.fill(White);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 18);
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled | QStyle::State_Active | extra;
    // As a view selecting whole rows fills it: the selection covers the cell.
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

  TPercentBarDelegate Delegate{Pane};
};

TEST_F(PercentBarDelegateTest, BarOutlineAndTextInThePercentColumn) {
  const QImage image = Paint(Files.index(0, fcPercent));
  EXPECT_EQ(image.pixel(3, 3), Lime);
  EXPECT_EQ(image.pixel(50, 14), Lime);
  EXPECT_EQ(image.pixel(51, 9), White);
  EXPECT_EQ(image.pixel(190, 9), White);
  EXPECT_EQ(Count(image, Lime), 48 * 12);
  // The outline, and nothing outside it.
  EXPECT_EQ(image.pixel(2, 9), Silver);
  EXPECT_EQ(image.pixel(197, 9), Silver);
  EXPECT_EQ(image.pixel(190, 2), Silver);
  EXPECT_EQ(image.pixel(190, 15), Silver);
  EXPECT_EQ(image.pixel(1, 9), White);
  EXPECT_EQ(image.pixel(198, 9), White);
  EXPECT_EQ(image.pixel(190, 16), White);
  // The text is drawn as well: dark pixels in the middle.
  int dark = 0;
  for (int y = 3; y < 15; ++y)
    for (int x = 60; x < 140; ++x) dark += qGray(image.pixel(x, y)) < 128;
  EXPECT_GT(dark, 0);
}

TEST_F(PercentBarDelegateTest, SelectionPaintsUnderTheBarNotOverIt) {
  const QImage image = Paint(Files.index(0, fcPercent), QStyle::State_Selected);
  const QRgb highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight).rgb();
  ASSERT_NE(highlight, Lime);
  EXPECT_EQ(image.pixel(10, 9), Lime);
  EXPECT_EQ(Count(image, Lime), 48 * 12);
  EXPECT_EQ(image.pixel(60, 9), highlight);
  EXPECT_EQ(image.pixel(190, 9), highlight);
  EXPECT_EQ(image.pixel(197, 9), Silver);
}

TEST_F(PercentBarDelegateTest, NoBarInOtherColumnsOrOtherKinds) {
  EXPECT_EQ(Count(Paint(Files.index(0, fcPercent)), Lime), 48 * 12);
  EXPECT_EQ(Count(Paint(Files.index(0, fcSize)), Lime), 0);
  const QImage size = Paint(Files.index(0, fcSize));
  EXPECT_EQ(size.pixel(2, 9), White);
  EXPECT_EQ(size.pixel(197, 9), White);
  Pane.SetKind(TReportKind::Top100Files);  // same rows, another kind
  EXPECT_EQ(Count(Paint(Files.index(0, fcPercent)), Lime), 0);
}

}  // namespace
}  // namespace kv
