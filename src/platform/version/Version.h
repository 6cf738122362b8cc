// The version library's calls over the VS_VERSIONINFO resource of an ELF file
// (its ".qvrsrc" section) or of a PE file (its RT_VERSION resource). Failures
// leave their code for GetLastError.
#pragma once

#include <cstdint>

#include "platform/kernel/Types.h"

using UINT = std::uint32_t;

// The fixed file information: the value of the root block "\".
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

// The bytes a buffer needs for the file's version information, or 0 with
// the reason: ERROR_INVALID_PARAMETER for no name, the open's error
// (ERROR_FILE_NOT_FOUND, ...), or one of ReadImageVersion's codes. *Handle,
// when given, is set to 0.
DWORD GetFileVersionInfoSizeA(const char* FileName, DWORD* Handle);

// Copies the file's version information into Data, which must hold the size
// that GetFileVersionInfoSizeA gives; a smaller Len fails with
// ERROR_INSUFFICIENT_BUFFER and leaves Data untouched. Handle is not used.
BOOL GetFileVersionInfoA(const char* FileName, DWORD Handle, DWORD Len, void* Data);

// Finds the value at SubBlock ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904E4\ProductName", keys in any case) in a buffer that
// GetFileVersionInfoA filled. A text value comes as a zero-terminated byte
// string (UTF-8) whose length counts its zero. Not found: 0, with the last
// error unchanged; a missing argument: 0 with ERROR_INVALID_PARAMETER.
BOOL VerQueryValueA(const void* Block, const char* SubBlock, void** Buffer, UINT* Len);
