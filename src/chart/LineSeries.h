// A series drawn as a line through its points in X order, each segment in the
// colour of the point it ends at, with optional point markers and value marks.
#pragma once

#include <QLineF>
#include <QPointF>
#include <QRect>
#include <vector>

#include "chart/ChartElements.h"
#include "chart/ChartSeries.h"

// Settings that are shown or hidden and drawn in one of several styles; the
// first style is the default.
template <class TStyle>
class TStyledElement : public TChartElement {
 public:
  using TChartElement::TChartElement;
  TStyle Style() const { return FStyle; }
  void SetStyle(TStyle Value) { Assign(FStyle, Value); }

 private:
  TStyle FStyle{};
};

enum TSeriesPointerStyle { psRectangle, psCircle };
// The marker drawn at each point.
using TSeriesPointer = TStyledElement<TSeriesPointerStyle>;

enum TSeriesMarksStyle { smsValue, smsLabel };
// The text drawn above each point: its Y value or its label.
using TSeriesMarks = TStyledElement<TSeriesMarksStyle>;

class TLineSeries : public TChartSeries {
 public:
  explicit TLineSeries(TComponent* AOwner);

  TSeriesPointer& Pointer() { return FPointer; }
  const TSeriesPointer& Pointer() const { return FPointer; }
  TSeriesMarks& Marks() { return FMarks; }
  const TSeriesMarks& Marks() const { return FMarks; }

  // One pass over the points; the pen changes only where the colour does. Points
  // that fall in one pixel column are drawn as one segment from the lowest to the
  // highest, which draws the same pixels as all segments between them.
  void Draw(QPainter& Canvas, const TChartMap& Map) const override;

 private:
  void DrawLines(QPainter& Canvas) const;
  void DrawPointers(QPainter& Canvas) const;
  void DrawMarks(QPainter& Canvas) const;

  TSeriesPointer FPointer;
  TSeriesMarks FMarks;
  // Reused from paint to paint, so drawing allocates nothing once warm.
  mutable std::vector<QPointF> FPixels;
  mutable std::vector<QLineF> FSegments;
  mutable std::vector<QRect> FSpans;
};
