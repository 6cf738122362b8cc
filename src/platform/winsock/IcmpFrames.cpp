#include "platform/winsock/IcmpFrames.h"

#include <algorithm>
#include <cstring>

namespace quorvel::winsock {
namespace {

constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint8_t kUnreachable = 3;
constexpr std::uint8_t kRedirect = 5;
constexpr std::uint8_t kParameterProblem = 12;

void PutBigEndian(std::uint8_t* at, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    at[i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
}

// The RFC 1071 checksum over big-endian words, stored big-endian at `at`.
void PutChecksum(std::uint8_t* at, std::span<const std::uint8_t> data) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < data.size(); i += 2)
    sum += std::uint32_t{data[i]} << 8 | (i + 1 < data.size() ? data[i + 1] : 0u);
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  PutBigEndian(at, ~sum & 0xFFFF, 2);
}

// Appends an IPv4 header for a payload of `payloadSize` bytes.
void AppendHeader(std::vector<std::uint8_t>& out, const Ipv4Fields& fields,
                  std::size_t payloadSize) {
  const std::size_t at = out.size();
  out.resize(at + kIpv4HeaderSize, 0);
  std::uint8_t* header = out.data() + at;
  header[0] = 0x45;  // version 4, five words
  const auto total =
      static_cast<std::uint32_t>(std::min<std::size_t>(kIpv4HeaderSize + payloadSize, 0xFFFF));
  PutBigEndian(header + 2, total, 2);
  header[8] = fields.ttl;
  header[9] = kProtocolIcmp;
  std::memcpy(header + 12, &fields.source, 4);
  std::memcpy(header + 16, &fields.destination, 4);
  PutChecksum(header + 10, std::span(header, kIpv4HeaderSize));
}

// The four bytes after an error's type, code and checksum.
void PutErrorWord(std::uint8_t* at, const IcmpErrorFields& error) {
  switch (error.type) {
    case kUnreachable:
      PutBigEndian(at + 2, error.info & 0xFFFF, 2);
      break;
    case kRedirect:
      PutBigEndian(at, error.info, 4);
      break;
    case kParameterProblem:
      at[0] = static_cast<std::uint8_t>(error.info);
      break;
    default:
      break;
  }
}

unsigned BigEndian16(const std::uint8_t* at) { return unsigned{at[0]} << 8 | at[1]; }

}  // namespace

void PresentIdentifier(std::span<std::uint8_t> message, const EchoIdentifier& identifier) {
  constexpr std::size_t kIdentifierAt = 4;
  if (message.size() < kIcmpHeaderSize) return;
  std::uint8_t* word = message.data() + kIdentifierAt;
  // The checksum follows the one word that changes (RFC 1624): ~(~C + ~old + new).
  std::uint32_t sum = (~BigEndian16(message.data() + 2) & 0xFFFF) + (~BigEndian16(word) & 0xFFFF) +
                      BigEndian16(identifier.data());
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  PutBigEndian(message.data() + 2, ~sum & 0xFFFF, 2);
  word[0] = identifier[0];
  word[1] = identifier[1];
}

std::vector<std::uint8_t> FrameIcmpMessage(const Ipv4Fields& header,
                                           std::span<const std::uint8_t> message) {
  std::vector<std::uint8_t> out;
  out.reserve(kIpv4HeaderSize + message.size());
  AppendHeader(out, header, message.size());
  out.insert(out.end(), message.begin(), message.end());
  return out;
}

std::vector<std::uint8_t> FrameIcmpError(const IcmpErrorFields& error,
                                         std::span<const std::uint8_t> quotedMessage) {
  const std::size_t icmpSize = kIcmpHeaderSize + kIpv4HeaderSize + quotedMessage.size();
  std::vector<std::uint8_t> out;
  out.reserve(kIpv4HeaderSize + icmpSize);
  AppendHeader(out, error.outer, icmpSize);
  out.resize(kIpv4HeaderSize + kIcmpHeaderSize, 0);
  std::uint8_t* icmp = out.data() + kIpv4HeaderSize;
  icmp[0] = error.type;
  icmp[1] = error.code;
  PutErrorWord(icmp + 4, error);
  AppendHeader(out, error.quoted, quotedMessage.size());
  out.insert(out.end(), quotedMessage.begin(), quotedMessage.end());
  PutChecksum(out.data() + kIpv4HeaderSize + 2, std::span(out).subspan(kIpv4HeaderSize));
  return out;
}

}  // namespace quorvel::winsock
