#include "platform/version/PeImage.h"

#include <algorithm>
#include <optional>

#include "platform/kernel/LastError.h"
#include "platform/version/LittleEndian.h"

namespace quorvel::version {

namespace {

constexpr std::size_t DosHeaderSize = 64;
constexpr std::size_t FileHeaderSize = 24;  // "PE\0\0" and the COFF header
constexpr std::size_t SectionHeaderSize = 40;
constexpr std::size_t DirectorySize = 16;
constexpr std::size_t EntrySize = 8;
constexpr std::size_t DataEntrySize = 16;
constexpr std::uint32_t SubdirectoryBit = 0x80000000u;
constexpr std::uint16_t VersionType = 16;       // RT_VERSION
constexpr std::uint16_t VersionResourceId = 1;  // VS_VERSION_INFO
constexpr std::uint32_t ResourceDirectoryIndex = 2;
// The resource section is read whole; larger ones are not version carriers.
constexpr std::size_t MaxSectionSize = 0x1000000;

// The resource section's bytes and the address that its first byte has when
// the image is loaded; the directory's offsets count from Root.
struct TResourceSection {
  std::vector<std::uint8_t> Bytes;
  std::uint32_t Address = 0;
  std::size_t Root = 0;
};

// The OffsetToData of an entry of the directory at Offset: the entry with the
// numeric Id, or the first entry when no Id is given.
std::optional<std::uint32_t> DirectoryEntry(const std::vector<std::uint8_t>& Bytes,
                                            std::size_t Offset, std::optional<std::uint16_t> Id) {
  if (Offset > Bytes.size() || Bytes.size() - Offset < DirectorySize) return std::nullopt;
  const std::size_t Named = Le16(Bytes.data() + Offset + 12);
  const std::size_t Count = Named + Le16(Bytes.data() + Offset + 14);
  const std::size_t First = Offset + DirectorySize;
  if ((Bytes.size() - First) / EntrySize < Count) return std::nullopt;
  if (!Id) return Count == 0 ? std::nullopt : std::optional(Le32(Bytes.data() + First + 4));
  for (std::size_t I = Named; I < Count; ++I) {
    const std::uint8_t* Entry = Bytes.data() + First + I * EntrySize;
    if (Le32(Entry) == *Id) return Le32(Entry + 4);
  }
  return std::nullopt;
}

// Reads the section that holds the resource directory; the error code otherwise.
DWORD ReadResourceSection(const TImageSource& Image, TResourceSection& Section) {
  const std::optional<std::vector<std::uint8_t>> Dos = Image.Read(0, DosHeaderSize);
  if (!Dos) return ERROR_BAD_FORMAT;
  const std::uint32_t NtOffset = Le32(Dos->data() + 0x3C);
  const std::optional<std::vector<std::uint8_t>> Nt = Image.Read(NtOffset, FileHeaderSize);
  if (!Nt || Le32(Nt->data()) != 0x00004550u) return ERROR_BAD_FORMAT;
  const std::size_t SectionCount = Le16(Nt->data() + 6);
  const std::size_t OptionalSize = Le16(Nt->data() + 20);
  const std::optional<std::vector<std::uint8_t>> Optional =
      Image.Read(std::uint64_t{NtOffset} + FileHeaderSize, OptionalSize);
  if (!Optional || OptionalSize < 2) return ERROR_BAD_FORMAT;
  const std::uint16_t Magic = Le16(Optional->data());
  if (Magic != 0x10B && Magic != 0x20B) return ERROR_BAD_FORMAT;
  const std::size_t Directories = Magic == 0x10B ? 96 : 112;
  const std::size_t Resource = Directories + std::size_t{ResourceDirectoryIndex} * 8;
  if (OptionalSize < Resource + 8 ||
      Le32(Optional->data() + Directories - 4) <= ResourceDirectoryIndex ||
      Le32(Optional->data() + Resource) == 0)
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  const std::uint32_t Rva = Le32(Optional->data() + Resource);

  const std::optional<std::vector<std::uint8_t>> Table = Image.Read(
      std::uint64_t{NtOffset} + FileHeaderSize + OptionalSize, SectionCount * SectionHeaderSize);
  if (!Table) return ERROR_BAD_FORMAT;
  for (std::size_t I = 0; I < SectionCount; ++I) {
    const std::uint8_t* Entry = Table->data() + I * SectionHeaderSize;
    const std::uint32_t Address = Le32(Entry + 12);
    const std::uint32_t RawSize = Le32(Entry + 16);
    const std::uint32_t Extent = std::max(Le32(Entry + 8), RawSize);
    if (Rva < Address || Rva - Address >= Extent) continue;
    std::optional<std::vector<std::uint8_t>> Bytes =
        Image.Read(Le32(Entry + 20), std::min<std::size_t>(RawSize, MaxSectionSize));
    if (!Bytes) return ERROR_INVALID_DATA;
    Section = {std::move(*Bytes), Address, Rva - Address};
    return ERROR_SUCCESS;
  }
  return ERROR_RESOURCE_DATA_NOT_FOUND;
}

}  // namespace

TVersionResource LocatePeVersion(const TImageSource& Image) {
  TResourceSection Section;
  TVersionResource Found{ReadResourceSection(Image, Section), {}};
  if (Found.Error != ERROR_SUCCESS) return Found;
  const std::vector<std::uint8_t>& Bytes = Section.Bytes;

  // Type, then name, then language; the first two must be directories, the
  // last a data entry.
  const std::optional<std::uint32_t> Type = DirectoryEntry(Bytes, Section.Root, VersionType);
  if (!Type) return {ERROR_RESOURCE_TYPE_NOT_FOUND, {}};
  if ((*Type & SubdirectoryBit) == 0) return {ERROR_INVALID_DATA, {}};
  const std::optional<std::uint32_t> Name =
      DirectoryEntry(Bytes, Section.Root + (*Type & ~SubdirectoryBit), VersionResourceId);
  if (!Name) return {ERROR_RESOURCE_NAME_NOT_FOUND, {}};
  if ((*Name & SubdirectoryBit) == 0) return {ERROR_INVALID_DATA, {}};
  const std::optional<std::uint32_t> Language =
      DirectoryEntry(Bytes, Section.Root + (*Name & ~SubdirectoryBit), std::nullopt);
  if (!Language) return {ERROR_RESOURCE_NAME_NOT_FOUND, {}};
  const std::size_t Entry = Section.Root + *Language;
  if ((*Language & SubdirectoryBit) != 0 || Entry > Bytes.size() ||
      Bytes.size() - Entry < DataEntrySize)
    return {ERROR_INVALID_DATA, {}};

  // The data entry gives the resource's load address, which must fall in
  // this section's bytes together with its whole length.
  const std::uint32_t DataAddress = Le32(Bytes.data() + Entry);
  const std::size_t Size = std::min<std::size_t>(Le32(Bytes.data() + Entry + 4), MaxResourceSize);
  if (DataAddress < Section.Address || DataAddress - Section.Address > Bytes.size() ||
      Bytes.size() - (DataAddress - Section.Address) < Size)
    return {ERROR_INVALID_DATA, {}};
  const auto First = Bytes.begin() + (DataAddress - Section.Address);
  Found.Bytes.assign(First, First + static_cast<std::ptrdiff_t>(Size));
  return Found;
}

}  // namespace quorvel::version
