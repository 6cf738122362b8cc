// The one rule for "does this received message answer this echo request",
// for every socket kind: an echo reply (or the request itself, as loopback
// shows a raw socket) that repeats the request's bytes, or an error that
// quotes them, each compared over the leading bytes that identify the request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "wire/Icmp.h"

namespace quorvel::wire {

// How far an answer must repeat the request's bytes, from its identifier on.
// An error's quote is compared as far as it reaches, but never shorter than
// the identifier and sequence.
struct MatchRule {
  std::size_t compareUpTo = 0;  // bytes of the ICMP message, header included
  bool wholeEcho = false;       // an echo must also be exactly as long as the request
};

// Whether `view` concerns `request` (the ICMP message as sent). Echoes match
// by their own bytes; every other message by the request it quotes, so each
// user decides which kinds end a request.
bool Answers(const IcmpView& view, std::span<const std::uint8_t> request, const MatchRule& rule);

// The identifier and sequence bytes of an echo, as stored.
struct EchoKey {
  std::uint8_t identifier[2]{};
  std::uint8_t sequence[2]{};
  std::uint16_t Sequence() const { return std::uint16_t(sequence[0] << 8 | sequence[1]); }
};
// The key of an echo message or a quoted request: false when it is shorter
// than an ICMP header.
bool ReadEchoKey(std::span<const std::uint8_t> echo, EchoKey* key);

}  // namespace quorvel::wire
