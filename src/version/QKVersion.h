// The version resource reader: the four numbers of a file's version and three
// strings of its string table, read when the file name is assigned.
#pragma once

#include <cstdint>
#include <string>

#include "platform/kernel/Types.h"
#include "rtl/Classes.h"

class TQKVersion : public TComponent {
 public:
  explicit TQKVersion(TComponent* AOwner) : TComponent(AOwner) {}

  // Stores the name and reads that file's version information, on every
  // assignment, also of the same name.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value);

  // Called with this component when a read finds no version information.
  TNotifyEvent OnError;

  // The system's error code of the last read that found no version
  // information; a later successful read keeps it.
  DWORD LastError() const { return FLastError; }

  std::uint16_t Major() const { return FMajor; }
  std::uint16_t Minor() const { return FMinor; }
  std::uint16_t Release() const { return FRelease; }
  std::uint16_t Build() const { return FBuild; }
  // Strings of the first translation's table; a read that lacks one keeps
  // the value that an earlier read gave.
  const std::string& ProductVersion() const { return FProductVersion; }
  const std::string& ProductName() const { return FProductName; }
  const std::string& CompanyName() const { return FCompanyName; }

  // Reads FileName's version information: the numbers start from 0 again,
  // the strings and LastError only change where the file gives a value.
  void ReadVersionInfo();

  // "Major.Minor.Release.Build", each in decimal without padding.
  std::string VersionText() const;

 private:
  void ReportMissing();
  void ReadFixedInfo(const void* Buffer);
  void ReadStrings(const void* Buffer);

  std::string FFileName;
  DWORD FLastError = 0;
  std::uint16_t FMajor = 0;
  std::uint16_t FMinor = 0;
  std::uint16_t FRelease = 0;
  std::uint16_t FBuild = 0;
  std::string FProductVersion;
  std::string FProductName;
  std::string FCompanyName;
};
