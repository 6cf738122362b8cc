// The X or the Y values of a series: a named column of doubles with an order
// that decides where a new point goes.
#pragma once

#include <string>

#include "chart/PointColumn.h"

enum TChartListOrder { loNone, loAscending, loDescending };

class TChartValueList {
 public:
  TChartValueList(std::string AName, TChartListOrder AOrder)
      : FName(std::move(AName)), FOrder(AOrder) {}

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  TChartListOrder Order() const { return FOrder; }
  void SetOrder(TChartListOrder Value) { FOrder = Value; }

  int Count() const { return FValues.Count(); }
  const double* Data() const { return FValues.Data(); }
  double operator[](int Index) const { return FValues[Index]; }
  // The value at Index, or EChartError for an index the list does not hold.
  double Value(int Index) const;

  // Smallest and largest value; the list must not be empty.
  double MinValue() const;
  double MaxValue() const;

  // Where a new value goes: after the values that sort before it or equal it,
  // or at the end when the list keeps no order.
  int InsertPosition(double Value) const;

  void Insert(int Index, double Value) { FValues.Insert(Index, Value); }
  void Delete(int Index) { FValues.Delete(Index); }
  void Clear() { FValues.Clear(); }

 private:
  std::string FName;
  TChartListOrder FOrder;
  TPointColumn<double> FValues;
};

// Raises EChartError unless 0 <= Index < Count.
void CheckPointIndex(int Index, int Count);
