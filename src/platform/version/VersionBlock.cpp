#include "platform/version/VersionBlock.h"

#include <algorithm>

#include "platform/version/LittleEndian.h"

namespace quorvel::version {

namespace {

constexpr std::size_t HeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::uint16_t TextType = 1;

char LowerAscii(std::uint16_t Unit) {
  return (Unit >= 'A' && Unit <= 'Z') ? static_cast<char>(Unit - 'A' + 'a')
                                      : static_cast<char>(Unit);
}

}  // namespace

std::optional<TVersionBlock> ReadVersionBlock(const std::uint8_t* Data, std::size_t Limit,
                                              std::size_t Offset) {
  if (Offset > Limit || Limit - Offset < HeaderSize) return std::nullopt;
  const std::size_t Length = Le16(Data + Offset);
  if (Length < HeaderSize || Length > Limit - Offset) return std::nullopt;
  TVersionBlock Block;
  Block.Offset = Offset;
  Block.End = Offset + Length;
  Block.Text = Le16(Data + Offset + 4) == TextType;
  Block.KeyOffset = Offset + HeaderSize;
  std::size_t Unit = Block.KeyOffset;
  while (Unit + 2 <= Block.End && Le16(Data + Unit) != 0) Unit += 2;
  if (Unit + 2 > Block.End) return std::nullopt;  // the key has no zero
  Block.KeyUnits = (Unit - Block.KeyOffset) / 2;
  const std::size_t DeclaredSize = std::size_t{Le16(Data + Offset + 2)} * (Block.Text ? 2 : 1);
  Block.ValueOffset = std::min(Align4(Unit + 2), Block.End);
  Block.ValueSize = std::min(DeclaredSize, Block.End - Block.ValueOffset);
  Block.ChildrenOffset = std::min(Align4(Block.ValueOffset + DeclaredSize), Block.End);
  return Block;
}

std::optional<TVersionBlock> ReadVersionRoot(const std::uint8_t* Data, std::size_t Size) {
  std::optional<TVersionBlock> Root = ReadVersionBlock(Data, Size, 0);
  if (Root && !KeyIs(Data, *Root, "VS_VERSION_INFO")) return std::nullopt;
  return Root;
}

std::vector<TVersionBlock> ChildBlocks(const std::uint8_t* Data, const TVersionBlock& Parent) {
  std::vector<TVersionBlock> Children;
  std::size_t Offset = Parent.ChildrenOffset;
  while (std::optional<TVersionBlock> Child = ReadVersionBlock(Data, Parent.End, Offset)) {
    Children.push_back(*Child);
    Offset = Align4(Child->End);
  }
  return Children;
}

bool KeyIs(const std::uint8_t* Data, const TVersionBlock& Block, std::string_view Name) {
  if (Block.KeyUnits != Name.size()) return false;
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const std::uint16_t Unit = Le16(Data + Block.KeyOffset + 2 * I);
    if (Unit > 0x7F || LowerAscii(Unit) != LowerAscii(static_cast<std::uint8_t>(Name[I])))
      return false;
  }
  return true;
}

std::optional<TVersionBlock> FindVersionBlock(const std::uint8_t* Data, const TVersionBlock& Root,
                                              std::string_view Path) {
  TVersionBlock Current = Root;
  while (!Path.empty()) {
    const std::size_t Separator = Path.find('\\');
    const std::string_view Part = Path.substr(0, Separator);
    Path = Separator == std::string_view::npos ? std::string_view() : Path.substr(Separator + 1);
    if (Part.empty()) continue;
    bool Found = false;
    for (const TVersionBlock& Child : ChildBlocks(Data, Current)) {
      if (KeyIs(Data, Child, Part)) {
        Current = Child;
        Found = true;
        break;
      }
    }
    if (!Found) return std::nullopt;
  }
  return Current;
}

std::vector<TVersionBlock> AllVersionBlocks(const std::uint8_t* Data, const TVersionBlock& Root) {
  // Breadth first with the list itself as the queue: no recursion, however
  // deeply a hostile resource nests its blocks.
  std::vector<TVersionBlock> Blocks{Root};
  for (std::size_t Next = 0; Next < Blocks.size(); ++Next) {
    const std::vector<TVersionBlock> Children = ChildBlocks(Data, Blocks[Next]);
    Blocks.insert(Blocks.end(), Children.begin(), Children.end());
  }
  return Blocks;
}

}  // namespace quorvel::version
