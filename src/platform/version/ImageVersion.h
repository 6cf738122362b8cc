// Finding the version resource in an executable image: in an ELF file, the
// section ".qvrsrc" that holds the raw VS_VERSIONINFO bytes (the build embeds
// the program's own there); in a PE file, the RT_VERSION resource in the
// resource directory. Every offset and length in the image is checked against
// its end before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/version/ImageSource.h"

namespace quorvel::version {

inline constexpr char VersionSectionName[] = ".qvrsrc";

// A version resource is at most 64 KiB: its root block's length is 16 bits.
inline constexpr std::size_t MaxResourceSize = 0x10000;

// The resource's bytes, or the system error code that says why there are none.
struct TVersionResource {
  DWORD Error = 0;
  std::vector<std::uint8_t> Bytes;
};

// The resource of an ELF or PE image, cut to its root block's length.
// ERROR_BAD_FORMAT: neither format, or its headers are cut short;
// ERROR_RESOURCE_DATA_NOT_FOUND: a PE file without a resource directory;
// ERROR_RESOURCE_TYPE_NOT_FOUND: no version section or resource;
// ERROR_RESOURCE_NAME_NOT_FOUND: a version resource type without resource 1;
// ERROR_INVALID_DATA: the resource passes the end of the file or its root
// block is not a valid "VS_VERSION_INFO" block.
TVersionResource ReadImageVersion(const TImageSource& Image);

}  // namespace quorvel::version
