#include "reports/ChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace kv {

namespace {

// The slices run from the rotation's angle once round, so with rotation 360
// every angle lies within 0..360 and the front half is one range.
static_assert(PieRotation % 360 == 0, "the slices' angles are taken to start at 0");
constexpr double FrontStart = 180;
constexpr double FrontEnd = 360;

constexpr double Radians(double degrees) { return degrees * std::numbers::pi / 180; }

// Values below 0 count as 0: a slice or a bar cannot be negative.
double Positive(double value) { return value > 0 ? value : 0; }

TMarkSize SizeOf(const std::vector<TMarkSize>& sizes, size_t point) {
  return point < sizes.size() ? sizes[point] : TMarkSize{};
}

// The box's left edge: where it wants to be, but inside the area when it fits.
int InsideX(int wanted, int boxWidth, int areaWidth) {
  return std::max(ChartEdge, std::min(wanted, areaWidth - ChartEdge - boxWidth));
}

}  // namespace

std::vector<int> SpreadMarks(const std::vector<double>& wantedCenters, const std::vector<int>& heights, int top,
                             int bottom, int gap) {
  const size_t n = std::min(wantedCenters.size(), heights.size());
  std::vector<int> tops(n, top);
  if (n == 0) return tops;
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return wantedCenters[a] < wantedCenters[b]; });

  // Downwards: each box where it wants to be, or just below the one above it.
  for (size_t j = 0; j < n; ++j) {
    const size_t i = order[j];
    int t = static_cast<int>(std::lround(wantedCenters[i] - heights[i] / 2.0));
    t = std::max(t, top);
    if (j > 0) t = std::max(t, tops[order[j - 1]] + heights[order[j - 1]] + gap);
    tops[i] = t;
  }
  // Upwards from the bottom edge, when the last one went past it.
  if (tops[order.back()] + heights[order.back()] > bottom) {
    int next = bottom + gap;
    for (size_t j = n; j-- > 0;) {
      const size_t i = order[j];
      tops[i] = std::min(tops[i], next - gap - heights[i]);
      next = tops[i];
    }
  }
  // They do not all fit: from the top edge down, each where it wants to be
  // or below the last one kept; one that would overlap is left out.
  if (tops[order.front()] < top) {
    int next = top;
    for (size_t j = 0; j < n; ++j) {
      const size_t i = order[j];
      const int t = std::max(next, static_cast<int>(std::lround(wantedCenters[i] - heights[i] / 2.0)));
      if (t + heights[i] > bottom && !(j == 0 && n == 1)) {
        tops[i] = MarkLeftOut;
        continue;
      }
      tops[i] = j == 0 && n == 1 ? top : t;
      next = tops[i] + heights[i] + gap;
    }
  }
  return tops;
}

