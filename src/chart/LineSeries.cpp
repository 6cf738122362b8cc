#include "chart/LineSeries.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "chart/ChartMap.h"

namespace {

// Half the size of a point marker, in pixels.
constexpr int PointerSize = 4;
// The side of the dot that shows a series of one point, in pixels.
constexpr int LoneDotSize = 3;

QPen LinePen(const QColor& Color) {
  QPen Pen(Color, 1, Qt::SolidLine, Qt::SquareCap);
  Pen.setCosmetic(true);
  return Pen;
}

// Appends the segments through the points to Segments. Points are snapped to
// pixel centres, so consecutive points in one pixel column share their X and the
// segments between them cover just the span from the lowest to the highest: one
// segment for that span and one from the column before draw the same pixels.
// The spans go to Spans as one-pixel-wide rectangles, the segments between
// columns to Segments.
void AppendSegments(const QPointF* Points, int Count, std::vector<QLineF>& Segments,
                    std::vector<QRect>& Spans) {
  for (int I = 0; I < Count;) {
    const double Column = Points[I].x();
    int Low = I, High = I, Next = I + 1;
    for (; Next < Count && Points[Next].x() == Column; ++Next) {
      if (Points[Next].y() > Points[Low].y()) Low = Next;
      if (Points[Next].y() < Points[High].y()) High = Next;
    }
    // A segment of no length would draw a dot, so it is left out.
    if (I > 0 && Points[I - 1] != Points[I]) Segments.emplace_back(Points[I - 1], Points[I]);
    if (Points[Low].y() != Points[High].y()) {
      // Whole pixels, from the centre row of the highest point to that of the lowest.
      const auto Top = static_cast<int>(Points[High].y()),
                 Bottom = static_cast<int>(Points[Low].y());
      Spans.emplace_back(static_cast<int>(Column), Top, 1, Bottom - Top + 1);
    }
    I = Next;
  }
}

}  // namespace

TLineSeries::TLineSeries(TComponent* AOwner)
    : TChartSeries(AOwner),
      FPointer([this] { Repaint(); }, false),
      FMarks([this] { Repaint(); }, false) {}

void TLineSeries::Draw(QPainter& Canvas, const TChartMap& Map) const {
  const int Count = this->Count();
  FPixels.resize(static_cast<std::size_t>(Count));
  const double* X = XValues().Data();
  const double* Y = YValues().Data();
  for (int I = 0; I < Count; ++I) FPixels[static_cast<std::size_t>(I)] = Map.ToPixel(X[I], Y[I]);
  DrawLines(Canvas);
  if (Pointer().Visible()) DrawPointers(Canvas);
  if (Marks().Visible()) DrawMarks(Canvas);
}

void TLineSeries::DrawLines(QPainter& Canvas) const {
  const int Count = this->Count();
  const QPalette Palette;
  if (Count == 1) {
    // A line needs two points; a lone one shows as a dot of the line's colour.
    const QPointF Centre = FPixels.front();
    Canvas.fillRect(QRectF(Centre.x() - LoneDotSize / 2.0, Centre.y() - LoneDotSize / 2.0,
                           LoneDotSize, LoneDotSize),
                    ToQColor(PointColor(0), Palette));
    return;
  }
  for (int First = 0; First + 1 < Count;) {
    // A run of segments that share the colour of the points they end at.
    const TColor Color = PointColor(First + 1);
    int Last = First + 1;
    while (Last + 1 < Count && PointColor(Last + 1) == Color) ++Last;
    // Separate segments with square ends cover the pixel where two of them meet in
    // full; a polyline would leave it partly covered under antialiasing.
    FSegments.clear();
    FSpans.clear();
    AppendSegments(FPixels.data() + First, Last - First + 1, FSegments, FSpans);
    Canvas.setPen(LinePen(ToQColor(Color, Palette)));
    Canvas.drawLines(FSegments.data(), static_cast<int>(FSegments.size()));
    // A span covers whole pixels of its column: filled as a rectangle it gives the
    // pixels a line would, at a fraction of the cost.
    const bool Antialiased = Canvas.testRenderHint(QPainter::Antialiasing);
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    Canvas.setPen(Qt::NoPen);
    Canvas.setBrush(ToQColor(Color, Palette));
    Canvas.drawRects(FSpans.data(), static_cast<int>(FSpans.size()));
    Canvas.setRenderHint(QPainter::Antialiasing, Antialiased);
    First = Last;
  }
}

void TLineSeries::DrawPointers(QPainter& Canvas) const {
  Canvas.setPen(LinePen(Qt::black));
  TColor Current = clDefault;
  for (int I = 0; I < Count(); ++I) {
    if (const TColor Color = PointColor(I); Color != Current) {
      Canvas.setBrush(ToQColor(Color, QPalette()));
      Current = Color;
    }
    const QPointF Centre = FPixels[static_cast<std::size_t>(I)];
    const QRectF Box(Centre.x() - PointerSize, Centre.y() - PointerSize, 2 * PointerSize,
                     2 * PointerSize);
    if (Pointer().Style() == psCircle) {
      Canvas.drawEllipse(Box);
    } else {
      Canvas.drawRect(Box);
    }
  }
}

void TLineSeries::DrawMarks(QPainter& Canvas) const {
  Canvas.setPen(Qt::black);
  const int Rise = Canvas.fontMetrics().descent() + PointerSize;
  for (int I = 0; I < Count(); ++I) {
    const QString Text = Marks().Style() == smsValue ? QString::number(YValues()[I], 'g', 10)
                                                     : QString::fromStdString(Label(I));
    const QPointF Centre = FPixels[static_cast<std::size_t>(I)];
    const int Width = Canvas.fontMetrics().horizontalAdvance(Text);
    Canvas.drawText(QPointF(Centre.x() - Width / 2.0, Centre.y() - Rise), Text);
  }
}
