// The Internet checksum (RFC 1071) of ICMP and IPv4 headers, over
// big-endian words as the wire holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel::wire {

// The one's complement of the one's-complement sum; an odd last byte is
// padded with zero. Over bytes that hold their own correct checksum it is 0.
std::uint16_t Checksum(std::span<const std::uint8_t> bytes);

// Computes the checksum of `bytes` with the two bytes at `at` taken as zero
// and stores it there, big-endian.
void StoreChecksum(std::span<std::uint8_t> bytes, std::size_t at);

// Mends a stored checksum after one 16-bit word changed (RFC 1624).
std::uint16_t AdjustChecksum(std::uint16_t checksum, std::uint16_t oldWord, std::uint16_t newWord);

}  // namespace quorvel::wire
