#include "platform/version/VersionBuffer.h"

#include <cstring>

#include "platform/version/LittleEndian.h"
#include "platform/version/VersionBlock.h"

namespace quorvel::version {

namespace {

// A text value of n UTF-16 units becomes at most 3n bytes and a zero. Its
// place in the area is 3 bytes for every 2 bytes of the resource before it,
// so values never share bytes: a block's value starts at least its header
// and key after the end of any value before it.
std::size_t AreaOffset(std::size_t Length) { return Align4(Length); }
std::size_t AreaSize(std::size_t Length) { return Align4(3 * (Length / 2) + 1); }
std::size_t SlotOffset(const TVersionBlock& Block) { return 3 * (Block.ValueOffset / 2); }

void PutUtf8(char32_t Code, char*& Out) {
  if (Code < 0x80) {
    *Out++ = static_cast<char>(Code);
  } else if (Code < 0x800) {
    *Out++ = static_cast<char>(0xC0 | (Code >> 6));
    *Out++ = static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    *Out++ = static_cast<char>(0xE0 | (Code >> 12));
    *Out++ = static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    *Out++ = static_cast<char>(0xF0 | (Code >> 18));
    *Out++ = static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    *Out++ = static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (Code & 0x3F));
  }
}

// Converts UTF-16 units up to the first zero into UTF-8 and a zero; a lone
// surrogate becomes U+FFFD. Writes at most 3 bytes per unit and the zero.
void ConvertText(const std::uint8_t* Units, std::size_t Count, char* Out) {
  for (std::size_t I = 0; I < Count; ++I) {
    char32_t Code = Le16(Units + 2 * I);
    if (Code == 0) break;
    if (Code >= 0xD800 && Code < 0xDC00 && I + 1 < Count) {
      const char32_t Low = Le16(Units + 2 * (I + 1));
      if (Low >= 0xDC00 && Low < 0xE000) {
        Code = 0x10000 + ((Code - 0xD800) << 10) + (Low - 0xDC00);
        ++I;
      }
    }
    if (Code >= 0xD800 && Code < 0xE000) Code = 0xFFFD;
    PutUtf8(Code, Out);
  }
  *Out = '\0';
}

}  // namespace

std::size_t VersionBufferSize(std::size_t Length) { return AreaOffset(Length) + AreaSize(Length); }

void FillVersionBuffer(const std::uint8_t* Resource, std::uint8_t* Buffer) {
  const std::size_t Length = Le16(Resource);
  std::memcpy(Buffer, Resource, Length);
  std::memset(Buffer + Length, 0, VersionBufferSize(Length) - Length);
  const TVersionBlock Root = *ReadVersionRoot(Buffer, Length);
  char* Area = reinterpret_cast<char*>(Buffer + AreaOffset(Length));
  for (const TVersionBlock& Block : AllVersionBlocks(Buffer, Root))
    if (Block.Text)
      ConvertText(Buffer + Block.ValueOffset, Block.ValueSize / 2, Area + SlotOffset(Block));
}

std::optional<TVersionValue> QueryVersionBuffer(const std::uint8_t* Buffer, std::string_view Path) {
  const std::size_t Length = Le16(Buffer);
  const std::optional<TVersionBlock> Root = ReadVersionRoot(Buffer, Length);
  if (!Root) return std::nullopt;
  const std::optional<TVersionBlock> Block = FindVersionBlock(Buffer, *Root, Path);
  if (!Block) return std::nullopt;
  if (!Block->Text)
    return TVersionValue{Buffer + Block->ValueOffset, static_cast<std::uint32_t>(Block->ValueSize)};
  const std::size_t Slot = SlotOffset(*Block);
  const char* Text = reinterpret_cast<const char*>(Buffer + AreaOffset(Length) + Slot);
  // The zero that FillVersionBuffer wrote ends the text; the area's end bounds
  // the search all the same.
  const std::size_t Bytes =
      Block->ValueSize < 2 ? 0 : strnlen(Text, AreaSize(Length) - Slot - 1) + 1;
  return TVersionValue{Text, static_cast<std::uint32_t>(Bytes)};
}

}  // namespace quorvel::version
