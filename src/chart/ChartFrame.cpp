#include "chart/ChartFrame.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/ChartSeries.h"

namespace {

constexpr int Margin = 4;
constexpr int TickLength = 4;
// Bands of the background gradient; fewer on a control lower than this.
constexpr int GradientBands = 64;
// The legend's colour sample beside each series name.
constexpr int SampleWidth = 16;

const QColor FrameColor(128, 128, 128);
const QColor GridColor(208, 208, 208);

QString SeriesTitle(const TChartSeries& Series, int Index) {
  if (!Series.Name().empty()) return QString::fromStdString(Series.Name());
  return QStringLiteral("Series%1").arg(Index + 1);
}

int WidestLabel(const std::vector<double>& Ticks, double Increment, const QFontMetrics& Metrics) {
  int Widest = 0;
  for (const double Tick : Ticks) {
    Widest = std::max(Widest, Metrics.horizontalAdvance(
                                  QString::fromStdString(TChartAxis::LabelText(Tick, Increment))));
  }
  return Widest;
}

QColor Blend(const QColor& From, const QColor& To, double Share) {
  const auto Mix = [Share](int A, int B) {
    return static_cast<int>(std::lround(A + (B - A) * Share));
  };
  return QColor(Mix(From.red(), To.red()), Mix(From.green(), To.green()),
                Mix(From.blue(), To.blue()));
}

// A one-pixel line through the centres of the pixels it joins, so it stays sharp.
void DrawPixelLine(QPainter& Canvas, QPoint From, QPoint To) {
  Canvas.drawLine(QPointF(From) + QPointF(0.5, 0.5), QPointF(To) + QPointF(0.5, 0.5));
}

QPolygonF PixelPolygon(std::initializer_list<QPoint> Corners) {
  QPolygonF Polygon;
  for (const QPoint Corner : Corners) Polygon << QPointF(Corner) + QPointF(0.5, 0.5);
  return Polygon;
}

void DrawBackground(QPainter& Canvas, const TChart& Chart, const QRect& Bounds) {
  const QPalette& Palette = Chart.palette();
  // The chart paints every pixel itself, so each must be covered in full: at a
  // fractional scale an antialiased edge would let the last frame show through
  // where two bands meet.
  Canvas.save();
  Canvas.setRenderHint(QPainter::Antialiasing, false);
  if (!Chart.Gradient().Visible()) {
    Canvas.fillRect(Bounds, ToQColor(Chart.Color(), Palette));
    Canvas.restore();
    return;
  }
  const QColor Top = ToQColor(Chart.Gradient().EndColor(), Palette);
  const QColor Bottom = ToQColor(Chart.Gradient().StartColor(), Palette);
  const int Bands = std::clamp(Bounds.height(), 1, GradientBands);
  for (int Band = 0; Band < Bands; ++Band) {
    const int Y0 = Bounds.top() + Bounds.height() * Band / Bands;
    const int Y1 = Bounds.top() + Bounds.height() * (Band + 1) / Bands;
    const double Share = Bands > 1 ? static_cast<double>(Band) / (Bands - 1) : 0;
    Canvas.fillRect(QRect(Bounds.left(), Y0, Bounds.width(), Y1 - Y0), Blend(Top, Bottom, Share));
  }
  Canvas.restore();
}

void DrawWall(QPainter& Canvas, const TChartWall& Wall, const QPolygonF& Outline,
              const QPalette& Palette) {
  if (!Wall.Visible()) return;
  Canvas.setPen(QPen(FrameColor, 1));
  if (Wall.BrushStyle() == bsSolid) {
    Canvas.setBrush(ToQColor(Wall.Color(), Palette));
  } else {
    Canvas.setBrush(Qt::NoBrush);
  }
  Canvas.drawPolygon(Outline);
}

void DrawWalls(QPainter& Canvas, const TChart& Chart, const QRect& Box, const QRect& Back) {
  const QPalette& Palette = Chart.palette();
  if (Box != Back) {
    DrawWall(Canvas, Chart.LeftWall(),
             PixelPolygon({Box.topLeft(), Back.topLeft(), Back.bottomLeft(), Box.bottomLeft()}),
             Palette);
    DrawWall(
        Canvas, Chart.BottomWall(),
        PixelPolygon({Box.bottomLeft(), Box.bottomRight(), Back.bottomRight(), Back.bottomLeft()}),
        Palette);
  }
  DrawWall(Canvas, Chart.BackWall(),
           PixelPolygon({Back.topLeft(), Back.topRight(), Back.bottomRight(), Back.bottomLeft()}),
           Palette);
}

// Grid lines on the back wall, continued across the floor and the left wall in 3D.
void DrawGrid(QPainter& Canvas, const TChartLayout& Layout, const TChartMap& Map, const QRect& Box,
              const QRect& Back) {
  Canvas.setPen(QPen(GridColor, 1));
  const QPoint Deep(Layout.Depth, -Layout.Depth);
  for (const double Tick : Layout.XTicks) {
    const int X = static_cast<int>(Map.XToPixel(Tick));
    DrawPixelLine(Canvas, QPoint(X, Back.top() + 1) + QPoint(Layout.Depth, 0),
                  QPoint(X, Back.bottom() - 1) + QPoint(Layout.Depth, 0));
    if (Layout.Depth > 0)
      DrawPixelLine(Canvas, QPoint(X, Box.bottom()), QPoint(X, Box.bottom()) + Deep);
  }
  for (const double Tick : Layout.YTicks) {
    const int Y = static_cast<int>(Map.YToPixel(Tick));
    DrawPixelLine(Canvas, QPoint(Back.left() + 1, Y - Layout.Depth),
                  QPoint(Back.right() - 1, Y - Layout.Depth));
    if (Layout.Depth > 0)
      DrawPixelLine(Canvas, QPoint(Box.left(), Y), QPoint(Box.left(), Y) + Deep);
  }
}

void DrawAxes(QPainter& Canvas, const TChartLayout& Layout, const TChartMap& Map,
              const QRect& Box) {
  Canvas.setPen(QPen(Qt::black, 1));
  DrawPixelLine(Canvas, Box.topLeft(), Box.bottomLeft());
  DrawPixelLine(Canvas, Box.bottomLeft(), Box.bottomRight());
  const QFontMetrics Metrics = Canvas.fontMetrics();
  for (const double Tick : Layout.XTicks) {
    const int X = static_cast<int>(Map.XToPixel(Tick));
    DrawPixelLine(Canvas, QPoint(X, Box.bottom()), QPoint(X, Box.bottom() + TickLength));
    const QString Text = QString::fromStdString(TChartAxis::LabelText(Tick, Layout.XIncrement));
    Canvas.drawText(QPoint(X - Metrics.horizontalAdvance(Text) / 2,
                           Box.bottom() + TickLength + 2 + Metrics.ascent()),
                    Text);
  }
  for (const double Tick : Layout.YTicks) {
    const int Y = static_cast<int>(Map.YToPixel(Tick));
    DrawPixelLine(Canvas, QPoint(Box.left() - TickLength, Y), QPoint(Box.left(), Y));
    const QString Text = QString::fromStdString(TChartAxis::LabelText(Tick, Layout.YIncrement));
    Canvas.drawText(QPoint(Box.left() - TickLength - 2 - Metrics.horizontalAdvance(Text),
                           Y + (Metrics.ascent() - Metrics.descent()) / 2),
                    Text);
  }
}

void DrawTitle(QPainter& Canvas, const TChart& Chart, const QRect& Bounds) {
  if (!Chart.Title().Visible()) return;
  Canvas.setPen(Qt::black);
  const QString Text = QString::fromStdString(Chart.Title().Text());
  const int Width = Canvas.fontMetrics().horizontalAdvance(Text);
  Canvas.drawText(QPoint(Bounds.center().x() - Width / 2,
                         Bounds.top() + Margin + Canvas.fontMetrics().ascent()),
                  Text);
}

void DrawLegend(QPainter& Canvas, const TChart& Chart, const QRect& Box) {
  if (Box.isEmpty()) return;
  const QFontMetrics Metrics = Canvas.fontMetrics();
  Canvas.setPen(QPen(Qt::black, 1));
  Canvas.setBrush(Qt::white);
  Canvas.drawRect(QRectF(Box).translated(0.5, 0.5));
  for (int I = 0; I < Chart.SeriesCount(); ++I) {
    const TChartSeries& Series = *Chart.Series(I);
    const int Y = Box.top() + Margin + I * Metrics.height();
    const int Middle = Y + Metrics.height() / 2;
    Canvas.setPen(QPen(ToQColor(Series.SeriesColor(), Chart.palette()), 1));
    DrawPixelLine(Canvas, QPoint(Box.left() + Margin, Middle),
                  QPoint(Box.left() + Margin + SampleWidth, Middle));
    Canvas.setPen(Qt::black);
    Canvas.drawText(QPoint(Box.left() + 2 * Margin + SampleWidth, Y + Metrics.ascent()),
                    SeriesTitle(Series, I));
  }
}

}  // namespace

