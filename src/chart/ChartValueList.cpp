#include "chart/ChartValueList.h"

#include <algorithm>
#include <functional>

void CheckPointIndex(int Index, int Count) {
  if (Index < 0 || Index >= Count)
    throw EChartError(Format("List index out of bounds (%d)", {Index}));
}

double TChartValueList::Value(int Index) const {
  CheckPointIndex(Index, Count());
  return FValues[Index];
}

double TChartValueList::MinValue() const {
  const double* First = Data();
  const double* Last = First + Count();
  if (FOrder == loAscending) return *First;
  if (FOrder == loDescending) return Last[-1];
  return *std::min_element(First, Last);
}

double TChartValueList::MaxValue() const {
  const double* First = Data();
  const double* Last = First + Count();
  if (FOrder == loAscending) return Last[-1];
  if (FOrder == loDescending) return *First;
  return *std::max_element(First, Last);
}

int TChartValueList::InsertPosition(double Value) const {
  const double* First = Data();
  const double* Last = First + Count();
  // New values nearly always go at the end; check it before searching.
  switch (FOrder) {
    case loNone:
      return Count();
    case loAscending:
      if (First == Last || Last[-1] <= Value) return Count();
      return static_cast<int>(std::upper_bound(First, Last, Value) - First);
    case loDescending:
      if (First == Last || Last[-1] >= Value) return Count();
      return static_cast<int>(std::upper_bound(First, Last, Value, std::greater<>()) - First);
  }
  return Count();
}
