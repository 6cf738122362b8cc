#include "platform/winsock/SocketOptions.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "platform/winsock/ErrorMap.h"
#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {
namespace {

enum class Layout {
  kInt,           // 32-bit integer or boolean on both sides
  kBufferSize,    // an int that Linux doubles when set
  kLinger,        // TLinger <-> struct linger
  kMilliseconds,  // 32-bit milliseconds <-> struct timeval
  kError,         // read-only errno, reported as a Windows Sockets code
  kType,          // read-only socket type
  kAddress,       // a 4-byte IPv4 address, copied as is
  kBytes,         // raw bytes of any length (IP options)
};

struct Option {
  int level;
  int name;
  int posixLevel;
  int posixName;
  Layout layout;
};

constexpr Option kOptions[] = {
    {SOL_SOCKET_WS, SO_DEBUG_WS, SOL_SOCKET, SO_DEBUG, Layout::kInt},
    {SOL_SOCKET_WS, SO_ACCEPTCONN_WS, SOL_SOCKET, SO_ACCEPTCONN, Layout::kInt},
    {SOL_SOCKET_WS, SO_REUSEADDR_WS, SOL_SOCKET, SO_REUSEADDR, Layout::kInt},
    {SOL_SOCKET_WS, SO_KEEPALIVE_WS, SOL_SOCKET, SO_KEEPALIVE, Layout::kInt},
    {SOL_SOCKET_WS, SO_DONTROUTE_WS, SOL_SOCKET, SO_DONTROUTE, Layout::kInt},
    {SOL_SOCKET_WS, SO_BROADCAST_WS, SOL_SOCKET, SO_BROADCAST, Layout::kInt},
    {SOL_SOCKET_WS, SO_LINGER_WS, SOL_SOCKET, SO_LINGER, Layout::kLinger},
    {SOL_SOCKET_WS, SO_OOBINLINE_WS, SOL_SOCKET, SO_OOBINLINE, Layout::kInt},
    {SOL_SOCKET_WS, SO_SNDBUF_WS, SOL_SOCKET, SO_SNDBUF, Layout::kBufferSize},
    {SOL_SOCKET_WS, SO_RCVBUF_WS, SOL_SOCKET, SO_RCVBUF, Layout::kBufferSize},
    {SOL_SOCKET_WS, SO_SNDTIMEO_WS, SOL_SOCKET, SO_SNDTIMEO, Layout::kMilliseconds},
    {SOL_SOCKET_WS, SO_RCVTIMEO_WS, SOL_SOCKET, SO_RCVTIMEO, Layout::kMilliseconds},
    {SOL_SOCKET_WS, SO_ERROR_WS, SOL_SOCKET, SO_ERROR, Layout::kError},
    {SOL_SOCKET_WS, SO_TYPE_WS, SOL_SOCKET, SO_TYPE, Layout::kType},
    {IPPROTO_IP_WS, IP_OPTIONS_WS, IPPROTO_IP, IP_OPTIONS, Layout::kBytes},
    {IPPROTO_IP_WS, IP_HDRINCL_WS, IPPROTO_IP, IP_HDRINCL, Layout::kInt},
    {IPPROTO_IP_WS, IP_TOS_WS, IPPROTO_IP, IP_TOS, Layout::kInt},
    {IPPROTO_IP_WS, IP_TTL_WS, IPPROTO_IP, IP_TTL, Layout::kInt},
    {IPPROTO_IP_WS, IP_MULTICAST_IF_WS, IPPROTO_IP, IP_MULTICAST_IF, Layout::kAddress},
    {IPPROTO_IP_WS, IP_MULTICAST_TTL_WS, IPPROTO_IP, IP_MULTICAST_TTL, Layout::kInt},
    {IPPROTO_IP_WS, IP_MULTICAST_LOOP_WS, IPPROTO_IP, IP_MULTICAST_LOOP, Layout::kInt},
    {IPPROTO_TCP_WS, TCP_NODELAY_WS, IPPROTO_TCP, TCP_NODELAY, Layout::kInt},
};

// Finds the option, or reports why there is none.
int FindOption(int level, int name, const Option** found) {
  if (level != SOL_SOCKET_WS && level != IPPROTO_IP_WS && level != IPPROTO_TCP_WS) {
    return WSAEINVAL;
  }
  const auto* option = std::find_if(std::begin(kOptions), std::end(kOptions), [&](const Option& o) {
    return o.level == level && o.name == name;
  });
  if (option == std::end(kOptions)) return WSAENOPROTOOPT;
  *found = option;
  return 0;
}

// The smallest caller buffer each layout needs.
int CallerSize(Layout layout) {
  switch (layout) {
    case Layout::kLinger:
      return sizeof(TLinger);
    case Layout::kBytes:
      return 0;
    default:
      return sizeof(std::int32_t);
  }
}

template <typename T>
T Load(const char* value) {
  T out;
  std::memcpy(&out, value, sizeof out);
  return out;
}

template <typename T>
void Store(const T& in, char* value, int* length) {
  std::memcpy(value, &in, sizeof in);
  *length = sizeof in;
}

template <typename T>
int SetPosix(int fd, const Option& option, const T& value) {
  return PosixSetOption(fd, option.posixLevel, option.posixName, &value, sizeof value).error;
}

template <typename T>
int GetPosix(int fd, const Option& option, T* value) {
  unsigned length = sizeof *value;
  return PosixGetOption(fd, option.posixLevel, option.posixName, value, &length).error;
}

}  // namespace

