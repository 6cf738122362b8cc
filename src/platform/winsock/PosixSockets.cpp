#include "platform/winsock/PosixSockets.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/winsock/ErrorMap.h"
#include "platform/winsock/PosixSupport.h"

namespace quorvel::winsock {

PosixResult Success(int value) { return {value, 0}; }
PosixResult Failure(int error) { return {-1, error}; }
PosixResult FromErrno() { return Failure(WsaErrorFromErrno(errno)); }

// The library offers no non-blocking mode, so a blocking call that gives up
// with EAGAIN ran out of its SO_RCVTIMEO/SO_SNDTIMEO: Windows Sockets calls
// that a time-out.
PosixResult TransferFailure(bool datagram) {
  const int error = errno;
  if (error == EAGAIN) return Failure(WSAETIMEDOUT);
  return Failure(WsaErrorFromSocketErrno(error, datagram));
}

sockaddr_in ToPosix(const TSockAddrIn& address) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_port = address.sin_port;
  out.sin_addr.s_addr = address.sin_addr.S_addr;
  return out;
}

TSockAddrIn FromPosix(const sockaddr_in& address) {
  TSockAddrIn out{};
  out.sin_family = AF_INET_WS;
  out.sin_port = address.sin_port;
  out.sin_addr.S_addr = address.sin_addr.s_addr;
  return out;
}

int PosixMessageFlags(int flags) {
  constexpr int kKnown = MSG_OOB_WS | MSG_PEEK_WS | MSG_DONTROUTE_WS;
  if ((flags & ~kKnown) != 0) return -1;
  return ((flags & MSG_OOB_WS) ? MSG_OOB : 0) | ((flags & MSG_PEEK_WS) ? MSG_PEEK : 0) |
         ((flags & MSG_DONTROUTE_WS) ? MSG_DONTROUTE : 0);
}

namespace {

PosixResult Checked(int result) { return result < 0 ? FromErrno() : Success(result); }

int PosixType(int type) {
  switch (type) {
    case SOCK_STREAM_WS:
      return SOCK_STREAM;
    case SOCK_DGRAM_WS:
      return SOCK_DGRAM;
    case SOCK_RAW_WS:
      return SOCK_RAW;
    default:
      return -1;
  }
}

using AddressQuery = int (*)(int, sockaddr*, socklen_t*);

PosixResult QueryAddress(AddressQuery query, int fd, TSockAddrIn* address) {
  sockaddr_in posix{};
  socklen_t length = sizeof posix;
  if (query(fd, reinterpret_cast<sockaddr*>(&posix), &length) < 0) return FromErrno();
  *address = FromPosix(posix);
  return Success(0);
}

std::int64_t NowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

}  // namespace

PosixResult PosixOpen(int type, int protocol) {
  const int posixType = PosixType(type);
  if (posixType < 0) return Failure(WSAESOCKTNOSUPPORT);
  const int fd = ::socket(AF_INET, posixType | SOCK_CLOEXEC, protocol);
  if (fd < 0) return FromErrno();
  return Success(fd);
}

void PosixClose(int fd) { ::close(fd); }

PosixResult PosixShutdown(int fd, int how) {
  switch (how) {
    case SD_RECEIVE:
      return Checked(::shutdown(fd, SHUT_RD));
    case SD_SEND:
      return Checked(::shutdown(fd, SHUT_WR));
    case SD_BOTH:
      return Checked(::shutdown(fd, SHUT_RDWR));
    default:
      return Failure(WSAEINVAL);
  }
}

PosixResult PosixBind(int fd, const TSockAddrIn& address) {
  const sockaddr_in posix = ToPosix(address);
  return Checked(::bind(fd, reinterpret_cast<const sockaddr*>(&posix), sizeof posix));
}

PosixResult PosixConnect(int fd, const TSockAddrIn& address) {
  const sockaddr_in posix = ToPosix(address);
  return Checked(::connect(fd, reinterpret_cast<const sockaddr*>(&posix), sizeof posix));
}

PosixResult PosixListen(int fd, int backlog) { return Checked(::listen(fd, backlog)); }

PosixResult PosixAccept(int fd, TSockAddrIn* peer) {
  sockaddr_in posix{};
  socklen_t length = sizeof posix;
  const int connection = ::accept4(fd, reinterpret_cast<sockaddr*>(&posix), &length, SOCK_CLOEXEC);
  if (connection < 0) return TransferFailure(false);
  if (peer != nullptr) *peer = FromPosix(posix);
  return Success(connection);
}

