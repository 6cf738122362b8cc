#include "platform/version/ImageSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/kernel/LastError.h"

namespace quorvel::version {

namespace {

DWORD OpenErrorCode(int Errno) {
  switch (Errno) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> TImageSource::Read(std::uint64_t Offset,
                                                            std::size_t Length) const {
  if (Offset > Size() || Length > Size() - Offset) return std::nullopt;
  std::vector<std::uint8_t> Bytes(Length);
  if (!ReadAt(Offset, Length, Bytes.data())) return std::nullopt;
  return Bytes;
}

bool TMemoryImage::ReadAt(std::uint64_t Offset, std::size_t Length, std::uint8_t* Out) const {
  if (Length != 0) std::memcpy(Out, FData + Offset, Length);
  return true;
}

TImageFile::TImageFile(const char* Path) {
  // Not blocking on the open keeps a named pipe from stalling the reader
  // until someone writes to it; it is then refused as no regular file.
  FDescriptor = open(Path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat Status {};
  if (FDescriptor < 0) {
    FError = OpenErrorCode(errno);
  } else if (fstat(FDescriptor, &Status) != 0 || !S_ISREG(Status.st_mode)) {
    FError = ERROR_ACCESS_DENIED;
  } else {
    FSize = static_cast<std::uint64_t>(Status.st_size);
  }
}

TImageFile::~TImageFile() {
  if (FDescriptor >= 0) close(FDescriptor);
}

bool TImageFile::ReadAt(std::uint64_t Offset, std::size_t Length, std::uint8_t* Out) const {
  // A file that shrinks while it is read ends the read early: that is a
  // failed read, never a short buffer.
  while (Length > 0 && FError == 0) {
    const ssize_t Got = pread(FDescriptor, Out, Length, static_cast<off_t>(Offset));
    if (Got < 0 && errno == EINTR) continue;
    if (Got <= 0) {
      FError = ERROR_READ_FAULT;
      break;
    }
    Out += Got;
    Offset += static_cast<std::uint64_t>(Got);
    Length -= static_cast<std::size_t>(Got);
  }
  return FError == 0;
}

}  // namespace quorvel::version
