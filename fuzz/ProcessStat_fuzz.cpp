// Feeds arbitrary bytes to the reader of /proc/<pid>/stat: it never reads
// past the text, and finds fields only after a command name's parenthesis.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "outputs/ProcessMetrics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  if (ParseProcessStat(Bytes) && Bytes.find(')') == std::string_view::npos) std::abort();
  return 0;
}
