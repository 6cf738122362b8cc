#include "platform/version/Version.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/LastError.h"
#include "platform/version/VersionFixture.h"

using quorvel::test::TFixtureFolder;
using quorvel::test::TRcVersion;

namespace {

// The file's version information, read as a caller of the library does.
struct TVersionInfo {
  explicit TVersionInfo(const std::string& Path) {
    DWORD Handle = 99;
    const DWORD Size = GetFileVersionInfoSizeA(Path.c_str(), &Handle);
    EXPECT_EQ(Handle, 0u);
    Error = GetLastError();
    if (Size == 0) return;
    Buffer.resize(Size);
    Filled = GetFileVersionInfoA(Path.c_str(), 0, Size, Buffer.data()) != 0;
  }
  std::optional<std::vector<std::uint8_t>> Value(const std::string& SubBlock) const {
    void* Address = nullptr;
    UINT Length = 0;
    if (VerQueryValueA(Buffer.data(), SubBlock.c_str(), &Address, &Length) == 0)
      return std::nullopt;
    const auto* First = static_cast<const std::uint8_t*>(Address);
    return std::vector<std::uint8_t>(First, First + Length);
  }
  std::string Text(const std::string& SubBlock) const {
    const auto V = Value(SubBlock);
    return V && !V->empty() ? std::string(V->begin(), V->end() - 1) : "<none>";
  }
  VS_FIXEDFILEINFO Fixed() const {
    VS_FIXEDFILEINFO Info{};
    const auto V = Value("\\");
    EXPECT_TRUE(V && V->size() == sizeof Info);
    if (V && V->size() == sizeof Info) std::memcpy(&Info, V->data(), sizeof Info);
    return Info;
  }
  DWORD Error = 0;
  bool Filled = false;
  std::vector<std::uint8_t> Buffer;
};

DWORD High(const std::array<std::uint16_t, 4>& V) { return (DWORD{V[0]} << 16) | V[1]; }
DWORD Low(const std::array<std::uint16_t, 4>& V) { return (DWORD{V[2]} << 16) | V[3]; }

}  // namespace

