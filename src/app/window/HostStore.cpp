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
#include "outputs/FileStart.h"
#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

std::string GHostFolder;

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
