#include "chart/AverageFunction.h"

#include <algorithm>

#include "chart/ChartSeries.h"

void TAverageFunction::Calculate(const TChartSeries& Source, TChartSeries& Target) const {
  Target.Clear();
  const int Count = Source.Count();
  const int Group = Period() == 0 ? Count : Period();
  const double* X = Source.XValues().Data();
  const double* Y = Source.YValues().Data();
  for (int First = 0; First < Count; First += Group) {
    const int Last = std::min(First + Group, Count);
    double Sum = 0, MinX = X[First], MaxX = X[First];
    for (int I = First; I < Last; ++I) {
      Sum += Y[I];
      MinX = std::min(MinX, X[I]);
      MaxX = std::max(MaxX, X[I]);
    }
    const double Mean = Sum / (Last - First);
    Target.AddXY(MinX, Mean);
    Target.AddXY(MaxX, Mean);
  }
}
