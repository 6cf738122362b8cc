// The layout of a chart in a rectangle, and the drawing of all that surrounds
// its series: the background, the walls of the plotting box, the grid, the axes
// with their ticks and labels, the title and the legend.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <vector>

#include "chart/ChartMap.h"

class QPainter;
class TChart;

struct TChartLayout {
  QRect Bounds;
  // The pixels that points can fall on, in the front face of the plotting box.
  QRect Front;
  // How far the back wall lies to the right of and above the front face; 0 in 2D.
  int Depth = 0;
  double XIncrement = 1;
  double YIncrement = 1;
  std::vector<double> XTicks;
  std::vector<double> YTicks;
  // Empty when the legend is hidden.
  QRect Legend;

  TChartMap FrontMap(const TChart& Chart) const;
  // Series lie one behind the other in the 3D view, the first one in front.
  TChartMap SeriesMap(const TChart& Chart, int Index) const;
};

// Lays the chart out for Bounds with its axes' current ranges.
TChartLayout LayoutChart(const TChart& Chart, const QRect& Bounds, const QFontMetrics& Metrics);

void DrawChartFrame(QPainter& Canvas, const TChart& Chart, const TChartLayout& Layout);
