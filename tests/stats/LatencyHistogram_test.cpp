#include "stats/LatencyHistogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(LatencyHistogram, KeepsValuesBelow256MicrosecondsExactly) {
  TLatencyHistogram Histogram;
  for (std::uint64_t Value = 0; Value < 256; ++Value) Histogram.Add(255 - Value);
  ASSERT_EQ(Histogram.Count(), 256u);
  for (std::uint64_t Rank = 1; Rank <= 256; ++Rank)
    EXPECT_EQ(Histogram.ValueAtRank(Rank), Rank - 1);
}

class LatencyHistogramError : public testing::TestWithParam<std::uint64_t> {};

TEST_P(LatencyHistogramError, ReadsEveryValueBackWithinTheStatedError) {
  TLatencyHistogram Histogram;
  Histogram.Add(GetParam());
  const double Value = static_cast<double>(GetParam());
  const double Read = static_cast<double>(Histogram.ValueAtRank(1));
  EXPECT_LE(std::fabs(Read - Value), Value * TLatencyHistogram::RelativeError) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Magnitudes, LatencyHistogramError,
                         testing::Values(256u, 257u, 511u, 512u, 1000u, 42'042u, 65'535u,
                                         1'000'000u, 10'000'000u, 4'294'967'295u,
                                         (std::uint64_t{1} << 40) + 12'345,
                                         std::numeric_limits<std::uint64_t>::max()));

TEST(LatencyHistogram, RanksFollowTheOrderOfTheValuesAcrossBuckets) {
  TLatencyHistogram Histogram;
  for (const std::uint64_t Value : {1'000'000u, 10u, 1'000u, 1'000u}) Histogram.Add(Value);
  EXPECT_EQ(Histogram.ValueAtRank(1), 10u);
  EXPECT_NEAR(Histogram.ValueAtRank(2), 1000, 4);
  EXPECT_NEAR(Histogram.ValueAtRank(3), 1000, 4);
  EXPECT_NEAR(Histogram.ValueAtRank(4), 1e6, 1e6 / 256);
  // A rank beyond the count reads the largest.
  EXPECT_EQ(Histogram.ValueAtRank(9), Histogram.ValueAtRank(4));
}
