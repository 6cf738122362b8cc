#include "stats/RoundTripStatistics.h"

#include <algorithm>
#include <cmath>

TRoundTripStatistics::TRoundTripStatistics() { FFirst.reserve(ExactLimit); }

void TRoundTripStatistics::Add(std::uint64_t AMicroseconds) {
  const bool First = Count() == 0;
  FHistogram.Add(AMicroseconds);
  if (FFirst.size() < ExactLimit) FFirst.push_back(AMicroseconds);
  const auto Value = static_cast<double>(AMicroseconds);
  if (First) {
    FMin = FMax = AMicroseconds;
  } else {
    FMin = std::min(FMin, AMicroseconds);
    FMax = std::max(FMax, AMicroseconds);
    FJitterSum += std::fabs(Value - static_cast<double>(FLast));
  }
  FLast = AMicroseconds;
  const double Delta = Value - FMean;
  FMean += Delta / static_cast<double>(Count());
  FSquares += Delta * (Value - FMean);
}

double TRoundTripStatistics::StandardDeviation() const {
  if (Count() == 0) return 0;
  return std::sqrt(FSquares / static_cast<double>(Count()));
}

std::optional<double> TRoundTripStatistics::Jitter() const {
  if (Count() < 2) return std::nullopt;
  return FJitterSum / static_cast<double>(Count() - 1);
}

std::optional<std::uint64_t> TRoundTripStatistics::Percentile(int APercent) const {
  const std::uint64_t N = Count();
  if (N == 0) return std::nullopt;
  const auto Percent = static_cast<std::uint64_t>(std::clamp(APercent, 1, 100));
  const std::uint64_t Rank = std::max<std::uint64_t>(1, (Percent * N + 99) / 100);
  if (N <= FFirst.size()) {
    std::vector<std::uint64_t> Sorted = FFirst;
    const auto Nth = Sorted.begin() + static_cast<std::ptrdiff_t>(Rank - 1);
    std::nth_element(Sorted.begin(), Nth, Sorted.end());
    return *Nth;
  }
  // A bucket's middle may lie beyond the values seen; they bound it.
  return std::clamp(FHistogram.ValueAtRank(Rank), FMin, FMax);
}
