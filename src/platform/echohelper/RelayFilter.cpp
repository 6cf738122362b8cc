#include "platform/echohelper/RelayFilter.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/echohelper/EchoHelperProtocol.h"

namespace quorvel::echohelper {
namespace {

constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kUnreachable = 3;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::size_t kMinIpv4Header = 20;

struct Ipv4View {
  std::uint32_t source = 0;
  std::uint32_t destination = 0;
  std::span<const std::uint8_t> payload;  // what follows the header, options skipped
};

// An ICMP packet's IPv4 header, read with its own header length; nullopt
// when the bytes are not one.
std::optional<Ipv4View> ReadIpv4(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kMinIpv4Header || (bytes[0] >> 4) != 4) return std::nullopt;
  const std::size_t headerSize = std::size_t{bytes[0] & 0x0Fu} * 4;
  if (headerSize < kMinIpv4Header || headerSize > bytes.size()) return std::nullopt;
  if (bytes[9] != kProtocolIcmp) return std::nullopt;
  Ipv4View view;
  std::memcpy(&view.source, bytes.data() + 12, sizeof view.source);
  std::memcpy(&view.destination, bytes.data() + 16, sizeof view.destination);
  view.payload = bytes.subspan(headerSize);
  return view;
}

bool QuotesSentRequest(std::span<const std::uint8_t> quoted, const SentEchoes& sent) {
  const std::optional<Ipv4View> header = ReadIpv4(quoted);
  if (!header || header->payload.size() < kIcmpHeaderSize) return false;
  const std::span<const std::uint8_t> icmp = header->payload;
  return icmp[0] == kEchoRequest && icmp[1] == 0 && sent.Contains(header->destination, icmp);
}

}  // namespace

void SentEchoes::Remember(std::uint32_t destination, std::span<const std::uint8_t> request) {
  if (request.size() < kIcmpHeaderSize) return;  // no request: nothing can answer it
  SentEcho& entry = entries_[next_];
  entry.destination = destination;
  std::copy_n(request.begin() + 4, entry.identifierAndSequence.size(),
              entry.identifierAndSequence.begin());
  next_ = (next_ + 1) % kKept;
  count_ = std::min(count_ + 1, kKept);
}

bool SentEchoes::Contains(std::uint32_t destination,
                          std::span<const std::uint8_t> icmpHeader) const {
  return std::any_of(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count_),
                     [&](const SentEcho& entry) {
                       return entry.destination == destination &&
                              std::equal(entry.identifierAndSequence.begin(),
                                         entry.identifierAndSequence.end(), icmpHeader.begin() + 4);
                     });
}

bool Relayable(std::span<const std::uint8_t> datagram, const SentEchoes& sent) {
  const std::optional<Ipv4View> outer = ReadIpv4(datagram);
  if (!outer || outer->payload.size() < kIcmpHeaderSize) return false;
  const std::span<const std::uint8_t> icmp = outer->payload;
  switch (icmp[0]) {
    case kEchoReply:
      return icmp[1] == 0 && sent.Contains(outer->source, icmp);
    case kUnreachable:
    case kTimeExceeded:
      return QuotesSentRequest(icmp.subspan(kIcmpHeaderSize), sent);
    default:
      return false;
  }
}

}  // namespace quorvel::echohelper
