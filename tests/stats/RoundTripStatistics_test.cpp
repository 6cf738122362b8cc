#include "stats/RoundTripStatistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace {

using TSeries = std::vector<std::uint64_t>;

// The nearest-rank percentile, computed from the whole sorted series.
std::uint64_t ExactPercentile(TSeries Series, int Percent) {
  std::sort(Series.begin(), Series.end());
  const auto Rank = static_cast<std::size_t>(
      std::ceil(static_cast<double>(Percent) / 100.0 * static_cast<double>(Series.size())));
  return Series[std::max<std::size_t>(Rank, 1) - 1];
}

TRoundTripStatistics Of(const TSeries& Series) {
  TRoundTripStatistics Statistics;
  for (const std::uint64_t Value : Series) Statistics.Add(Value);
  return Statistics;
}

// Every figure against its definition over the whole series.
void ExpectExactFigures(const TSeries& Series, double PercentileError) {
  const TRoundTripStatistics Statistics = Of(Series);
  const double N = static_cast<double>(Series.size());
  const double Mean = std::accumulate(Series.begin(), Series.end(), 0.0) / N;
  double Squares = 0;
  for (const std::uint64_t Value : Series) Squares += (Value - Mean) * (Value - Mean);
  double Differences = 0;
  for (std::size_t Index = 1; Index < Series.size(); ++Index)
    Differences +=
        std::fabs(static_cast<double>(Series[Index]) - static_cast<double>(Series[Index - 1]));
  ASSERT_EQ(Statistics.Count(), Series.size());
  EXPECT_EQ(Statistics.Min(), *std::min_element(Series.begin(), Series.end()));
  EXPECT_EQ(Statistics.Max(), *std::max_element(Series.begin(), Series.end()));
  EXPECT_NEAR(Statistics.Mean(), Mean, Mean * 1e-9);
  EXPECT_NEAR(Statistics.StandardDeviation(), std::sqrt(Squares / N), Mean * 1e-6);
  if (Series.size() >= 2)
    EXPECT_NEAR(*Statistics.Jitter(), Differences / (N - 1), Mean * 1e-9);
  else
    EXPECT_FALSE(Statistics.Jitter());
  for (const int Percent : {1, 50, 95, 99, 100}) {
    const auto Exact = static_cast<double>(ExactPercentile(Series, Percent));
    EXPECT_NEAR(static_cast<double>(*Statistics.Percentile(Percent)), Exact,
                Exact * PercentileError)
        << "p" << Percent << " of " << Series.size();
  }
}

}  // namespace

class RoundTripStatisticsSeries : public testing::TestWithParam<TSeries> {};

TEST_P(RoundTripStatisticsSeries, MatchesTheFiguresComputedOverTheWholeSeries) {
  ExpectExactFigures(GetParam(), 0);
}

INSTANTIATE_TEST_SUITE_P(SmallCounts, RoundTripStatisticsSeries,
                         testing::Values(TSeries{42}, TSeries{20'000, 10'000}, TSeries{5, 5, 5},
                                         TSeries{1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                                         TSeries{100, 1, 100, 1, 50'000, 7},
                                         TSeries{3'000'000, 17, 17, 250'000, 31'415}));

TEST(RoundTripStatistics, WithoutRepliesHasNoPercentileAndNoJitter) {
  const TRoundTripStatistics Statistics;
  EXPECT_EQ(Statistics.Count(), 0u);
  EXPECT_FALSE(Statistics.Percentile(50));
  EXPECT_FALSE(Statistics.Jitter());
  EXPECT_EQ(Statistics.StandardDeviation(), 0);
}

TEST(RoundTripStatistics, IsExactUpToItsLimitAndWithinTheHistogramsErrorBeyond) {
  std::mt19937_64 Random(21);
  std::lognormal_distribution<double> Trip(std::log(20'000.0), 0.8);
  TSeries Series;
  for (std::size_t Count = 0; Count < TRoundTripStatistics::ExactLimit; ++Count)
    Series.push_back(static_cast<std::uint64_t>(Trip(Random)));
  ExpectExactFigures(Series, 0);
  Series.push_back(static_cast<std::uint64_t>(Trip(Random)));
  ExpectExactFigures(Series, TLatencyHistogram::RelativeError);
}

TEST(RoundTripStatistics, AMillionRepliesStayWithinTheHistogramsError) {
  std::mt19937_64 Random(1'000'000);
  std::lognormal_distribution<double> Trip(std::log(800.0), 1.5);
  TSeries Series(1'000'000);
  for (std::uint64_t& Value : Series) Value = static_cast<std::uint64_t>(Trip(Random)) + 1;
  ExpectExactFigures(Series, TLatencyHistogram::RelativeError);
}
