#include "wire/ControlMessages.h"

// clang-format off
#include <ctime>  // before the error queue header, which uses timespec
#include <linux/errqueue.h>
// clang-format on
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quorvel::wire {
namespace {

template <typename Value>
bool Take(const cmsghdr* c, std::size_t room, Value* value) {
  if (c->cmsg_len < CMSG_LEN(sizeof(Value)) || c->cmsg_len > room) return false;
  std::memcpy(value, CMSG_DATA(c), sizeof(Value));
  return true;
}

std::optional<IpAddress> FromSocketAddress(const unsigned char* at, std::size_t size) {
  sockaddr_storage address{};
  std::memcpy(&address, at, std::min(size, sizeof address));
  if (address.ss_family == AF_INET && size >= sizeof(sockaddr_in)) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    return IpAddress::V4(
        std::span<const std::uint8_t, 4>(reinterpret_cast<const std::uint8_t*>(&v4->sin_addr), 4));
  }
  if (address.ss_family == AF_INET6 && size >= sizeof(sockaddr_in6)) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    return IpAddress::V6(std::span<const std::uint8_t, 16>(v6->sin6_addr.s6_addr, 16));
  }
  return std::nullopt;
}

void TakeError(const cmsghdr* c, std::size_t room, ReceiveInfo& info) {
  sock_extended_err error{};
  if (!Take(c, room, &error)) return;
  QueuedError queued;
  queued.fromIcmp = error.ee_origin == SO_EE_ORIGIN_ICMP || error.ee_origin == SO_EE_ORIGIN_ICMP6;
  queued.error = static_cast<int>(error.ee_errno);
  queued.type = error.ee_type;
  queued.code = error.ee_code;
  queued.info = error.ee_info;
  const std::size_t offenderSize = c->cmsg_len - CMSG_LEN(sizeof error);
  queued.offender = FromSocketAddress(CMSG_DATA(c) + sizeof error, offenderSize);
  info.error = queued;
}

void TakeOne(const cmsghdr* c, std::size_t room, ReceiveInfo& info) {
  int number = 0;
  if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
    timespec stamp{};
    if (Take(c, room, &stamp))
      info.stampNs = std::int64_t{stamp.tv_sec} * 1'000'000'000 + stamp.tv_nsec;
  } else if ((c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) ||
             (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_HOPLIMIT)) {
    if (Take(c, room, &number)) info.ttl = static_cast<std::uint8_t>(number);
  } else if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
    in_pktinfo packet{};
    if (Take(c, room, &packet))
      info.destination = IpAddress::V4(std::span<const std::uint8_t, 4>(
          reinterpret_cast<const std::uint8_t*>(&packet.ipi_addr), 4));
  } else if (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_PKTINFO) {
    in6_pktinfo packet{};
    if (Take(c, room, &packet))
      info.destination =
          IpAddress::V6(std::span<const std::uint8_t, 16>(packet.ipi6_addr.s6_addr, 16));
  } else if ((c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR) ||
             (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR)) {
    TakeError(c, room, info);
  }
}

}  // namespace

ReceiveInfo ReadControl(std::span<const std::uint8_t> control) {
  ReceiveInfo info;
  // The walk needs the buffer aligned as the kernel filled it.
  std::vector<cmsghdr> aligned((control.size() + sizeof(cmsghdr) - 1) / sizeof(cmsghdr) + 1);
  std::memcpy(aligned.data(), control.data(), control.size());
  msghdr header{};
  header.msg_control = aligned.data();
  header.msg_controllen = control.size();
  const auto* end = reinterpret_cast<const unsigned char*>(aligned.data()) + control.size();
  for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
    const std::size_t room = static_cast<std::size_t>(end - reinterpret_cast<unsigned char*>(c));
    if (c->cmsg_len < sizeof(cmsghdr) || c->cmsg_len > room) break;
    TakeOne(c, room, info);
  }
  return info;
}

}  // namespace quorvel::wire