TEST(Version, ReadsEveryFieldThatWindresWroteIntoAPeFile) {
  TRcVersion Rc;
  Rc.FileVersion = {10, 0, 12, 345};
  Rc.ProductVersion = {65535, 1, 2, 3};
  Rc.FileFlagsMask = 0x17;
  Rc.FileFlags = 0x2;
  Rc.FileOS = 0x40004;
  Rc.FileType = 0x2;
  Rc.FileSubtype = 0x7;
  Rc.Tables = {{"040904E4",
                {{"CompanyName", "Fixture Makers"},
                 {"ProductName", "Fixture"},
                 {"ProductVersion", "65535.1.2.3"},
                 {"Comments",
                  "Gr\xC3\xBC\xC3\x9F"
                  "e"}}},
               {"040704B0", {{"CompanyName", "Hersteller"}}}};
  Rc.Translations = {{0x0409, 1252}, {0x0407, 1200}};
  const TFixtureFolder Folder;
  const TVersionInfo Info(Folder.MakePe("fixture.exe", Rc));
  ASSERT_TRUE(Info.Filled);

  const VS_FIXEDFILEINFO Fixed = Info.Fixed();
  EXPECT_EQ(Fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(Fixed.dwFileVersionMS, High(Rc.FileVersion));
  EXPECT_EQ(Fixed.dwFileVersionLS, Low(Rc.FileVersion));
  EXPECT_EQ(Fixed.dwProductVersionMS, High(Rc.ProductVersion));
  EXPECT_EQ(Fixed.dwProductVersionLS, Low(Rc.ProductVersion));
  EXPECT_EQ(Fixed.dwFileFlagsMask, Rc.FileFlagsMask);
  EXPECT_EQ(Fixed.dwFileFlags, Rc.FileFlags);
  EXPECT_EQ(Fixed.dwFileOS, Rc.FileOS);
  EXPECT_EQ(Fixed.dwFileType, Rc.FileType);
  EXPECT_EQ(Fixed.dwFileSubtype, Rc.FileSubtype);

  EXPECT_EQ(Info.Value("\\VarFileInfo\\Translation"),
            (std::vector<std::uint8_t>{0x09, 0x04, 0xE4, 0x04, 0x07, 0x04, 0xB0, 0x04}));
  for (const auto& Table : Rc.Tables)
    for (const auto& [Name, Value] : Table.Strings)
      EXPECT_EQ(Info.Text("\\StringFileInfo\\" + Table.Key + "\\" + Name), Value) << Name;
  EXPECT_EQ(Info.Text("\\StringFileInfo\\040904E4\\LegalCopyright"), "<none>");
}

TEST(Version, TheProgramCarriesTheProjectVersion) {
  const TVersionInfo Info(QUORVEL_PROGRAM);
  ASSERT_TRUE(Info.Filled);
  std::array<std::uint16_t, 4> Parts{};
  std::sscanf(QUORVEL_VERSION, "%hu.%hu.%hu.%hu", &Parts[0], &Parts[1], &Parts[2], &Parts[3]);
  const VS_FIXEDFILEINFO Fixed = Info.Fixed();
  EXPECT_EQ(Fixed.dwFileVersionMS, High(Parts));
  EXPECT_EQ(Fixed.dwFileVersionLS, Low(Parts));
  EXPECT_EQ(Fixed.dwProductVersionMS, High(Parts));
  const std::string Table = "\\StringFileInfo\\040904B0\\";
  EXPECT_EQ(Info.Text(Table + "ProductVersion"), QUORVEL_VERSION);
  EXPECT_EQ(Info.Text(Table + "ProductName"), "Quorvel");
  EXPECT_EQ(Info.Text(Table + "CompanyName"), "The Quorvel developers");
  EXPECT_EQ(Info.Text(Table + "OriginalFilename"), "quorvel");
  EXPECT_EQ(Info.Value("\\VarFileInfo\\Translation"),
            (std::vector<std::uint8_t>{0x09, 0x04, 0xB0, 0x04}));
}

TEST(Version, FilesWithoutVersionInformationGiveSizeZeroAndTheReason) {
  const TFixtureFolder Folder;
  const std::string Empty = Folder.Write("empty", {});
  EXPECT_EQ(TVersionInfo(Folder.Path("missing")).Error, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(TVersionInfo(Empty + "/inside").Error, ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(TVersionInfo(Folder.Path("")).Error, ERROR_ACCESS_DENIED);  // a folder
  ASSERT_EQ(mkfifo(Folder.Path("pipe").c_str(), 0600), 0);
  EXPECT_EQ(TVersionInfo(Folder.Path("pipe")).Error, ERROR_ACCESS_DENIED);  // and no waiting
  EXPECT_EQ(TVersionInfo(Empty).Error, ERROR_BAD_FORMAT);
  EXPECT_EQ(TVersionInfo("/proc/self/exe").Error, ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Version, ACopyIntoATooSmallBufferFailsAndLeavesItAlone) {
  const DWORD Size = GetFileVersionInfoSizeA(QUORVEL_PROGRAM, nullptr);
  ASSERT_GT(Size, 0u);
  std::vector<std::uint8_t> Buffer(Size, 0xAB);
  EXPECT_EQ(GetFileVersionInfoA(QUORVEL_PROGRAM, 0, Size - 1, Buffer.data()), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Buffer, std::vector<std::uint8_t>(Size, 0xAB));
  EXPECT_EQ(GetFileVersionInfoA(QUORVEL_PROGRAM, 0, Size, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetFileVersionInfoA(nullptr, 0, Size, Buffer.data()), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Version, LookUpsThatFindNothingLeaveTheLastError) {
  const TVersionInfo Info(QUORVEL_PROGRAM);
  void* Address = nullptr;
  UINT Length = 0;
  SetLastError(4711);
  EXPECT_EQ(VerQueryValueA(Info.Buffer.data(), "\\StringFileInfo\\00000000\\ProductName", &Address,
                           &Length),
            0);
  EXPECT_EQ(GetLastError(), 4711u);
  EXPECT_EQ(VerQueryValueA(Info.Buffer.data(), nullptr, &Address, &Length), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VerQueryValueA(nullptr, "\\", &Address, &Length), 0);
  EXPECT_EQ(VerQueryValueA(Info.Buffer.data(), "\\", nullptr, &Length), 0);
}
