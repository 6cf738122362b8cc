// What assistive technology learns about a chart: its name, and as description
// and value the extent of each series and its newest point, read from the stored points.
#pragma once

#include <QString>

class TChart;
class TChartSeries;

// Registers the accessible interface of charts with Qt, once per process.
void InstallChartAccessibility();

// "X: 17\nY: 23": a point as its value lists name it, for tool tips.
QString PointText(const TChartSeries& Series, int Index);
// Each series' point count, X and Y ranges and newest point, one series per line.
QString ChartDescription(const TChart& Chart);
