// A bounded record of round trips for their percentiles: a histogram whose
// buckets hold every value below 256 us exactly and then split each power of
// two into 128, so a value read back is within 1/256 of a value that was
// added. Adding costs O(1); its size is fixed however long a session runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TLatencyHistogram {
 public:
  // The most a value read back differs from the true one, relative to it.
  static constexpr double RelativeError = 1.0 / 256;

  TLatencyHistogram();

  void Add(std::uint64_t AMicroseconds);
  std::uint64_t Count() const { return FCount; }
  // The ARank-th smallest value added (1 is the smallest), within
  // RelativeError; ARank beyond Count gives the largest.
  std::uint64_t ValueAtRank(std::uint64_t ARank) const;

 private:
  static std::size_t BucketOf(std::uint64_t AValue);
  // The middle of the bucket's range, which every value in it is closest to.
  static std::uint64_t MiddleOf(std::size_t ABucket);

  std::vector<std::uint64_t> FCounts;
  std::uint64_t FCount = 0;
  std::size_t FHighest = 0;  // the highest bucket in use
};
