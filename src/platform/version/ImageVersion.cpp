#include "platform/version/ImageVersion.h"

#include <optional>

#include "platform/kernel/LastError.h"
#include "platform/version/ElfImage.h"
#include "platform/version/PeImage.h"
#include "platform/version/VersionBlock.h"

namespace quorvel::version {

TVersionResource ReadImageVersion(const TImageSource& Image) {
  const std::optional<std::vector<std::uint8_t>> Magic = Image.Read(0, 4);
  TVersionResource Found{ERROR_BAD_FORMAT, {}};
  if (Magic && (*Magic)[0] == 0x7F && (*Magic)[1] == 'E' && (*Magic)[2] == 'L' &&
      (*Magic)[3] == 'F')
    Found = LocateElfVersion(Image);
  else if (Magic && (*Magic)[0] == 'M' && (*Magic)[1] == 'Z')
    Found = LocatePeVersion(Image);
  if (Found.Error != ERROR_SUCCESS) return Found;
  const std::optional<TVersionBlock> Root = ReadVersionRoot(Found.Bytes.data(), Found.Bytes.size());
  if (!Root) return {ERROR_INVALID_DATA, {}};
  Found.Bytes.resize(Root->End);
  return Found;
}

}  // namespace quorvel::version
