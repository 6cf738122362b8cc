#include "app/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "app/FileHandle.h"
#include "rtl/FileErrors.h"

namespace {

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

void SaveFileWhole(const std::string& FileName, std::string_view Bytes) {
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
