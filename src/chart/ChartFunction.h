// A function that computes a series from the points of its source series,
// such as the average. It belongs to its owner; the series only uses it.
#pragma once

#include "rtl/Classes.h"

class TChartSeries;

class TChartFunction : public TComponent {
 public:
  explicit TChartFunction(TComponent* AOwner) : TComponent(AOwner) {}
  ~TChartFunction() override;

  // The series the function computes, or none.
  TChartSeries* ParentSeries() const { return FParentSeries; }

  // How many source points make one group; 0 takes all points as one group.
  // A negative number raises EChartError. The series is computed again.
  int Period() const { return FPeriod; }
  void SetPeriod(int Value);

  // Replaces Target's points by the function of Source's points.
  virtual void Calculate(const TChartSeries& Source, TChartSeries& Target) const = 0;

 private:
  friend class TChartSeries;

  TChartSeries* FParentSeries = nullptr;
  int FPeriod = 0;
};
