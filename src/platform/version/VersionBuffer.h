// The buffer that GetFileVersionInfoA fills and VerQueryValueA reads: the
// resource as stored, then an area where every text value waits already
// converted to a zero-terminated byte string, so that a look-up only reads.
// Its length is the root block's length, in its first two bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel::version {

// The bytes a buffer needs for a resource whose root block is Length bytes.
std::size_t VersionBufferSize(std::size_t Length);

// Copies the resource, whose root block (ReadVersionRoot) is valid, into
// Buffer of VersionBufferSize bytes and converts its text values.
void FillVersionBuffer(const std::uint8_t* Resource, std::uint8_t* Buffer);

struct TVersionValue {
  const void* Address = nullptr;
  // Bytes of a binary value; for text, the bytes of the string with its zero,
  // or 0 for an empty value.
  std::uint32_t Length = 0;
};

// The value at Path in a buffer filled by FillVersionBuffer, or none.
std::optional<TVersionValue> QueryVersionBuffer(const std::uint8_t* Buffer, std::string_view Path);

}  // namespace quorvel::version
