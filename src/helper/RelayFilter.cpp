#include "helper/RelayFilter.h"

#include <algorithm>
#include <limits>

#include "wire/EchoMatch.h"
#include "wire/Icmp.h"

namespace quorvel::helper {

SentEchoes::SentEchoes() { byKey_.reserve(kKept); }

std::uint32_t SentEchoes::Key(std::span<const std::uint8_t> echo) {
  wire::EchoKey key;
  wire::ReadEchoKey(echo, &key);
  return std::uint32_t{key.identifier[0]} << 24 | std::uint32_t{key.identifier[1]} << 16 |
         key.Sequence();
}

void SentEchoes::Remember(const wire::IpAddress& destination,
                          std::span<const std::uint8_t> request) {
  if (request.size() < wire::kIcmpHeader || request.size() > wire::kHelperMaxRequest) return;
  Entry& entry = entries_[next_];
  if (entry.size != 0) {
    const auto [first, last] = byKey_.equal_range(Key({entry.request.data(), entry.size}));
    for (auto at = first; at != last; ++at)
      if (at->second == next_) {
        byKey_.erase(at);
        break;
      }
  }
  entry.destination = destination;
  entry.size = request.size();
  std::copy(request.begin(), request.end(), entry.request.begin());
  byKey_.emplace(Key(request), next_);
  next_ = (next_ + 1) % kKept;
  latestAnswered_ = false;
}

bool SentEchoes::Answers(const wire::IpAddress& source,
                         std::span<const std::uint8_t> message) const {
  const std::optional<wire::IcmpView> view = wire::ReadIcmp(source.family, message);
  // Our own requests, as loopback shows them, and types that tell nothing
  // about a request answer nothing.
  if (!view || view->kind == wire::MessageKind::kEchoRequest ||
      view->kind == wire::MessageKind::kOther || view->echo.size() < wire::kIcmpHeader)
    return false;
  const bool reply = view->kind == wire::MessageKind::kEchoReply;
  if (reply && view->code != 0) return false;
  const wire::MatchRule rule{std::numeric_limits<std::size_t>::max(), true};
  const auto [first, last] = byKey_.equal_range(Key(view->echo));
  return std::any_of(first, last, [&](const auto& found) {
    const Entry& entry = entries_[found.second];
    // A host may answer from another of its addresses; an error always
    // names the destination it concerns.
    const bool answers = (reply || entry.destination == *view->quotedDestination) &&
                         wire::Answers(*view, {entry.request.data(), entry.size}, rule);
    if (answers && found.second == (next_ + kKept - 1) % kKept) latestAnswered_ = true;
    return answers;
  });
}

bool RateCap::Take(std::int64_t nowNs, bool answered) {
  constexpr std::int64_t kCostNs = 1'000'000'000 / kPerSecond;
  if (started_) tokensNs_ = std::min(tokensNs_ + (nowNs - lastNs_), kBurst * kCostNs);
  started_ = true;
  lastNs_ = nowNs;
  if (answered) return true;
  if (tokensNs_ < kCostNs) return false;
  tokensNs_ -= kCostNs;
  return true;
}

}  // namespace quorvel::helper
