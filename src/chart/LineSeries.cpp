#include "chart/LineSeries.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "chart/ChartMap.h"

namespace {

// Half the size of a point marker, in pixels.
constexpr int PointerSize = 4;

QPen LinePen(const QColor& Color) {
  QPen Pen(Color, 1, Qt::SolidLine, Qt::SquareCap);
  Pen.setCosmetic(true);
  return Pen;
}

// Appends the points to Line, keeping of each pixel column only its first,
// lowest, highest and last point in their order. The points are snapped to
// pixel centres and in ascending X, so the points of one column share their X
// and the segments between them cover exactly the span those four cover.
void AppendPerColumn(const QPointF* Points, int Count, std::vector<QPointF>& Line) {
  for (int I = 0; I < Count;) {
    const double Column = Points[I].x();
    int Low = I, High = I, Next = I + 1;
    for (; Next < Count && Points[Next].x() == Column; ++Next) {
      if (Points[Next].y() > Points[Low].y()) Low = Next;
      if (Points[Next].y() < Points[High].y()) High = Next;
    }
    const int Last = Next - 1;
    const int Earlier = std::min(Low, High), Later = std::max(Low, High);
    Line.push_back(Points[I]);
    if (Earlier > I) Line.push_back(Points[Earlier]);
    if (Later > Earlier) Line.push_back(Points[Later]);
    if (Last > Later) Line.push_back(Points[Last]);
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
  // Points out of X order cannot be merged by column.
  const bool Ascending = XValues().Order() == loAscending;
  DrawLines(Canvas, Ascending ? Map.Plot().width() : Count);
  if (Pointer().Visible()) DrawPointers(Canvas);
  if (Marks().Visible()) DrawMarks(Canvas);
}

void TLineSeries::DrawLines(QPainter& Canvas, int Columns) const {
  const int Count = this->Count();
  const QPalette Palette;
  for (int First = 0; First + 1 < Count;) {
    // A run of segments that share the colour of the points they end at.
    const TColor Color = PointColor(First + 1);
    int Last = First + 1;
    while (Last + 1 < Count && PointColor(Last + 1) == Color) ++Last;
    const QPointF* Points = FPixels.data() + First;
    int Length = Last - First + 1;
    if (Length > Columns) {
      FLine.clear();
      AppendPerColumn(Points, Length, FLine);
      Points = FLine.data();
      Length = static_cast<int>(FLine.size());
    }
    // Separate segments with square ends cover the pixel where two of them meet in
    // full; a polyline would leave it partly covered under antialiasing. A segment
    // of no length would draw a dot, so it is left out.
    FSegments.clear();
    for (int I = 1; I < Length; ++I) {
      if (Points[I] != Points[I - 1]) FSegments.emplace_back(Points[I - 1], Points[I]);
    }
    Canvas.setPen(LinePen(ToQColor(Color, Palette)));
    Canvas.drawLines(FSegments.data(), static_cast<int>(FSegments.size()));
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
