#include "probe/IcmpSocket.h"

#include <netinet/in.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "helper/RawIcmp.h"
#include "wire/IpHeader.h"

namespace quorvel::probe {
namespace {

// Room for replies to thousands of probes that answer within the same
// moment, as loopback's do; the kernel caps what it grants without privilege.
constexpr int kReceiveBuffer = 32 << 20;
// Messages one readiness takes, so one socket cannot starve the loop.
constexpr std::size_t kPerWake = 256;
// Sends of one probe on a datagram socket, while each fails (see Send).
constexpr int kSendTries = 4;

bool Enable(int fd, int level, int option) {
  const int on = 1;
  return ::setsockopt(fd, level, option, &on, sizeof on) == 0;
}

socklen_t ToSocketAddress(const wire::IpAddress& address, sockaddr_storage& out) {
  out = {};
  if (address.family == wire::Family::kIpv4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
    v4->sin_family = AF_INET;
    std::memcpy(&v4->sin_addr, address.bytes.data(), 4);
    return sizeof *v4;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
  v6->sin6_family = AF_INET6;
  std::memcpy(&v6->sin6_addr, address.bytes.data(), 16);
  return sizeof *v6;
}

std::int64_t RealtimeNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The identifier a datagram socket's requests carry: the kernel gives each
// socket one, as its local port, once it is bound.
bool BindIdentifier(int fd, wire::Family family, std::array<std::uint8_t, 2>& identifier) {
  sockaddr_storage local{};
  const socklen_t size = ToSocketAddress(wire::IpAddress{family, {}}, local);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), size) != 0) return false;
  socklen_t length = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
  const in_port_t port = family == wire::Family::kIpv4
                             ? reinterpret_cast<const sockaddr_in&>(local).sin_port
                             : reinterpret_cast<const sockaddr_in6&>(local).sin6_port;
  std::memcpy(identifier.data(), &port, identifier.size());
  return true;
}

}  // namespace

std::unique_ptr<IcmpSocket> IcmpSocket::Open(wire::Family family, bool raw, int* error) {
  const bool v4 = family == wire::Family::kIpv4;
  const int fd = raw ? helper::OpenRawIcmp(family)
                     : ::socket(v4 ? AF_INET : AF_INET6, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                v4 ? int{IPPROTO_ICMP} : int{IPPROTO_ICMPV6});
  if (fd < 0) {
    *error = raw ? -fd : errno;
    return nullptr;
  }
  std::unique_ptr<IcmpSocket> socket(new IcmpSocket(family, raw, fd));
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBuffer, sizeof kReceiveBuffer) != 0)
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
  bool ready = true;
  if (raw) {
    // Another program's requests carry another identifier, most likely.
    if (::getrandom(socket->identifier_.data(), socket->identifier_.size(), 0) < 0)
      socket->identifier_ = {0x51, 0x56};
  } else {
    ready = Enable(fd, SOL_SOCKET, SO_TIMESTAMPNS) &&
            (v4 ? Enable(fd, IPPROTO_IP, IP_RECVTTL) && Enable(fd, IPPROTO_IP, IP_RECVERR)
                : Enable(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT) &&
                      Enable(fd, IPPROTO_IPV6, IPV6_RECVERR)) &&
            BindIdentifier(fd, family, socket->identifier_);
  }
  if (!ready) {
    *error = errno;
    return nullptr;
  }
  return socket;
}

IcmpSocket::IcmpSocket(wire::Family family, bool raw, int fd)
    : family_(family), raw_(raw), fd_(fd), buffer_(kBatch * kSlot) {}

IcmpSocket::~IcmpSocket() { ::close(fd_); }

