// quorvel-icmp-helper: the only part of Quorvel that may hold raw ICMP
// sockets. Its user (the probe engine or the socket library) starts it with
// the two channels of wire/HelperMessages.h on descriptors 0 and 1 and an
// empty environment, and keeps it as long as it lives. It opens one raw
// socket per family, gives up every capability at once, and then only sends
// the echo requests it is asked to, at a capped rate, to single hosts, and
// passes on the answers to them. It reads no environment, no arguments and
// no file, never hands out a descriptor, and ends when its user closes the
// control channel or dies.
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <span>

#include "helper/RawIcmp.h"
#include "helper/RelayFilter.h"
#include "wire/ControlMessages.h"
#include "wire/HelperMessages.h"
#include "wire/IpHeader.h"

namespace {

using namespace quorvel;
using namespace quorvel::wire;

// How many messages one wake-up takes from a descriptor before the others
// are looked at again, so a flood on one cannot starve the rest.
constexpr int kPerWake = 64;

struct RawSockets {
  int v4 = -1;
  int v6 = -1;
  int Of(Family family) const { return family == Family::kIpv4 ? v4 : v6; }
};

bool IsSocket(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode);
}

// Clears the effective, permitted, inheritable and ambient sets, and makes
// sure nothing this process might run could gain any.
bool DropAllCapabilities() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct none[2]{};
  return ::syscall(SYS_capset, &header, none) == 0 &&
         ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0 &&
         ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

std::int64_t Now(clockid_t clock) {
  timespec now{};
  ::clock_gettime(clock, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

bool Answer(HelperMessage kind, const HelperResult& result) {
  const auto bytes = BuildResult(kind, result);
  return ::send(kControlChannel, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
         static_cast<ssize_t>(bytes.size());
}

HelperResult SendEcho(const RawSockets& raw, const EchoCommand& command) {
  const int fd = raw.Of(command.destination.family);
  if (fd < 0) return {EAFNOSUPPORT, 0};
  const int ttl = command.ttl;
  sockaddr_storage to{};
  socklen_t size = 0;
  int set = 0;
  if (command.destination.family == Family::kIpv4) {
    set = ::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&to);
    v4->sin_family = AF_INET;
    std::memcpy(&v4->sin_addr, command.destination.bytes.data(), 4);
    size = sizeof *v4;
  } else {
    set = ::setsockopt(fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &ttl, sizeof ttl);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&to);
    v6->sin6_family = AF_INET6;
    std::memcpy(&v6->sin6_addr, command.destination.bytes.data(), 16);
    size = sizeof *v6;
  }
  if (set != 0) return {errno, 0};
  const std::int64_t sentNs = Now(CLOCK_REALTIME);
  const ssize_t sent = ::sendto(fd, command.request.data(), command.request.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), size);
  if (sent < 0) return {errno, 0};
  if (static_cast<std::size_t>(sent) != command.request.size()) return {EMSGSIZE, 0};
  return {0, sentNs};
}

// Serves the commands waiting; false when the user has gone.
bool ServeCommands(const RawSockets& raw, helper::SentEchoes& sent, helper::RateCap& cap) {
  std::array<std::uint8_t, 2048> bytes;
  for (int i = 0; i < kPerWake; ++i) {
    const ssize_t size =
        ::recv(kControlChannel, bytes.data(), bytes.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (size == 0) return false;
    if (size < 0) return errno == EINTR || errno == EAGAIN;
    EchoCommand command;
    const CommandFault fault =
        static_cast<std::size_t>(size) > bytes.size()
            ? CommandFault::kTooLong
            : ParseCommand({bytes.data(), static_cast<std::size_t>(size)}, &command);
    HelperResult result{FaultErrno(fault), 0};
    if (fault == CommandFault::kNone) {
      // As a full queue of the kernel's own says: not now.
      result = cap.Take(Now(CLOCK_MONOTONIC), sent.LatestAnswered()) ? SendEcho(raw, command)
                                                                     : HelperResult{ENOBUFS, 0};
      if (result.error == 0) sent.Remember(command.destination, command.request);
    }
    if (!Answer(HelperMessage::kResult, result)) return false;
  }
  return true;
}

// The source, time-to-live and ICMP message of what one raw socket read.
bool ReadAnswer(Family family, std::span<const std::uint8_t> bytes, const sockaddr_storage& from,
                const ReceiveInfo& info, Relay& relay) {
  if (family == Family::kIpv4) {
    const std::optional<IpHeaderView> header = ReadIpv4(bytes);
    if (!header || header->protocol != kProtocolIcmp) return false;
    relay.source = header->source;
    relay.destination = header->destination;
    relay.ttl = header->ttl;
    relay.message = header->payload;
  } else {
    relay.source = helper::FromSocketAddress(from);
    relay.destination = info.destination.value_or(IpAddress{Family::kIpv6, {}});
    relay.ttl = info.ttl.value_or(0);
    relay.message = bytes;
  }
  relay.receivedNs = info.stampNs.value_or(Now(CLOCK_REALTIME));
  return true;
}

// Passes on what answers our requests; false when the user has gone.
bool RelayAnswers(Family family, int fd, const helper::SentEchoes& sent) {
  static std::array<std::uint8_t, kHelperMaxRelay> datagram;
  for (int i = 0; i < kPerWake; ++i) {
    sockaddr_storage from{};
    ReceiveInfo info;
    const ssize_t size = helper::ReceiveMessage(fd, datagram, 0, &from, &info);
    if (size < 0) return true;  // drained, or a pending error taken
    const std::span<const std::uint8_t> received{datagram.data(), static_cast<std::size_t>(size)};
    Relay relay;
    if (!ReadAnswer(family, received, from, info, relay) ||
        !sent.Answers(relay.source, relay.message))
      continue;
    const std::vector<std::uint8_t> message = BuildRelay(relay);
    // A user that does not read loses answers, as a full raw socket would.
    if (::send(kDataChannel, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 &&
        errno != EAGAIN && errno != ENOBUFS)
      return false;
  }
  return true;
}

}  // namespace

int main() {
  if (!IsSocket(kControlChannel) || !IsSocket(kDataChannel)) {
    std::fputs("quorvel-icmp-helper: only Quorvel starts this program\n", stderr);
    return 2;
  }
  ::close_range(kDataChannel + 2, ~0u, 0);  // keeps the standard error stream only

  const int v4 = helper::OpenRawIcmp(Family::kIpv4);
  const int v6 = helper::OpenRawIcmp(Family::kIpv6);
  if (!DropAllCapabilities()) return 1;
  const RawSockets raw{v4 < 0 ? -1 : v4, v6 < 0 ? -1 : v6};
  if (!Answer(HelperMessage::kReady, {v4 < 0 ? -v4 : 0, v6 < 0 ? -v6 : 0})) return 0;
  if (raw.v4 < 0 && raw.v6 < 0) return 0;

  static helper::SentEchoes sent;
  helper::RateCap cap;
  pollfd watched[] = {{kControlChannel, POLLIN, 0}, {raw.v4, POLLIN, 0}, {raw.v6, POLLIN, 0}};
  // Runs as long as the user keeps the control channel open.
  for (;;) {
    if (::poll(watched, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (watched[0].revents != 0 && !ServeCommands(raw, sent, cap)) return 0;
    if (watched[1].revents != 0 && !RelayAnswers(Family::kIpv4, raw.v4, sent)) return 0;
    if (watched[2].revents != 0 && !RelayAnswers(Family::kIpv6, raw.v6, sent)) return 0;
  }
}
