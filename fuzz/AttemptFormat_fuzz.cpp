// Feeds arbitrary bytes as the host text of an attempt. The text made valid
// stays valid and keeps every well-formed byte; a CSV record and a JSON line
// are UTF-8, the JSON line holds no raw control character and ends at its
// only line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "outputs/AttemptFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Host(reinterpret_cast<const char*>(Data), Size);
  const std::string Valid = Utf8Text(Host.data(), Host.size());
  if (Utf8Text(Valid) != Valid || Valid.size() < Size || Valid.size() > 3 * Size) std::abort();
  TAttempt Attempt;
  Attempt.Address = Host;
  const std::string Csv = CsvRecord(Attempt, Host);
  const std::string Json = JsonLine(Attempt, Host);
  if (Utf8Text(Csv) != Csv || Utf8Text(Json) != Json) std::abort();
  for (std::size_t Index = 0; Index + 1 < Json.size(); ++Index)
    if (static_cast<unsigned char>(Json[Index]) < 0x20) std::abort();
  if (Json.back() != '\n' || Csv.substr(Csv.size() - 2) != "\r\n") std::abort();
  return 0;
}