TPieGeometry PieChartGeometry(const std::vector<TChartPoint>& points, const std::vector<TMarkSize>& markSizes,
                              int width, int height) {
  TPieGeometry pie;
  double total = 0;
  for (const TChartPoint& point : points) total += Positive(point.Value);
  if (total <= 0 || width <= 0 || height <= 0) return pie;

  // Slices: cumulative, so the last one ends exactly once round.
  const double rotation = PieRotation % 360;
  double sum = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    TPieSlice slice;
    slice.Point = static_cast<int>(i);
    slice.StartAngle = rotation + 360 * sum / total;
    sum += Positive(points[i].Value);
    const double end = i + 1 == points.size() ? rotation + 360 : rotation + 360 * sum / total;
    slice.SpanAngle = end - slice.StartAngle;
    const double wallStart = std::max(slice.StartAngle, FrontStart);
    const double wallEnd = std::min(end, FrontEnd);
    if (wallEnd > wallStart) {
      slice.WallStartAngle = wallStart;
      slice.WallSpanAngle = wallEnd - wallStart;
    }
    pie.Slices.push_back(slice);
  }

  // Each mark stands on the side of its slice's middle.
  std::vector<bool> right(points.size());
  int leftWidth = 0, rightWidth = 0;
  for (const TPieSlice& slice : pie.Slices) {
    const double middle = Radians(slice.StartAngle + slice.SpanAngle / 2);
    right[slice.Point] = std::cos(middle) >= -1e-9;
    const int w = SizeOf(markSizes, slice.Point).Width;
    int& side = right[slice.Point] ? rightWidth : leftWidth;
    side = std::max(side, w);
  }
  const int arm = MarkArrowLength;
  const double bendOut = arm / 2.0;  // how far the arrow's bend lies outside the rim
  const int leftPart = leftWidth > 0 ? leftWidth + arm : 0;
  const int rightPart = rightWidth > 0 ? rightWidth + arm : 0;

  // Circled: the largest pie that leaves the marks their room beside it and
  // the bends theirs above and below.
  const double tilt = Radians(360 - PieElevation);
  const double squash = std::sin(tilt);
  const double depthShare = PieThickness * std::cos(tilt);
  const double byWidth = (width - 2.0 * ChartEdge - leftPart - rightPart) / 2;
  const double byHeight = (height - 2.0 * ChartEdge - 2 * bendOut) / (2 * squash + depthShare);
  pie.RadiusX = std::max(std::min(byWidth, byHeight), 0.0);
  pie.RadiusY = pie.RadiusX * squash;
  pie.Depth = pie.RadiusX * depthShare;
  const double used = leftPart + 2 * pie.RadiusX + rightPart;
  pie.CenterX = (width - used) / 2 + leftPart + pie.RadiusX;
  pie.CenterY = (height - pie.Depth) / 2;

  // Marks: arrow from the rim at the slice's middle (on the side wall at the
  // front) out to a bend, then to the mark in its column.
  std::vector<TChartMark> sides[2];
  std::vector<double> wanted[2];
  std::vector<int> heights[2];
  for (const TPieSlice& slice : pie.Slices) {
    const TMarkSize size = SizeOf(markSizes, slice.Point);
    if (size.Width <= 0 || size.Height <= 0) continue;
    const double middle = Radians(slice.StartAngle + slice.SpanAngle / 2);
    const double ux = std::cos(middle), uy = -std::sin(middle);
    const bool front = uy > 0;
    TChartMark mark;
    mark.Point = slice.Point;
    mark.To = {pie.CenterX + pie.RadiusX * ux, pie.CenterY + pie.RadiusY * uy + (front ? pie.Depth / 2 : 0)};
    mark.Bend = {pie.CenterX + (pie.RadiusX + bendOut) * ux,
                 pie.CenterY + (pie.RadiusY + bendOut) * uy + (front ? pie.Depth : 0)};
    const bool onRight = right[slice.Point];
    const int column = onRight ? static_cast<int>(std::ceil(pie.CenterX + pie.RadiusX)) + arm
                               : static_cast<int>(std::floor(pie.CenterX - pie.RadiusX)) - arm - size.Width;
    mark.Box = {InsideX(column, size.Width, width), 0, size.Width, size.Height};
    sides[onRight].push_back(mark);
    wanted[onRight].push_back(mark.Bend.Y);
    heights[onRight].push_back(size.Height);
  }
  for (int side = 0; side < 2; ++side) {
    const std::vector<int> tops = SpreadMarks(wanted[side], heights[side], ChartEdge, height - ChartEdge, 2);
    for (size_t j = 0; j < sides[side].size(); ++j) {
      TChartMark& mark = sides[side][j];
      mark.Box.Y = tops[j];
      mark.From = {static_cast<double>(side ? mark.Box.X : mark.Box.Right()), mark.Box.Y + mark.Box.Height / 2.0};
    }
    std::erase_if(sides[side], [](const TChartMark& mark) { return mark.Box.Y == MarkLeftOut; });
  }
  // Back in point order.
  for (const std::vector<TChartMark>& side : sides) pie.Marks.insert(pie.Marks.end(), side.begin(), side.end());
  std::sort(pie.Marks.begin(), pie.Marks.end(),
            [](const TChartMark& a, const TChartMark& b) { return a.Point < b.Point; });
  return pie;
}