std::optional<Completion> IcmpSocket::Send(const wire::IpAddress& to, int ttl,
                                           std::span<const std::uint8_t> request,
                                           std::uint64_t token) {
  if (ttl != ttl_) {
    const int value = ttl == 0 ? -1 : ttl;  // -1: back to the system's default
    const bool v4 = family_ == wire::Family::kIpv4;
    if (::setsockopt(fd_, v4 ? IPPROTO_IP : IPPROTO_IPV6, v4 ? IP_TTL : IPV6_UNICAST_HOPS, &value,
                     sizeof value) != 0)
      return Completion{token, errno, 0};
    ttl_ = ttl;
  }
  sockaddr_storage address{};
  const socklen_t size = ToSocketAddress(to, address);
  // Every ICMP error that the datagram socket takes in also becomes its
  // pending error, which the next send reports, and consumes, instead of
  // sending: an earlier probe's time exceeded would fail this one. A failure
  // of this send's own comes again on the next try; the pending errors of a
  // burst of answers are used up within a few.
  for (int attempt = 1;; ++attempt) {
    const std::int64_t sentNs = RealtimeNs();
    if (::sendto(fd_, request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&address), size) >= 0)
      return Completion{token, 0, sentNs};
    if (raw_ || attempt == kSendTries) return Completion{token, errno, sentNs};
  }
}

void IcmpSocket::Take(int flags, std::span<const std::uint8_t> message, std::size_t size,
                      const sockaddr_storage& from, const wire::ReceiveInfo& info,
                      std::vector<Arrival>& arrivals) const {
  Arrival arrival;
  arrival.family = family_;
  arrival.from = helper::FromSocketAddress(from);
  arrival.ttl = info.ttl.value_or(0);
  arrival.stampNs = info.stampNs;
  arrival.size = size;
  if ((flags & MSG_ERRQUEUE) != 0) {
    // Only errors that an ICMP message reported concern a probe.
    if (!info.error || !info.error->fromIcmp || !info.error->offender) return;
    arrival.error = info.error;
    arrival.from = *info.error->offender;
  } else if (raw_ && family_ == wire::Family::kIpv4) {
    const std::optional<wire::IpHeaderView> ip = wire::ReadIpv4(message);
    if (!ip) return;
    arrival.from = ip->source;
    arrival.ttl = ip->ttl;
    arrival.size -= ip->headerLength;
    message = ip->payload;
  }
  arrival.message.assign(message.begin(), message.end());
  arrivals.push_back(std::move(arrival));
}

std::size_t IcmpSocket::ReceiveBatch(int flags, std::vector<Arrival>& arrivals) {
  std::array<mmsghdr, kBatch> headers{};
  std::array<iovec, kBatch> chunks;
  std::array<sockaddr_storage, kBatch> senders{};
  struct alignas(cmsghdr) Control {
    std::array<std::uint8_t, wire::kControlRoom> bytes;
  };
  std::array<Control, kBatch> controls;
  for (std::size_t i = 0; i < kBatch; ++i) {
    chunks[i] = {buffer_.data() + i * kSlot, kSlot};
    msghdr& header = headers[i].msg_hdr;
    header.msg_name = &senders[i];
    header.msg_namelen = sizeof senders[i];
    header.msg_iov = &chunks[i];
    header.msg_iovlen = 1;
    header.msg_control = controls[i].bytes.data();
    header.msg_controllen = controls[i].bytes.size();
  }
  const int received =
      ::recvmmsg(fd_, headers.data(), kBatch, flags | MSG_DONTWAIT | MSG_TRUNC, nullptr);
  if (received <= 0) {
    // A pending error of the socket itself is taken by this receive: go on.
    return received < 0 && errno != EAGAIN && errno != EINTR && (flags & MSG_ERRQUEUE) == 0 ? 1 : 0;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(received); ++i) {
    const std::size_t size = headers[i].msg_len;
    const msghdr& header = headers[i].msg_hdr;
    Take(flags, {buffer_.data() + i * kSlot, std::min(size, kSlot)}, size, senders[i],
         wire::ReadControl({controls[i].bytes.data(), header.msg_controllen}), arrivals);
  }
  return static_cast<std::size_t>(received);
}

void IcmpSocket::Receive(int, std::vector<Arrival>& arrivals, std::vector<Completion>&) {
  // A batch that comes back short has emptied the queue.
  std::size_t taken = 0;
  for (std::size_t batch = kBatch; batch == kBatch && taken < kPerWake;)
    taken += batch = ReceiveBatch(0, arrivals);
  // A pending error keeps the socket readable: when no answer woke it, the
  // error queue did, so it costs a receive only then.
  if (!raw_ && taken == 0)
    for (std::size_t batch = kBatch; batch == kBatch && taken < kPerWake;)
      taken += batch = ReceiveBatch(MSG_ERRQUEUE, arrivals);
}

}  // namespace quorvel::probe
