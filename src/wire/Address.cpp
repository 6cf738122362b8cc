#include "wire/Address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <string>

namespace quorvel::wire {

IpAddress IpAddress::V4(std::span<const std::uint8_t, 4> networkOrder) {
  IpAddress address;
  std::copy(networkOrder.begin(), networkOrder.end(), address.bytes.begin());
  return address;
}

IpAddress IpAddress::V6(std::span<const std::uint8_t, 16> networkOrder) {
  IpAddress address;
  address.family = Family::kIpv6;
  std::copy(networkOrder.begin(), networkOrder.end(), address.bytes.begin());
  return address;
}

bool IpAddress::IsGroup() const {
  if (family == Family::kIpv6) return bytes[0] == 0xFF;
  const bool broadcast =
      std::all_of(bytes.begin(), bytes.begin() + 4, [](std::uint8_t byte) { return byte == 0xFF; });
  return (bytes[0] & 0xF0) == 0xE0 || broadcast;
}

bool IpAddress::IsUnspecified() const {
  const std::span<const std::uint8_t> used = View();
  return std::all_of(used.begin(), used.end(), [](std::uint8_t byte) { return byte == 0; });
}

std::string ToText(const IpAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  ::inet_ntop(address.family == Family::kIpv4 ? AF_INET : AF_INET6, address.bytes.data(), text,
              sizeof text);
  return text;
}

std::optional<IpAddress> ParseAddress(std::string_view text) {
  const std::string terminated(text);
  IpAddress address;
  if (::inet_pton(AF_INET, terminated.c_str(), address.bytes.data()) == 1) return address;
  address.family = Family::kIpv6;
  if (::inet_pton(AF_INET6, terminated.c_str(), address.bytes.data()) == 1) return address;
  return std::nullopt;
}

}  // namespace quorvel::wire
