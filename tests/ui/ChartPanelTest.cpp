// The chart panel on its own, offscreen: what it draws for given points (its
// pictures, looked at pixel by pixel), the scroll bar, the colour steps and the
// save and copy commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "reports/ChartLook.h"
#include "reports/ChartPoints.h"
#include "model/NodeData.h"
#include "app/Option.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "app/UserDialog.h"
#include "ui/ChartPanel.h"
#include "ui/ChartViews.h"
#include "ui/QtUserDialog.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;

std::vector<TChartPoint> EqualPoints(int n) {
  std::vector<TChartPoint> points;
  for (int i = 0; i < n; ++i) points.push_back({100.0 + i, "p" + std::to_string(i)});
  return points;
}

QColor Q(TRgb c) { return QColor(c.R, c.G, c.B); }

bool Near(QRgb pixel, const QColor& colour, int tolerance) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

int CountNear(const QImage& image, const QColor& colour, int tolerance = 10) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += Near(image.pixel(x, y), colour, tolerance);
  return count;
}

// The lengths of the runs of red pixels down one column: the bars' fronts
// begin red at their left end.
std::vector<int> RedRuns(const QImage& image, int x) {
  std::vector<int> runs;
  int run = 0;
  for (int y = 0; y <= image.height(); ++y) {
    const bool red = y < image.height() && qRed(image.pixel(x, y)) >= 200 && qGreen(image.pixel(x, y)) <= 60 &&
                     qBlue(image.pixel(x, y)) <= 60;
    if (red) {
      ++run;
    } else if (run > 0) {
      runs.push_back(run);
      run = 0;
    }
  }
  return runs;
}

// The mark boxes' fill.
const QColor MarkFill(255, 255, 240);

class ChartPanelTest : public ::testing::Test {
 protected:
  ChartPanelTest() {
    Panel.resize(480, 320);
    Panel.ApplyLanguage();
    Panel.show();
  }
  ~ChartPanelTest() override { fs::remove_all(Dir); }

  template <class T>
  T* Child(const char* name) {
    T* child = Panel.findChild<T*>(QString::fromLatin1(name));
    if (!child) ADD_FAILURE() << "no child " << name;
    return child;
  }
  const TChartView& View(const char* name) { return dynamic_cast<const TChartView&>(*Child<QWidget>(name)); }
  void ChooseBar() { Child<QAction>("mniBar")->trigger(); }
  QImage Picture() { return Panel.RenderVisibleChart().convertToFormat(QImage::Format_RGB32); }
  // Runs of red a little right of the bars' left ends.
  std::vector<int> Bars() { return RedRuns(Picture(), 14); }

  TMemorySettingsStore Store;
  TOption Options{Store};
  TScriptedDialog Dialog;
  // "T" and the id; the messages also keep a place for the file name.
  TChartPanel Panel{Options, Dialog, [](const char* id) {
                      const std::string_view key(id);
                      const bool message = key == IdChartNotEncoded || key == IdChartWrongExtension;
                      return std::string("T") + id + (message ? " %s" : "");
                    }};
  fs::path Dir = test::MakeTempFolder("kestrove-chartpanel");
};

