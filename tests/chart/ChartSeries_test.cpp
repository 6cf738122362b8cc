#include "chart/ChartSeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chart/AverageFunction.h"
#include "chart/ChartMap.h"
#include "chart/LineSeries.h"

namespace {

std::vector<double> Xs(const TChartSeries& Series) {
  return {Series.XValues().Data(), Series.XValues().Data() + Series.Count()};
}
std::vector<double> Ys(const TChartSeries& Series) {
  return {Series.YValues().Data(), Series.YValues().Data() + Series.Count()};
}

// Counts how often it is asked to compute its series.
class TCountingFunction : public TChartFunction {
 public:
  using TChartFunction::TChartFunction;
  void Calculate(const TChartSeries&, TChartSeries& Target) const override {
    ++Calls;
    Target.Clear();
    Target.AddXY(0, 0);
  }
  mutable int Calls = 0;
};

// A source series and a series computed from it, owned as the window owns them.
struct TLinkedSeries : testing::Test {
  TLinkedSeries() {
    Derived->SetDataSource(Source);
    Derived->SetFunctionType(Function);
  }
  TComponent Owner{nullptr};
  TLineSeries* Source = new TLineSeries(&Owner);
  TLineSeries* Derived = new TLineSeries(&Owner);
  TCountingFunction* Function = new TCountingFunction(&Owner);
};

}  // namespace

TEST(SeriesPoints, AreKeptInAscendingXWhileYKeepsNoOrder) {
  TLineSeries Series(nullptr);
  EXPECT_EQ(Series.AddXY(1, 30), 0);
  EXPECT_EQ(Series.AddXY(3, 10), 1);
  EXPECT_EQ(Series.AddXY(2, 20, "two", clBlue), 1);
  EXPECT_EQ(Xs(Series), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(Ys(Series), (std::vector<double>{30, 20, 10}));
  EXPECT_EQ(Series.Label(1), "two");
  EXPECT_EQ(Series.XValues().Name(), "X");
  EXPECT_EQ(Series.YValues().Order(), loNone);
}

TEST(SeriesPoints, BadInputRaisesChartErrorAndLosesNothing) {
  TLineSeries Series(nullptr);
  Series.AddXY(1, 10);
  EXPECT_THROW(Series.AddXY(std::nan(""), 1), EChartError);
  EXPECT_THROW(Series.AddXY(2, std::numeric_limits<double>::infinity()), EChartError);
  EXPECT_THROW(Series.Delete(1), EChartError);
  EXPECT_THROW(Series.Delete(-1), EChartError);
  EXPECT_THROW(Series.ValueColor(1), EChartError);
  EXPECT_EQ(Xs(Series), std::vector<double>{1});
}

TEST(SeriesPoints, DeletingTheOldestScrollsTheRange) {
  TLineSeries Series(nullptr);
  for (int X = 1; X <= 100; ++X) Series.AddXY(X, X % 7);
  for (int X = 101; X <= 150; ++X) {
    Series.Delete(0);
    Series.AddXY(X, X % 7);
  }
  EXPECT_EQ(Series.Count(), 100);
  EXPECT_EQ(Series.XValues().MinValue(), 51);
  EXPECT_EQ(Series.XValues().MaxValue(), 150);
  EXPECT_EQ(Series.YValues()[0], 51 % 7);
}

TEST(SeriesColours, PointsTakeTheSeriesColourOrThePaletteByIndex) {
  TLineSeries Series(nullptr);
  Series.SetSeriesColor(clGreen);
  Series.AddXY(1, 1);
  Series.AddXY(2, 2);
  Series.AddXY(3, 3, "", clBlue);
  EXPECT_EQ(Series.ValueColor(0), clGreen);
  EXPECT_EQ(Series.ValueColor(2), clBlue);
  Series.SetColorEachPoint(true);
  EXPECT_EQ(Series.ValueColor(0), clRed);
  EXPECT_EQ(Series.ValueColor(1), clGreen);
  EXPECT_EQ(Series.ValueColor(2), clBlue);
}

TEST_F(TLinkedSeries, ClearingTheSourceClearsTheDerivedSeriesWithoutComputingIt) {
  Source->AddXY(1, 10);
  Derived->CheckDataSource();
  ASSERT_EQ(Derived->Count(), 1);
  Source->Clear();
  EXPECT_EQ(Source->Count(), 0);
  EXPECT_EQ(Derived->Count(), 0);
  EXPECT_EQ(Function->Calls, 1);
}

TEST_F(TLinkedSeries, AddingOrDeletingSourcePointsLeavesTheDerivedSeriesAlone) {
  Source->AddXY(1, 10);
  Source->AddXY(2, 20);
  Derived->CheckDataSource();
  Source->AddXY(3, 30);
  Source->Delete(0);
  EXPECT_EQ(Function->Calls, 1);
  EXPECT_EQ(Derived->Count(), 1);
}

TEST_F(TLinkedSeries, ASeriesCannotBeComputedFromItself) {
  EXPECT_THROW(Source->SetDataSource(Derived), EChartError);
  EXPECT_THROW(Source->SetDataSource(Source), EChartError);
  EXPECT_EQ(Source->DataSource(), nullptr);
}

TEST_F(TLinkedSeries, FreeingAnyPartLeavesTheOthersWorking) {
  Source->AddXY(1, 10);
  delete Function;
  EXPECT_EQ(Derived->FunctionType(), nullptr);
  Derived->CheckDataSource();  // without a function the points are copied
  EXPECT_EQ(Xs(*Derived), std::vector<double>{1});
  EXPECT_EQ(Ys(*Derived), std::vector<double>{10});
  delete Source;
  EXPECT_EQ(Derived->DataSource(), nullptr);
  Derived->CheckDataSource();
  EXPECT_EQ(Derived->Count(), 1);
}

TEST_F(TLinkedSeries, AFunctionServesOneSeriesAtATime) {
  TLineSeries Other(nullptr);
  Other.SetFunctionType(Function);
  EXPECT_EQ(Derived->FunctionType(), nullptr);
  EXPECT_EQ(Function->ParentSeries(), &Other);
  Other.SetFunctionType(nullptr);
  EXPECT_EQ(Function->ParentSeries(), nullptr);
}

TEST(SeriesHitTest, FindsThePointDrawnNearestToAPosition) {
  TLineSeries Series(nullptr);
  for (int X = 0; X <= 100; ++X) Series.AddXY(X, X % 2 == 0 ? 10 : 40);
  const TChartMap Map(QRect(0, 0, 101, 51), {0, 100}, {0, 50});
  EXPECT_EQ(Series.NearestPoint(Map, Map.ToPixel(40, 10), 8), 40);
  EXPECT_EQ(Series.NearestPoint(Map, Map.ToPixel(41, 38), 8), 41);
  EXPECT_EQ(Series.NearestPoint(Map, Map.ToPixel(40, 25), 8), -1);
  TLineSeries Empty(nullptr);
  EXPECT_EQ(Empty.NearestPoint(Map, QPointF(5, 5), 8), -1);
}
