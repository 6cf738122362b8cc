#include "chart/ChartValueList.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::vector<double> Values(const TChartValueList& List) {
  return {List.Data(), List.Data() + List.Count()};
}

TChartValueList Filled(TChartListOrder Order, std::initializer_list<double> Items) {
  TChartValueList List("X", Order);
  for (const double Item : Items) List.Insert(List.InsertPosition(Item), Item);
  return List;
}

}  // namespace

TEST(ValueListOrder, AscendingPlacesEachValueAfterThoseNotGreater) {
  const TChartValueList List = Filled(loAscending, {3, 1, 2, 2, 5, 0});
  EXPECT_EQ(Values(List), (std::vector<double>{0, 1, 2, 2, 3, 5}));
  EXPECT_EQ(List.InsertPosition(2), 4);
  EXPECT_EQ(List.InsertPosition(9), 6);
}

TEST(ValueListOrder, DescendingAndUnorderedLists) {
  EXPECT_EQ(Values(Filled(loDescending, {3, 1, 5, 3})), (std::vector<double>{5, 3, 3, 1}));
  EXPECT_EQ(Values(Filled(loNone, {3, 1, 5, 3})), (std::vector<double>{3, 1, 5, 3}));
}

TEST(ValueListOrder, ExtremesFollowTheOrder) {
  const TChartValueList Unordered = Filled(loNone, {3, -1, 5, 3});
  EXPECT_EQ(Unordered.MinValue(), -1);
  EXPECT_EQ(Unordered.MaxValue(), 5);
  const TChartValueList Descending = Filled(loDescending, {3, -1, 5});
  EXPECT_EQ(Descending.MinValue(), -1);
  EXPECT_EQ(Descending.MaxValue(), 5);
}

TEST(ValueListIndex, OutOfBoundsRaisesChartErrorWithTheIndex) {
  const TChartValueList List = Filled(loNone, {7});
  EXPECT_EQ(List.Value(0), 7);
  try {
    List.Value(1);
    FAIL() << "no exception";
  } catch (const EChartError& E) {
    EXPECT_EQ(E.Message(), "List index out of bounds (1)");
  }
  EXPECT_THROW(List.Value(-1), EChartError);
}

// The cheap removal of the first point must agree with a plain vector through any
// mix of removals at the front, removals elsewhere and insertions.
TEST(PointColumnRemoval, AgreesWithAPlainVectorThroughMixedOperations) {
  TPointColumn<int> Column;
  std::vector<int> Expected;
  std::mt19937 Random(7);
  for (int Step = 0; Step < 5000; ++Step) {
    const unsigned Choice = Random() % 4;
    if (Choice == 0 && !Expected.empty()) {
      const int Index = static_cast<int>(Random() % Expected.size());
      Column.Delete(Index);
      Expected.erase(Expected.begin() + Index);
    } else if (Choice == 1 && !Expected.empty()) {
      Column.Delete(0);
      Expected.erase(Expected.begin());
    } else {
      const int Index = static_cast<int>(Random() % (Expected.size() + 1));
      Column.Insert(Index, Step);
      Expected.insert(Expected.begin() + Index, Step);
    }
    ASSERT_EQ(std::vector<int>(Column.Data(), Column.Data() + Column.Count()), Expected);
  }
}

TEST(PointColumnRemoval, ScrollingKeepsTheNewestPointsInOrder) {
  TPointColumn<int> Column;
  for (int I = 0; I < 100; ++I) Column.Insert(Column.Count(), I);
  for (int I = 100; I < 1000; ++I) {
    Column.Delete(0);
    Column.Insert(Column.Count(), I);
  }
  ASSERT_EQ(Column.Count(), 100);
  EXPECT_EQ(Column[0], 900);
  EXPECT_EQ(Column[99], 999);
  Column.Clear();
  EXPECT_EQ(Column.Count(), 0);
}
