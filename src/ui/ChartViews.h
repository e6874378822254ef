// The two charts of the chart panel, painted with QPainter from the shapes
// that reports/ChartGeometry computes: the 3D pie (chrPie) and the paged 3D
// horizontal bar chart (Chart2). Both draw their points with the colours of a
// palette over a background gradient, each point with its mark and arrow.
#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QWidget>

#include "reports/ChartGeometry.h"
#include "reports/ChartPoints.h"

class QPainter;

namespace kv {

class TChartView : public QWidget {
 public:
  explicit TChartView(QWidget* parent = nullptr);

  // The points drawn, in drawing order; a new set replaces the old one.
  void SetPoints(std::vector<TChartPoint> points);
  const std::vector<TChartPoint>& Points() const { return Points_; }

  // Palette 1..12 and background gradient 1..18.
  void SetLook(int32_t palette, int32_t gradient);

 protected:
  // The marks' texts, elided to at most maxWidth pixels, and their box sizes;
  // measured again only when the points, the width or the font change.
  void MeasureMarks(int maxWidth);
  void changeEvent(QEvent* event) override;
  void PaintBackground(QPainter& painter, bool throughSilver) const;
  void PaintMarks(QPainter& painter, const std::vector<TChartMark>& marks) const;
  QColor PointColor(int point) const;

  std::vector<TChartPoint> Points_;
  std::vector<QString> MarkTexts_;
  std::vector<TMarkSize> MarkSizes_;
  int MeasuredWidth_ = -1;  // -1: to be measured
  int32_t Palette_ = 7;
  int32_t Gradient_ = 16;
};

class TPieChartView final : public TChartView {
 public:
  using TChartView::TChartView;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TBarChartView final : public TChartView {
 public:
  using TChartView::TChartView;

  // The scroll bar's position: which window of six positions is shown.
  void SetScrollPosition(int position);
  int ScrollPosition() const { return ScrollPosition_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int ScrollPosition_ = 0;
};

}  // namespace kv
