#include "chart/ChartFunction.h"

#include "chart/ChartSeries.h"

TChartFunction::~TChartFunction() {
  if (FParentSeries != nullptr) FParentSeries->FFunction = nullptr;
}

void TChartFunction::SetPeriod(int Value) {
  if (Value < 0) throw EChartError(Format("Invalid period (%d): it cannot be negative", {Value}));
  FPeriod = Value;
  if (FParentSeries != nullptr) FParentSeries->CheckDataSource();
}
