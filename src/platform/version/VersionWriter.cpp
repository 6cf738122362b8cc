#include "platform/version/VersionWriter.h"

#include <cstdio>

#include "platform/version/LittleEndian.h"

namespace quorvel::version {

namespace {

void Put16(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void Put32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  Put16(Out, Value & 0xFFFF);
  Put16(Out, Value >> 16);
}

void Pad(std::vector<std::uint8_t>& Out) { Out.resize(Align4(Out.size()), 0); }

// UTF-8 to UTF-16 units with a closing zero; a byte that starts no valid
// sequence stands for itself as a Latin-1 character.
std::vector<std::uint16_t> Utf16(const std::string& Text) {
  std::vector<std::uint16_t> Units;
  for (std::size_t I = 0; I < Text.size();) {
    const auto Byte = [&](std::size_t K) { return static_cast<std::uint8_t>(Text[K]); };
    const std::uint8_t Lead = Byte(I);
    const std::size_t Count = Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 1;
    char32_t Code = Count == 1 ? Lead : Lead & (0x7F >> Count);
    bool Valid = I + Count <= Text.size();
    for (std::size_t K = 1; Valid && K < Count; ++K) {
      Valid = (Byte(I + K) & 0xC0) == 0x80;
      Code = (Code << 6) | (Byte(I + K) & 0x3F);
    }
    if (!Valid) {
      Units.push_back(Lead);
      ++I;
      continue;
    }
    if (Code >= 0x10000) {
      Units.push_back(static_cast<std::uint16_t>(0xD800 + ((Code - 0x10000) >> 10)));
      Units.push_back(static_cast<std::uint16_t>(0xDC00 + ((Code - 0x10000) & 0x3FF)));
    } else {
      Units.push_back(static_cast<std::uint16_t>(Code));
    }
    I += Count;
  }
  Units.push_back(0);
  return Units;
}

void Encode(const TVersionNode& Node, std::vector<std::uint8_t>& Out) {
  const std::size_t Start = Out.size();
  const auto* Text = std::get_if<std::string>(&Node.Value);
  const auto* Binary = std::get_if<std::vector<std::uint8_t>>(&Node.Value);
  const std::vector<std::uint16_t> Units = Text ? Utf16(*Text) : std::vector<std::uint16_t>();
  Put16(Out, 0);  // the length, known at the end
  Put16(Out, Binary ? Binary->size() : Units.size());
  Put16(Out, Binary ? 0 : 1);
  for (std::uint16_t Unit : Utf16(Node.Key)) Put16(Out, Unit);
  Pad(Out);
  if (Binary) Out.insert(Out.end(), Binary->begin(), Binary->end());
  for (std::uint16_t Unit : Units) Put16(Out, Unit);
  for (const TVersionNode& Child : Node.Children) {
    Pad(Out);
    Encode(Child, Out);
  }
  const std::size_t Length = Out.size() - Start;
  Out[Start] = static_cast<std::uint8_t>(Length);
  Out[Start + 1] = static_cast<std::uint8_t>(Length >> 8);
}

std::uint32_t High(const TVersionNumber& V) { return (std::uint32_t{V[0]} << 16) | V[1]; }
std::uint32_t Low(const TVersionNumber& V) { return (std::uint32_t{V[2]} << 16) | V[3]; }

}  // namespace

std::vector<std::uint8_t> EncodeVersionNode(const TVersionNode& Node) {
  std::vector<std::uint8_t> Out;
  Encode(Node, Out);
  return Out;
}

std::vector<std::uint8_t> FixedFileInfo(const TVersionContent& Content) {
  std::vector<std::uint8_t> Out;
  for (std::uint32_t Word :
       {0xFEEF04BDu, 0x00010000u, High(Content.FileVersion), Low(Content.FileVersion),
        High(Content.ProductVersion), Low(Content.ProductVersion), Content.FileFlagsMask, 0u,
        Content.FileOS, Content.FileType, 0u, 0u, 0u})
    Put32(Out, Word);
  return Out;
}

TVersionNode VersionInfoNode(const TVersionContent& Content) {
  char TableKey[9];
  std::snprintf(TableKey, sizeof TableKey, "%04X%04X", Content.Language, Content.CodePage);
  TVersionNode Table{TableKey, {}, {}};
  for (const auto& [Name, Value] : Content.Strings) Table.Children.push_back({Name, Value, {}});
  std::vector<std::uint8_t> Translation;
  Put16(Translation, Content.Language);
  Put16(Translation, Content.CodePage);
  return {
      "VS_VERSION_INFO",
      FixedFileInfo(Content),
      {{"StringFileInfo", {}, {Table}}, {"VarFileInfo", {}, {{"Translation", Translation, {}}}}}};
}

}  // namespace quorvel::version
