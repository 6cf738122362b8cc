// Views of the IPv4 and IPv6 headers in front of an ICMP message, read with
// their own lengths and never beyond the bytes given; and the option-less
// IPv4 header that frames a message for those who expect a raw socket's view.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wire/Address.h"

namespace quorvel::wire {

inline constexpr std::size_t kIpv4MinHeader = 20;
inline constexpr std::size_t kIpv6Header = 40;
inline constexpr std::uint8_t kProtocolIcmp = 1;
inline constexpr std::uint8_t kProtocolIcmpv6 = 58;

struct IpHeaderView {
  Family family = Family::kIpv4;
  std::size_t headerLength = 0;  // IPv4: its IHL times 4; IPv6: 40 (no extension headers)
  std::uint8_t protocol = 0;     // IPv4 protocol, IPv6 next header
  std::uint8_t ttl = 0;          // time-to-live or hop limit
  IpAddress source;
  IpAddress destination;
  std::span<const std::uint8_t> payload;  // what follows the header, as far as given
};

// The length an IPv4 header gives itself in its first byte: its IHL times 4.
std::size_t Ipv4HeaderLength(std::uint8_t firstByte);
// An IPv4 header of length 20 to 60 within `bytes`, or nullopt.
std::optional<IpHeaderView> ReadIpv4(std::span<const std::uint8_t> bytes);
// An IPv6 fixed header within `bytes`, or nullopt.
std::optional<IpHeaderView> ReadIpv6(std::span<const std::uint8_t> bytes);
// The header of its version, judged by the first nibble.
std::optional<IpHeaderView> ReadIp(std::span<const std::uint8_t> bytes);

struct Ipv4Fields {
  std::uint32_t source = 0;       // network order, as in_addr holds it
  std::uint32_t destination = 0;  // network order
  std::uint8_t ttl = 0;
};

// Appends a 20-byte ICMP IPv4 header for a payload of `payloadSize` bytes,
// with its total length and a valid header checksum.
void AppendIpv4Header(std::vector<std::uint8_t>& out, const Ipv4Fields& fields,
                      std::size_t payloadSize);

}  // namespace quorvel::wire
