// The treemap by change: the colour rule as a table. The window test checks
// the colours a real picture gets from a baseline.
#include <gtest/gtest.h>

#include <cstdlib>

#include "reports/ChangesReport.h"
#include "treemap/TreemapChange.h"

namespace kv {
namespace {

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

// How far a colour lies from the unchanged grey, summed over the channels.
int DistanceFromGrey(uint32_t color) {
  int sum = 0;
  for (const int shift : {0, 8, 16}) sum += std::abs(Channel(color, shift) - Channel(TreemapUnchangedColor, shift));
  return sum;
}

enum class THue { Grey, Red, Blue, Green };

THue HueOf(uint32_t color) {
  const int r = Channel(color, 16), g = Channel(color, 8), b = Channel(color, 0);
  if (r == g && g == b) return THue::Grey;
  if (r > g && r > b) return THue::Red;
  if (b > r && b > g) return THue::Blue;
  return g > r && g > b ? THue::Green : THue::Grey;
}

TEST(TreemapChangeColor, HueFollowsTheStateAndStrengthTheShareOfTheChange) {
  const struct {
    bool Found;
    int64_t Before, After;
    THue Hue;
  } cases[] = {
      {true, 100, 100, THue::Grey},  {true, 0, 0, THue::Grey},        {false, 0, 500, THue::Green},
      {false, 0, 0, THue::Green},    {true, 100, 101, THue::Red},     {true, 100, 200, THue::Red},
      {true, 0, 50, THue::Red},      {true, 101, 100, THue::Blue},    {true, 200, 100, THue::Blue},
      {true, 50, 0, THue::Blue},     {true, int64_t{1} << 50, (int64_t{1} << 50) + 1, THue::Red},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Found << " " << c.Before << " -> " << c.After);
    const uint32_t color = TreemapChangeColor(c.Found, c.Before, c.After);
    EXPECT_EQ(color >> 24, 0xFFu);
    EXPECT_EQ(HueOf(color), c.Hue);
    // Unchanged is exactly the grey; any change, however small, is not.
    EXPECT_EQ(color == TreemapUnchangedColor, c.Found && c.Before == c.After);
  }
  // A whole item appearing or vanishing takes the full hue of the column.
  EXPECT_EQ(TreemapChangeColor(true, 0, 50) & 0xFFFFFF, ChangeStateColor(TChangeState::Grown));
  EXPECT_EQ(TreemapChangeColor(true, 50, 0) & 0xFFFFFF, ChangeStateColor(TChangeState::Shrunk));
  EXPECT_EQ(TreemapChangeColor(false, 0, 7) & 0xFFFFFF, ChangeStateColor(TChangeState::New));
  // The larger the share, the further from grey; the share, not the bytes, decides.
  for (const bool grown : {true, false}) {
    SCOPED_TRACE(grown);
    int last = 0;
    for (const int64_t step : {1, 10, 40, 80, 100}) {
      const uint32_t color = grown ? TreemapChangeColor(true, 100, 100 + step) : TreemapChangeColor(true, 100 + step, 100);
      EXPECT_GT(DistanceFromGrey(color), last) << step;
      last = DistanceFromGrey(color);
    }
    EXPECT_EQ(grown ? TreemapChangeColor(true, 1000, 2000) : TreemapChangeColor(true, 2000, 1000),
              grown ? TreemapChangeColor(true, 10, 20) : TreemapChangeColor(true, 20, 10));
  }
}

}  // namespace
}  // namespace kv
