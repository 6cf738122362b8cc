#include "platform/winsock/IcmpDatagram.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/winsock/IcmpFrames.h"
#include "platform/winsock/PosixSupport.h"
#include "wire/ControlMessages.h"

namespace quorvel::winsock {
namespace {

// Errors that the kernel queued for other reasons (a local "message too
// long", say) are passed over; this bounds how many one receive drops.
constexpr int kMaxSkippedErrors = 64;

// The identifier that the last request on a socket carried, for the sockets
// whose own identifier the kernel chose otherwise; by descriptor.
std::mutex identifiersLock;
std::unordered_map<int, EchoIdentifier> askedIdentifiers;

void RememberIdentifier(int fd, const std::optional<EchoIdentifier>& asked) {
  const std::lock_guard<std::mutex> hold(identifiersLock);
  if (asked)
    askedIdentifiers[fd] = *asked;
  else
    askedIdentifiers.erase(fd);
}

std::optional<EchoIdentifier> AskedIdentifier(int fd) {
  const std::lock_guard<std::mutex> hold(identifiersLock);
  const auto found = askedIdentifiers.find(fd);
  if (found == askedIdentifiers.end()) return std::nullopt;
  return found->second;
}

// The socket's own identifier: its local port, as the kernel stores it in requests.
std::optional<EchoIdentifier> OwnIdentifier(int fd) {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) return std::nullopt;
  EchoIdentifier own{};
  std::memcpy(own.data(), &local.sin_port, own.size());
  return own;
}

// What the kernel tells about one received datagram.
struct Received {
  std::vector<std::uint8_t> message;  // the ICMP message as far as it fits
  std::size_t fullSize = 0;           // its size before any cut
  sockaddr_in name{};                 // sender, or for an error our request's destination
  wire::ReceiveInfo info;
};

// An IPv4 address of the ancillary data as in_addr holds it; 0 when absent.
std::uint32_t NetworkOrder(const std::optional<wire::IpAddress>& address) {
  std::uint32_t value = 0;
  if (address && address->family == wire::Family::kIpv4)
    std::memcpy(&value, address->bytes.data(), sizeof value);
  return value;
}

// One recvmsg into a buffer of `room` bytes; nullopt on failure, errno telling why.
std::optional<Received> ReceiveOne(int fd, std::size_t room, int flags) {
  Received out;
  out.message.resize(room);
  alignas(cmsghdr) std::array<std::uint8_t, wire::kControlRoom> control;
  iovec chunk{out.message.data(), out.message.size()};
  msghdr header{};
  header.msg_name = &out.name;
  header.msg_namelen = sizeof out.name;
  header.msg_iov = &chunk;
  header.msg_iovlen = 1;
  header.msg_control = control.data();
  header.msg_controllen = control.size();
  const ssize_t size = ::recvmsg(fd, &header, flags | MSG_TRUNC);
  if (size < 0) return std::nullopt;
  out.fullSize = static_cast<std::size_t>(size);
  out.message.resize(std::min(out.fullSize, room));
  out.info = wire::ReadControl({control.data(), header.msg_controllen});
  return out;
}

// The next queued ICMP error about our requests; nullopt when none waits.
std::optional<Received> QueuedIcmpError(int fd, std::size_t room) {
  for (int skipped = 0; skipped < kMaxSkippedErrors; ++skipped) {
    std::optional<Received> queued = ReceiveOne(fd, room, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (!queued) return std::nullopt;
    if (queued->info.error && queued->info.error->fromIcmp) return queued;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> Frame(int fd, Received& received) {
  // An echo reply, or our request as an error quotes it: both carry the
  // socket's own identifier where the caller's request had its own.
  if (const std::optional<EchoIdentifier> asked = AskedIdentifier(fd))
    PresentIdentifier(received.message, *asked);
  const std::uint32_t destination = NetworkOrder(received.info.destination);
  const std::uint8_t ttl = received.info.ttl.value_or(0);
  if (!received.info.error)
    return FrameIcmpMessage({received.name.sin_addr.s_addr, destination, ttl}, received.message);
  const wire::QueuedError& error = *received.info.error;
  const IcmpErrorFields fields{error.type,
                               error.code,
                               error.info,
                               {NetworkOrder(error.offender), destination, ttl},
                               {destination, received.name.sin_addr.s_addr, 0}};
  return FrameIcmpError(fields, received.message);
}

PosixResult Deliver(int fd, Received& received, char* buffer, int length, TSockAddrIn* from) {
  const std::vector<std::uint8_t> frame = Frame(fd, received);
  // What was cut off by the receive is still counted, as a raw socket counts it.
  const std::size_t fullSize = frame.size() + (received.fullSize - received.message.size());
  if (length > 0)
    std::memcpy(buffer, frame.data(), std::min(frame.size(), static_cast<std::size_t>(length)));
  if (from != nullptr) {
    *from = FromPosix(received.name);
    if (received.info.error) from->sin_addr.S_addr = NetworkOrder(received.info.error->offender);
  }
  if (fullSize > static_cast<std::size_t>(length)) return Failure(WSAEMSGSIZE);
  return Success(static_cast<int>(fullSize));
}

bool Enable(int fd, int option) {
  const int on = 1;
  return ::setsockopt(fd, IPPROTO_IP, option, &on, sizeof on) == 0;
}

}  // namespace

PosixResult IcmpDatagramOpen() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return FromErrno();
  if (!Enable(fd, IP_RECVTTL) || !Enable(fd, IP_PKTINFO) || !Enable(fd, IP_RECVERR)) {
    const PosixResult failed = FromErrno();
    PosixClose(fd);
    return failed;
  }
  RememberIdentifier(fd, std::nullopt);  // a descriptor number of a socket closed before
  return Success(fd);
}

PosixResult IcmpDatagramSend(int fd, const char* data, int length, int flags,
                             const TSockAddrIn* to) {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (length >= static_cast<int>(kIcmpHeaderSize) &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 && local.sin_port == 0) {
    local.sin_family = AF_INET;
    std::memcpy(&local.sin_port, data + 4, sizeof local.sin_port);
    // Refused when the identifier is taken: the kernel then picks one.
    (void)::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
  }
  const PosixResult sent = PosixSend(fd, data, length, flags, to, true);
  if (sent.error == 0 && length >= static_cast<int>(kIcmpHeaderSize)) {
    EchoIdentifier asked{};
    std::memcpy(asked.data(), data + 4, asked.size());
    const std::optional<EchoIdentifier> own = OwnIdentifier(fd);
    RememberIdentifier(fd, own && *own != asked ? std::optional(asked) : std::nullopt);
  }
  return sent;
}

PosixResult IcmpDatagramReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from) {
  const int posixFlags = PosixMessageFlags(flags);
  if (posixFlags < 0 || (posixFlags & MSG_OOB) != 0) return Failure(WSAEOPNOTSUPP);
  // The frame's headers come on top of the message, so it can be no larger than this.
  const auto room = static_cast<std::size_t>(std::max(length, 0));
  if (std::optional<Received> error = QueuedIcmpError(fd, room))
    return Deliver(fd, *error, buffer, length, from);
  if (std::optional<Received> received = ReceiveOne(fd, room, posixFlags))
    return Deliver(fd, *received, buffer, length, from);
  // An error that came during the wait ends it with the error's errno; the
  // error itself is in the queue.
  const int failure = errno;
  if (failure != EAGAIN && failure != EINTR) {
    if (std::optional<Received> error = QueuedIcmpError(fd, room))
      return Deliver(fd, *error, buffer, length, from);
  }
  errno = failure;
  return TransferFailure(true);
}

}  // namespace quorvel::winsock
