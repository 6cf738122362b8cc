// The datagrams a raw ICMP socket would have read, rebuilt from what an ICMP
// datagram socket reports: the ICMP message without its IP header, and the
// header's fields given apart. Pure functions; addresses are in network order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel::winsock {

inline constexpr std::size_t kIpv4HeaderSize = 20;
inline constexpr std::size_t kIcmpHeaderSize = 8;

struct Ipv4Fields {
  std::uint32_t source = 0;
  std::uint32_t destination = 0;
  std::uint8_t ttl = 0;
};

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
