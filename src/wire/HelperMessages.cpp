#include "wire/HelperMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "wire/Icmp.h"

namespace quorvel::wire {
namespace {

// The command's header: kind, TTL, family, a zero byte, the address in 16 bytes.
constexpr std::size_t kCommandHeader = 20;
constexpr std::size_t kAddressAt = 4;
// A relay's header: kind, family, TTL, a zero byte, its source, its
// destination (16 bytes each), the receive time stamp.
constexpr std::size_t kRelayDestinationAt = 20;
constexpr std::size_t kRelayStampAt = 36;

std::optional<Family> FamilyOf(std::uint8_t byte) {
  if (byte == static_cast<std::uint8_t>(Family::kIpv4)) return Family::kIpv4;
  if (byte == static_cast<std::uint8_t>(Family::kIpv6)) return Family::kIpv6;
  return std::nullopt;
}

// The address behind a family byte; IPv4 leaves its last twelve bytes zero.
std::optional<IpAddress> ReadAddress(std::uint8_t familyByte, std::span<const std::uint8_t> at) {
  const std::optional<Family> family = FamilyOf(familyByte);
  if (!family) return std::nullopt;
  IpAddress address;
  address.family = *family;
  std::copy_n(at.begin(), address.bytes.size(), address.bytes.begin());
  if (*family == Family::kIpv4 &&
      std::any_of(address.bytes.begin() + 4, address.bytes.end(), [](auto b) { return b != 0; }))
    return std::nullopt;
  return address;
}

}  // namespace

CommandFault ParseCommand(std::span<const std::uint8_t> bytes, EchoCommand* out) {
  if (bytes.size() < kCommandHeader + kIcmpHeader) return CommandFault::kTooShort;
  if (bytes.size() > kCommandHeader + kHelperMaxRequest) return CommandFault::kTooLong;
  if (bytes[0] != static_cast<std::uint8_t>(HelperMessage::kSendEcho))
    return CommandFault::kUnknownKind;
  const std::optional<IpAddress> destination = ReadAddress(bytes[2], bytes.subspan(kAddressAt, 16));
  if (bytes[3] != 0 || !destination) return CommandFault::kBadFamily;
  if (bytes[1] == 0) return CommandFault::kNoTtl;
  const std::span<const std::uint8_t> request = bytes.subspan(kCommandHeader);
  if (request[0] != EchoRequestType(destination->family) || request[1] != 0)
    return CommandFault::kNotEchoRequest;
  if (destination->IsGroup() || destination->IsUnspecified()) return CommandFault::kGroupAddress;
  out->destination = *destination;
  out->ttl = bytes[1];
  out->request = request;
  return CommandFault::kNone;
}

std::vector<std::uint8_t> BuildCommand(const EchoCommand& command) {
  std::vector<std::uint8_t> bytes(kCommandHeader + command.request.size(), 0);
  bytes[0] = static_cast<std::uint8_t>(HelperMessage::kSendEcho);
  bytes[1] = command.ttl;
  bytes[2] = static_cast<std::uint8_t>(command.destination.family);
  std::copy(command.destination.bytes.begin(), command.destination.bytes.end(),
            bytes.begin() + kAddressAt);
  std::copy(command.request.begin(), command.request.end(), bytes.begin() + kCommandHeader);
  return bytes;
}

int FaultErrno(CommandFault fault) {
  switch (fault) {
    case CommandFault::kNone:
      return 0;
    case CommandFault::kTooLong:
      return EMSGSIZE;
    case CommandFault::kGroupAddress:
      return EACCES;  // as the kernel refuses a broadcast without SO_BROADCAST
    default:
      return EINVAL;
  }
}

std::array<std::uint8_t, kResultSize> BuildResult(HelperMessage kind, const HelperResult& result) {
  std::array<std::uint8_t, kResultSize> bytes{};
  bytes[0] = static_cast<std::uint8_t>(kind);
  std::memcpy(bytes.data() + 4, &result.error, sizeof result.error);
  std::memcpy(bytes.data() + 8, &result.sentNs, sizeof result.sentNs);
  return bytes;
}

std::optional<HelperResult> ParseResult(std::span<const std::uint8_t> bytes, HelperMessage kind) {
  if (bytes.size() != kResultSize || bytes[0] != static_cast<std::uint8_t>(kind))
    return std::nullopt;
  HelperResult result;
  std::memcpy(&result.error, bytes.data() + 4, sizeof result.error);
  std::memcpy(&result.sentNs, bytes.data() + 8, sizeof result.sentNs);
  return result;
}

std::vector<std::uint8_t> BuildRelay(const Relay& relay) {
  std::vector<std::uint8_t> bytes(kRelayHeader + relay.message.size(), 0);
  bytes[0] = static_cast<std::uint8_t>(HelperMessage::kRelay);
  bytes[1] = static_cast<std::uint8_t>(relay.source.family);
  bytes[2] = relay.ttl;
  std::copy(relay.source.bytes.begin(), relay.source.bytes.end(), bytes.begin() + kAddressAt);
  std::copy(relay.destination.bytes.begin(), relay.destination.bytes.end(),
            bytes.begin() + kRelayDestinationAt);
  std::memcpy(bytes.data() + kRelayStampAt, &relay.receivedNs, sizeof relay.receivedNs);
  std::copy(relay.message.begin(), relay.message.end(), bytes.begin() + kRelayHeader);
  return bytes;
}

std::optional<Relay> ParseRelay(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRelayHeader + kIcmpHeader ||
      bytes[0] != static_cast<std::uint8_t>(HelperMessage::kRelay) || bytes[3] != 0)
    return std::nullopt;
  const std::optional<IpAddress> source = ReadAddress(bytes[1], bytes.subspan(kAddressAt, 16));
  const std::optional<IpAddress> destination =
      ReadAddress(bytes[1], bytes.subspan(kRelayDestinationAt, 16));
  if (!source || !destination) return std::nullopt;
  Relay relay;
  relay.source = *source;
  relay.destination = *destination;
  relay.ttl = bytes[2];
  std::memcpy(&relay.receivedNs, bytes.data() + kRelayStampAt, sizeof relay.receivedNs);
  relay.message = bytes.subspan(kRelayHeader);
  return relay;
}

}  // namespace quorvel::wire
