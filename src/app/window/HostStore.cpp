#include "app/window/HostStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string_view>

#include "app/window/HostFile.h"
#include "outputs/AtomicFile.h"
#include "outputs/FileHandle.h"
#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

std::string GHostFolder;

// The first Limit bytes of the plain file at FileName, all of it when it is
// shorter, or none when it cannot be read. Reading stops early once the bytes
// hold more than MaxLines whole lines, or a zero byte, which ends the text.
std::optional<std::string> ReadFileStart(const std::string& FileName, std::size_t Limit,
                                         std::size_t MaxLines) {
  // Not blocking on the open keeps a pipe without a writer from stalling the
  // read; it is then refused as no plain file, like a device.
  const TFileHandle File(open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat Status {};
  if (File.Descriptor() < 0 || fstat(File.Descriptor(), &Status) != 0 || !S_ISREG(Status.st_mode))
    return std::nullopt;
  // The size the file claims is not trusted, it may grow while it is read.
  std::string Bytes;
  std::array<char, std::size_t{64} * 1024> Chunk;
  // A line ends in at most two bytes, so more than twice MaxLines of them
  // end more than MaxLines lines.
  std::size_t Breaks = 0;
  while (Bytes.size() < Limit && Breaks <= 2 * MaxLines) {
    const std::size_t Wanted = std::min(Chunk.size(), Limit - Bytes.size());
    const ssize_t Got = read(File.Descriptor(), Chunk.data(), Wanted);
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return std::nullopt;
    if (Got == 0) break;
    const std::string_view Read(Chunk.data(), static_cast<std::size_t>(Got));
    Bytes += Read;
    if (Read.find('\0') != std::string_view::npos) break;
    Breaks += static_cast<std::size_t>(
        std::ranges::count_if(Read, [](char C) { return C == '\r' || C == '\n'; }));
  }
  return Bytes;
}

}  // namespace

std::string HostFileName() {
  return (GHostFolder.empty() ? HostFolder(ExecutableFolder()) : GHostFolder) + "/host.txt";
}

std::string HostFolder(const std::string& ProgramFolder) {
  // Root may write to an installed copy's folder too, where an uninstall
  // would leave the history behind.
  const bool Installed = ProgramFolder.ends_with("/" QUORVEL_INSTALL_DIR);
  if (!Installed && access(ProgramFolder.c_str(), W_OK) == 0) return ProgramFolder;
  const QString UserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (UserFolder.isEmpty() || !QDir().mkpath(QFileInfo(UserFolder).path())) return ProgramFolder;
  // The history is the user's alone, and so is the folder made for it.
  const QByteArray Folder = QFile::encodeName(UserFolder);
  if (mkdir(Folder.constData(), 0700) != 0 && errno != EEXIST) return ProgramFolder;
  return Folder.toStdString();
}

void SetHostFolder(const std::string& Folder) { GHostFolder = Folder; }

bool HostFileExists(const std::string& FileName) {
  struct stat Status {};
  return stat(FileName.c_str(), &Status) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::vector<std::string> LoadHostFile(const std::string& FileName, std::size_t MaxHosts,
                                      std::size_t MaxHostBytes) {
  // One byte past the largest file of MaxHosts hosts: a line among them that
  // is too long then shows as a host too long, also when it is cut here.
  const std::optional<std::string> Start =
      ReadFileStart(FileName, HostFileSize(MaxHosts, MaxHostBytes) + 1, MaxHosts);
  if (!Start) throw EFOpenError(FileName);
  std::vector<std::string> Hosts = ParseHostFile(*Start, MaxHosts);
  if (std::ranges::any_of(Hosts, [&](const std::string& H) { return H.size() > MaxHostBytes; }))
    throw EFOpenError(FileName);
  return Hosts;
}

void SaveHostFile(const std::string& FileName, const std::vector<std::string>& Hosts,
                  std::size_t MaxSize) {
  const std::string Bytes = FormatHostFile(Hosts);
  if (Bytes.size() > MaxSize) throw EFCreateError(FileName);
  SaveFileWhole(FileName, Bytes);
}
