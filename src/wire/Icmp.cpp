#include "wire/Icmp.h"

#include "wire/Checksum.h"
#include "wire/IpHeader.h"

namespace quorvel::wire {
namespace {

MessageKind KindOfIpv4(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case kIcmpEchoReply:
      return MessageKind::kEchoReply;
    case kIcmpEchoRequest:
      return MessageKind::kEchoRequest;
    case kIcmpUnreachable:
      return code == kIcmpFragmentationNeeded ? MessageKind::kPacketTooBig
                                              : MessageKind::kUnreachable;
    case kIcmpTimeExceeded:
      return MessageKind::kTimeExceeded;
    case kIcmpParameterProblem:
      return MessageKind::kParameterProblem;
    case kIcmpRedirect:
      return MessageKind::kRedirect;
    case kIcmpSourceQuench:
      return MessageKind::kSourceQuench;
    default:
      return MessageKind::kOther;
  }
}

MessageKind KindOfIpv6(std::uint8_t type) {
  switch (type) {
    case kIcmpv6EchoReply:
      return MessageKind::kEchoReply;
    case kIcmpv6EchoRequest:
      return MessageKind::kEchoRequest;
    case kIcmpv6Unreachable:
      return MessageKind::kUnreachable;
    case kIcmpv6PacketTooBig:
      return MessageKind::kPacketTooBig;
    case kIcmpv6TimeExceeded:
      return MessageKind::kTimeExceeded;
    case kIcmpv6ParameterProblem:
      return MessageKind::kParameterProblem;
    default:
      return MessageKind::kOther;
  }
}

bool IsEcho(MessageKind kind) {
  return kind == MessageKind::kEchoReply || kind == MessageKind::kEchoRequest;
}

// The echo request quoted after an error's header, behind its own IP header.
void ReadQuote(std::span<const std::uint8_t> quote, IcmpView& view) {
  const std::optional<IpHeaderView> header =
      view.family == Family::kIpv4 ? ReadIpv4(quote) : ReadIpv6(quote);
  const std::uint8_t protocol = view.family == Family::kIpv4 ? kProtocolIcmp : kProtocolIcmpv6;
  if (!header || header->protocol != protocol || header->payload.empty() ||
      header->payload[0] != EchoRequestType(view.family))
    return;
  view.echo = header->payload;
  view.quotedDestination = header->destination;
}

}  // namespace

std::uint8_t EchoRequestType(Family family) {
  return family == Family::kIpv4 ? kIcmpEchoRequest : kIcmpv6EchoRequest;
}

std::uint8_t EchoReplyType(Family family) {
  return family == Family::kIpv4 ? kIcmpEchoReply : kIcmpv6EchoReply;
}

MessageKind KindOf(Family family, std::uint8_t type, std::uint8_t code) {
  return family == Family::kIpv4 ? KindOfIpv4(type, code) : KindOfIpv6(type);
}

std::optional<IcmpView> ReadIcmp(Family family, std::span<const std::uint8_t> message) {
  if (message.size() < kIcmpHeader) return std::nullopt;
  IcmpView view;
  view.family = family;
  view.type = message[0];
  view.code = message[1];
  view.word = std::uint32_t{message[4]} << 24 | std::uint32_t{message[5]} << 16 |
              std::uint32_t{message[6]} << 8 | message[7];
  view.kind = KindOf(family, view.type, view.code);
  if (IsEcho(view.kind))
    view.echo = message;
  else
    ReadQuote(message.subspan(kIcmpHeader), view);
  return view;
}

std::uint32_t ReportedMtu(const IcmpView& view) {
  if (view.kind != MessageKind::kPacketTooBig) return 0;
  return view.family == Family::kIpv6 ? view.word : view.word & 0xFFFF;
}

std::vector<std::uint8_t> BuildEchoRequest(Family family,
                                           std::span<const std::uint8_t, 2> identifier,
                                           std::span<const std::uint8_t, 2> sequence,
                                           std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> message(kIcmpHeader + payload.size(), 0);
  message[0] = EchoRequestType(family);
  message[kIdentifierAt] = identifier[0];
  message[kIdentifierAt + 1] = identifier[1];
  message[kSequenceAt] = sequence[0];
  message[kSequenceAt + 1] = sequence[1];
  std::copy(payload.begin(), payload.end(), message.begin() + kIcmpHeader);
  if (family == Family::kIpv4) StoreChecksum(message, 2);
  return message;
}

}  // namespace quorvel::wire
