// The datagrams a raw ICMP socket would have read, rebuilt from what an ICMP
// datagram socket reports: the ICMP message without its IP header, and the
// header's fields given apart. Pure functions; addresses are in network order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "wire/Icmp.h"
#include "wire/IpHeader.h"

namespace quorvel::winsock {

inline constexpr std::size_t kIpv4HeaderSize = wire::kIpv4MinHeader;
inline constexpr std::size_t kIcmpHeaderSize = wire::kIcmpHeader;

using wire::Ipv4Fields;

// An ICMP message behind an option-less IPv4 header with these fields, the
// right lengths and a valid header checksum.
std::vector<std::uint8_t> FrameIcmpMessage(const Ipv4Fields& header,
                                           std::span<const std::uint8_t> message);

// An ICMP error as the kernel queues it for a datagram socket.
struct IcmpErrorFields {
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  // Its type-specific word as the kernel reports it (host order): the
  // next-hop MTU of "fragmentation needed", the gateway of a redirect, the
  // pointer of a parameter problem.
  std::uint32_t info = 0;
  Ipv4Fields outer;   // the error's own header: from its sender to us
  Ipv4Fields quoted;  // the header of our request that it quotes
};

// The whole error datagram: its header, its ICMP header with a valid
// checksum, then the quoted request's header and `quotedMessage`, the part of
// our ICMP message that the error carried back.
std::vector<std::uint8_t> FrameIcmpError(const IcmpErrorFields& error,
                                         std::span<const std::uint8_t> quotedMessage);

// An echo identifier as its message stores it, byte for byte.
using EchoIdentifier = std::array<std::uint8_t, 2>;

// Puts `identifier` into an echo message (ours, or the one an error quotes)
// and mends its checksum to match. A message cut too short to hold both is
// left as it is.
void PresentIdentifier(std::span<std::uint8_t> message, const EchoIdentifier& identifier);

}  // namespace quorvel::winsock
