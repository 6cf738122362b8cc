// The version section of a 64-bit little-endian ELF file, found by name in
// its section header table.
#pragma once

#include "platform/version/ImageVersion.h"

namespace quorvel::version {

// The section's bytes, at most MaxResourceSize of them, or the error code
// (ERROR_BAD_FORMAT, ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_INVALID_DATA).
TVersionResource LocateElfVersion(const TImageSource& Image);

}  // namespace quorvel::version
