// A series of points (X, Y, label, colour) shown by a chart: the operations the
// window performs on it, the link to a source series and a function that rebuilds
// it from that source, and the hit test for a position on screen. Drawing is
// left to the kind of series.
#pragma once

#include <QPointF>
#include <string>
#include <vector>

#include "chart/ChartValueList.h"
#include "rtl/Classes.h"
#include "ui/Graphics.h"

class QPainter;
class TChart;
class TChartFunction;
class TChartMap;

class TChartSeries : public TComponent {
 public:
  explicit TChartSeries(TComponent* AOwner);
  ~TChartSeries() override;

  // The chart that shows the series; it does not own it.
  TChart* ParentChart() const { return FParentChart; }
  void SetParentChart(TChart* Value);

  TColor SeriesColor() const { return FSeriesColor; }
  void SetSeriesColor(TColor Value);
  // Points without a colour of their own take the palette's colour for their index.
  bool ColorEachPoint() const { return FColorEachPoint; }
  void SetColorEachPoint(bool Value);

  TChartValueList& XValues() { return FXValues; }
  const TChartValueList& XValues() const { return FXValues; }
  TChartValueList& YValues() { return FYValues; }
  const TChartValueList& YValues() const { return FYValues; }
  int Count() const { return FXValues.Count(); }

  // Places the point by the order of the X values and returns its index. A value
  // that is not a finite number raises EChartError and adds nothing.
  int AddXY(double AX, double AY, const std::string& ALabel = {}, TColor AColor = clDefault);
  // Raises EChartError for an index the series does not hold.
  void Delete(int ValueIndex);
  // Removes every point, and every point of the series that take this one as source.
  void Clear();

  // The colour the point at ValueIndex is drawn in.
  TColor ValueColor(int ValueIndex) const;
  const std::string& Label(int ValueIndex) const;

  // The series this one is computed from, or none.
  TChartSeries* DataSource() const { return FDataSource; }
  void SetDataSource(TChartSeries* Value);
  // The function that computes this series from its source; without one the
  // source's points are copied. The series does not own it.
  TChartFunction* FunctionType() const { return FFunction; }
  void SetFunctionType(TChartFunction* Value);
  // Rebuilds the series from its source now; without a source it stays as it is.
  void CheckDataSource();

  virtual void Draw(QPainter& Canvas, const TChartMap& Map) const = 0;
  // The index of the point drawn nearest to Position, or -1 when none lies
  // within Radius pixels of it.
  int NearestPoint(const TChartMap& Map, QPointF Position, double Radius) const;

 protected:
  // ValueColor for an index known to be valid, for drawing loops.
  TColor PointColor(int ValueIndex) const;
  // Marks the chart for repainting; the paint follows in its next paint cycle.
  void Repaint() const;

 private:
  friend class TChart;
  friend class TChartFunction;

  TChart* FParentChart = nullptr;
  TColor FSeriesColor = clRed;
  bool FColorEachPoint = false;
  TChartValueList FXValues{"X", loAscending};
  TChartValueList FYValues{"Y", loNone};
  TPointColumn<std::string> FLabels;
  TPointColumn<TColor> FColors;
  TChartSeries* FDataSource = nullptr;
  std::vector<TChartSeries*> FDependents;
  TChartFunction* FFunction = nullptr;
};
