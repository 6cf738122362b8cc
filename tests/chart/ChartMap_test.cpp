#include "chart/ChartMap.h"

#include <gtest/gtest.h>

namespace {

// 101 columns and 51 rows, X 0 to 100 and Y 0 to 50: one unit per pixel.
const TChartMap Map(QRect(10, 20, 101, 51), {0, 100}, {0, 50});

}  // namespace

TEST(ChartMapPixels, RangeEndsFallOnTheCentresOfTheFirstAndLastPixels) {
  EXPECT_DOUBLE_EQ(Map.XToPixel(0), 10.5);
  EXPECT_DOUBLE_EQ(Map.XToPixel(100), 110.5);
  EXPECT_DOUBLE_EQ(Map.YToPixel(0), 70.5);  // Y grows upwards
  EXPECT_DOUBLE_EQ(Map.YToPixel(50), 20.5);
  EXPECT_EQ(Map.ToPixel(25.7, 10.2), QPointF(36.5, 60.5));
}

TEST(ChartMapPixels, PixelsMapBackToTheirValues) {
  for (const double Value : {0.0, 12.25, 50.0, 99.5}) {
    EXPECT_DOUBLE_EQ(Map.PixelToX(Map.XToPixel(Value)), Value);
    EXPECT_DOUBLE_EQ(Map.PixelToY(Map.YToPixel(Value / 2)), Value / 2);
  }
}

TEST(ChartMapPixels, ShiftMovesEveryPositionAndItsInverse) {
  const TChartMap Deep = Map.Shifted({6, -6}).Shifted({1, -1});
  EXPECT_EQ(Deep.Offset(), QPoint(7, -7));
  EXPECT_DOUBLE_EQ(Deep.XToPixel(0), 17.5);
  EXPECT_DOUBLE_EQ(Deep.YToPixel(0), 63.5);
  EXPECT_DOUBLE_EQ(Deep.PixelToX(17.5), 0);
}

TEST(ChartMapPixels, EmptyRangeMapsToTheFirstPixelWithoutDividingByZero) {
  const TChartMap Flat(QRect(0, 0, 10, 10), {3, 3}, {3, 3});
  EXPECT_DOUBLE_EQ(Flat.XToPixel(3), 0.5);
  EXPECT_DOUBLE_EQ(Flat.PixelToX(7), 3);
  EXPECT_DOUBLE_EQ(Flat.PixelToY(7), 3);
}
