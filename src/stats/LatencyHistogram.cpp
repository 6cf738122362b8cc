#include "stats/LatencyHistogram.h"

#include <bit>

namespace {

// Each power of two from 2^7 up is split into 2^7 buckets of equal width.
constexpr int SubBits = 7;
constexpr std::uint64_t SubBuckets = std::uint64_t{1} << SubBits;
// Values below 2^(SubBits + 1) have buckets of width 1; each later power of two
// up to 2^63 adds SubBuckets more.
constexpr std::size_t BucketCount = (64 - SubBits + 1) * SubBuckets;

}  // namespace

TLatencyHistogram::TLatencyHistogram() : FCounts(BucketCount, 0) {}

std::size_t TLatencyHistogram::BucketOf(std::uint64_t AValue) {
  if (AValue < SubBuckets) return static_cast<std::size_t>(AValue);
  const int Exponent = std::bit_width(AValue) - 1;
  const int Shift = Exponent - SubBits;
  return static_cast<std::size_t>((Shift + 1) * SubBuckets + ((AValue >> Shift) - SubBuckets));
}

std::uint64_t TLatencyHistogram::MiddleOf(std::size_t ABucket) {
  if (ABucket < 2 * SubBuckets) return ABucket;
  const int Shift = static_cast<int>(ABucket / SubBuckets) - 1;
  const std::uint64_t Lower = (SubBuckets + ABucket % SubBuckets) << Shift;
  return Lower + (std::uint64_t{1} << (Shift - 1));
}

void TLatencyHistogram::Add(std::uint64_t AMicroseconds) {
  const std::size_t Bucket = BucketOf(AMicroseconds);
  ++FCounts[Bucket];
  ++FCount;
  if (Bucket > FHighest) FHighest = Bucket;
}

std::uint64_t TLatencyHistogram::ValueAtRank(std::uint64_t ARank) const {
  std::uint64_t Seen = 0;
  for (std::size_t Bucket = 0; Bucket < FHighest; ++Bucket) {
    Seen += FCounts[Bucket];
    if (Seen >= ARank) return MiddleOf(Bucket);
  }
  return MiddleOf(FHighest);
}
