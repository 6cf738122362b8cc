// Feeds arbitrary bytes to the targets file's parser. It either names the
// line it refuses or gives distinct hosts of one word each, without a
// comment or a zero byte, with intervals from 1 ms to an hour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "app/service/TargetsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  try {
    std::set<std::string> Seen;
    for (const TTargetEntry& Entry : ParseTargets(Bytes, "f")) {
      if (Entry.Host.empty() || Entry.Host.size() > 253 || !Seen.insert(Entry.Host).second ||
          Entry.Host.find_first_of(std::string_view(" \t\r\n#\0", 6)) != std::string::npos)
        std::abort();
      if (Entry.Interval && (*Entry.Interval < std::chrono::milliseconds(1) ||
                             *Entry.Interval > std::chrono::hours(1)))
        std::abort();
    }
  } catch (const ETargetsFileError& E) {
    if (!E.Message().starts_with("f, line ")) std::abort();
  }
  return 0;
}
