#include "chart/Chart.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "chart/ChartAccessible.h"
#include "chart/ChartFrame.h"
#include "chart/ChartSeries.h"

namespace {

// How close to a drawn point the mouse must be for the point's tool tip.
constexpr double ToolTipRadius = 8;

}  // namespace

TChart::TChart(TComponent* AOwner, QWidget* AParent) : QWidget(AParent), TControl(AOwner, this) {
  InstallChartAccessibility();
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TChart::~TChart() {
  // The series outlive the chart when their owner is another component.
  for (TChartSeries* Series : FSeries) Series->FParentChart = nullptr;
}

void TChart::SetColor(TColor Value) {
  FColor = Value;
  Invalidate();
}

void TChart::SetView3D(bool Value) {
  FView3D = Value;
  Invalidate();
}

void TChart::SetChart3DPercent(int Value) {
  F3DPercent = std::clamp(Value, 1, 100);
  Invalidate();
}

TChartSeries* TChart::Series(int Index) const {
  CheckPointIndex(Index, SeriesCount());
  return FSeries[static_cast<std::size_t>(Index)];
}

void TChart::RemoveSeries(TChartSeries* Series) {
  std::erase(FSeries, Series);
  Invalidate();
}

void TChart::Invalidate() {
  update();
  if (QAccessible::isActive()) {
    QAccessibleEvent Event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&Event);
  }
}

void TChart::AdjustAxes() {
  bool Any = false;
  double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
  for (const TChartSeries* Series : FSeries) {
    if (Series->Count() == 0) continue;
    const double SeriesMinX = Series->XValues().MinValue(),
                 SeriesMaxX = Series->XValues().MaxValue();
    const double SeriesMinY = Series->YValues().MinValue(),
                 SeriesMaxY = Series->YValues().MaxValue();
    MinX = Any ? std::min(MinX, SeriesMinX) : SeriesMinX;
    MaxX = Any ? std::max(MaxX, SeriesMaxX) : SeriesMaxX;
    MinY = Any ? std::min(MinY, SeriesMinY) : SeriesMinY;
    MaxY = Any ? std::max(MaxY, SeriesMaxY) : SeriesMaxY;
    Any = true;
  }
  if (Any) {
    FBottomAxis.AdjustRange(MinX, MaxX);
    FLeftAxis.AdjustRange(MinY, MaxY);
  } else {
    FBottomAxis.ResetRange();
    FLeftAxis.ResetRange();
  }
}

void TChart::Draw(QPainter& Canvas, const QRect& Bounds) {
  AdjustAxes();
  Canvas.save();
  Canvas.setFont(font());
  Canvas.setRenderHint(QPainter::Antialiasing);
  const TChartLayout Layout = LayoutChart(*this, Bounds, QFontMetrics(font()));
  DrawChartFrame(Canvas, *this, Layout);
  // Back to front, so that the series in front covers those behind it in 3D.
  for (int I = SeriesCount() - 1; I >= 0; --I)
    FSeries[static_cast<std::size_t>(I)]->Draw(Canvas, Layout.SeriesMap(*this, I));
  Canvas.restore();
}

TChartMap TChart::SeriesMap(int Index, const QRect& Bounds) {
  AdjustAxes();
  return LayoutChart(*this, Bounds, QFontMetrics(font())).SeriesMap(*this, Index);
}

void TChart::paintEvent(QPaintEvent*) {
  QPainter Canvas(this);
  Draw(Canvas, rect());
}

bool TChart::event(QEvent* Event) {
  if (Event->type() != QEvent::ToolTip) return QWidget::event(Event);
  const auto* Help = static_cast<QHelpEvent*>(Event);
  ShowToolTip(Help->pos(), Help->globalPos());
  return true;
}

void TChart::ShowToolTip(const QPoint& Position, const QPoint& GlobalPosition) {
  // The first series that has a point under the mouse speaks for it.
  for (int I = 0; I < SeriesCount(); ++I) {
    const TChartSeries& Series = *FSeries[static_cast<std::size_t>(I)];
    const int Point = Series.NearestPoint(SeriesMap(I, rect()),
                                          QPointF(Position) + QPointF(0.5, 0.5), ToolTipRadius);
    if (Point < 0) continue;
    QToolTip::showText(GlobalPosition, PointText(Series, Point), this);
    return;
  }
  QToolTip::hideText();
}
