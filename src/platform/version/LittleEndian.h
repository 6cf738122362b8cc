// Little-endian fields of the image and resource formats, read from bytes
// whose bounds the caller has already checked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel::version {

inline std::uint16_t Le16(const std::uint8_t* P) {
  return static_cast<std::uint16_t>(P[0] | (P[1] << 8));
}

inline std::uint32_t Le32(const std::uint8_t* P) {
  return static_cast<std::uint32_t>(Le16(P)) | (static_cast<std::uint32_t>(Le16(P + 2)) << 16);
}

inline std::uint64_t Le64(const std::uint8_t* P) {
  return static_cast<std::uint64_t>(Le32(P)) | (static_cast<std::uint64_t>(Le32(P + 4)) << 32);
}

// Every part of a version resource starts on a 32-bit boundary.
constexpr std::size_t Align4(std::size_t Offset) { return (Offset + 3) & ~std::size_t{3}; }

}  // namespace quorvel::version
