// Writing a VS_VERSIONINFO resource: the build writes the program's own with
// it, and tests write resources of any shape, sound or not, with it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace quorvel::version {

// A block: no value (a container, type 1 with value length 0), a text value
// (UTF-8, written as UTF-16 with its zero) or a binary value (type 0).
struct TVersionNode {
  std::string Key;
  std::variant<std::monostate, std::string, std::vector<std::uint8_t>> Value;
  std::vector<TVersionNode> Children;
};

std::vector<std::uint8_t> EncodeVersionNode(const TVersionNode& Node);

// Four 16-bit parts, most significant first: 1.2.3.4 is {1, 2, 3, 4}.
using TVersionNumber = std::array<std::uint16_t, 4>;

struct TVersionContent {
  TVersionNumber FileVersion{};
  TVersionNumber ProductVersion{};
  std::uint32_t FileFlagsMask = 0x3F;
  std::uint32_t FileOS = 0;    // VOS_UNKNOWN
  std::uint32_t FileType = 1;  // VFT_APP
  std::uint16_t Language = 0x0409;
  std::uint16_t CodePage = 0x04B0;  // UTF-16
  std::vector<std::pair<std::string, std::string>> Strings;
};

// The usual tree: "VS_VERSION_INFO" with the fixed file information, one
// string table under "StringFileInfo" and one translation under "VarFileInfo".
TVersionNode VersionInfoNode(const TVersionContent& Content);

// The fixed file information block with its signature.
std::vector<std::uint8_t> FixedFileInfo(const TVersionContent& Content);

}  // namespace quorvel::version
