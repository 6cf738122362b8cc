#include "chart/ChartAxis.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TChartAxis Axis(double Min, double Max) {
  TChartAxis Result;
  Result.AdjustRange(Min, Max);
  return Result;
}

}  // namespace

// Minimum, maximum, axis length, label spacing, and the step expected.
class AxisIncrement : public testing::TestWithParam<std::tuple<double, double, int, int, double>> {
};

TEST_P(AxisIncrement, IsTheSmallestReadableStepThatKeepsLabelsApart) {
  const auto [Min, Max, Length, Spacing, Expected] = GetParam();
  EXPECT_DOUBLE_EQ(Axis(Min, Max).Increment(Length, Spacing), Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AxisIncrement,
    testing::Values(std::make_tuple(1, 10001, 1000, 60, 1000.0),   // a full list of replies
                    std::make_tuple(1, 40, 400, 50, 5.0),          // 4.875 rounds up to 5
                    std::make_tuple(0, 100, 100, 20, 20.0),        // exactly 20
                    std::make_tuple(10, 12, 200, 40, 0.5),         // 0.4 rounds up to 0.5
                    std::make_tuple(0, 1, 1000, 10, 0.01),         // a fine step
                    std::make_tuple(-500, 500, 100, 10, 100.0),    // across zero
                    std::make_tuple(0, 1e6, 100, 30, 500000.0)));  // 3e5 rounds up to 5e5

TEST(AxisRange, SingleValueIsWidenedAroundIt) {
  const TChartAxis Single = Axis(1, 1);
  EXPECT_EQ(Single.Minimum(), 0);
  EXPECT_EQ(Single.Maximum(), 2);
  TChartAxis Empty = Axis(5, 9);
  Empty.ResetRange();
  EXPECT_EQ(Empty.Minimum(), 0);
  EXPECT_EQ(Empty.Maximum(), 1);
}

TEST(AxisTicks, AreTheMultiplesOfTheStepWithinTheRangeEndsIncluded) {
  EXPECT_EQ(Axis(1, 40).Ticks(5), (std::vector<double>{5, 10, 15, 20, 25, 30, 35, 40}));
  EXPECT_EQ(Axis(-7, 7).Ticks(5), (std::vector<double>{-5, 0, 5}));
  // Ten steps of 0.1 reach 1 although 0.1 has no exact binary value.
  const std::vector<double> Tenths = Axis(0, 1).Ticks(0.1);
  ASSERT_EQ(Tenths.size(), 11u);
  EXPECT_DOUBLE_EQ(Tenths.back(), 1);
}

TEST(AxisLabels, CarryAsManyDecimalsAsTheStep) {
  EXPECT_EQ(TChartAxis::LabelText(1000, 1000), "1000");
  EXPECT_EQ(TChartAxis::LabelText(10.5, 0.5), "10.5");
  EXPECT_EQ(TChartAxis::LabelText(0.3, 0.05), "0.30");
  EXPECT_EQ(TChartAxis::LabelText(-2, 2), "-2");
  EXPECT_EQ(TChartAxis::LabelText(-1e-17, 0.1), "0.0");
}