TBarGeometry BarChartGeometry(const std::vector<TChartPoint>& points, const std::vector<TMarkSize>& markSizes,
                              int width, int height, int scrollPosition) {
  TBarGeometry bars;
  bars.Window = BarChartWindowAt(static_cast<int>(points.size()), scrollPosition);
  if (width <= 0 || height <= 0) return bars;

  // The zoomed frame around the area's centre, six slots high.
  const double zoom = BarZoomPercent / 100.0;
  bars.FrameWidth = width * zoom;
  bars.FrameHeight = height * zoom;
  bars.FrameX = (width - bars.FrameWidth) / 2;
  bars.FrameY = (height - bars.FrameHeight) / 2;
  bars.SlotHeight = bars.FrameHeight / BarChartWindow;
  const double slotFree = bars.SlotHeight - BarChartBarHeight;
  bars.Depth = std::clamp(static_cast<int>(std::floor(slotFree / 2)), 0, 8);

  // The 3D offset moves the frame left and up, but no bar into the area's edge:
  // the top slot's bar with its top face and the bars' left ends stay inside.
  const double topSlotTop = bars.FrameY + slotFree / 2 - bars.Depth;
  const auto room = [](double free) { return std::max(std::floor(free - ChartEdge), 0.0); };
  const double up = std::clamp(-static_cast<double>(BarVertOffset), 0.0, room(topSlotTop));
  const double left = std::clamp(-static_cast<double>(BarHorizOffset), 0.0, room(bars.FrameX));
  bars.FrameX -= left;
  bars.FrameY -= up;

  // The value scale leaves the widest mark its room after the longest bar.
  int widestMark = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    bars.ValueMax = std::max(bars.ValueMax, Positive(points[i].Value));
    widestMark = std::max(widestMark, SizeOf(markSizes, i).Width);
  }
  bars.ZeroX = static_cast<int>(std::lround(bars.FrameX));
  const int frameRight = static_cast<int>(std::floor(bars.FrameX + bars.FrameWidth));
  const int markRoom = widestMark > 0 ? MarkArrowLength + widestMark : 0;
  bars.ScaleWidth = std::max({frameRight - bars.ZeroX - bars.Depth - markRoom,
                              static_cast<int>(std::lround(bars.FrameWidth * 0.4)), 0});

  std::vector<double> wanted;
  std::vector<int> heights;
  const double frameBottom = bars.FrameY + bars.FrameHeight;
  for (int position = bars.Window.FirstPoint; position < bars.Window.FirstPoint + bars.Window.PointCount;
       ++position) {
    const int k = position - bars.Window.AxisMin;
    const double centre = frameBottom - (k + 0.5) * bars.SlotHeight;
    TChartBar bar;
    bar.Point = position;
    const double share = bars.ValueMax > 0 ? Positive(points[position].Value) / bars.ValueMax : 0;
    bar.Front = {bars.ZeroX, static_cast<int>(std::lround(centre - BarChartBarHeight / 2.0)),
                 static_cast<int>(std::lround(share * bars.ScaleWidth)), BarChartBarHeight};
    bars.Bars.push_back(bar);

    const TMarkSize size = SizeOf(markSizes, static_cast<size_t>(position));
    if (size.Width <= 0 || size.Height <= 0) continue;
    TChartMark mark;
    mark.Point = position;
    const double middle = bar.Front.Y + BarChartBarHeight / 2.0;
    // The arrow points at the middle of the bar's right face.
    mark.To = {bar.Front.Right() + bars.Depth / 2.0, middle - bars.Depth / 2.0};
    mark.Box = {InsideX(bar.Front.Right() + bars.Depth + MarkArrowLength, size.Width, width), 0, size.Width,
                size.Height};
    bars.Marks.push_back(mark);
    wanted.push_back(middle);
    heights.push_back(size.Height);
  }
  const std::vector<int> tops = SpreadMarks(wanted, heights, ChartEdge, height - ChartEdge, 2);
  for (size_t j = 0; j < bars.Marks.size(); ++j) {
    TChartMark& mark = bars.Marks[j];
    mark.Box.Y = tops[j];
    mark.From = {static_cast<double>(mark.Box.X), mark.Box.Y + mark.Box.Height / 2.0};
    mark.Bend = mark.From;
  }
  std::erase_if(bars.Marks, [](const TChartMark& mark) { return mark.Box.Y == MarkLeftOut; });
  return bars;
}

}  // namespace kv
