#include "platform/version/VersionFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorvel::test {

namespace {

void Run(const std::string& Command) {
  if (std::system((Command + " 2>&1").c_str()) != 0)
    throw std::runtime_error("fixture tool failed: " + Command);
}

std::string Quoted(const std::string& Path) { return "'" + Path + "'"; }

std::string Parts(const std::array<std::uint16_t, 4>& V) {
  return std::to_string(V[0]) + "," + std::to_string(V[1]) + "," + std::to_string(V[2]) + "," +
         std::to_string(V[3]);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& B, std::size_t At) {
  return B.at(At) | (B.at(At + 1) << 8) | (B.at(At + 2) << 16) |
         (static_cast<std::uint32_t>(B.at(At + 3)) << 24);
}

}  // namespace

TFixtureFolder::TFixtureFolder() {
  char Template[] = "/tmp/quorvel-version-XXXXXX";
  if (mkdtemp(Template) == nullptr) throw std::runtime_error("cannot make a fixture folder");
  FPath = Template;
}

TFixtureFolder::~TFixtureFolder() {
  std::error_code Ignored;
  std::filesystem::remove_all(FPath, Ignored);
}

std::string TFixtureFolder::Write(const std::string& Name,
                                  const std::vector<std::uint8_t>& Bytes) const {
  std::ofstream Out(Path(Name), std::ios::binary | std::ios::trunc);
  Out.write(reinterpret_cast<const char*>(Bytes.data()),
            static_cast<std::streamsize>(Bytes.size()));
  if (!Out) throw std::runtime_error("cannot write " + Path(Name));
  return Path(Name);
}

std::string TFixtureFolder::WriteRc(const TRcVersion& Rc) const {
  char Flags[160];
  std::snprintf(
      Flags, sizeof Flags,
      "FILEFLAGSMASK 0x%X\nFILEFLAGS 0x%X\nFILEOS 0x%X\nFILETYPE 0x%X\nFILESUBTYPE 0x%X\n",
      Rc.FileFlagsMask, Rc.FileFlags, Rc.FileOS, Rc.FileType, Rc.FileSubtype);
  std::string Text = std::to_string(Rc.ResourceId) + " VERSIONINFO\nFILEVERSION " +
                     Parts(Rc.FileVersion) + "\nPRODUCTVERSION " + Parts(Rc.ProductVersion) + "\n" +
                     Flags + "BEGIN\n";
  if (!Rc.Tables.empty()) {
    Text += "  BLOCK \"StringFileInfo\"\n  BEGIN\n";
    for (const TRcTable& Table : Rc.Tables) {
      Text += "    BLOCK \"" + Table.Key + "\"\n    BEGIN\n";
      for (const auto& [Name, Value] : Table.Strings)
        Text += "      VALUE \"" + Name + "\", \"" + Value + "\"\n";
      Text += "    END\n";
    }
    Text += "  END\n";
  }
  if (!Rc.Translations.empty()) {
    Text += "  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\"";
    for (const auto& [Language, CodePage] : Rc.Translations)
      Text += ", " + std::to_string(Language) + ", " + std::to_string(CodePage);
    Text += "\n  END\n";
  }
  Text += "END\n";
  const std::string RcPath = Path("version.rc");
  std::ofstream(RcPath, std::ios::trunc) << Text;
  return RcPath;
}

std::string TFixtureFolder::MakePe(const std::string& Name, const TRcVersion& Rc) const {
  const std::string Object = Path(Name + ".o");
  // windres preprocesses the .rc; the host's preprocessor serves for that.
  Run(std::string(QUORVEL_WINDRES) + " --preprocessor=cpp -c 65001 -O coff -i " +
      Quoted(WriteRc(Rc)) + " -o " + Quoted(Object));
  Run(std::string(QUORVEL_MINGW_LD) + " --entry=0 -o " + Quoted(Path(Name)) + " " + Quoted(Object));
  return Path(Name);
}

std::string TFixtureFolder::MakePeWithoutResources(const std::string& Name) const {
  const std::string Object = Path(Name + ".o");
  Run("printf 'nop\\n' | " + std::string(QUORVEL_MINGW_AS) + " -o " + Quoted(Object));
  Run(std::string(QUORVEL_MINGW_LD) + " --entry=0 -o " + Quoted(Path(Name)) + " " + Quoted(Object));
  return Path(Name);
}

std::vector<std::uint8_t> TFixtureFolder::MakeResource(const TRcVersion& Rc) const {
  const std::string Res = Path("version.res");
  Run(std::string(QUORVEL_WINDRES) + " --preprocessor=cpp -c 65001 -O res -i " +
      Quoted(WriteRc(Rc)) + " -o " + Quoted(Res));
  // A .res file starts with an empty 32-byte entry; the next entry's header
  // gives the size of its data and of itself.
  const std::vector<std::uint8_t> File = ReadFileBytes(Res);
  const std::size_t DataSize = Le32(File, 32);
  const std::size_t HeaderSize = Le32(File, 36);
  const auto First = File.begin() + static_cast<std::ptrdiff_t>(32 + HeaderSize);
  return {First, First + static_cast<std::ptrdiff_t>(DataSize)};
}

std::string TFixtureFolder::MakeElf(const std::string& Name, const std::vector<std::uint8_t>& Bytes,
                                    const std::string& Section) const {
  const std::string Raw = Write(Name + ".bin", Bytes);
  Run(std::string(QUORVEL_OBJCOPY) + " -I binary -O elf64-x86-64 --rename-section .data=" +
      Section + " " + Quoted(Raw) + " " + Quoted(Path(Name)));
  return Path(Name);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) throw std::runtime_error("cannot read " + Path);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

}  // namespace quorvel::test