TEST_F(ChartPanelTest, PieDrawsEveryPointInItsPaletteColourWithItsMarkOverTheGradient) {
  EXPECT_TRUE(Panel.PieShown());
  EXPECT_TRUE(Child<QAction>("mniPie")->isChecked());
  EXPECT_EQ(Child<QToolButton>("btnChartType")->text(), "T2131");
  // Three rows 70, 29, 1 as the window turns them into points: drawn in that order.
  std::vector<std::unique_ptr<TFileNodeData>> files;
  TListingRows rows;
  for (const auto& [name, size] : {std::pair{"a", 70}, {"b", 29}, {"c", 1}}) {
    files.push_back(std::make_unique<TFileNodeData>(name, size, 0, nullptr, TItemInfo{}, "o\\o"));
    rows.push_back(files.back().get());
  }
  Panel.RefreshChart(FillChartSeries(rows, TSizeType::FileSize, Options.ChartOtherType));
  EXPECT_EQ(View("chrPie").Points(), (std::vector<TChartPoint>{{29, "b"}, {70, "a"}, {1, "Others"}}));

  Panel.RefreshChart(EqualPoints(3));
  const QImage pie = Picture();
  EXPECT_EQ(pie.size(), Child<QWidget>("chrPie")->size());
  for (size_t i = 0; i < 3; ++i) EXPECT_GT(CountNear(pie, Q(PaletteColor(Options.ColorPalette, i))), 20) << i;
  EXPECT_EQ(CountNear(pie, Q(PaletteColor(Options.ColorPalette, 3)), 4), 0);
  // The background runs from the gradient's colour at the top to white at the bottom.
  EXPECT_TRUE(Near(pie.pixel(0, 0), Q(GradientColor(16)), 2));
  EXPECT_TRUE(Near(pie.pixel(0, pie.height() - 1), Qt::white, 2));
  // Every point's mark is drawn; an empty label has none.
  EXPECT_GT(CountNear(pie, MarkFill, 0), 3 * 100);
  Panel.RefreshChart({{5, ""}});
  EXPECT_GT(CountNear(Picture(), Q(PaletteColor(Options.ColorPalette, 0))), 20);
  EXPECT_EQ(CountNear(Picture(), MarkFill, 0), 0);

  // A rebuild replaces the points; an empty report leaves only the background.
  Panel.RefreshChart({});
  EXPECT_TRUE(View("chrPie").Points().empty());
  const QImage empty = Picture();
  for (int y = 0; y < empty.height(); y += 7)
    EXPECT_TRUE(Near(empty.pixel(empty.width() / 2, y), empty.pixel(0, y), 1)) << y;
}

TEST_F(ChartPanelTest, PieIsDrawnInThreeDimensionsWithItsSideWallsDarker) {
  Panel.RefreshChart({{1, "x"}});
  const QImage pie = Picture();
  const QColor colour = Q(PaletteColor(Options.ColorPalette, 0));
  // A shade: hue and saturation kept, less bright. The top's rim turns towards
  // teal instead, losing saturation.
  const auto shade = [&colour](const QColor& c) {
    const int hue = std::abs(c.hsvHue() - colour.hsvHue());
    return c.hsvHue() >= 0 && std::min(hue, 360 - hue) <= 8 && c.hsvSaturation() >= colour.hsvSaturation() - 20 &&
           c.value() < colour.value() - 30;
  };
  // Down a column right of the middle: the lit top, then below its rim the
  // wall, many rows of a darker shade of the same colour.
  const int x = pie.width() / 2 + 20;
  int top = -1, wall = 0, run = 0;
  for (int y = 0; y < pie.height(); ++y) {
    const QColor c = pie.pixelColor(x, y);
    if (Near(c.rgb(), colour, 10)) top = y;
    run = top >= 0 && shade(c) ? run + 1 : 0;
    wall = std::max(wall, run);
  }
  ASSERT_GE(top, 0);
  EXPECT_GE(wall, 6);
}

