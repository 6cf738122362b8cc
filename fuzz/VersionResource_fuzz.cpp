// Feeds arbitrary bytes to the version resource reader: an input that starts
// like an ELF or PE file is searched as an image, any other is taken as the
// resource itself. Whatever is accepted is copied into a buffer of exactly
// the size asked for and looked up; every value must lie inside that buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/version/ImageVersion.h"
#include "platform/version/VersionBlock.h"
#include "platform/version/VersionBuffer.h"

using namespace quorvel::version;

namespace {

bool LooksLikeImage(const std::uint8_t* Data, std::size_t Size) {
  return Size >= 2 && ((Data[0] == 0x7F && Size >= 4 &&
                        std::memcmp(Data,
                                    "\x7F"
                                    "ELF",
                                    4) == 0) ||
                       (Data[0] == 'M' && Data[1] == 'Z'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::vector<std::uint8_t> Resource;
  if (LooksLikeImage(Data, Size)) {
    TVersionResource Found = ReadImageVersion(TMemoryImage(Data, Size));
    if (Found.Error != 0) return 0;
    Resource = std::move(Found.Bytes);
  } else {
    const std::optional<TVersionBlock> Root = ReadVersionRoot(Data, Size);
    if (!Root) return 0;
    Resource.assign(Data, Data + Root->End);
  }
  const std::optional<TVersionBlock> Root = ReadVersionRoot(Resource.data(), Resource.size());
  if (!Root || Root->End != Resource.size()) std::abort();

  const std::size_t BufferSize = VersionBufferSize(Resource.size());
  const std::unique_ptr<std::uint8_t[]> Buffer(new std::uint8_t[BufferSize]);
  FillVersionBuffer(Resource.data(), Buffer.get());
  for (const char* Path :
       {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\ProductVersion",
        "\\StringFileInfo\\040904B0\\ProductName", "\\StringFileInfo\\040904B0\\CompanyName"}) {
    const std::optional<TVersionValue> Value = QueryVersionBuffer(Buffer.get(), Path);
    if (!Value) continue;
    const auto* First = static_cast<const std::uint8_t*>(Value->Address);
    if (First < Buffer.get() || First + Value->Length > Buffer.get() + BufferSize) std::abort();
  }
  return 0;
}
