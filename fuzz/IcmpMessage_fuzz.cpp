// Feeds arbitrary ICMP and ICMPv6 messages to the reader and the answer
// rule. The first byte picks the family, the next sixteen are the request's
// first bytes; the rest is the message. What the reader finds must lie
// within the message, and an answer must repeat the request's identifier and
// sequence number where the rule says it does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "wire/EchoMatch.h"
#include "wire/Icmp.h"

using namespace quorvel;

namespace {

bool Within(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
  return part.empty() ||
         (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  constexpr std::size_t kRequest = 16;
  if (Size < 1 + kRequest) return 0;
  const wire::Family family = (Data[0] & 1) != 0 ? wire::Family::kIpv6 : wire::Family::kIpv4;
  const std::span<const std::uint8_t> request{Data + 1, kRequest};
  const std::span<const std::uint8_t> message{Data + 1 + kRequest, Size - 1 - kRequest};
  const std::optional<wire::IcmpView> view = wire::ReadIcmp(family, message);
  if (!view) {
    if (message.size() >= wire::kIcmpHeader) std::abort();
    return 0;
  }
  if (!Within(view->echo, message)) std::abort();
  if (view->quotedDestination && view->quotedDestination->family != family) std::abort();
  for (const std::size_t upTo : {std::size_t{8}, std::size_t{12}, kRequest}) {
    if (!wire::Answers(*view, request, {upTo, false})) continue;
    if (view->echo.size() < wire::kIcmpHeader ||
        !std::equal(request.begin() + 4, request.begin() + 8, view->echo.begin() + 4))
      std::abort();
  }
  return 0;
}
