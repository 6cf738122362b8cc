// What the kernel tells about a received datagram in its ancillary data: the
// time-to-live or hop limit, the address it came to, the kernel's receive
// time stamp, and for the error queue the ICMP error and who sent it. A pure
// parser over the control bytes that recvmsg filled.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "wire/Address.h"

namespace quorvel::wire {

// An ICMP error about a datagram we sent, as the datagram socket's error
// queue reports it (IP_RECVERR / IPV6_RECVERR).
struct QueuedError {
  bool fromIcmp = false;  // reported by an ICMP message, not by the local stack
  int error = 0;          // the errno it stands for
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  std::uint32_t info = 0;             // the MTU of a packet too big, host order
  std::optional<IpAddress> offender;  // the router or host that sent it
};

struct ReceiveInfo {
  std::optional<std::uint8_t> ttl;       // IP_TTL or IPV6_HOPLIMIT
  std::optional<IpAddress> destination;  // IP_PKTINFO or IPV6_PKTINFO
  std::optional<std::int64_t> stampNs;   // SO_TIMESTAMPNS: CLOCK_REALTIME nanoseconds
  std::optional<QueuedError> error;
};

// Reads the control messages in `control` (as many bytes as recvmsg left in
// msg_controllen). Unknown or cut messages are passed over.
ReceiveInfo ReadControl(std::span<const std::uint8_t> control);

// Room for every control message that ReadControl understands.
inline constexpr std::size_t kControlRoom = 512;

}  // namespace quorvel::wire