PosixResult PosixLocalAddress(int fd, TSockAddrIn* address) {
  return QueryAddress(::getsockname, fd, address);
}

PosixResult PosixPeerAddress(int fd, TSockAddrIn* address) {
  return QueryAddress(::getpeername, fd, address);
}

PosixResult PosixSend(int fd, const char* data, int length, int flags, const TSockAddrIn* to,
                      bool datagram) {
  const int posixFlags = PosixMessageFlags(flags);
  if (posixFlags < 0) return Failure(WSAEOPNOTSUPP);
  sockaddr_in target{};
  msghdr message{};
  iovec chunk{const_cast<char*>(data), static_cast<std::size_t>(length)};
  message.msg_iov = &chunk;
  message.msg_iovlen = 1;
  if (to != nullptr) {
    target = ToPosix(*to);
    message.msg_name = &target;
    message.msg_namelen = sizeof target;
  }
  // Windows Sockets knows no SIGPIPE: a broken connection is only an error.
  const ssize_t sent = ::sendmsg(fd, &message, posixFlags | MSG_NOSIGNAL);
  if (sent < 0) return TransferFailure(datagram);
  return Success(static_cast<int>(sent));
}

PosixResult PosixReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from,
                         bool datagram) {
  const int posixFlags = PosixMessageFlags(flags);
  if (posixFlags < 0) return Failure(WSAEOPNOTSUPP);
  sockaddr_in sender{};
  msghdr message{};
  iovec chunk{buffer, static_cast<std::size_t>(length)};
  message.msg_iov = &chunk;
  message.msg_iovlen = 1;
  message.msg_name = &sender;
  message.msg_namelen = sizeof sender;
  // MSG_TRUNC makes a datagram socket report the datagram's full length.
  const ssize_t received = ::recvmsg(fd, &message, posixFlags | (datagram ? MSG_TRUNC : 0));
  if (received < 0) return TransferFailure(datagram);
  if (from != nullptr && message.msg_namelen >= sizeof sender) *from = FromPosix(sender);
  if (received > length) return Failure(WSAEMSGSIZE);
  return Success(static_cast<int>(received));
}

PosixResult PosixSetOption(int fd, int level, int name, const void* value, unsigned length) {
  return Checked(::setsockopt(fd, level, name, value, length));
}

PosixResult PosixGetOption(int fd, int level, int name, void* value, unsigned* length) {
  socklen_t posixLength = *length;
  if (::getsockopt(fd, level, name, value, &posixLength) < 0) return FromErrno();
  *length = posixLength;
  return Success(0);
}

PosixResult PosixPoll(PollEntry* entries, int count, std::int64_t timeoutMicroseconds) {
  pollfd fds[kMaxPollEntries];
  for (int i = 0; i < count; ++i) {
    const short wanted = entries[i].wanted;
    fds[i] = {entries[i].fd,
              static_cast<short>(((wanted & kPollReadable) ? POLLIN : 0) |
                                 ((wanted & kPollWritable) ? POLLOUT : 0) |
                                 ((wanted & kPollExceptional) ? POLLPRI : 0)),
              0};
  }
  const bool endless = timeoutMicroseconds < 0;
  const std::int64_t deadline = endless ? 0 : NowMicroseconds() + timeoutMicroseconds;
  int result;
  do {
    timespec remaining{};
    if (!endless) {
      const std::int64_t left = deadline - NowMicroseconds();
      if (left > 0) remaining = {left / 1'000'000, (left % 1'000'000) * 1000};
    }
    result = ::ppoll(fds, static_cast<nfds_t>(count), endless ? nullptr : &remaining, nullptr);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return FromErrno();

  int ready = 0;
  for (int i = 0; i < count; ++i) {
    const short got = fds[i].revents;
    const short wanted = entries[i].wanted;
    // A hang-up or pending error is readable: the next recv reports it.
    entries[i].ready = ((wanted & kPollReadable) && (got & (POLLIN | POLLHUP | POLLERR))) ||
                       ((wanted & kPollWritable) && (got & POLLOUT)) ||
                       ((wanted & kPollExceptional) && (got & POLLPRI));
    ready += entries[i].ready ? 1 : 0;
  }
  return Success(ready);
}

}  // namespace quorvel::winsock
