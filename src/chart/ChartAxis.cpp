#include "chart/ChartAxis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// A hair of the step, so that values a rounding error away from a tick count as on it.
constexpr double Tolerance = 1e-9;
// Enough ticks for any axis on a screen; guards against a step too small for its range.
constexpr int MaxTicks = 1000;

}  // namespace

void TChartAxis::AdjustRange(double AMin, double AMax) {
  FMinimum = AMin;
  FMaximum = AMax;
  if (!(FMaximum > FMinimum)) {
    FMinimum -= 1;
    FMaximum += 1;
  }
}

double TChartAxis::Increment(int Length, int MinSpacing) const {
  const double Raw = (FMaximum - FMinimum) * std::max(MinSpacing, 1) / std::max(Length, 1);
  const double Decade = std::pow(10.0, std::floor(std::log10(Raw)));
  for (const double Factor : std::array{1.0, 2.0, 5.0}) {
    if (Factor * Decade >= Raw * (1 - Tolerance)) return Factor * Decade;
  }
  return 10 * Decade;
}

std::vector<double> TChartAxis::Ticks(double AIncrement) const {
  std::vector<double> Result;
  const double First = std::ceil(FMinimum / AIncrement - Tolerance);
  // Each tick is computed from its number, so steps never accumulate rounding errors.
  for (int K = 0; K < MaxTicks; ++K) {
    const double Value = (First + K) * AIncrement;
    if (Value > FMaximum + AIncrement * Tolerance) break;
    Result.push_back(Value);
  }
  return Result;
}

std::string TChartAxis::LabelText(double Value, double AIncrement) {
  const int Decimals =
      std::max(0, static_cast<int>(-std::floor(std::log10(AIncrement) + Tolerance)));
  // A tick at zero that came out as a tiny negative number still reads "0".
  if (std::fabs(Value) < AIncrement * Tolerance) Value = 0;
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.*f", Decimals, Value);
  return Text;
}
