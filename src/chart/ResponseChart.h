// The response-time chart as the main window designs it: no title or legend,
// flat, a gradient behind a clear back wall, the round trips in red and their
// average, computed from them, in green. The window and the chart's tests
// set their chart up through this one function.
#pragma once

#include "chart/AverageFunction.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"

// Names and sets up AChart, its two series and the average's function, and
// puts the series on the chart.
void SetUpResponseChart(TChart* AChart, TLineSeries* ATrips, TLineSeries* AAverage,
                        TAverageFunction* AFunction);