TChartMap TChartLayout::FrontMap(const TChart& Chart) const {
  return {Front,
          {Chart.BottomAxis().Minimum(), Chart.BottomAxis().Maximum()},
          {Chart.LeftAxis().Minimum(), Chart.LeftAxis().Maximum()}};
}

TChartMap TChartLayout::SeriesMap(const TChart& Chart, int Index) const {
  const int Count = std::max(Chart.SeriesCount(), 1);
  // Each series takes a slice of the depth and lies in the middle of it.
  const int Z = static_cast<int>(std::lround(Depth * (Index + 0.5) / Count));
  return FrontMap(Chart).Shifted(QPoint(Z, -Z));
}

TChartLayout LayoutChart(const TChart& Chart, const QRect& Bounds, const QFontMetrics& Metrics) {
  TChartLayout Layout;
  Layout.Bounds = Bounds;
  const int TextHeight = Metrics.height();
  // Half a line above for the top label of the left axis, two characters at the
  // right for half the last label of the bottom axis.
  QRect Inner =
      Bounds.adjusted(Margin, Margin + TextHeight / 2, -(Margin + 2 * Metrics.averageCharWidth()),
                      -(Margin + TickLength + 2 + TextHeight));
  if (Chart.Title().Visible()) Inner.setTop(Inner.top() + TextHeight + Margin);
  if (Chart.Legend().Visible() && Chart.SeriesCount() > 0) {
    int Widest = 0;
    for (int I = 0; I < Chart.SeriesCount(); ++I)
      Widest = std::max(Widest, Metrics.horizontalAdvance(SeriesTitle(*Chart.Series(I), I)));
    const int Width = 3 * Margin + SampleWidth + Widest;
    Layout.Legend = QRect(Inner.right() - Width + 1, Inner.top(), Width,
                          2 * Margin + Chart.SeriesCount() * TextHeight);
    Inner.setRight(Inner.right() - Width - Margin);
  }
  // The left axis' labels take the room they need; their step depends on the height.
  const TChartAxis& Left = Chart.LeftAxis();
  Layout.YIncrement = Left.Increment(Inner.height(), 2 * TextHeight);
  Layout.YTicks = Left.Ticks(Layout.YIncrement);
  Inner.setLeft(Inner.left() + WidestLabel(Layout.YTicks, Layout.YIncrement, Metrics) + TickLength +
                2);
  // One more pixel on each side for the frame of the plotting box.
  Inner.adjust(1, 1, -1, -1);
  if (Chart.View3D()) {
    Layout.Depth = std::min(Inner.width(), Inner.height()) * Chart.Chart3DPercent() / 100;
    Inner.adjust(0, Layout.Depth, -Layout.Depth, 0);
  }
  Layout.Front = Inner;
  // Bottom labels as far apart as the widest of them needs.
  const TChartAxis& Bottom = Chart.BottomAxis();
  int Spacing = 8 * Metrics.averageCharWidth();
  for (int Pass = 0; Pass < 2; ++Pass) {
    Layout.XIncrement = Bottom.Increment(Inner.width(), Spacing);
    Layout.XTicks = Bottom.Ticks(Layout.XIncrement);
    Spacing =
        std::max(Spacing, WidestLabel(Layout.XTicks, Layout.XIncrement, Metrics) + 2 * Margin);
  }
  Layout.YIncrement = Left.Increment(Inner.height(), 2 * TextHeight);
  Layout.YTicks = Left.Ticks(Layout.YIncrement);
  return Layout;
}

void DrawChartFrame(QPainter& Canvas, const TChart& Chart, const TChartLayout& Layout) {
  DrawBackground(Canvas, Chart, Layout.Bounds);
  const QRect Box = Layout.Front.adjusted(-1, -1, 1, 1);
  const QRect Back = Box.translated(Layout.Depth, -Layout.Depth);
  const TChartMap Map = Layout.FrontMap(Chart);
  DrawWalls(Canvas, Chart, Box, Back);
  DrawGrid(Canvas, Layout, Map, Box, Back);
  DrawAxes(Canvas, Layout, Map, Box);
  DrawTitle(Canvas, Chart, Layout.Bounds);
  DrawLegend(Canvas, Chart, Layout.Legend);
}
