#include "helper/RawIcmp.h"

#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>

#include <array>
#include <cerrno>

namespace quorvel::helper {

int OpenRawIcmp(wire::Family family) {
  const bool v4 = family == wire::Family::kIpv4;
  const int fd = ::socket(v4 ? AF_INET : AF_INET6, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          v4 ? int{IPPROTO_ICMP} : int{IPPROTO_ICMPV6});
  if (fd < 0) return -errno;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
  if (v4) {
    icmp_filter filter{~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) |
                         (1u << ICMP_SOURCE_QUENCH) | (1u << ICMP_REDIRECT) |
                         (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB))};
    ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    return fd;
  }
  icmp6_filter filter;
  ICMP6_FILTER_SETBLOCKALL(&filter);
  for (const int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG,
                         ICMP6_TIME_EXCEEDED, ICMP6_PARAM_PROB})
    ICMP6_FILTER_SETPASS(type, &filter);
  ::setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
  ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on);
  ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
  return fd;
}

ssize_t ReceiveMessage(int fd, std::span<std::uint8_t> buffer, int flags, sockaddr_storage* from,
                       wire::ReceiveInfo* info) {
  alignas(cmsghdr) std::array<std::uint8_t, wire::kControlRoom> control;
  iovec chunk{buffer.data(), buffer.size()};
  msghdr header{};
  header.msg_name = from;
  header.msg_namelen = sizeof *from;
  header.msg_iov = &chunk;
  header.msg_iovlen = 1;
  header.msg_control = control.data();
  header.msg_controllen = control.size();
  const ssize_t size = ::recvmsg(fd, &header, flags | MSG_DONTWAIT);
  if (size >= 0) *info = wire::ReadControl({control.data(), header.msg_controllen});
  return size;
}

wire::IpAddress FromSocketAddress(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    return wire::IpAddress::V6(std::span<const std::uint8_t, 16>(v6.sin6_addr.s6_addr, 16));
  }
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
  return wire::IpAddress::V4(
      std::span<const std::uint8_t, 4>(reinterpret_cast<const std::uint8_t*>(&v4.sin_addr), 4));
}

}  // namespace quorvel::helper
