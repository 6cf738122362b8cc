// The round trips of a session's replies, in microseconds: their count,
// minimum, mean, maximum, standard deviation, jitter and percentiles, each
// reply taken in O(1) and kept in a fixed amount of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "stats/LatencyHistogram.h"

class TRoundTripStatistics {
 public:
  // Up to this many replies the percentiles are exact; beyond, they come from
  // the histogram, within TLatencyHistogram::RelativeError.
  static constexpr std::size_t ExactLimit = 1024;

  TRoundTripStatistics();

  void Add(std::uint64_t AMicroseconds);

  std::uint64_t Count() const { return FHistogram.Count(); }
  // These need at least one reply; with none there is nothing to show.
  std::uint64_t Min() const { return FMin; }
  std::uint64_t Max() const { return FMax; }
  double Mean() const { return FMean; }
  // Of the replies as a whole population: 0 for a single reply.
  double StandardDeviation() const;
  // The mean absolute difference of consecutive round trips; none below two replies.
  std::optional<double> Jitter() const;
  // The APercent-th percentile (1 to 100) by the nearest-rank rule: the
  // smallest round trip that at least APercent % of the replies do not exceed.
  // None without replies.
  std::optional<std::uint64_t> Percentile(int APercent) const;

 private:
  TLatencyHistogram FHistogram;
  // The first ExactLimit round trips, for exact percentiles of short sessions.
  std::vector<std::uint64_t> FFirst;
  std::uint64_t FMin = 0;
  std::uint64_t FMax = 0;
  // Welford's running mean and sum of squared differences from it.
  double FMean = 0;
  double FSquares = 0;
  std::uint64_t FLast = 0;
  double FJitterSum = 0;
};
