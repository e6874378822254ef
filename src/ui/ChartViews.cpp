#include "ui/ChartViews.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <utility>

#include "reports/ChartLook.h"
#include "ui/QtText.h"

namespace kv {

namespace {

QColor ToQColor(TRgb c) { return QColor(c.R, c.G, c.B); }

// a moved share of the way towards b.
QColor Blend(const QColor& a, const QColor& b, double share) {
  const auto mix = [share](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * share)); };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

const QColor Teal(0, 128, 128);
const QColor Silver(192, 192, 192);
const QColor Red(255, 0, 0);

// Inside a mark's box, around its text.
constexpr int MarkPadX = 4;
constexpr int MarkPadY = 2;

}  // namespace

TChartView::TChartView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(40, 40);
}

void TChartView::SetPoints(std::vector<TChartPoint> points) {
  Points_ = std::move(points);
  MeasuredWidth_ = -1;
  update();
}

void TChartView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) MeasuredWidth_ = -1;
  QWidget::changeEvent(event);
}

void TChartView::SetLook(int32_t palette, int32_t gradient) {
  Palette_ = palette;
  Gradient_ = gradient;
  update();
}

QColor TChartView::PointColor(int point) const {
  return ToQColor(PaletteColor(Palette_, static_cast<size_t>(point), Points_.size()));
}

void TChartView::MeasureMarks(int maxWidth) {
  if (maxWidth == MeasuredWidth_) return;
  MeasuredWidth_ = maxWidth;
  const QFontMetrics metrics(font());
  const int textWidth = std::max(maxWidth - 2 * MarkPadX, 8);
  MarkTexts_.clear();
  MarkSizes_.clear();
  for (const TChartPoint& point : Points_) {
    // File names keep their start and their extension.
    QString text = metrics.elidedText(FromUtf8(point.Label), Qt::ElideMiddle, textWidth);
    const int w = text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + 2 * MarkPadX + 1;
    MarkSizes_.push_back({w, metrics.height() + 2 * MarkPadY});
    MarkTexts_.push_back(std::move(text));
  }
}

void TChartView::PaintBackground(QPainter& painter, bool throughSilver) const {
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, ToQColor(GradientColor(Gradient_)));
  if (throughSilver) gradient.setColorAt(0.5, Silver);
  gradient.setColorAt(1, Qt::white);
  painter.fillRect(rect(), gradient);
}

void TChartView::PaintMarks(QPainter& painter, const std::vector<TChartMark>& marks) const {
  const QColor ink(64, 64, 64);
  // Arrows first, so the boxes lie over their tails.
  painter.setPen(QPen(ink, 1.0));
  for (const TChartMark& mark : marks) {
    const QPointF from(mark.From.X, mark.From.Y), bend(mark.Bend.X, mark.Bend.Y), to(mark.To.X, mark.To.Y);
    const QPointF points[] = {from, bend, to};
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(points, 3);
    // The head, along the last leg.
    const QPointF tail = bend == to ? from : bend;
    const double dx = to.x() - tail.x(), dy = to.y() - tail.y();
    const double length = std::hypot(dx, dy);
    if (length < 1) continue;
    const double ux = dx / length, uy = dy / length;
    const double headLength = std::min(6.0, length), headHalf = 2.5;
    const QPointF base(to.x() - ux * headLength, to.y() - uy * headLength);
    const QPointF head[] = {to, QPointF(base.x() - uy * headHalf, base.y() + ux * headHalf),
                            QPointF(base.x() + uy * headHalf, base.y() - ux * headHalf)};
    painter.setBrush(ink);
    painter.drawPolygon(head, 3);
  }
  for (const TChartMark& mark : marks) {
    const QRectF box(mark.Box.X + 0.5, mark.Box.Y + 0.5, mark.Box.Width - 1, mark.Box.Height - 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 45));
    painter.drawRoundedRect(box.translated(1.5, 1.5), 3, 3);
    painter.setPen(QPen(QColor(120, 120, 120), 1.0));
    painter.setBrush(QColor(255, 255, 240));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::black);
    painter.drawText(QRect(mark.Box.X, mark.Box.Y, mark.Box.Width, mark.Box.Height), Qt::AlignCenter,
                     MarkTexts_[static_cast<size_t>(mark.Point)]);
  }
}

void TPieChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  PaintBackground(painter, false);
  MeasureMarks(std::max(48, width() * 22 / 100));
  const TPieGeometry pie = PieChartGeometry(Points_, MarkSizes_, width(), height());
  if (pie.Slices.empty() || pie.RadiusX <= 0) return;

  const QRectF top(pie.CenterX - pie.RadiusX, pie.CenterY - pie.RadiusY, 2 * pie.RadiusX, 2 * pie.RadiusY);
  const QRectF bottom = top.translated(0, pie.Depth);

  // The side walls of the front half, shaded as a lit cylinder.
  for (const TPieSlice& slice : pie.Slices) {
    if (slice.WallSpanAngle <= 0) continue;
    const QColor colour = PointColor(slice.Point);
    QPainterPath wall;
    wall.arcMoveTo(top, slice.WallStartAngle);
    wall.arcTo(top, slice.WallStartAngle, slice.WallSpanAngle);
    wall.arcTo(bottom, slice.WallStartAngle + slice.WallSpanAngle, -slice.WallSpanAngle);
    wall.closeSubpath();
    QLinearGradient shade(top.left(), 0, top.right(), 0);
    shade.setColorAt(0, colour.darker(210));
    shade.setColorAt(0.35, colour.darker(125));
    shade.setColorAt(1, colour.darker(230));
    painter.setPen(QPen(colour.darker(260), 0.8));
    painter.setBrush(shade);
    painter.drawPath(wall);
  }

  // The top: each slice lit in its colour at the centre, turning towards teal at the rim.
  const double squash = pie.RadiusY / pie.RadiusX;
  QTransform ellipse;
  ellipse.translate(pie.CenterX, pie.CenterY);
  ellipse.scale(1, squash);
  ellipse.translate(-pie.CenterX, -pie.CenterY);
  for (const TPieSlice& slice : pie.Slices) {
    if (slice.SpanAngle <= 0) continue;
    const QColor colour = PointColor(slice.Point);
    QRadialGradient light(QPointF(pie.CenterX, pie.CenterY), pie.RadiusX);
    light.setColorAt(0, colour.lighter(140));
    light.setColorAt(0.35, colour);
    light.setColorAt(1, Blend(colour, Teal, 0.45));
    QBrush brush(light);
    brush.setTransform(ellipse);
    QPainterPath face;
    if (slice.SpanAngle >= 360) {
      face.addEllipse(top);
    } else {
      face.moveTo(top.center());
      face.arcTo(top, slice.StartAngle, slice.SpanAngle);
      face.closeSubpath();
    }
    painter.setPen(QPen(colour.darker(220), 0.8));
    painter.setBrush(brush);
    painter.drawPath(face);
  }

  PaintMarks(painter, pie.Marks);
}

void TBarChartView::SetScrollPosition(int position) {
  ScrollPosition_ = position;
  update();
}

void TBarChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  PaintBackground(painter, true);
  MeasureMarks(std::max(48, width() * 30 / 100));
  const TBarGeometry bars = BarChartGeometry(Points_, MarkSizes_, width(), height(), ScrollPosition_);
  const int d = bars.Depth;

  for (const TChartBar& bar : bars.Bars) {
    const QRect front(bar.Front.X, bar.Front.Y, bar.Front.Width, bar.Front.Height);
    if (front.width() <= 0) continue;
    const QColor colour = PointColor(bar.Point);
    // Left to right from red to the point's colour; the top face lit, the side in shade.
    QLinearGradient fill(front.left(), 0, front.right() + 1, 0);
    fill.setColorAt(0, Red);
    fill.setColorAt(1, colour);
    QLinearGradient lit(front.left(), 0, front.right() + 1 + d, 0);
    lit.setColorAt(0, Red.lighter(150));
    lit.setColorAt(1, colour.lighter(150));
    const double x0 = front.left(), x1 = front.left() + front.width(), y0 = front.top(),
                 y1 = front.top() + front.height();
    painter.setPen(Qt::NoPen);
    if (d > 0) {
      const QPointF topFace[] = {{x0, y0}, {x0 + d, y0 - d}, {x1 + d, y0 - d}, {x1, y0}};
      painter.setBrush(lit);
      painter.drawPolygon(topFace, 4);
      const QPointF side[] = {{x1, y0}, {x1 + d, y0 - d}, {x1 + d, y1 - d}, {x1, y1}};
      painter.setBrush(colour.darker(150));
      painter.drawPolygon(side, 4);
    }
    painter.fillRect(front, fill);
  }

  PaintMarks(painter, bars.Marks);
}

}  // namespace kv
