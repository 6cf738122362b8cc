// Random access to the bytes of an executable image, never past its end: a
// file read through a descriptor of its own, or bytes already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/kernel/Types.h"

namespace quorvel::version {

class TImageSource {
 public:
  virtual ~TImageSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Length bytes from Offset, or none when they pass the end or cannot be read.
  std::optional<std::vector<std::uint8_t>> Read(std::uint64_t Offset, std::size_t Length) const;

 protected:
  virtual bool ReadAt(std::uint64_t Offset, std::size_t Length, std::uint8_t* Out) const = 0;
};

class TMemoryImage : public TImageSource {
 public:
  TMemoryImage(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  std::uint64_t Size() const override { return FSize; }

 protected:
  bool ReadAt(std::uint64_t Offset, std::size_t Length, std::uint8_t* Out) const override;

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
};

// A regular file opened for reading. Error() is the system error code of a
// failed open (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED
// for a folder or an unreadable file) or of a failed read (ERROR_READ_FAULT).
class TImageFile : public TImageSource {
 public:
  explicit TImageFile(const char* Path);
  ~TImageFile() override;
  TImageFile(const TImageFile&) = delete;
  TImageFile& operator=(const TImageFile&) = delete;

  DWORD Error() const { return FError; }
  std::uint64_t Size() const override { return FSize; }

 protected:
  bool ReadAt(std::uint64_t Offset, std::size_t Length, std::uint8_t* Out) const override;

 private:
  int FDescriptor = -1;
  std::uint64_t FSize = 0;
  mutable DWORD FError = 0;
};

}  // namespace quorvel::version
