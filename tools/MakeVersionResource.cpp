// The build's generator of a program's own version resource. It writes a C++
// source that places the resource's bytes in the section ".qvrsrc", where the
// version reader finds them in the running executable.
//
//   MakeVersionResource <output.cpp> <major> <minor> <patch> <tweak> [Name=Value]...
//
// The four numbers are the file and product version; each Name=Value becomes
// a string of the string table (language 0409, code page 04B0).
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/version/ImageVersion.h"
#include "platform/version/VersionWriter.h"
#include "rtl/SysUtils.h"

using namespace quorvel::version;

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s <output.cpp> <major> <minor> <patch> <tweak> [Name=Value]...\n",
                 argv[0]);
    return 2;
  }
  TVersionContent Content;
  for (int I = 0; I < 4; ++I) {
    const std::optional<std::int64_t> Part = TryStrToInt64(argv[2 + I]);
    if (!Part || *Part < 0 || *Part > 0xFFFF) {
      std::fprintf(stderr, "%s: version part \"%s\" is not a number from 0 to 65535\n", argv[0],
                   argv[2 + I]);
      return 2;
    }
    Content.FileVersion[I] = static_cast<std::uint16_t>(*Part);
  }
  Content.ProductVersion = Content.FileVersion;
  for (int I = 6; I < argc; ++I) {
    const std::string Pair = argv[I];
    const std::size_t Equals = Pair.find('=');
    if (Equals == std::string::npos || Equals == 0) {
      std::fprintf(stderr, "%s: \"%s\" is not Name=Value\n", argv[0], argv[I]);
      return 2;
    }
    Content.Strings.emplace_back(Pair.substr(0, Equals), Pair.substr(Equals + 1));
  }
  const std::vector<std::uint8_t> Resource = EncodeVersionNode(VersionInfoNode(Content));
  if (Resource.size() >= MaxResourceSize) {
    std::fprintf(stderr, "%s: the resource would be %zu bytes, more than 65535\n", argv[0],
                 Resource.size());
    return 2;
  }

  std::ofstream Out(argv[1], std::ios::trunc);
  Out << "// Written by MakeVersionResource from the project version. Do not edit.\n"
         "namespace {\n"
         "[[gnu::used, gnu::section(\""
      << VersionSectionName << "\"), gnu::aligned(4)]] const unsigned char VersionResource[] = {";
  for (std::size_t I = 0; I < Resource.size(); ++I)
    Out << (I % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(Resource[I]) << ",";
  Out << "\n};\n}  // namespace\n";
  Out.close();
  if (!Out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
