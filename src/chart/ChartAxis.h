// An automatic axis: its range spans the data, and its labels fall on readable
// steps (1, 2 or 5 times a power of ten) spaced so that they do not crowd.
#pragma once

#include <string>
#include <vector>

class TChartAxis {
 public:
  double Minimum() const { return FMinimum; }
  double Maximum() const { return FMaximum; }

  // Spans AMin to AMax; a single value is widened by one on each side so the
  // axis keeps a length and the value sits in its middle.
  void AdjustRange(double AMin, double AMax);
  // The range of an axis without data.
  void ResetRange() { AdjustRange(0, 1); }

  // The label step on an axis Length pixels long whose labels need MinSpacing
  // pixels each: the smallest readable step at least that far apart.
  double Increment(int Length, int MinSpacing) const;
  // The multiples of AIncrement that lie within the range, in ascending order.
  std::vector<double> Ticks(double AIncrement) const;
  // A value as its label, with as many decimals as the step needs.
  static std::string LabelText(double Value, double AIncrement);

 private:
  double FMinimum = 0;
  double FMaximum = 1;
};
