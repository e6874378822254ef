// The chart panel on its own, offscreen: what its series, axis and scroll bar
// hold for given points, the colour steps and the save and copy commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QValueAxis>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fakes/TempFolder.h"
#include "reports/ChartLook.h"
#include "reports/ChartPoints.h"
#include "scan/NodeData.h"
#include "settings/Option.h"
#include "settings/SettingsStore.h"
#include "settings/UserDialog.h"
#include "ui/ChartPanel.h"
#include "ui/QtUserDialog.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<TChartPoint> EqualPoints(int n) {
  std::vector<TChartPoint> points;
  for (int i = 0; i < n; ++i) points.push_back({100.0 + i, "p" + std::to_string(i)});
  return points;
}

QColor Q(TRgb c) { return QColor(c.R, c.G, c.B); }

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
  QChart* PieChart() { return Child<QChartView>("chrPie")->chart(); }
  QChart* BarChart() { return Child<QChartView>("Chart2")->chart(); }
  QPieSeries* Pie() { return static_cast<QPieSeries*>(PieChart()->series().at(0)); }
  QHorizontalStackedBarSeries* Bars() { return static_cast<QHorizontalStackedBarSeries*>(BarChart()->series().at(0)); }
  QValueAxis* PositionAxis() { return static_cast<QValueAxis*>(BarChart()->axes(Qt::Vertical).at(0)); }
  QColor BackgroundStart(QChart* chart) {
    const QGradient* gradient = chart->backgroundBrush().gradient();
    return gradient ? gradient->stops().first().second : QColor();
  }
  void ChooseBar() { Child<QAction>("mniBar")->trigger(); }

  TMemorySettingsStore Store;
  TOption Options{Store};
  TScriptedDialog Dialog;
  TChartPanel Panel{Options, Dialog, [](const char* id) { return std::string("T") + id; }};
  fs::path Dir = test::MakeTempFolder("kestrove-chartpanel");
};

TEST_F(ChartPanelTest, PieTakesThePointsInOrderWithTheirLabelsAndColours) {
  EXPECT_TRUE(Panel.PieShown());
  EXPECT_TRUE(Child<QAction>("mniPie")->isChecked());
  EXPECT_EQ(Child<QToolButton>("btnChartType")->text(), "T2131");
  // Three rows 70, 29, 1 as the window would turn them into points.
  std::vector<std::unique_ptr<TFileNodeData>> files;
  TListingRows rows;
  for (const auto& [name, size] : {std::pair{"a", 70}, {"b", 29}, {"c", 1}}) {
    files.push_back(std::make_unique<TFileNodeData>(name, size, 0, nullptr, TItemInfo{}, "o\\o"));
    rows.push_back(files.back().get());
  }
  Panel.RefreshChart(FillChartSeries(rows, Options.ChartOtherType));
  const QList<QPieSlice*> slices = Pie()->slices();
  ASSERT_EQ(slices.size(), 3);
  EXPECT_EQ(slices[0]->value(), 29);
  EXPECT_EQ(slices[0]->label(), "b");
  EXPECT_EQ(slices[1]->value(), 70);
  EXPECT_EQ(slices[2]->value(), 1);
  EXPECT_EQ(slices[2]->label(), "Others");
  EXPECT_TRUE(slices[0]->isLabelVisible());
  EXPECT_EQ(slices[0]->labelPosition(), QPieSlice::LabelOutside);
  EXPECT_EQ(slices[1]->color(), Q(PaletteColor(Options.ColorPalette, 1)));
  EXPECT_NE(slices[0]->color(), slices[1]->color());
  EXPECT_FALSE(PieChart()->legend()->isVisible());

  // A rebuild replaces the points; an empty report leaves the chart empty.
  Panel.RefreshChart({{5, "x"}});
  EXPECT_EQ(Pie()->count(), 1);
  Panel.RefreshChart({});
  EXPECT_EQ(Pie()->count(), 0);
}

