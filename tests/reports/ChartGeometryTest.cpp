#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "reports/ChartGeometry.h"

namespace kv {

void PrintTo(const TChartRect& r, std::ostream* out) {
  *out << "{" << r.X << ", " << r.Y << " " << r.Width << "x" << r.Height << "}";
}

namespace {

using Points = std::vector<TChartPoint>;

Points Values(const std::vector<double>& values) {
  Points points;
  for (double v : values) points.push_back({v, "p" + std::to_string(points.size())});
  return points;
}

Points Equal(int n) {
  Points points;
  for (int i = 0; i < n; ++i) points.push_back({100.0 + i, "p" + std::to_string(i)});
  return points;
}

// Marks of one size, as a font of the usual height would give.
std::vector<TMarkSize> Marks(size_t n, int width = 60, int height = 16) {
  return std::vector<TMarkSize>(n, TMarkSize{width, height});
}

bool Inside(const TChartRect& r, int width, int height) {
  return r.X >= 0 && r.Y >= 0 && r.Right() <= width && r.Bottom() <= height;
}

bool Overlap(const TChartRect& a, const TChartRect& b) {
  return a.X < b.Right() && b.X < a.Right() && a.Y < b.Bottom() && b.Y < a.Bottom();
}

// The angle of a spot seen from the pie's centre, undoing the ellipse.
double AngleOf(const TPieGeometry& pie, double x, double y) {
  const double a = std::atan2(-(y - pie.CenterY) / pie.RadiusY, (x - pie.CenterX) / pie.RadiusX) * 180 /
                   std::numbers::pi;
  return a < 0 ? a + 360 : a;
}

// ---------------------------------------------------------------- pie

struct SliceCase {
  const char* Name;
  std::vector<double> Values;
  std::vector<double> Spans;
};

TEST(PieGeometry, SpansFollowTheValuesInPointOrderFromThreeOClockAndSumTo360) {
  const SliceCase cases[] = {
      {"one point", {5}, {360}},
      {"two equal", {1, 1}, {180, 180}},
      {"29, 70 and Others 1", {29, 70, 1}, {104.4, 252, 3.6}},
      {"zero values in between", {0, 3, 0, 1}, {0, 270, 0, 90}},
      {"negative counts as zero", {-5, 1, 1}, {0, 180, 180}},
      {"huge sizes", {4e15, 4e15, 2e15}, {144, 144, 72}},
  };
  for (const SliceCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TPieGeometry pie = PieChartGeometry(Values(c.Values), Marks(c.Values.size()), 400, 250);
    ASSERT_EQ(pie.Slices.size(), c.Spans.size());
    double sum = 0, start = 0;
    for (size_t i = 0; i < c.Spans.size(); ++i) {
      EXPECT_EQ(pie.Slices[i].Point, static_cast<int>(i));
      EXPECT_NEAR(pie.Slices[i].SpanAngle, c.Spans[i], 1e-9) << i;
      EXPECT_NEAR(pie.Slices[i].StartAngle, start, 1e-9) << i;
      start += pie.Slices[i].SpanAngle;
      sum += pie.Slices[i].SpanAngle;
    }
    EXPECT_NEAR(sum, 360, 1e-9);
    EXPECT_DOUBLE_EQ(pie.Slices.back().StartAngle + pie.Slices.back().SpanAngle, 360);
  }
}

TEST(PieGeometry, NothingToDrawWithoutAPositiveTotalOrArea) {
  for (const auto& [points, w, h] : {std::tuple{Points{}, 400, 250}, {Values({0, 0}), 400, 250},
                                     {Values({3}), 0, 250}, {Values({3}), 400, -1}}) {
    const TPieGeometry pie = PieChartGeometry(points, Marks(points.size()), w, h);
    EXPECT_TRUE(pie.Slices.empty());
    EXPECT_TRUE(pie.Marks.empty());
    EXPECT_EQ(pie.RadiusX, 0);
  }
}

TEST(PieGeometry, CircledTiltedByTheElevationWithTheDepthBelowAndAllInside) {
  // Wide areas limit the pie by their height, narrow ones by their width.
  const std::pair<int, int> sizes[] = {{400, 250}, {1000, 300}, {300, 800}, {200, 120}, {1600, 1000}};
  for (const auto& [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const TPieGeometry pie = PieChartGeometry(Values({1, 2, 3}), Marks(3), w, h);
    EXPECT_GT(pie.RadiusX, 10);
    EXPECT_NEAR(pie.RadiusY / pie.RadiusX, std::sin(45 * std::numbers::pi / 180), 1e-9);
    EXPECT_GT(pie.Depth, 0);
    EXPECT_LT(pie.Depth, pie.RadiusY);
    EXPECT_GE(pie.CenterX - pie.RadiusX, 0);
    EXPECT_LE(pie.CenterX + pie.RadiusX, w);
    EXPECT_GE(pie.CenterY - pie.RadiusY, 0);
    EXPECT_LE(pie.CenterY + pie.RadiusY + pie.Depth, h);
    // Centred in the area, and as large as the room beside it allows.
    EXPECT_NEAR(pie.CenterY - pie.RadiusY, h - (pie.CenterY + pie.RadiusY + pie.Depth), 1e-9);
    const bool heightBound = pie.RadiusY * 2 + pie.Depth > h - 2 * ChartEdge - MarkArrowLength - 1;
    const bool widthBound = pie.RadiusX * 2 + 2 * (60 + MarkArrowLength) > w - 2 * ChartEdge - 1;
    EXPECT_TRUE(heightBound || widthBound);
  }
}

TEST(PieGeometry, SideWallsCoverExactlyTheFrontHalf) {
  for (const std::vector<double>& values :
       {std::vector<double>{1}, {1, 1}, {1, 2, 3, 4, 5}, {10, 0, 1}, {1, 100}, {100, 1, 1, 1}}) {
    const TPieGeometry pie = PieChartGeometry(Values(values), Marks(values.size()), 400, 250);
    double front = 0;
    for (const TPieSlice& s : pie.Slices) {
      if (s.WallSpanAngle == 0) continue;
      EXPECT_GE(s.WallStartAngle, 180);
      EXPECT_LE(s.WallStartAngle + s.WallSpanAngle, 360 + 1e-9);
      EXPECT_GE(s.WallStartAngle, s.StartAngle - 1e-9);
      EXPECT_LE(s.WallStartAngle + s.WallSpanAngle, s.StartAngle + s.SpanAngle + 1e-9);
      front += s.WallSpanAngle;
    }
    EXPECT_NEAR(front, 180, 1e-9) << values.size();
  }
}

TEST(PieGeometry, MarksStayInsideBesideTheirSliceAndNeverOverlap) {
  struct Case {
    int Points, Width, Height;
    bool Apart;  // room enough on each side for all its marks; else some are left out
  };
  const Case cases[] = {{1, 400, 250, true},   {3, 400, 250, true},  {12, 400, 250, true}, {12, 1000, 600, true},
                        {12, 300, 800, true},  {40, 400, 250, false}, {40, 1200, 900, true}, {60, 200, 120, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Points) + " points, " + std::to_string(c.Width) + "x" + std::to_string(c.Height));
    const TPieGeometry pie = PieChartGeometry(Equal(c.Points), Marks(c.Points, 50), c.Width, c.Height);
    if (c.Apart) {
      ASSERT_EQ(pie.Marks.size(), static_cast<size_t>(c.Points));
    } else {
      ASSERT_LT(pie.Marks.size(), static_cast<size_t>(c.Points));
    }
    ASSERT_FALSE(pie.Marks.empty());
    for (size_t i = 0; i < pie.Marks.size(); ++i) {
      const TChartMark& m = pie.Marks[i];
      if (c.Apart) {
        EXPECT_EQ(m.Point, static_cast<int>(i));
      }
      if (i > 0) {
        EXPECT_GT(m.Point, pie.Marks[i - 1].Point);
      }
      EXPECT_TRUE(Inside(m.Box, c.Width, c.Height)) << ::testing::PrintToString(m.Box);
      // Beside the pie, on the side of its slice.
      const TPieSlice& s = pie.Slices[static_cast<size_t>(m.Point)];
      const double middle = s.StartAngle + s.SpanAngle / 2;
      const bool right = std::cos(middle * std::numbers::pi / 180) >= 0;
      if (right) {
        EXPECT_GE(m.Box.X, pie.CenterX + pie.RadiusX);
        EXPECT_DOUBLE_EQ(m.From.X, m.Box.X);
      } else {
        EXPECT_LE(m.Box.Right(), pie.CenterX - pie.RadiusX);
        EXPECT_DOUBLE_EQ(m.From.X, m.Box.Right());
      }
      EXPECT_DOUBLE_EQ(m.From.Y, m.Box.Y + m.Box.Height / 2.0);
      // The arrow's head is on the rim at the slice's middle; the bend further out.
      EXPECT_NEAR(AngleOf(pie, m.To.X, m.To.Y - (middle > 180 ? pie.Depth / 2 : 0)), std::fmod(middle, 360), 1e-6);
      EXPECT_GT(std::hypot(m.Bend.X - pie.CenterX, m.Bend.Y - pie.CenterY),
                std::hypot(m.To.X - pie.CenterX, m.To.Y - pie.CenterY));
    }
    int overlaps = 0;
    for (size_t i = 0; i < pie.Marks.size(); ++i)
      for (size_t j = i + 1; j < pie.Marks.size(); ++j) overlaps += Overlap(pie.Marks[i].Box, pie.Marks[j].Box);
    EXPECT_EQ(overlaps, 0);
  }
}

TEST(PieGeometry, EmptyLabelsGetNoMarkAndZeroSlicesKeepTheirs) {
  std::vector<TMarkSize> sizes = Marks(4);
  sizes[1] = {0, 16};  // an extension row without extension
  const TPieGeometry pie = PieChartGeometry(Values({0, 5, 0, 5}), sizes, 400, 250);
  ASSERT_EQ(pie.Marks.size(), 3u);
  EXPECT_EQ(pie.Marks[0].Point, 0);
  EXPECT_EQ(pie.Marks[1].Point, 2);
  EXPECT_EQ(pie.Marks[2].Point, 3);
  // The zero slices at 0 and 180 degrees: their marks right and left.
  EXPECT_GT(pie.Marks[0].Box.X, pie.CenterX);
  EXPECT_LT(pie.Marks[1].Box.X, pie.CenterX);
  // Fewer sizes than points: the rest are empty labels.
  EXPECT_EQ(PieChartGeometry(Values({1, 1, 1}), Marks(1), 400, 250).Marks.size(), 1u);
}

TEST(PieGeometry, WideLabelsShrinkThePieButStayInside) {
  const TPieGeometry narrow = PieChartGeometry(Equal(4), Marks(4, 40), 400, 250);
  const TPieGeometry wide = PieChartGeometry(Equal(4), Marks(4, 120), 400, 250);
  EXPECT_LT(wide.RadiusX, narrow.RadiusX);
  for (const TChartMark& m : wide.Marks) EXPECT_TRUE(Inside(m.Box, 400, 250)) << ::testing::PrintToString(m.Box);
}

// ---------------------------------------------------------------- bars

struct WindowCase {
  int Points, Scroll;
  std::vector<int> Shown;  // the positions drawn, bottom to top
  std::vector<int> Slots;  // the slot of each, 0 the bottom
};

TEST(BarGeometry, ShowsTheWindowOfSixPositionsOfThePagingRules) {
  const WindowCase cases[] = {
      {20, 0, {14, 15, 16, 17, 18, 19}, {0, 1, 2, 3, 4, 5}},  // axis 14 to 20
      {20, 15, {0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}},             // axis -1 to 5
      {20, 99, {0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}},             // past the end: the last window
      {20, 7, {7, 8, 9, 10, 11, 12}, {0, 1, 2, 3, 4, 5}},
      {6, 1, {0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}},
      {5, 0, {0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}},
      {3, 0, {0, 1, 2}, {3, 4, 5}},                           // few points stand at the top
      {1, 0, {0}, {5}},
      {0, 0, {}, {}},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Points) + " points at " + std::to_string(c.Scroll));
    const TBarGeometry g = BarChartGeometry(Equal(c.Points), Marks(c.Points), 400, 218, c.Scroll);
    EXPECT_EQ(g.Window, BarChartWindowAt(c.Points, c.Scroll));
    std::vector<int> shown, slots;
    for (const TChartBar& bar : g.Bars) {
      shown.push_back(bar.Point);
      const double centre = bar.Front.Y + bar.Front.Height / 2.0;
      slots.push_back(static_cast<int>(std::floor((g.FrameY + g.FrameHeight - centre) / g.SlotHeight)));
    }
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(slots, c.Slots);
  }
  // Every page draws exactly the points its window names, and paging through
  // all of them shows every point.
  std::vector<int> seen(20);
  for (int p = 0; p <= BarChartScrollBar(20).Maximum; ++p) {
    const TBarGeometry g = BarChartGeometry(Equal(20), Marks(20), 400, 218, p);
    ASSERT_EQ(g.Bars.size(), static_cast<size_t>(g.Window.PointCount)) << p;
    for (size_t i = 0; i < g.Bars.size(); ++i) {
      EXPECT_EQ(g.Bars[i].Point, g.Window.FirstPoint + static_cast<int>(i)) << p;
      ++seen[static_cast<size_t>(g.Bars[i].Point)];
    }
  }
  for (int count : seen) EXPECT_GT(count, 0);
}

