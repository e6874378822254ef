// Where everything of the report chart goes, without any drawing: from the
// points and the size of the chart's area, the pie's slices, ellipse and side
// walls, the bar chart's bars, and each point's mark with the arrow that joins
// it to its slice or bar. The Qt panel paints exactly these shapes.
//
// Coordinates are pixels of the chart's area: x to the right, y downwards,
// (0, 0) the top left corner. Angles are degrees counter-clockwise from the
// three o'clock direction as seen on the screen, as Qt's painter takes them.
#pragma once

#include <vector>

#include "reports/ChartPoints.h"

namespace kv {

struct TChartRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  int Right() const { return X + Width; }  // one past the last column
  int Bottom() const { return Y + Height; }
  bool operator==(const TChartRect&) const = default;
};

struct TChartSpot {
  double X = 0;
  double Y = 0;
  bool operator==(const TChartSpot&) const = default;
};

// The size of a point's mark (its label in a box), measured by the painter.
// A mark of width 0 (an empty label) is not placed.
struct TMarkSize {
  int Width = 0;
  int Height = 0;
};

// A point's label box and the arrow from the box (From) over a bend (Bend)
// to its slice or bar (To, where the arrow's head is).
struct TChartMark {
  int Point = 0;  // index into the points
  TChartRect Box;
  TChartSpot From;
  TChartSpot Bend;
  TChartSpot To;
};

// The look of the pie: circled, 3D, elevation 315, rotation 360,
// no perspective. Elevation 315 looks at the disc 45 degrees from above: its
// top is an ellipse sin 45 = 0.71 times as high as wide, and cos 45 of the
// pie's thickness shows below it as the side walls of the front half.
inline constexpr int PieElevation = 315;
inline constexpr int PieRotation = 360;
// The pie's thickness as a share of its radius, before the tilt.
inline constexpr double PieThickness = 0.25;

// The look of the bar chart: 3D without walls, the picture zoomed to 97 %
// and moved 4 pixels left and 11 up (as far as the area leaves room).
inline constexpr int BarHorizOffset = -4;
inline constexpr int BarVertOffset = -11;
inline constexpr int BarZoomPercent = 97;

// Room kept free at the area's edges, and the length of a mark's arrow.
inline constexpr int ChartEdge = 3;
inline constexpr int MarkArrowLength = 14;

struct TPieSlice {
  int Point = 0;            // index into the points; slices come in point order
  double StartAngle = 0;    // where the slice begins
  double SpanAngle = 0;     // counter-clockwise; 0 for a point of value 0
  // The part of the slice's rim at the front (angles 180 to 360), whose side
  // wall is seen below the top; span 0 when the slice lies wholly behind.
  double WallStartAngle = 0;
  double WallSpanAngle = 0;
};

struct TPieGeometry {
  // The top of the pie: an ellipse around the centre; the side walls reach
  // Depth pixels below it. All zero when there is nothing to draw.
  double CenterX = 0;
  double CenterY = 0;
  double RadiusX = 0;
  double RadiusY = 0;
  double Depth = 0;
  std::vector<TPieSlice> Slices;
  std::vector<TChartMark> Marks;
};

// The pie of the points in an area of width x height pixels. markSizes holds
// one size per point (missing ones count as empty labels). The slices start at
// three o'clock and follow the points counter-clockwise; their spans are
// proportional to the values and sum to 360. No slices when the values do not
// sum to more than 0. Marks stand left and right of the pie, on the side of
// their slice's middle, spread so they do not overlap while they fit, and
// always inside the area as far as they fit in it.
TPieGeometry PieChartGeometry(const std::vector<TChartPoint>& points, const std::vector<TMarkSize>& markSizes,
                              int width, int height);

struct TChartBar {
  int Point = 0;         // index into the points, which is its position
  TChartRect Front;      // BarChartBarHeight pixels high, centred in its slot
};

struct TBarGeometry {
  TBarWindow Window;     // the paging rules of BarChartWindowAt
  // The zoomed and moved frame the six slots share; slot k (0 the bottom)
  // holds position Window.AxisMin + k.
  double FrameX = 0;
  double FrameY = 0;
  double FrameWidth = 0;
  double FrameHeight = 0;
  double SlotHeight = 0;
  // Value scale: value 0 at ZeroX, ValueMax (the largest value of all points,
  // not only the visible ones, so paging keeps the scale) at ZeroX + ScaleWidth.
  int ZeroX = 0;
  int ScaleWidth = 0;
  double ValueMax = 0;
  // The 3D depth of every bar: its top face rises Depth pixels to the upper
  // right, its right face shows beside it.
  int Depth = 0;
  std::vector<TChartBar> Bars;    // the visible bars, bottom to top
  std::vector<TChartMark> Marks;
};

// The bar chart of the points in an area of width x height pixels, showing
// the window of scroll position scrollPosition.
TBarGeometry BarChartGeometry(const std::vector<TChartPoint>& points, const std::vector<TMarkSize>& markSizes,
                              int width, int height, int scrollPosition);

// Moves boxes of the given heights, wanted at centre heights, up or down so
// that they keep their order, do not overlap (gap pixels apart) and stay
// between top and bottom; when they cannot all fit, those that would overlap
// are left out (their top is MarkLeftOut). Answers each box's top, in input
// order.
inline constexpr int MarkLeftOut = -2147483647 - 1;
std::vector<int> SpreadMarks(const std::vector<double>& wantedCenters, const std::vector<int>& heights, int top,
                             int bottom, int gap);

}  // namespace kv
