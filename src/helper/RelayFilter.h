// Which answers the echo helper passes on to its user: an echo reply only
// when it repeats the request's bytes exactly (so nobody receives copies of
// another's replies by sending the same identifier and sequence), from
// whichever address it comes, as every other socket kind passes it on; and
// an ICMP error only when it quotes a request the helper sent to the
// address quoted, as far as the quote reaches. Everything else
// its raw sockets see belongs to other programs and is never shown. Pure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>

#include "wire/Address.h"
#include "wire/HelperMessages.h"

namespace quorvel::helper {

// The requests sent lately; the oldest is forgotten once kKept are held, so
// the helper stays bounded while answers within any time-out find theirs
// (at the rate cap, kKept requests span more than 4 s).
class SentEchoes {
 public:
  static constexpr std::size_t kKept = 4096;

  SentEchoes();
  // `request` is the ICMP message as sent; one shorter than its 8-byte
  // header, or longer than the helper sends, is no request and is not kept.
  void Remember(const wire::IpAddress& destination, std::span<const std::uint8_t> request);
  // Whether `message`, an ICMP message of `source`'s family that `source`
  // sent, answers one of them.
  bool Answers(const wire::IpAddress& source, std::span<const std::uint8_t> message) const;
  // Whether an answer to the request sent last has come.
  bool LatestAnswered() const { return latestAnswered_; }

 private:
  struct Entry {
    wire::IpAddress destination;
    std::size_t size = 0;
    std::array<std::uint8_t, wire::kHelperMaxRequest> request{};
  };
  static std::uint32_t Key(std::span<const std::uint8_t> echo);

  std::array<Entry, kKept> entries_;
  std::size_t next_ = 0;
  std::unordered_multimap<std::uint32_t, std::size_t> byKey_;
  mutable bool latestAnswered_ = true;
};

// How many requests the helper sends: a bucket of kBurst that fills at
// kPerSecond. The cap is the helper's alone (a user whose group may open
// datagram sockets is never slowed by it): 1 000 a second serves the busiest
// page of ours, 100 hosts every 100 ms, while an uncapped helper would send
// 40 000 to 90 000 a second for anyone who can start it. A request whose
// predecessor has been answered goes without a token: one request at a time,
// each after the last one's answer, is a ping's own pace and no flood.
class RateCap {
 public:
  static constexpr std::int64_t kPerSecond = 1000;
  static constexpr std::int64_t kBurst = 100;

  // Takes one request's room at monotonic time `nowNs`; false when none is
  // left. Nothing is taken when `answered`, but the bucket fills on.
  bool Take(std::int64_t nowNs, bool answered = false);

 private:
  std::int64_t tokensNs_ = kBurst * (1'000'000'000 / kPerSecond);
  std::int64_t lastNs_ = 0;
  bool started_ = false;
};

}  // namespace quorvel::helper
