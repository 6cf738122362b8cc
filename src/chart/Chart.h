// The chart control: a widget that owns the canvas and the chart's settings and
// draws its series through a coordinate map. As a component it belongs to its
// owner; as a widget it sits in its parent. Either one may free it first.
#pragma once

#include <QWidget>
#include <vector>

#include "chart/ChartAxis.h"
#include "chart/ChartElements.h"
#include "chart/ChartMap.h"
#include "ui/Control.h"

class TChartSeries;

class TChart : public QWidget, public TControl {
 public:
  explicit TChart(TComponent* AOwner, QWidget* AParent = nullptr);
  ~TChart() override;

  TChartTitle& Title() { return FTitle; }
  const TChartTitle& Title() const { return FTitle; }
  TChartLegend& Legend() { return FLegend; }
  const TChartLegend& Legend() const { return FLegend; }
  TChartGradient& Gradient() { return FGradient; }
  const TChartGradient& Gradient() const { return FGradient; }
  // The plotting area's back; its left and bottom neighbours show in 3D only.
  TChartWall& BackWall() { return FBackWall; }
  const TChartWall& BackWall() const { return FBackWall; }
  TChartWall& LeftWall() { return FLeftWall; }
  const TChartWall& LeftWall() const { return FLeftWall; }
  TChartWall& BottomWall() { return FBottomWall; }
  const TChartWall& BottomWall() const { return FBottomWall; }

  // The background where the gradient is off.
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool View3D() const { return FView3D; }
  void SetView3D(bool Value);
  // The depth of the 3D view, in percent of the plotting area's smaller side (1 to 100).
  int Chart3DPercent() const { return F3DPercent; }
  void SetChart3DPercent(int Value);

  // Both axes span all points of all series; they are brought up to date when
  // the chart is laid out for drawing.
  const TChartAxis& BottomAxis() const { return FBottomAxis; }
  const TChartAxis& LeftAxis() const { return FLeftAxis; }

  int SeriesCount() const { return static_cast<int>(FSeries.size()); }
  // Raises EChartError for an index the chart does not hold.
  TChartSeries* Series(int Index) const;

  // Marks the chart for repainting in the next paint cycle; changes made
  // together are drawn together.
  void Invalidate();
  // Draws the whole chart into Bounds.
  void Draw(QPainter& Canvas, const QRect& Bounds);
  // Where the series at Index is drawn, laid out for Bounds.
  TChartMap SeriesMap(int Index, const QRect& Bounds);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  friend class TChartSeries;
  void AddSeries(TChartSeries* Series) { FSeries.push_back(Series); }
  void RemoveSeries(TChartSeries* Series);
  void AdjustAxes();
  void ShowToolTip(const QPoint& Position, const QPoint& GlobalPosition);

  TChartTitle FTitle{[this] { Invalidate(); }, true};
  TChartLegend FLegend{[this] { Invalidate(); }, true};
  TChartGradient FGradient{[this] { Invalidate(); }, false};
  TChartWall FBackWall{[this] { Invalidate(); }, clWhite, bsClear};
  TChartWall FLeftWall{[this] { Invalidate(); }, 0xE8E8E8, bsSolid};
  TChartWall FBottomWall{[this] { Invalidate(); }, 0xE8E8E8, bsSolid};
  TColor FColor = clBtnFace;
  bool FView3D = true;
  int F3DPercent = 15;
  TChartAxis FBottomAxis;
  TChartAxis FLeftAxis;
  std::vector<TChartSeries*> FSeries;
};