TEST_F(ChartPanelTest, BarChartDrawsSixPositionsOfTwentyPixelBarsAndPagesWithTheScrollBar) {
  int chosen = 0;
  Panel.OnChartTypeChosen = [&] { ++chosen; };
  ChooseBar();
  EXPECT_EQ(chosen, 1);
  EXPECT_FALSE(Panel.PieShown());
  EXPECT_EQ(Child<QStackedWidget>("pgcChart")->currentWidget()->objectName(), "tbsBar");
  EXPECT_FALSE(Child<QAction>("mniPie")->isChecked());
  EXPECT_EQ(Child<QToolButton>("btnChartType")->text(), "T2130");
  auto* scrBar = Child<QScrollBar>("scrBar");
  EXPECT_FALSE(scrBar->isVisibleTo(&Panel));

  Panel.RefreshChart(EqualPoints(20));
  EXPECT_TRUE(scrBar->isVisibleTo(&Panel));
  EXPECT_EQ(scrBar->minimum(), 0);
  EXPECT_EQ(scrBar->maximum(), 15);
  EXPECT_EQ(Bars(), std::vector<int>(6, BarChartBarHeight));
  // The bars of positions 14 to 19, each in its own palette colour.
  const QImage first = Picture();
  EXPECT_EQ(first.size(), Child<QWidget>("Chart2")->size());
  for (size_t point = 14; point < 20; ++point)
    EXPECT_GT(CountNear(first, Q(PaletteColor(Options.ColorPalette, point)), 6), 10) << point;
  // Its background passes through silver in the middle.
  EXPECT_TRUE(Near(first.pixel(0, 0), Q(GradientColor(16)), 2));
  EXPECT_TRUE(Near(first.pixel(0, first.height() / 2), QColor(192, 192, 192), 3));
  EXPECT_TRUE(Near(first.pixel(0, first.height() - 1), Qt::white, 3));

  // The last page: positions -1 to 4, the points 0 to 4 under an empty slot.
  scrBar->setValue(15);
  EXPECT_EQ(Bars(), std::vector<int>(5, BarChartBarHeight));
  const QImage last = Picture();
  EXPECT_NE(last, first);
  // A rebuild shows the top window again and leaves the scroll bar where it is.
  Panel.RefreshChart(EqualPoints(20));
  EXPECT_EQ(Picture(), first);
  EXPECT_EQ(scrBar->value(), 15);

  Panel.RefreshChart(EqualPoints(6));
  EXPECT_TRUE(scrBar->isVisibleTo(&Panel));
  EXPECT_EQ(scrBar->maximum(), 1);
  EXPECT_EQ(Bars(), std::vector<int>(6, BarChartBarHeight));
  Panel.RefreshChart(EqualPoints(5));
  EXPECT_FALSE(scrBar->isVisibleTo(&Panel));
  EXPECT_EQ(Bars(), std::vector<int>(5, BarChartBarHeight));
  Panel.RefreshChart({});
  EXPECT_TRUE(Bars().empty());
  EXPECT_FALSE(scrBar->isVisibleTo(&Panel));

  // Bars keep their height in a larger panel.
  Panel.resize(900, 600);
  Panel.RefreshChart(EqualPoints(3));
  EXPECT_EQ(Bars(), std::vector<int>(3, BarChartBarHeight));

  // Back to the pie; the bar chart keeps what it had until the window rebuilds.
  Child<QAction>("mniPie")->trigger();
  EXPECT_EQ(chosen, 2);
  EXPECT_TRUE(Panel.PieShown());
  EXPECT_EQ(Child<QToolButton>("btnChartType")->text(), "T2131");
  EXPECT_EQ(View("Chart2").Points().size(), 3u);
}

TEST_F(ChartPanelTest, ColourButtonsStepTheOptionsAndRedrawBothCharts) {
  const auto corner = [this](bool pie) {
    pie ? Panel.ShowPie() : Panel.ShowBar();
    return Picture().pixel(0, 0);
  };
  EXPECT_TRUE(Near(corner(true), Q(GradientColor(16)), 2));
  Panel.RefreshChart(EqualPoints(3));
  Child<QToolButton>("btnOnOffGradient")->click();
  EXPECT_EQ(Options.ColorGradient, 17);
  EXPECT_TRUE(Near(corner(true), Q(GradientColor(17)), 2));
  EXPECT_TRUE(Near(corner(false), Q(GradientColor(17)), 2));
  Child<QToolButton>("btnOnOffGradient")->click();
  Child<QToolButton>("btnOnOffGradient")->click();
  EXPECT_EQ(Options.ColorGradient, 1);
  EXPECT_TRUE(Near(corner(true), QColor(0, 0, 0), 2));
  EXPECT_TRUE(Near(corner(false), QColor(0, 0, 0), 2));

  Panel.ShowPie();
  Panel.RefreshChart(EqualPoints(3));
  EXPECT_GT(CountNear(Picture(), Q(PaletteColor(7, 0))), 20);
  Child<QToolButton>("btnChangeColorPalette")->click();
  EXPECT_EQ(Options.ColorPalette, 8);
  const QImage repainted = Picture();
  for (size_t i = 0; i < 3; ++i) EXPECT_GT(CountNear(repainted, Q(PaletteColor(8, i))), 20) << i;
  EXPECT_LT(CountNear(repainted, Q(PaletteColor(7, 0))), 5);
  for (int i = 0; i < 5; ++i) Child<QToolButton>("btnChangeColorPalette")->click();
  EXPECT_EQ(Options.ColorPalette, 1);
}

