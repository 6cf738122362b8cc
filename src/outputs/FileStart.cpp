#include "outputs/FileStart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

#include "outputs/FileHandle.h"

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
