// ICMP and ICMPv6 messages: the echo request as sent, and what a received
// message is (echo, destination unreachable, time exceeded, packet too big,
// and the other errors) with the echo request it quotes. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wire/Address.h"

namespace quorvel::wire {

inline constexpr std::size_t kIcmpHeader = 8;
inline constexpr std::size_t kIdentifierAt = 4;
inline constexpr std::size_t kSequenceAt = 6;

// ICMP (IPv4) types.
inline constexpr std::uint8_t kIcmpEchoReply = 0;
inline constexpr std::uint8_t kIcmpUnreachable = 3;
inline constexpr std::uint8_t kIcmpSourceQuench = 4;
inline constexpr std::uint8_t kIcmpRedirect = 5;
inline constexpr std::uint8_t kIcmpEchoRequest = 8;
inline constexpr std::uint8_t kIcmpTimeExceeded = 11;
inline constexpr std::uint8_t kIcmpParameterProblem = 12;
inline constexpr std::uint8_t kIcmpFragmentationNeeded = 4;  // a code of kIcmpUnreachable
// ICMPv6 types.
inline constexpr std::uint8_t kIcmpv6Unreachable = 1;
inline constexpr std::uint8_t kIcmpv6PacketTooBig = 2;
inline constexpr std::uint8_t kIcmpv6TimeExceeded = 3;
inline constexpr std::uint8_t kIcmpv6ParameterProblem = 4;
inline constexpr std::uint8_t kIcmpv6EchoRequest = 128;
inline constexpr std::uint8_t kIcmpv6EchoReply = 129;

std::uint8_t EchoRequestType(Family family);
std::uint8_t EchoReplyType(Family family);

// What a received ICMP message means for the echo request it concerns.
enum class MessageKind : std::uint8_t {
  kEchoReply,
  kEchoRequest,  // an echo request seen on the way, as a raw socket sees loopback's
  kUnreachable,
  kTimeExceeded,
  kPacketTooBig,  // ICMPv6 packet too big, or IPv4 fragmentation needed
  kParameterProblem,
  kRedirect,      // IPv4 only: the request went on
  kSourceQuench,  // IPv4 only, obsolete: the request went on
  kOther,         // anything else; quoting a request of ours only in a raw socket's view
};

struct IcmpView {
  Family family = Family::kIpv4;
  MessageKind kind = MessageKind::kOther;
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  std::uint32_t word = 0;  // bytes 4 to 7, big-endian: the MTU of a packet too big
  // An echo: the message itself. Any other: the echo request it quotes,
  // behind the quoted header of its own length, cut where the quote ends;
  // empty when the quote is not an ICMP echo request of this family.
  std::span<const std::uint8_t> echo;
  // An error: the destination of the quoted request.
  std::optional<IpAddress> quotedDestination;
};

// The kind of a message of `family` with this type and code.
MessageKind KindOf(Family family, std::uint8_t type, std::uint8_t code);

// Reads an ICMP message of `family` (without the IP header in front); nullopt
// when it is shorter than its 8-byte header.
std::optional<IcmpView> ReadIcmp(Family family, std::span<const std::uint8_t> message);

// The MTU an answer reports: ICMPv6's 32-bit word, IPv4's next-hop MTU in
// the low 16 bits; 0 for other kinds.
std::uint32_t ReportedMtu(const IcmpView& view);

// An echo request: type, code 0, the identifier and sequence bytes as given
// (stored as they are: the caller chooses their byte order), then `payload`.
// The checksum is filled for IPv4; for IPv6 it stays zero, as the kernel
// computes ICMPv6 checksums over its pseudo-header.
std::vector<std::uint8_t> BuildEchoRequest(Family family,
                                           std::span<const std::uint8_t, 2> identifier,
                                           std::span<const std::uint8_t, 2> sequence,
                                           std::span<const std::uint8_t> payload);

}  // namespace quorvel::wire
