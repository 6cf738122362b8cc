#include "outputs/LinkGuard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

// As many links as the kernel follows on one path.
constexpr int MaxLinks = 40;

// The folder that Resolved names; the empty text is the root.
std::string FolderName(const std::string& Resolved) { return Resolved.empty() ? "/" : Resolved; }

void RefusePlanted(const struct stat& Link, const std::string& Folder, const std::string& Name) {
  struct stat Status {};
  if (stat(Folder.c_str(), &Status) != 0) return;
  const bool Shared = (Status.st_mode & S_ISVTX) != 0 && (Status.st_mode & S_IWOTH) != 0;
  if (Shared && Link.st_uid != geteuid() && Link.st_uid != Status.st_uid)
    throw EPlantedLinkError(
        Format("Refused to write through %s: it is a symbolic link that another user put in the "
               "shared folder %s",
               {Name, Folder}));
}

// Appends the parts of Path to Resolved, a path without links (the empty text
// for the root), resolving each link as it comes, in the folder it lies in.
void Walk(std::string& Resolved, std::string_view Path, int& LinksLeft, const std::string& Name) {
  if (Path.starts_with('/')) Resolved.clear();
  while (!Path.empty()) {
    const std::size_t Slash = std::min(Path.find('/'), Path.size());
    const std::string_view Part = Path.substr(0, Slash);
    Path.remove_prefix(std::min(Slash + 1, Path.size()));
    if (Part.empty() || Part == ".") continue;
    if (Part == "..") {
      Resolved.erase(std::min(Resolved.rfind('/'), Resolved.size()));
      continue;
    }
    std::string Next = Resolved + "/" + std::string(Part);
    struct stat Link {};
    if (lstat(Next.c_str(), &Link) != 0 || !S_ISLNK(Link.st_mode)) {
      // A missing part is made by the write, or fails it.
      Resolved = std::move(Next);
      continue;
    }
    if (--LinksLeft < 0)
      throw EPlantedLinkError(Format("Refused to write %s: too many symbolic links", {Name}));
    RefusePlanted(Link, FolderName(Resolved), Next);
    std::error_code Failed;
    const std::filesystem::path Target = std::filesystem::read_symlink(Next, Failed);
    if (Failed) {
      Resolved = std::move(Next);
      continue;
    }
    Walk(Resolved, Target.native(), LinksLeft, Name);
  }
}

}  // namespace

std::string UnplantedPath(const std::string& FileName) {
  std::string Resolved = FileName.starts_with('/') ? "" : std::filesystem::current_path().native();
  if (Resolved == "/") Resolved.clear();
  int LinksLeft = MaxLinks;
  Walk(Resolved, FileName, LinksLeft, FileName);
  return FolderName(Resolved);
}
