#include "version/QKVersion.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/kernel/LastError.h"
#include "platform/version/Version.h"

void TQKVersion::SetFileName(const std::string& Value) {
  FFileName = Value;
  ReadVersionInfo();
}

void TQKVersion::ReadVersionInfo() {
  FMajor = FMinor = FRelease = FBuild = 0;
  DWORD Handle = 0;
  const DWORD Size = GetFileVersionInfoSizeA(FFileName.c_str(), &Handle);
  if (Size == 0) {
    ReportMissing();
    return;
  }
  std::vector<std::uint8_t> Buffer(Size);
  // The file can change or vanish between the two calls. A buffer that the
  // copy did not fill holds nothing to look up, so that counts as no
  // version information.
  if (GetFileVersionInfoA(FFileName.c_str(), Handle, Size, Buffer.data()) == 0) {
    ReportMissing();
    return;
  }
  ReadFixedInfo(Buffer.data());
  ReadStrings(Buffer.data());
}

void TQKVersion::ReportMissing() {
  FLastError = GetLastError();
  if (OnError) OnError(this);
}

void TQKVersion::ReadFixedInfo(const void* Buffer) {
  void* Value = nullptr;
  UINT Length = 0;
  if (VerQueryValueA(Buffer, "\\", &Value, &Length) == 0) return;
  // A root value too short or without the signature is not fixed file
  // information; its words are not taken for a version.
  VS_FIXEDFILEINFO Info{};
  if (Length < sizeof Info) return;
  std::memcpy(&Info, Value, sizeof Info);
  if (Info.dwSignature != VS_FFI_SIGNATURE) return;
  FMajor = static_cast<std::uint16_t>(Info.dwFileVersionMS >> 16);
  FMinor = static_cast<std::uint16_t>(Info.dwFileVersionMS & 0xFFFF);
  FRelease = static_cast<std::uint16_t>(Info.dwFileVersionLS >> 16);
  FBuild = static_cast<std::uint16_t>(Info.dwFileVersionLS & 0xFFFF);
}

void TQKVersion::ReadStrings(const void* Buffer) {
  void* Value = nullptr;
  UINT Length = 0;
  if (VerQueryValueA(Buffer, "\\VarFileInfo\\Translation", &Value, &Length) == 0 ||
      Length < sizeof(DWORD))
    return;
  DWORD Translation = 0;
  std::memcpy(&Translation, Value, sizeof Translation);
  // Language first, then code page: 0409 with 04E4 is the table 040904E4.
  char Key[9];
  std::snprintf(Key, sizeof Key, "%04X%04X", static_cast<unsigned>(Translation & 0xFFFF),
                static_cast<unsigned>(Translation >> 16));
  const std::string Table = std::string("\\StringFileInfo\\") + Key;
  for (auto [Name, Field] :
       {std::pair{"\\ProductVersion", &FProductVersion}, std::pair{"\\ProductName", &FProductName},
        std::pair{"\\CompanyName", &FCompanyName}}) {
    if (VerQueryValueA(Buffer, (Table + Name).c_str(), &Value, &Length) != 0)
      *Field = static_cast<const char*>(Value);
  }
}

std::string TQKVersion::VersionText() const {
  return std::to_string(FMajor) + "." + std::to_string(FMinor) + "." + std::to_string(FRelease) +
         "." + std::to_string(FBuild);
}