int SetSocketOption(int fd, int level, int name, const char* value, int length) {
  const Option* option = nullptr;
  if (const int error = FindOption(level, name, &option)) return error;
  if (value == nullptr || length < CallerSize(option->layout)) return WSAEFAULT;
  switch (option->layout) {
    case Layout::kInt:
    case Layout::kBufferSize:
      return SetPosix(fd, *option, Load<std::int32_t>(value));
    case Layout::kLinger: {
      const auto linger = Load<TLinger>(value);
      return SetPosix(fd, *option, ::linger{linger.l_onoff != 0, linger.l_linger});
    }
    case Layout::kMilliseconds: {
      const auto ms = Load<std::uint32_t>(value);
      return SetPosix(fd, *option, timeval{ms / 1000, static_cast<suseconds_t>(ms % 1000) * 1000});
    }
    case Layout::kError:
    case Layout::kType:
      return WSAENOPROTOOPT;
    case Layout::kAddress:
      return SetPosix(fd, *option, Load<in_addr>(value));
    case Layout::kBytes:
      return PosixSetOption(fd, option->posixLevel, option->posixName, value,
                            static_cast<unsigned>(length))
          .error;
  }
  return WSAENOPROTOOPT;
}

int GetSocketOption(int fd, int type, int level, int name, char* value, int* length) {
  const Option* option = nullptr;
  if (const int error = FindOption(level, name, &option)) return error;
  if (value == nullptr || length == nullptr || *length < CallerSize(option->layout)) {
    return WSAEFAULT;
  }
  switch (option->layout) {
    case Layout::kInt:
    case Layout::kBufferSize:
    case Layout::kError: {
      int posix = 0;
      if (const int error = GetPosix(fd, *option, &posix)) return error;
      // Linux reports twice the size it was given (the rest is its own
      // bookkeeping); callers expect back the size they set.
      if (option->layout == Layout::kBufferSize) posix /= 2;
      if (option->layout == Layout::kError && posix != 0) {
        posix = WsaErrorFromSocketErrno(posix, type != SOCK_STREAM_WS);
      }
      Store(std::int32_t{posix}, value, length);
      return 0;
    }
    case Layout::kLinger: {
      ::linger posix{};
      if (const int error = GetPosix(fd, *option, &posix)) return error;
      const auto seconds = static_cast<std::uint16_t>(std::clamp(posix.l_linger, 0, 0xFFFF));
      Store(TLinger{static_cast<std::uint16_t>(posix.l_onoff != 0), seconds}, value, length);
      return 0;
    }
    case Layout::kMilliseconds: {
      timeval posix{};
      if (const int error = GetPosix(fd, *option, &posix)) return error;
      Store(static_cast<std::uint32_t>(posix.tv_sec * 1000 + posix.tv_usec / 1000), value, length);
      return 0;
    }
    case Layout::kType:
      Store(std::int32_t{type}, value, length);
      return 0;
    case Layout::kAddress: {
      in_addr posix{};
      if (const int error = GetPosix(fd, *option, &posix)) return error;
      Store(posix, value, length);
      return 0;
    }
    case Layout::kBytes: {
      auto room = static_cast<unsigned>(*length);
      const int error =
          PosixGetOption(fd, option->posixLevel, option->posixName, value, &room).error;
      if (error == 0) *length = static_cast<int>(room);
      return error;
    }
  }
  return WSAENOPROTOOPT;
}

}  // namespace quorvel::winsock
