#include "wire/IpHeader.h"

#include <algorithm>
#include <cstring>

#include "wire/Checksum.h"

namespace quorvel::wire {

std::size_t Ipv4HeaderLength(std::uint8_t firstByte) { return std::size_t{firstByte & 0x0Fu} * 4; }

std::optional<IpHeaderView> ReadIpv4(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kIpv4MinHeader || (bytes[0] >> 4) != 4) return std::nullopt;
  const std::size_t headerLength = Ipv4HeaderLength(bytes[0]);
  if (headerLength < kIpv4MinHeader || headerLength > bytes.size()) return std::nullopt;
  IpHeaderView view;
  view.headerLength = headerLength;
  view.ttl = bytes[8];
  view.protocol = bytes[9];
  view.source = IpAddress::V4(bytes.subspan<12, 4>());
  view.destination = IpAddress::V4(bytes.subspan<16, 4>());
  view.payload = bytes.subspan(headerLength);
  return view;
}

std::optional<IpHeaderView> ReadIpv6(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kIpv6Header || (bytes[0] >> 4) != 6) return std::nullopt;
  IpHeaderView view;
  view.family = Family::kIpv6;
  view.headerLength = kIpv6Header;
  view.protocol = bytes[6];
  view.ttl = bytes[7];
  view.source = IpAddress::V6(bytes.subspan<8, 16>());
  view.destination = IpAddress::V6(bytes.subspan<24, 16>());
  view.payload = bytes.subspan(kIpv6Header);
  return view;
}

std::optional<IpHeaderView> ReadIp(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  return (bytes[0] >> 4) == 6 ? ReadIpv6(bytes) : ReadIpv4(bytes);
}

void AppendIpv4Header(std::vector<std::uint8_t>& out, const Ipv4Fields& fields,
                      std::size_t payloadSize) {
  const std::size_t at = out.size();
  out.resize(at + kIpv4MinHeader, 0);
  const std::span<std::uint8_t> header(out.data() + at, kIpv4MinHeader);
  header[0] = 0x45;  // version 4, five words
  const std::size_t total = std::min<std::size_t>(kIpv4MinHeader + payloadSize, 0xFFFF);
  header[2] = static_cast<std::uint8_t>(total >> 8);
  header[3] = static_cast<std::uint8_t>(total);
  header[8] = fields.ttl;
  header[9] = kProtocolIcmp;
  std::memcpy(header.data() + 12, &fields.source, 4);
  std::memcpy(header.data() + 16, &fields.destination, 4);
  StoreChecksum(header, 10);
}

}  // namespace quorvel::wire
