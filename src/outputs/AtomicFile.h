// Saving a file whole or not at all: the new bytes go to a file beside it,
// which is synced and renamed over it, so the stored file is always the old
// one or the new one whole, also after a crash or a power cut.
#pragma once

#include <string>
#include <string_view>

// Replaces the file at FileName by Bytes, in a new file that only the user may
// read and write. Raises EPlantedLinkError, writing nothing, for a link on the
// way that another user planted in a shared folder (see LinkGuard.h), and
// EFCreateError, the old file unchanged, when the new one cannot be created,
// written or synced.
void SaveFileWhole(const std::string& FileName, std::string_view Bytes);
