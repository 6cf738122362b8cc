#include "app/HostStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "app/HostFile.h"
#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

std::string GHostFolder;

// A file descriptor, closed when it goes.
class TFileHandle {
 public:
  explicit TFileHandle(int ADescriptor) : FDescriptor(ADescriptor) {}
  ~TFileHandle() {
    if (FDescriptor >= 0) close(FDescriptor);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  int Descriptor() const { return FDescriptor; }

 private:
  int FDescriptor;
};

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

// Makes a rename in the folder of FileName last through a power cut. Once the
// rename is done the new file is in place, so a failure here changes nothing
// the program could report.
void SyncFolderOf(const QString& FileName) {
  const QString Folder = QFileInfo(QFileInfo(FileName).canonicalFilePath()).absolutePath();
  const TFileHandle Handle(
      open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (Handle.Descriptor() >= 0) fsync(Handle.Descriptor());
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
  // The temporary file goes unless it is committed, which renames it over the
  // stored file. Commit reports neither a short write of its last flush (a
  // full disk) nor a failed sync, so both are checked before it.
  const QString Name = QFile::decodeName(QByteArray::fromStdString(FileName));
  QSaveFile File(Name);
  const auto Size = static_cast<qint64>(Bytes.size());
  if (!File.open(QIODevice::WriteOnly) || File.write(Bytes.data(), Size) != Size || !File.flush() ||
      fsync(File.handle()) != 0 || !File.commit())
    throw EFCreateError(FileName);
  SyncFolderOf(Name);
}
