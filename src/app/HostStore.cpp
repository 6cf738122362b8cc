#include "app/HostStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "app/AtomicFile.h"
#include "app/FileHandle.h"
#include "app/HostFile.h"
#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

std::string GHostFolder;

// The bytes of the plain file at FileName, or none when it cannot be read or
// holds more than Limit bytes.
std::optional<std::string> ReadPlainFile(const std::string& FileName, std::size_t Limit) {
  // Not blocking on the open keeps a pipe without a writer from stalling the
  // read; it is then refused as no plain file, like a device.
  const TFileHandle File(open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat Status {};
  if (File.Descriptor() < 0 || fstat(File.Descriptor(), &Status) != 0 || !S_ISREG(Status.st_mode))
    return std::nullopt;
  // The size the file claims is not trusted, it may grow while it is read:
  // reading stops at its end or one byte past the limit.
  std::string Bytes;
  std::array<char, 64 * 1024> Chunk;
  while (Bytes.size() <= Limit) {
    const std::size_t Wanted = std::min(Chunk.size(), Limit + 1 - Bytes.size());
    const ssize_t Got = read(File.Descriptor(), Chunk.data(), Wanted);
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return std::nullopt;
    if (Got == 0) return Bytes;
    Bytes.append(Chunk.data(), static_cast<std::size_t>(Got));
  }
  return std::nullopt;
}

}  // namespace

std::string HostFileName() {
  return (GHostFolder.empty() ? HostFolder(ExecutableFolder()) : GHostFolder) + "/host.txt";
}

std::string HostFolder(const std::string& ProgramFolder) {
  if (access(ProgramFolder.c_str(), W_OK) == 0) return ProgramFolder;
  const QString UserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (UserFolder.isEmpty() || !QDir().mkpath(UserFolder)) return ProgramFolder;
  return QFile::encodeName(UserFolder).toStdString();
}

void SetHostFolder(const std::string& Folder) { GHostFolder = Folder; }

bool HostFileExists(const std::string& FileName) {
  struct stat Status {};
  return stat(FileName.c_str(), &Status) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::vector<std::string> LoadHostFile(const std::string& FileName, std::size_t MaxSize) {
  const std::optional<std::string> Bytes = ReadPlainFile(FileName, MaxSize);
  if (!Bytes) throw EFOpenError(FileName);
  return ParseHostFile(*Bytes);
}

void SaveHostFile(const std::string& FileName, const std::vector<std::string>& Hosts,
                  std::size_t MaxSize) {
  const std::string Bytes = FormatHostFile(Hosts);
  if (Bytes.size() > MaxSize) throw EFCreateError(FileName);
  SaveFileWhole(FileName, Bytes);
}
