// The points of the report chart and the paging of the bar chart, without
// any drawing: ChartGeometry lays these points out in these windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reports/AggregateReport.h"
#include "reports/ChangesReport.h"
#include "reports/ListingReport.h"
#include "model/NodeData.h"

namespace kv {

struct TChartPoint {
  double Value = 0;
  std::string Label;
  bool operator==(const TChartPoint &) const = default;
};

// The label of the point that gathers the small rows; not translated.
inline constexpr std::string_view ChartOthersLabel = "Others";

// The points of the rows, given in the list's display order: one per row from
// the last row to the first (value GetSize, label GetText), so the list's first
// row becomes the topmost bar. A row whose share of the summed GetSize is 2 %
// or less goes into one "Others" point, added last when its sum is above 0,
// unless chartOtherType is 2. Rows summing to 0 give no points. Listing rows
// are sized by the given type; aggregate rows always hold file sizes.
std::vector<TChartPoint> FillChartSeries(const TListingRows &rows, TSizeType sizeType, int32_t chartOtherType);
std::vector<TChartPoint> FillChartSeries(const TAggregateRows &rows, int32_t chartOtherType);
// The files of the Changes report, each by the size of its change.
std::vector<TChartPoint> FillChartSeries(const std::vector<TChangeRow> &rows, int32_t chartOtherType);

// Bar chart paging. The position axis shows a window of six positions; bar i
// sits at position i, so position 0 is the bottom. The axis range AxisMin to
// AxisMax is six positions wide: its six slots hold the positions AxisMin to
// AxisMax - 1, one bar centred in each, so no bar is ever cut in half.
inline constexpr int BarChartWindow = 6;
inline constexpr int BarChartBarHeight = 20;  // pixels, set at every rebuild

// The vertical scroll bar beside the bar chart. Position 0 is the top.
struct TBarScrollBar {
  bool Visible = false;
  int Minimum = 0;
  int Maximum = 0;
  bool operator==(const TBarScrollBar &) const = default;
};
// Hidden for 5 points or fewer, else running from 0 to n - 5.
TBarScrollBar BarChartScrollBar(int pointCount);

// What the position axis shows for one scroll position.
struct TBarWindow {
  int AxisMin = 0;     // the axis range as set, n - 6 - p to n - p
  int AxisMax = 0;
  int FirstPoint = 0;  // the existing points among the six positions shown,
  int PointCount = 0;  // AxisMin to AxisMax - 1
  bool operator==(const TBarWindow &) const = default;
};
// The window for scroll position p; a rebuild shows p = 0. A position outside
// the scroll bar's range is taken as its nearest end.
TBarWindow BarChartWindowAt(int pointCount, int scrollPosition);

}  // namespace kv
