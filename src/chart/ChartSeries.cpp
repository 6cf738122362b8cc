#include "chart/ChartSeries.h"

#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/ChartFunction.h"
#include "chart/ChartMap.h"

TChartSeries::TChartSeries(TComponent* AOwner) : TComponent(AOwner) {}

TChartSeries::~TChartSeries() {
  SetFunctionType(nullptr);
  SetDataSource(nullptr);
  for (TChartSeries* Dependent : FDependents) Dependent->FDataSource = nullptr;
  SetParentChart(nullptr);
}

void TChartSeries::SetParentChart(TChart* Value) {
  if (Value == FParentChart) return;
  if (FParentChart != nullptr) FParentChart->RemoveSeries(this);
  FParentChart = Value;
  if (FParentChart != nullptr) FParentChart->AddSeries(this);
}

void TChartSeries::SetSeriesColor(TColor Value) {
  FSeriesColor = Value;
  Repaint();
}

void TChartSeries::SetColorEachPoint(bool Value) {
  FColorEachPoint = Value;
  Repaint();
}

int TChartSeries::AddXY(double AX, double AY, const std::string& ALabel, TColor AColor) {
  if (!std::isfinite(AX) || !std::isfinite(AY))
    throw EChartError("A chart point needs finite X and Y values");
  const int Index = FXValues.InsertPosition(AX);
  FXValues.Insert(Index, AX);
  FYValues.Insert(Index, AY);
  FLabels.Insert(Index, ALabel);
  FColors.Insert(Index, AColor);
  Repaint();
  return Index;
}

void TChartSeries::Delete(int ValueIndex) {
  CheckPointIndex(ValueIndex, Count());
  FXValues.Delete(ValueIndex);
  FYValues.Delete(ValueIndex);
  FLabels.Delete(ValueIndex);
  FColors.Delete(ValueIndex);
  Repaint();
}

void TChartSeries::Clear() {
  FXValues.Clear();
  FYValues.Clear();
  FLabels.Clear();
  FColors.Clear();
  for (TChartSeries* Dependent : FDependents) Dependent->Clear();
  Repaint();
}

TColor TChartSeries::ValueColor(int ValueIndex) const {
  CheckPointIndex(ValueIndex, Count());
  return PointColor(ValueIndex);
}

TColor TChartSeries::PointColor(int ValueIndex) const {
  const TColor Own = FColors[ValueIndex];
  if (Own != clDefault) return Own;
  return FColorEachPoint ? PaletteColor(ValueIndex) : FSeriesColor;
}

const std::string& TChartSeries::Label(int ValueIndex) const {
  CheckPointIndex(ValueIndex, Count());
  return FLabels[ValueIndex];
}

void TChartSeries::SetDataSource(TChartSeries* Value) {
  if (Value == FDataSource) return;
  // A series computed from itself, directly or through others, would clear and
  // rebuild itself without end.
  for (const TChartSeries* Source = Value; Source != nullptr; Source = Source->FDataSource) {
    if (Source == this) throw EChartError("A series cannot be computed from itself");
  }
  if (FDataSource != nullptr) std::erase(FDataSource->FDependents, this);
  FDataSource = Value;
  if (FDataSource != nullptr) FDataSource->FDependents.push_back(this);
}

void TChartSeries::SetFunctionType(TChartFunction* Value) {
  if (Value == FFunction) return;
  if (FFunction != nullptr) FFunction->FParentSeries = nullptr;
  // A function computes one series; taking it over leaves the other without one.
  if (Value != nullptr && Value->FParentSeries != nullptr)
    Value->FParentSeries->FFunction = nullptr;
  FFunction = Value;
  if (FFunction != nullptr) FFunction->FParentSeries = this;
}

void TChartSeries::CheckDataSource() {
  if (FDataSource == nullptr) return;
  if (FFunction != nullptr) {
    FFunction->Calculate(*FDataSource, *this);
    return;
  }
  Clear();
  for (int I = 0; I < FDataSource->Count(); ++I) {
    AddXY(FDataSource->FXValues[I], FDataSource->FYValues[I], FDataSource->FLabels[I],
          FDataSource->FColors[I]);
  }
}

int TChartSeries::NearestPoint(const TChartMap& Map, QPointF Position, double Radius) const {
  const double* X = FXValues.Data();
  int First = 0, Last = Count();
  // With ascending X only the points within Radius columns need a look.
  if (FXValues.Order() == loAscending) {
    First =
        static_cast<int>(std::lower_bound(X, X + Last, Map.PixelToX(Position.x() - Radius)) - X);
    Last = static_cast<int>(std::upper_bound(X, X + Last, Map.PixelToX(Position.x() + Radius)) - X);
  }
  int Nearest = -1;
  double NearestDistance = 0;
  for (int I = First; I < Last; ++I) {
    const QPointF Offset = Map.ToPixel(X[I], FYValues[I]) - Position;
    const double Distance = QPointF::dotProduct(Offset, Offset);
    if (Distance <= Radius * Radius && (Nearest < 0 || Distance < NearestDistance)) {
      Nearest = I;
      NearestDistance = Distance;
    }
  }
  return Nearest;
}

void TChartSeries::Repaint() const {
  if (FParentChart != nullptr) FParentChart->Invalidate();
}
