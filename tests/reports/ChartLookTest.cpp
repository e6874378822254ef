#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "reports/ChartLook.h"

namespace kv {
namespace {

TEST(ChartLookTest, GradientColorsFollowTheTableAndElseWhite) {
  const TRgb expected[] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                           {128, 0, 128},   {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0},
                           {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},
                           {192, 192, 192}, {128, 128, 128}, {255, 255, 255}};
  for (int32_t i = 1; i <= 18; ++i) EXPECT_EQ(GradientColor(i), expected[i - 1]) << "index " << i;
  for (int32_t i : {0, -1, 19, 1000}) EXPECT_EQ(GradientColor(i), (TRgb{255, 255, 255})) << "index " << i;
}

TEST(ChartLookTest, StepsWrapToOne) {
  std::vector<int32_t> gradients{16};
  for (int i = 0; i < 4; ++i) gradients.push_back(NextGradient(gradients.back()));
  EXPECT_EQ(gradients, (std::vector<int32_t>{16, 17, 18, 1, 2}));
  std::vector<int32_t> palettes{7};
  for (int i = 0; i < 7; ++i) palettes.push_back(NextPalette(palettes.back()));
  EXPECT_EQ(palettes, (std::vector<int32_t>{7, 8, 9, 10, 11, 12, 1, 2}));
}

TEST(ChartLookTest, PalettesAreUsedInTurnAndDiffer) {
  std::set<std::vector<uint8_t>> distinct;
  for (int32_t p = 1; p <= ChartPaletteCount; ++p) {
    const size_t n = PaletteSize(p);
    ASSERT_GE(n, 2u);
    EXPECT_EQ(PaletteColor(p, n), PaletteColor(p, 0)) << "palette " << p;
    EXPECT_EQ(PaletteColor(p, n + 1), PaletteColor(p, 1)) << "palette " << p;
    EXPECT_NE(PaletteColor(p, 0), PaletteColor(p, 1)) << "palette " << p;
    std::vector<uint8_t> flat;
    for (size_t i = 0; i < n; ++i) flat.insert(flat.end(), {PaletteColor(p, i).R, PaletteColor(p, i).G, PaletteColor(p, i).B});
    distinct.insert(flat);
  }
  EXPECT_EQ(distinct.size(), 12u);
  // An unknown number falls back to the first palette.
  EXPECT_EQ(PaletteColor(0, 3), PaletteColor(1, 3));
  // Neighbours never share a colour, also the last and the first of a pie.
  for (int32_t p = 1; p <= ChartPaletteCount; ++p)
    for (size_t count = 2; count <= 3 * PaletteSize(p) + 1; ++count)
      for (size_t i = 0; i < count; ++i)
        EXPECT_NE(PaletteColor(p, i, count), PaletteColor(p, (i + 1) % count, count))
            << "palette " << p << ", " << count << " points, point " << i;
  EXPECT_EQ(PaletteColor(13, 3), PaletteColor(1, 3));
}

TEST(ChartLookTest, SaveNameGetsTheFilterExtensionAndTheExtensionDecides) {
  TChartSaveTarget t = ChartSaveTarget("/tmp/chart", 2);
  EXPECT_EQ(t.FileName, "/tmp/chart.wmf");
  EXPECT_EQ(t.Format, TChartImageFormat::Metafile);
  t = ChartSaveTarget("/tmp/chart", 1);
  EXPECT_EQ(t.FileName, "/tmp/chart.bmp");
  EXPECT_EQ(t.Format, TChartImageFormat::Bitmap);
  // The extension wins over the filter entry, in any case.
  t = ChartSaveTarget("/tmp/Chart.BmP", 2);
  EXPECT_EQ(t.FileName, "/tmp/Chart.BmP");
  EXPECT_EQ(t.Format, TChartImageFormat::Bitmap);
  t = ChartSaveTarget("C:\\x\\c.Wmf", 1);
  EXPECT_EQ(t.Format, TChartImageFormat::Metafile);
  EXPECT_TRUE(t.Error.empty());
  // A dot in a folder name is no extension.
  t = ChartSaveTarget("/tmp/a.b/chart", 1);
  EXPECT_EQ(t.FileName, "/tmp/a.b/chart.bmp");
  t = ChartSaveTarget("C:\\a.b\\chart", 2);
  EXPECT_EQ(t.FileName, "C:\\a.b\\chart.wmf");
  // Any other extension: nothing to write, and a message naming the file.
  for (const std::string name : {"/tmp/chart.png", "/tmp/chart.bmp.txt", "/tmp/chart."}) {
    t = ChartSaveTarget(name, 1);
    EXPECT_EQ(t.FileName, name);
    EXPECT_FALSE(t.Format.has_value()) << name;
    EXPECT_NE(t.Error.find("\"" + name + "\""), std::string::npos) << t.Error;
  }
}

}  // namespace
}  // namespace kv
