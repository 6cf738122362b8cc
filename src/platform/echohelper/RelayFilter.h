// Which received datagrams the echo helper passes on to its parent: only
// echo replies to the requests it sent itself, and the ICMP errors
// (unreachable, time exceeded) that quote one of them. Everything else that
// its raw socket sees belongs to other programs and is never shown. Pure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel::echohelper {

// One request the helper sent. The identifier and sequence are the request's
// bytes 4 to 7 as they were on the wire, compared as stored.
struct SentEcho {
  std::uint32_t destination = 0;  // network order
  std::array<std::uint8_t, 4> identifierAndSequence{};
};

// The requests sent lately; the oldest is forgotten once kKept are held, so
// a long-lived helper stays bounded while late answers still find theirs.
class SentEchoes {
 public:
  static constexpr std::size_t kKept = 64;

  // `request` is the ICMP message as sent; one shorter than its 8-byte
  // header is no request and is not kept.
  void Remember(std::uint32_t destination, std::span<const std::uint8_t> request);
  bool Contains(std::uint32_t destination, std::span<const std::uint8_t> icmpHeader) const;

 private:
  std::array<SentEcho, kKept> entries_{};
  std::size_t count_ = 0;
  std::size_t next_ = 0;
};

// Whether a whole IPv4 datagram, as a raw ICMP socket reads it, answers one
// of the sent requests: an echo reply (type 0) from the request's
// destination, or a destination unreachable (3) or time exceeded (11) whose
// quoted IPv4 header (read with its own length) and ICMP header are those of
// a sent request.
bool Relayable(std::span<const std::uint8_t> datagram, const SentEchoes& sent);

}  // namespace quorvel::echohelper