TEST(BarGeometry, BarsAreTwentyPixelsHighCentredInTheirSlotsAndInside) {
  const std::pair<int, int> sizes[] = {{400, 218}, {480, 288}, {1000, 600}, {300, 160}, {2000, 1200}};
  for (const auto& [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const TBarGeometry g = BarChartGeometry(Equal(20), Marks(20), w, h, 0);
    ASSERT_EQ(g.Bars.size(), 6u);
    EXPECT_NEAR(g.FrameWidth, w * 0.97, 1e-9);
    EXPECT_NEAR(g.SlotHeight, h * 0.97 / 6, 1e-9);
    for (size_t k = 0; k < g.Bars.size(); ++k) {
      const TChartRect& r = g.Bars[k].Front;
      EXPECT_EQ(r.Height, BarChartBarHeight);
      const double slotCentre = g.FrameY + g.FrameHeight - (k + 0.5) * g.SlotHeight;
      EXPECT_LE(std::abs(r.Y + r.Height / 2.0 - slotCentre), 0.5) << k;
      EXPECT_TRUE(Inside(r, w, h)) << ::testing::PrintToString(r);
      // With its 3D faces too.
      EXPECT_GE(r.Y - g.Depth, 0);
      EXPECT_LE(r.Right() + g.Depth, w);
      if (k > 0) {
        EXPECT_LT(r.Y, g.Bars[k - 1].Front.Y);
      }
    }
    EXPECT_GT(g.Depth, 0);
  }
}

TEST(BarGeometry, TheOffsetMovesThePictureLeftAndUpAsFarAsThereIsRoom) {
  // Plenty of room: the whole offset.
  TBarGeometry g = BarChartGeometry(Equal(6), Marks(6), 1000, 600, 0);
  EXPECT_NEAR(g.FrameX, 1000 * 0.015 + BarHorizOffset, 1e-9);
  EXPECT_NEAR(g.FrameY, 600 * 0.015 + BarVertOffset, 1e-9);
  // The usual panel: the top bar keeps its top face inside.
  g = BarChartGeometry(Equal(6), Marks(6), 400, 218, 0);
  EXPECT_LT(g.FrameY, 218 * 0.015);
  EXPECT_GE(g.Bars.back().Front.Y - g.Depth, 0);
}

TEST(BarGeometry, LengthsFollowTheValuesOnOneScaleForAllPages) {
  Points points = Values({0, 50, 100, 25, 75, 10, 400, 30});
  const TBarGeometry top = BarChartGeometry(points, Marks(points.size()), 400, 218, 0);
  const TBarGeometry bottom = BarChartGeometry(points, Marks(points.size()), 400, 218, 3);
  EXPECT_EQ(top.ValueMax, 400);
  EXPECT_EQ(top.ScaleWidth, bottom.ScaleWidth);
  for (const TBarGeometry* g : {&top, &bottom})
    for (const TChartBar& bar : g->Bars) {
      EXPECT_EQ(bar.Front.X, g->ZeroX);
      EXPECT_NEAR(bar.Front.Width, points[bar.Point].Value / 400 * g->ScaleWidth, 0.5) << bar.Point;
    }
  EXPECT_EQ(bottom.Bars.front().Point, 0);
  EXPECT_EQ(bottom.Bars.front().Front.Width, 0);
  // The longest bar leaves the room of the widest mark and its arrow.
  EXPECT_LE(top.ZeroX + top.ScaleWidth + top.Depth + MarkArrowLength + 60, 400);
}

TEST(BarGeometry, MarksSitRightOfTheirBarsJoinedByTheArrowAndInside) {
  struct Case {
    int Points, Width, Height, MarkWidth, Scroll;
  };
  const Case cases[] = {{20, 400, 218, 60, 0}, {20, 400, 218, 60, 15}, {3, 400, 218, 200, 0},
                        {8, 1000, 600, 90, 2}, {6, 250, 130, 60, 0},   {6, 300, 160, 280, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Points) + " points, " + std::to_string(c.Width) + "x" + std::to_string(c.Height));
    const TBarGeometry g = BarChartGeometry(Equal(c.Points), Marks(c.Points, c.MarkWidth), c.Width, c.Height, c.Scroll);
    ASSERT_EQ(g.Marks.size(), g.Bars.size());
    for (size_t i = 0; i < g.Marks.size(); ++i) {
      const TChartMark& m = g.Marks[i];
      const TChartBar& bar = g.Bars[i];
      EXPECT_EQ(m.Point, bar.Point);
      EXPECT_TRUE(Inside(m.Box, c.Width, c.Height)) << ::testing::PrintToString(m.Box);
      // The arrow's head on the bar's right face, its tail on the box's left edge.
      EXPECT_DOUBLE_EQ(m.To.X, bar.Front.Right() + g.Depth / 2.0);
      EXPECT_GT(m.To.Y, bar.Front.Y - g.Depth);
      EXPECT_LT(m.To.Y, bar.Front.Bottom());
      EXPECT_DOUBLE_EQ(m.From.X, m.Box.X);
      EXPECT_DOUBLE_EQ(m.From.Y, m.Box.Y + m.Box.Height / 2.0);
      if (m.Box.Right() + ChartEdge < c.Width) {
        EXPECT_GE(m.Box.X, bar.Front.Right() + g.Depth);
      }
      for (size_t j = i + 1; j < g.Marks.size(); ++j) EXPECT_FALSE(Overlap(m.Box, g.Marks[j].Box)) << i << " " << j;
    }
  }
}

