// The average: the mean of the source's Y values, drawn as a level line from the
// smallest to the largest X of the points it covers.
#pragma once

#include "chart/ChartFunction.h"

class TAverageFunction : public TChartFunction {
 public:
  using TChartFunction::TChartFunction;

  // Each group of Period points (all points when Period is 0) gives two points at
  // the group's smallest and largest X, both at the group's mean. The sum runs in
  // index order in double precision.
  void Calculate(const TChartSeries& Source, TChartSeries& Target) const override;
};
