// Feeds arbitrary host texts to the address parser. A text that parses must
// give bytes whose dotted form parses back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/IdStack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  const TIdParsedAddress Parsed = ParseAddressText(Text);
  if (Parsed.Form == TIdAddressForm::None) {
    if (Parsed.AddressClass != 0) std::abort();
    return 0;
  }
  const TIdAddressBytes& B = Parsed.Bytes;
  const std::string Dotted = std::to_string(B[0]) + "." + std::to_string(B[1]) + "." +
                             std::to_string(B[2]) + "." + std::to_string(B[3]);
  const TIdParsedAddress Again = ParseAddressText(Dotted);
  if (Again.Form != TIdAddressForm::Dotted || Again.Bytes != B) std::abort();
  return 0;
}