// ---------------------------------------------------------------- spreading

struct SpreadCase {
  const char* Name;
  std::vector<double> Centers;
  std::vector<int> Heights;
  int Top, Bottom;
  std::vector<int> Tops;
};

TEST(SpreadMarks, KeepsOrderAvoidsOverlapsAndStaysInside) {
  const SpreadCase cases[] = {
      {"apart already", {20, 60, 100}, {10, 10, 10}, 0, 200, {15, 55, 95}},
      {"pushed down", {20, 22, 24}, {10, 10, 10}, 0, 200, {15, 27, 39}},
      {"pushed up from the bottom", {195, 196}, {10, 10}, 0, 200, {178, 190}},
      {"above the top", {-50, 0}, {10, 10}, 5, 200, {5, 17}},
      {"any input order", {60, 20, 22}, {10, 10, 10}, 0, 200, {55, 15, 27}},
      {"too many: those that would overlap are left out", {0, 0, 0, 0, 0}, {10, 10, 10, 10, 10}, 0, 30,
       {0, 12, MarkLeftOut, MarkLeftOut, MarkLeftOut}},
      {"too many, the lowest left out", {5, 6, 7, 35, 36}, {10, 10, 10, 10, 10}, 0, 40, {0, 12, 24, MarkLeftOut, MarkLeftOut}},
      {"one taller than the room", {10}, {50}, 0, 30, {0}},
      {"none", {}, {}, 0, 30, {}},
  };
  for (const SpreadCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(SpreadMarks(c.Centers, c.Heights, c.Top, c.Bottom, 2), c.Tops);
  }
}

}  // namespace
}  // namespace kv
