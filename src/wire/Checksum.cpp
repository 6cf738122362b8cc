#include "wire/Checksum.h"

namespace quorvel::wire {
namespace {

std::uint32_t Fold(std::uint32_t sum) {
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

std::uint32_t Sum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) sum += std::uint32_t{bytes[i]} << 8 | bytes[i + 1];
  if (i < bytes.size()) sum += std::uint32_t{bytes[i]} << 8;
  return Fold(sum);
}

}  // namespace

std::uint16_t Checksum(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint16_t>(~Sum(bytes) & 0xFFFF);
}

void StoreChecksum(std::span<std::uint8_t> bytes, std::size_t at) {
  if (at + 2 > bytes.size()) return;
  bytes[at] = 0;
  bytes[at + 1] = 0;
  const std::uint16_t sum = Checksum(bytes);
  bytes[at] = static_cast<std::uint8_t>(sum >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(sum);
}

std::uint16_t AdjustChecksum(std::uint16_t checksum, std::uint16_t oldWord, std::uint16_t newWord) {
  // ~(~C + ~old + new)
  const std::uint32_t sum = Fold(std::uint32_t{static_cast<std::uint16_t>(~checksum)} +
                                 static_cast<std::uint16_t>(~oldWord) + newWord);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

}  // namespace quorvel::wire
