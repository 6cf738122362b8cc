// The VS_VERSIONINFO layout: a tree of blocks, each a length, a value length,
// a type, a zero-terminated UTF-16 key, a value and its child blocks, every
// part on a 32-bit boundary counted from the start of the resource. Pure
// functions over a buffer and its length; nothing is read past either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvel::version {

struct TVersionBlock {
  std::size_t Offset = 0;          // first byte of the block
  std::size_t End = 0;             // one past its last byte, within its parent
  std::size_t KeyOffset = 0;       // first UTF-16 unit of the key
  std::size_t KeyUnits = 0;        // key length without its zero
  std::size_t ValueOffset = 0;     // first byte of the value
  std::size_t ValueSize = 0;       // value bytes, cut at the block's end
  bool Text = false;               // type 1: the value is UTF-16 text
  std::size_t ChildrenOffset = 0;  // first child; End when there are none
};

// The block at Offset, which must lie within Limit bytes of Data; none when
// its header or its key do not fit there. A value longer than its block is
// cut at the block's end, since writers differ in how they count text values.
std::optional<TVersionBlock> ReadVersionBlock(const std::uint8_t* Data, std::size_t Limit,
                                              std::size_t Offset);

// The root block "VS_VERSION_INFO" at the start of Data, or none.
std::optional<TVersionBlock> ReadVersionRoot(const std::uint8_t* Data, std::size_t Size);

// The children of Parent in order, up to the first one that does not fit.
std::vector<TVersionBlock> ChildBlocks(const std::uint8_t* Data, const TVersionBlock& Parent);

// Compares a block's key with an ASCII name, ignoring the case of letters.
bool KeyIs(const std::uint8_t* Data, const TVersionBlock& Block, std::string_view Name);

// Follows a sub-block path such as "\StringFileInfo\040904E4\ProductName"
// from Root: each part names a child by its key; "\" alone is Root itself.
std::optional<TVersionBlock> FindVersionBlock(const std::uint8_t* Data, const TVersionBlock& Root,
                                              std::string_view Path);

// Every block of the tree under Root, Root included, parents before children.
std::vector<TVersionBlock> AllVersionBlocks(const std::uint8_t* Data, const TVersionBlock& Root);

}  // namespace quorvel::version
