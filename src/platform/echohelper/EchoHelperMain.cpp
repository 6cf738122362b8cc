// quorvel-icmp-helper: the only part of Quorvel that may hold a raw ICMP
// socket. The socket library starts it with the two channels of
// EchoHelperProtocol.h on descriptors 0 and 1 and an empty environment. It
// opens its raw socket, gives up every capability at once, and then only
// sends the echo requests it is asked to send and passes on the answers to
// them. It reads no environment, no arguments and no file, never hands out a
// descriptor, and ends when its parent closes the control channel or dies.
#include <linux/capability.h>
#include <linux/icmp.h>
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
#include <span>

#include "platform/echohelper/EchoHelperProtocol.h"
#include "platform/echohelper/RelayFilter.h"

namespace {

using namespace quorvel::echohelper;

// How many datagrams one wake-up passes over before the control channel is
// looked at again, so a flood of foreign traffic cannot starve commands.
constexpr int kDatagramsPerWake = 64;

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

// The raw socket sees every ICMP message the host receives; only the types
// that can answer an echo request reach the filter in user space.
void KeepAnswerTypesOnly(int raw) {
  icmp_filter filter{~((1u << 0) | (1u << 3) | (1u << 11))};
  ::setsockopt(raw, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

bool Answer(MessageKind kind, int error) {
  const auto result = BuildResult(kind, error);
  return ::send(kControlChannel, result.data(), result.size(), MSG_NOSIGNAL) ==
         static_cast<ssize_t>(result.size());
}

int SendEcho(int raw, const EchoCommand& command) {
  const int ttl = command.ttl;
  if (::setsockopt(raw, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) return errno;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = command.destination;
  const ssize_t sent = ::sendto(raw, command.request.data(), command.request.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (sent < 0) return errno;
  return static_cast<std::size_t>(sent) == command.request.size() ? 0 : EMSGSIZE;
}

// Serves one command; false when the parent has gone.
bool ServeCommand(int raw, SentEchoes& sent) {
  std::array<std::uint8_t, kMaxCommandSize + 1> bytes;
  const ssize_t size = ::recv(kControlChannel, bytes.data(), bytes.size(), MSG_TRUNC);
  if (size == 0) return false;
  if (size < 0) return errno == EINTR || errno == EAGAIN;
  EchoCommand command;
  const CommandFault fault =
      static_cast<std::size_t>(size) > kMaxCommandSize
          ? CommandFault::kTooLong
          : ParseCommand({bytes.data(), static_cast<std::size_t>(size)}, &command);
  if (fault != CommandFault::kNone) return Answer(MessageKind::kResult, FaultErrno(fault));
  const int error = SendEcho(raw, command);
  if (error == 0) sent.Remember(command.destination, command.request);
  return Answer(MessageKind::kResult, error);
}

// Passes on what answers our requests; false when the parent has gone. A
// pending socket error is taken by the first receive, so polling goes on.
bool RelayAnswers(int raw, const SentEchoes& sent) {
  static std::array<std::uint8_t, kMaxDatagram> datagram;
  for (int i = 0; i < kDatagramsPerWake; ++i) {
    const ssize_t size = ::recv(raw, datagram.data(), datagram.size(), MSG_DONTWAIT);
    if (size < 0) return true;
    const std::span<const std::uint8_t> received{datagram.data(), static_cast<std::size_t>(size)};
    if (!Relayable(received, sent)) continue;
    // A parent that does not read loses datagrams, as a full raw socket would.
    if (::send(kDataChannel, received.data(), received.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 &&
        errno != EAGAIN)
      return false;
  }
  return true;
}

}  // namespace

int main() {
  if (!IsSocket(kControlChannel) || !IsSocket(kDataChannel)) {
    std::fputs("quorvel-icmp-helper: only the Quorvel socket library starts this program\n",
               stderr);
    return 2;
  }
  ::close_range(kDataChannel + 2, ~0u, 0);  // keeps the standard error stream only

  const int raw = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  const int openError = raw < 0 ? errno : 0;
  if (!DropAllCapabilities()) return 1;
  if (!Answer(MessageKind::kReady, openError) || raw < 0) return 0;
  KeepAnswerTypesOnly(raw);

  SentEchoes sent;
  pollfd watched[] = {{kControlChannel, POLLIN, 0}, {raw, POLLIN, 0}};
  // Runs as long as the parent keeps the control channel open.
  for (;;) {
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (watched[0].revents != 0 && !ServeCommand(raw, sent)) return 0;
    if (watched[1].revents != 0 && !RelayAnswers(raw, sent)) return 0;
  }
}
