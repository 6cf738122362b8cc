// Conversions between host and network byte order, free of any system header.
#pragma once

#include <bit>
#include <cstdint>

namespace quorvel::winsock {

constexpr std::uint16_t NetworkOrder16(std::uint16_t value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

constexpr std::uint32_t NetworkOrder32(std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

}  // namespace quorvel::winsock
