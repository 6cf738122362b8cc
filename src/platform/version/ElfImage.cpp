#include "platform/version/ElfImage.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/kernel/LastError.h"
#include "platform/version/LittleEndian.h"

namespace quorvel::version {

namespace {

constexpr std::size_t HeaderSize = 64;
constexpr std::size_t SectionHeaderSize = 64;
constexpr std::uint32_t SectionWithoutBytes = 8;  // SHT_NOBITS
// Section names of any real image fit many times over.
constexpr std::size_t MaxNamesSize = 0x100000;

bool NameIs(const std::vector<std::uint8_t>& Names, std::uint32_t Offset) {
  constexpr std::size_t Size = sizeof VersionSectionName;  // with its zero
  return Offset <= Names.size() && Names.size() - Offset >= Size &&
         std::memcmp(Names.data() + Offset, VersionSectionName, Size) == 0;
}

}  // namespace

TVersionResource LocateElfVersion(const TImageSource& Image) {
  const std::optional<std::vector<std::uint8_t>> Header = Image.Read(0, HeaderSize);
  constexpr std::uint8_t Elf64 = 2, LittleEndian = 1;
  if (!Header || (*Header)[4] != Elf64 || (*Header)[5] != LittleEndian)
    return {ERROR_BAD_FORMAT, {}};
  const std::uint8_t* H = Header->data();
  const std::uint64_t TableOffset = Le64(H + 0x28);
  const std::uint16_t EntrySize = Le16(H + 0x3A);
  const std::uint16_t Count = Le16(H + 0x3C);
  const std::uint16_t NamesIndex = Le16(H + 0x3E);
  if (TableOffset == 0 || Count == 0) return {ERROR_RESOURCE_TYPE_NOT_FOUND, {}};
  if (EntrySize != SectionHeaderSize || NamesIndex >= Count) return {ERROR_BAD_FORMAT, {}};
  const std::optional<std::vector<std::uint8_t>> Table =
      Image.Read(TableOffset, std::size_t{Count} * SectionHeaderSize);
  if (!Table) return {ERROR_BAD_FORMAT, {}};

  const std::uint8_t* NamesEntry = Table->data() + std::size_t{NamesIndex} * SectionHeaderSize;
  const std::optional<std::vector<std::uint8_t>> Names = Image.Read(
      Le64(NamesEntry + 0x18),
      static_cast<std::size_t>(std::min<std::uint64_t>(Le64(NamesEntry + 0x20), MaxNamesSize)));
  if (!Names) return {ERROR_BAD_FORMAT, {}};

  for (std::size_t I = 0; I < Count; ++I) {
    const std::uint8_t* Entry = Table->data() + I * SectionHeaderSize;
    if (!NameIs(*Names, Le32(Entry))) continue;
    if (Le32(Entry + 4) == SectionWithoutBytes) return {ERROR_INVALID_DATA, {}};
    const std::size_t Size =
        static_cast<std::size_t>(std::min<std::uint64_t>(Le64(Entry + 0x20), MaxResourceSize));
    std::optional<std::vector<std::uint8_t>> Bytes = Image.Read(Le64(Entry + 0x18), Size);
    if (!Bytes) return {ERROR_INVALID_DATA, {}};
    return {ERROR_SUCCESS, std::move(*Bytes)};
  }
  return {ERROR_RESOURCE_TYPE_NOT_FOUND, {}};
}

}  // namespace quorvel::version
