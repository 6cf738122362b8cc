#include "wire/EchoMatch.h"

#include <algorithm>

namespace quorvel::wire {

bool Answers(const IcmpView& view, std::span<const std::uint8_t> request, const MatchRule& rule) {
  const std::span<const std::uint8_t> echo = view.echo;
  const bool isEcho =
      view.kind == MessageKind::kEchoReply || view.kind == MessageKind::kEchoRequest;
  if (isEcho && rule.wholeEcho && echo.size() != request.size()) return false;
  const std::size_t compared = std::min({rule.compareUpTo, echo.size(), request.size()});
  if (compared < kIcmpHeader) return false;
  return std::equal(echo.begin() + kIdentifierAt,
                    echo.begin() + static_cast<std::ptrdiff_t>(compared),
                    request.begin() + kIdentifierAt);
}

bool ReadEchoKey(std::span<const std::uint8_t> echo, EchoKey* key) {
  if (echo.size() < kIcmpHeader) return false;
  std::copy_n(echo.begin() + kIdentifierAt, 2, key->identifier);
  std::copy_n(echo.begin() + kSequenceAt, 2, key->sequence);
  return true;
}

}  // namespace quorvel::wire
