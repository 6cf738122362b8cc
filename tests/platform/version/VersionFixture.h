// Version resources made by tools we did not write: windres turns .rc text
// into a resource, the MinGW linker packages it as a PE file, and objcopy
// wraps raw bytes as a section of an ELF file. Each fixture lives in a folder
// of its own that is removed with it. A tool that fails throws.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::test {

struct TRcTable {
  std::string Key;  // "040904E4"
  std::vector<std::pair<std::string, std::string>> Strings;
};

// What an .rc file's VERSIONINFO states; parts most significant first.
struct TRcVersion {
  int ResourceId = 1;
  std::array<std::uint16_t, 4> FileVersion{1, 0, 0, 0};
  std::array<std::uint16_t, 4> ProductVersion{1, 0, 0, 0};
  std::uint32_t FileFlagsMask = 0x3F;
  std::uint32_t FileFlags = 0;
  std::uint32_t FileOS = 0x40004;
  std::uint32_t FileType = 1;
  std::uint32_t FileSubtype = 0;
  std::vector<TRcTable> Tables;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations;  // language, code page
};

class TFixtureFolder {
 public:
  TFixtureFolder();
  ~TFixtureFolder();
  TFixtureFolder(const TFixtureFolder&) = delete;
  TFixtureFolder& operator=(const TFixtureFolder&) = delete;

  std::string Path(const std::string& Name) const { return FPath + "/" + Name; }
  std::string Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const;

  // A PE file whose only resource is the version resource of Rc.
  std::string MakePe(const std::string& Name, const TRcVersion& Rc) const;
  // A PE file without any resource.
  std::string MakePeWithoutResources(const std::string& Name) const;
  // The version resource's bytes as windres writes them (its .res output).
  std::vector<std::uint8_t> MakeResource(const TRcVersion& Rc) const;
  // An ELF object file with Bytes as the contents of section Section.
  std::string MakeElf(const std::string& Name, const std::vector<std::uint8_t>& Bytes,
                      const std::string& Section = ".qvrsrc") const;

 private:
  std::string WriteRc(const TRcVersion& Rc) const;
  std::string FPath;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& Path);

}  // namespace quorvel::test
