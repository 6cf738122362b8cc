#include "outputs/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "outputs/FileHandle.h"
#include "outputs/LinkGuard.h"
#include "rtl/FileErrors.h"

namespace {

// A new file beside the one it is to replace, made for the user alone and
// removed again unless it was renamed over that one.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const std::string& FileName)
      : FName(FileName + ".XXXXXX"), FFile(mkostemp(FName.data(), O_CLOEXEC)) {}
  ~TTemporaryFile() {
    if (FFile.Descriptor() >= 0 && !FRenamed) unlink(FName.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  // Writes Bytes whole and syncs them; false when any of it fails.
  bool Write(std::string_view Bytes) const {
    if (FFile.Descriptor() < 0) return false;
    while (!Bytes.empty()) {
      const ssize_t Done = write(FFile.Descriptor(), Bytes.data(), Bytes.size());
      if (Done < 0 && errno == EINTR) continue;
      if (Done <= 0) return false;
      Bytes.remove_prefix(static_cast<std::size_t>(Done));
    }
    return fsync(FFile.Descriptor()) == 0;
  }
  bool RenameTo(const std::string& FileName) {
    FRenamed = rename(FName.c_str(), FileName.c_str()) == 0;
    return FRenamed;
  }

 private:
  std::string FName;
  TFileHandle FFile;
  bool FRenamed = false;
};

}  // namespace

void SaveFileWhole(const std::string& FileName, std::string_view Bytes) {
  // The path is taken without links, so the rename replaces the very file
  // named, and a link planted there meanwhile is replaced, not followed.
  const std::string Path = UnplantedPath(FileName);
  TTemporaryFile Temporary(Path);
  if (!Temporary.Write(Bytes) || !Temporary.RenameTo(Path)) throw EFCreateError(FileName);
  // Makes the rename last through a power cut. Once it is done the new file
  // is in place, so a failure here changes nothing the program could report.
  const std::string Folder = Path.substr(0, std::max<std::size_t>(Path.rfind('/'), 1));
  const TFileHandle Handle(open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (Handle.Descriptor() >= 0) fsync(Handle.Descriptor());
}
