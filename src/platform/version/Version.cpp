#include "platform/version/Version.h"

#include "platform/kernel/LastError.h"
#include "platform/version/ImageSource.h"
#include "platform/version/ImageVersion.h"
#include "platform/version/VersionBuffer.h"

using namespace quorvel::version;

namespace {

// The file's resource, or none with the last error set.
TVersionResource ReadFileVersion(const char* FileName) {
  if (FileName == nullptr) return {ERROR_INVALID_PARAMETER, {}};
  const TImageFile File(FileName);
  if (File.Error() != ERROR_SUCCESS) return {File.Error(), {}};
  TVersionResource Found = ReadImageVersion(File);
  // A read that failed on the way explains better than what it left missing.
  if (File.Error() != ERROR_SUCCESS) return {File.Error(), {}};
  return Found;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(const char* FileName, DWORD* Handle) {
  if (Handle != nullptr) *Handle = 0;
  const TVersionResource Found = ReadFileVersion(FileName);
  if (Found.Error != ERROR_SUCCESS) {
    SetLastError(Found.Error);
    return 0;
  }
  return static_cast<DWORD>(VersionBufferSize(Found.Bytes.size()));
}

BOOL GetFileVersionInfoA(const char* FileName, DWORD /*Handle*/, DWORD Len, void* Data) {
  const TVersionResource Found =
      Data == nullptr ? TVersionResource{ERROR_INVALID_PARAMETER, {}} : ReadFileVersion(FileName);
  DWORD Error = Found.Error;
  // The file may have changed since its size was asked for.
  if (Error == ERROR_SUCCESS && Len < VersionBufferSize(Found.Bytes.size()))
    Error = ERROR_INSUFFICIENT_BUFFER;
  if (Error != ERROR_SUCCESS) {
    SetLastError(Error);
    return 0;
  }
  FillVersionBuffer(Found.Bytes.data(), static_cast<std::uint8_t*>(Data));
  return 1;
}

BOOL VerQueryValueA(const void* Block, const char* SubBlock, void** Buffer, UINT* Len) {
  if (Block == nullptr || SubBlock == nullptr || Buffer == nullptr || Len == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::optional<TVersionValue> Value =
      QueryVersionBuffer(static_cast<const std::uint8_t*>(Block), SubBlock);
  if (!Value) return 0;
  // The caller's buffer is its own, so handing back a writable address is the
  // library's contract, not a change of ownership.
  *Buffer = const_cast<void*>(Value->Address);
  *Len = Value->Length;
  return 1;
}
