// Feeds arbitrary header values to the reader of a scrape's time-out: it
// gives none, or a time-out from above zero to an hour.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "outputs/MetricsServer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Header(reinterpret_cast<const char*>(Data), Size);
  const auto Timeout = ProbeTimeout(Header.c_str());
  if (Timeout && (Timeout->count() <= 0 || *Timeout > std::chrono::hours(1))) std::abort();
  return 0;
}
