// An IPv4 or IPv6 address as the wire carries it (network order), with its
// text forms. Shared by every part that names a host on the wire.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::wire {

enum class Family : std::uint8_t { kIpv4 = 4, kIpv6 = 6 };

struct IpAddress {
  Family family = Family::kIpv4;
  // IPv4 uses the first four bytes; the rest stay zero.
  std::array<std::uint8_t, 16> bytes{};

  static IpAddress V4(std::span<const std::uint8_t, 4> networkOrder);
  static IpAddress V6(std::span<const std::uint8_t, 16> networkOrder);
  std::size_t Size() const { return family == Family::kIpv4 ? 4 : 16; }
  std::span<const std::uint8_t> View() const { return {bytes.data(), Size()}; }
  // Multicast, or the IPv4 limited broadcast: never a target of one echo.
  bool IsGroup() const;
  bool IsUnspecified() const;
  friend bool operator==(const IpAddress&, const IpAddress&) = default;
};

// Dotted decimal for IPv4, RFC 5952 text for IPv6.
std::string ToText(const IpAddress& address);
// A numeric address in either family's text form; nullopt for anything else
// (host names included).
std::optional<IpAddress> ParseAddress(std::string_view text);

}  // namespace quorvel::wire
