#include "platform/winsock/IcmpFrames.h"

#include <algorithm>
#include <cstring>

#include "wire/Checksum.h"

namespace quorvel::winsock {
namespace {

using wire::AppendIpv4Header;

void PutBigEndian(std::uint8_t* at, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    at[i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
}

// The four bytes after an error's type, code and checksum.
void PutErrorWord(std::uint8_t* at, const IcmpErrorFields& error) {
  switch (error.type) {
    case wire::kIcmpUnreachable:
      PutBigEndian(at + 2, error.info & 0xFFFF, 2);
      break;
    case wire::kIcmpRedirect:
      PutBigEndian(at, error.info, 4);
      break;
    case wire::kIcmpParameterProblem:
      at[0] = static_cast<std::uint8_t>(error.info);
      break;
    default:
      break;
  }
}

unsigned BigEndian16(const std::uint8_t* at) { return unsigned{at[0]} << 8 | at[1]; }

}  // namespace

void PresentIdentifier(std::span<std::uint8_t> message, const EchoIdentifier& identifier) {
  if (message.size() < kIcmpHeaderSize) return;
  std::uint8_t* word = message.data() + wire::kIdentifierAt;
  PutBigEndian(message.data() + 2,
               wire::AdjustChecksum(BigEndian16(message.data() + 2), BigEndian16(word),
                                    BigEndian16(identifier.data())),
               2);
  word[0] = identifier[0];
  word[1] = identifier[1];
}

std::vector<std::uint8_t> FrameIcmpMessage(const Ipv4Fields& header,
                                           std::span<const std::uint8_t> message) {
  std::vector<std::uint8_t> out;
  out.reserve(kIpv4HeaderSize + message.size());
  AppendIpv4Header(out, header, message.size());
  out.insert(out.end(), message.begin(), message.end());
  return out;
}

std::vector<std::uint8_t> FrameIcmpError(const IcmpErrorFields& error,
                                         std::span<const std::uint8_t> quotedMessage) {
  const std::size_t icmpSize = kIcmpHeaderSize + kIpv4HeaderSize + quotedMessage.size();
  std::vector<std::uint8_t> out;
  out.reserve(kIpv4HeaderSize + icmpSize);
  AppendIpv4Header(out, error.outer, icmpSize);
  out.resize(kIpv4HeaderSize + kIcmpHeaderSize, 0);
  std::uint8_t* icmp = out.data() + kIpv4HeaderSize;
  icmp[0] = error.type;
  icmp[1] = error.code;
  PutErrorWord(icmp + 4, error);
  AppendIpv4Header(out, error.quoted, quotedMessage.size());
  out.insert(out.end(), quotedMessage.begin(), quotedMessage.end());
  wire::StoreChecksum(std::span(out).subspan(kIpv4HeaderSize), 2);
  return out;
}

}  // namespace quorvel::winsock
