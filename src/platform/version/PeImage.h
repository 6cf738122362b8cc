// The version resource of a PE file (32 or 64 bit): type RT_VERSION (16),
// resource 1, the first language, found through the resource directory.
#pragma once

#include "platform/version/ImageVersion.h"

namespace quorvel::version {

// The resource's bytes, at most MaxResourceSize of them, or the error code.
TVersionResource LocatePeVersion(const TImageSource& Image);

}  // namespace quorvel::version
