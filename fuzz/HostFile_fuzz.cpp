// Feeds arbitrary bytes to the history file's parser. No host may hold a line
// break or a zero byte, the hosts never hold more bytes than the text, and
// writing them gives a file that reads back as the same hosts; a cap on the
// hosts gives the first ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/window/HostFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  const std::vector<std::string> Hosts = ParseHostFile(Bytes, SIZE_MAX);
  std::size_t Total = 0;
  for (const std::string& Host : Hosts) {
    if (Host.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
    Total += Host.size();
  }
  if (Total > Bytes.substr(0, Bytes.find('\0')).size()) std::abort();
  if (ParseHostFile(FormatHostFile(Hosts), SIZE_MAX) != Hosts) std::abort();
  // A cap keeps the first hosts and no others.
  const std::size_t Cap = Size % 8;
  const std::vector<std::string> First = ParseHostFile(Bytes, Cap);
  if (First.size() != std::min(Cap, Hosts.size()) ||
      !std::equal(First.begin(), First.end(), Hosts.begin()))
    std::abort();
  return 0;
}