TEST_F(ChartPanelTest, BarChartPagesSixPositionsWithTheScrollBar) {
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
  EXPECT_EQ(PositionAxis()->min(), 14);
  EXPECT_EQ(PositionAxis()->max(), 20);
  // Each point is its own bar at its own position, in a palette colour.
  double sum = 0;
  for (QBarSet* set : Bars()->barSets()) sum += set->at(19);
  EXPECT_EQ(sum, 119);
  EXPECT_EQ(Bars()->barSets().at(1)->at(1), 101);
  EXPECT_EQ(Bars()->barSets().at(1)->at(2), 0);
  EXPECT_EQ(Bars()->barSets().at(1)->color(), Q(PaletteColor(Options.ColorPalette, 1)));

  scrBar->setValue(15);
  EXPECT_EQ(PositionAxis()->min(), -1);
  EXPECT_EQ(PositionAxis()->max(), 5);
  // A rebuild shows the top window again and leaves the scroll bar where it is.
  Panel.RefreshChart(EqualPoints(20));
  EXPECT_EQ(PositionAxis()->min(), 14);
  EXPECT_EQ(scrBar->value(), 15);

  Panel.RefreshChart(EqualPoints(6));
  EXPECT_TRUE(scrBar->isVisibleTo(&Panel));
  EXPECT_EQ(scrBar->maximum(), 1);
  Panel.RefreshChart(EqualPoints(5));
  EXPECT_FALSE(scrBar->isVisibleTo(&Panel));
  EXPECT_EQ(PositionAxis()->min(), -1);
  EXPECT_EQ(PositionAxis()->max(), 5);
  Panel.RefreshChart({});
  EXPECT_EQ(Bars()->count(), 0);
  EXPECT_FALSE(scrBar->isVisibleTo(&Panel));

  // Back to the pie; the bar chart keeps what it had until the window rebuilds.
  Child<QAction>("mniPie")->trigger();
  EXPECT_EQ(chosen, 2);
  EXPECT_TRUE(Panel.PieShown());
  EXPECT_EQ(Child<QToolButton>("btnChartType")->text(), "T2131");
}

TEST_F(ChartPanelTest, ColourButtonsStepTheOptionsAndRestyleBothCharts) {
  EXPECT_EQ(BackgroundStart(PieChart()), Q(GradientColor(16)));
  Panel.RefreshChart(EqualPoints(3));
  Child<QToolButton>("btnOnOffGradient")->click();
  EXPECT_EQ(Options.ColorGradient, 17);
  EXPECT_EQ(BackgroundStart(PieChart()), Q(GradientColor(17)));
  EXPECT_EQ(BackgroundStart(BarChart()), Q(GradientColor(17)));
  Child<QToolButton>("btnOnOffGradient")->click();
  Child<QToolButton>("btnOnOffGradient")->click();
  EXPECT_EQ(Options.ColorGradient, 1);
  EXPECT_EQ(BackgroundStart(PieChart()), QColor(0, 0, 0));

  Child<QToolButton>("btnChangeColorPalette")->click();
  EXPECT_EQ(Options.ColorPalette, 8);
  EXPECT_EQ(Pie()->slices().at(0)->color(), Q(PaletteColor(8, 0)));
  EXPECT_NE(Q(PaletteColor(8, 0)), Q(PaletteColor(7, 0)));
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
  const std::string wmf = ReadAll(Dir / "chart.wmf");
  ASSERT_GE(wmf.size(), 4u);
  EXPECT_EQ(wmf.substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));
  EXPECT_TRUE(Dialog.Questions.empty());
  EXPECT_TRUE(Dialog.Errors.empty());

  // Another extension: an error, and nothing written.
  Dialog.SaveNames.push_back({(Dir / "chart.png").string(), 1});
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_NE(Dialog.Errors[0].find("chart.png"), std::string::npos);
  EXPECT_FALSE(fs::exists(Dir / "chart.png"));

  // An existing file: asked, and No leaves it alone.
  Dialog.SaveNames.push_back({(Dir / "chart.wmf").string(), 1});
  Dialog.Answers.push_back(false);
  Child<QToolButton>("btnSaveDiagram")->click();
  ASSERT_EQ(Dialog.Questions.size(), 1u);
  EXPECT_EQ(Dialog.Questions[0], "T21101");
  EXPECT_EQ(ReadAll(Dir / "chart.wmf"), wmf);

  // The bar chart as a bitmap, over the existing file after Yes.
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

TEST_F(ChartPanelTest, CopyPutsTheVisibleChartOnTheClipboard) {
  Panel.RefreshChart(EqualPoints(3));
  QGuiApplication::clipboard()->clear();
  Child<QToolButton>("btnSaveToClipboardDiagram")->click();
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), Child<QChartView>("chrPie")->size());
  EXPECT_FALSE(copied.isNull());
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
