#include "reports/ChartPoints.h"

#include <algorithm>

#include "model/Saturate.h"

namespace kv {
namespace {

// share = 100 * size / total; "share > 2" decided on integers, so it is exact
// at the boundary and cannot overflow for any size.
bool AboveTwoPercent(int64_t size, int64_t total) {
  // With integer division truncating towards zero, 50 * size > total holds
  // exactly when size > total / 50 for total > 0; a negative total flips it.
  return total > 0 ? size > total / 50 : size < total / 50;
}

template <class Rows, class SizeOf, class LabelOf>
std::vector<TChartPoint> Fill(const Rows &rows, SizeOf sizeOf, LabelOf labelOf, int32_t chartOtherType) {
  std::vector<TChartPoint> points;
  int64_t total = 0;
  for (const auto &row : rows) total = SatAdd(total, sizeOf(row));
  if (total == 0) return points;

  int64_t others = 0;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    const int64_t size = sizeOf(*it);
    if (chartOtherType == 2 || AboveTwoPercent(size, total))
      points.push_back({static_cast<double>(size), labelOf(*it)});
    else
      others = SatAdd(others, size);
  }
  if (others > 0) points.push_back({static_cast<double>(others), std::string(ChartOthersLabel)});
  return points;
}

}  // namespace

std::vector<TChartPoint> FillChartSeries(const TListingRows &rows, TSizeType sizeType, int32_t chartOtherType) {
  return Fill(
      rows, [sizeType](const auto &row) { return row->GetSize(sizeType); },
      [](const auto &row) { return std::string(row->GetText()); }, chartOtherType);
}

std::vector<TChartPoint> FillChartSeries(const TAggregateRows &rows, int32_t chartOtherType) {
  return Fill(
      rows, [](const auto &row) { return row->GetSize(TSizeType::FileSize); },
      [](const auto &row) { return std::string(row->GetText()); }, chartOtherType);
}

std::vector<TChartPoint> FillChartSeries(const std::vector<TChangeRow> &rows, int32_t chartOtherType) {
  // Files only: a folder's change is the sum of its files' and would count twice.
  std::vector<const TChangeRow *> files;
  for (const TChangeRow &row : rows)
    if (!row.IsFolder) files.push_back(&row);
  return Fill(
      files,
      [](const TChangeRow *row) {
        const int64_t d = row->Difference();
        return d < 0 ? SatSub(0, d) : d;
      },
      [](const TChangeRow *row) { return row->Name; }, chartOtherType);
}

TBarScrollBar BarChartScrollBar(int pointCount) {
  if (pointCount <= 5) return {};
  return {true, 0, pointCount - 5};
}

TBarWindow BarChartWindowAt(int pointCount, int scrollPosition) {
  const TBarScrollBar bar = BarChartScrollBar(pointCount);
  const int p = std::clamp(scrollPosition, bar.Minimum, bar.Maximum);
  TBarWindow window;
  window.AxisMin = pointCount - BarChartWindow - p;
  window.AxisMax = pointCount - p;
  const int first = std::max(window.AxisMin, 0);
  const int last = std::min(window.AxisMax - 1, pointCount - 1);
  window.FirstPoint = std::min(first, pointCount);
  window.PointCount = std::max(last - first + 1, 0);
  return window;
}

}  // namespace kv