TEST_F(ChartPanelTest, SaveWritesTheChosenFormatAndNeverOverwritesUnasked) {
  Panel.RefreshChart(EqualPoints(3));
  const fs::path base = Dir / "chart";
  Dialog.SaveNames.push_back({base.string(), 2});
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.SaveFilters.size(), 1u);
  EXPECT_EQ(Dialog.SaveFilters[0], "Bitmap|*.bmp|Metafile|*.wmf");
  EXPECT_EQ(Dialog.FileTitles, std::vector<std::string>{"T2423"});
  const std::string wmf = ReadAll(Dir / "chart.wmf");
  ASSERT_GE(wmf.size(), 4u);
  EXPECT_EQ(wmf.substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));
  EXPECT_TRUE(Dialog.Questions.empty());
  EXPECT_TRUE(Dialog.Errors.empty());

  // Another extension: the language's message with the name, and nothing written.
  Dialog.SaveNames.push_back({(Dir / "chart.png").string(), 1});
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_EQ(Dialog.Errors[0], "T2322 " + (Dir / "chart.png").string());
  EXPECT_FALSE(fs::exists(Dir / "chart.png"));

  // An existing file: asked, and No leaves it alone.
  Dialog.SaveNames.push_back({(Dir / "chart.wmf").string(), 1});
  Dialog.Answers.push_back(false);
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Questions.size(), 1u);
  EXPECT_EQ(Dialog.Questions[0], "T21101");
  EXPECT_EQ(ReadAll(Dir / "chart.wmf"), wmf);

  // The bar chart as a bitmap, over the existing file after Yes: the picture as drawn.
  ChooseBar();
  Panel.RefreshChart(EqualPoints(3));
  std::ofstream(Dir / "bars.bmp") << "old";
  Dialog.SaveNames.push_back({(Dir / "bars").string(), 1});
  Dialog.Answers.push_back(true);
  Child<QToolButton>("btnSaveDiagram")->click();
  EXPECT_EQ(Dialog.Questions.size(), 2u);
  const std::string bmp = ReadAll(Dir / "bars.bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  QImage saved;
  ASSERT_TRUE(saved.load(QString::fromStdString((Dir / "bars.bmp").string()), "BMP"));
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Picture());
  EXPECT_EQ(Dialog.Errors.size(), 1u);

  // A folder that does not exist: the file layer's message.
  Dialog.SaveNames.push_back({(Dir / "missing" / "c.bmp").string(), 1});
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Errors.size(), 2u);
  EXPECT_EQ(Dialog.Errors[1].rfind("Cannot create file", 0), 0u) << Dialog.Errors[1];

  // Cancelled: nothing happens.
  Child<QToolButton>("btnSaveDiagram")->click();
  EXPECT_EQ(Dialog.Errors.size(), 2u);
  EXPECT_EQ(Dialog.SaveFilters.size(), 6u);
}

TEST_F(ChartPanelTest, APictureTooLargeForAMetafileGivesTheLanguagesMessage) {
  Panel.resize(33000, 120);
  Panel.RefreshChart(EqualPoints(2));
  Dialog.SaveNames.push_back({(Dir / "wide.wmf").string(), 2});
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_EQ(Dialog.Errors[0], "T2321 " + (Dir / "wide.wmf").string());
  EXPECT_FALSE(fs::exists(Dir / "wide.wmf"));
}

TEST_F(ChartPanelTest, CopyPutsTheVisibleChartOnTheClipboard) {
  Panel.RefreshChart(EqualPoints(3));
  QGuiApplication::clipboard()->clear();
  Child<QToolButton>("btnSaveToClipboardDiagram")->click();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(copied.isNull());
  EXPECT_EQ(copied.size(), Child<QWidget>("chrPie")->size());
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), Picture());
}

TEST_F(ChartPanelTest, MenuAndLanguage) {
  auto* menu = Child<QMenu>("mnuCharType");
  ASSERT_EQ(menu->actions().size(), 4);
  EXPECT_TRUE(menu->actions().at(2)->isSeparator());
  EXPECT_EQ(menu->actions().at(3)->objectName(), "mniChartSettings");
  EXPECT_EQ(menu->actions().at(3)->text(), "T2139");
  EXPECT_EQ(Child<QToolButton>("btnChartType")->menu(), menu);
  EXPECT_EQ(Child<QToolButton>("btnSaveDiagram")->toolTip(), "T2153");
  EXPECT_EQ(Child<QToolButton>("btnOnOffGradient")->toolTip(), "T2156");
  EXPECT_EQ(Panel.PieAction()->text(), "T2131");
  EXPECT_EQ(Panel.BarAction()->text(), "T2130");
}

TEST(QtFileFilters, PairsBecomeQtEntries) {
  EXPECT_EQ(QtFileFilters("Bitmap|*.bmp|Metafile|*.wmf"),
            (QStringList{"Bitmap (*.bmp)", "Metafile (*.wmf)"}));
  EXPECT_EQ(QtFileFilters("Text|*.txt"), QStringList{"Text (*.txt)"});
  EXPECT_TRUE(QtFileFilters("").isEmpty());
}

}  // namespace
}  // namespace kv
