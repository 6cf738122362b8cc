// Loads the built socket library and resolves its exports by name, as the
// echo engine does, plus the fixtures and helpers the library's tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::test {

// Every export: name, result, parameters.
#define QUORVEL_WINSOCK_EXPORTS(X)                                        \
  X(WSAStartup, int, (TWord, TWSAData*))                                  \
  X(WSACleanup, int, ())                                                  \
  X(WSAGetLastError, int, ())                                             \
  X(WSASetLastError, void, (int))                                         \
  X(socket, TSocket, (int, int, int))                                     \
  X(closesocket, int, (TSocket))                                          \
  X(shutdown, int, (TSocket, int))                                        \
  X(bind, int, (TSocket, const TSockAddr*, int))                          \
  X(connect, int, (TSocket, const TSockAddr*, int))                       \
  X(listen, int, (TSocket, int))                                          \
  X(accept, TSocket, (TSocket, TSockAddr*, int*))                         \
  X(setsockopt, int, (TSocket, int, int, const char*, int))               \
  X(getsockopt, int, (TSocket, int, int, char*, int*))                    \
  X(send, int, (TSocket, const char*, int, int))                          \
  X(sendto, int, (TSocket, const char*, int, int, const TSockAddr*, int)) \
  X(recv, int, (TSocket, char*, int, int))                                \
  X(recvfrom, int, (TSocket, char*, int, int, TSockAddr*, int*))          \
  X(select, int, (int, TFDSet*, TFDSet*, TFDSet*, const TTimeVal*))       \
  X(__WSAFDIsSet, int, (TSocket, TFDSet*))                                \
  X(getpeername, int, (TSocket, TSockAddr*, int*))                        \
  X(getsockname, int, (TSocket, TSockAddr*, int*))                        \
  X(gethostbyname, THostEnt*, (const char*))                              \
  X(gethostbyaddr, THostEnt*, (const char*, int, int))                    \
  X(gethostname, int, (char*, int))                                       \
  X(getservbyname, TServEnt*, (const char*, const char*))                 \
  X(getservbyport, TServEnt*, (int, const char*))                         \
  X(inet_addr, std::uint32_t, (const char*))                              \
  X(htons, std::uint16_t, (std::uint16_t))                                \
  X(ntohs, std::uint16_t, (std::uint16_t))                                \
  X(htonl, std::uint32_t, (std::uint32_t))                                \
  X(ntohl, std::uint32_t, (std::uint32_t))

// The system may define the byte-order names as macros: call them as
// (ws.htons)(x).
struct WinSockApi {
#define QUORVEL_MEMBER(name, result, parameters) result(*name) parameters;
  QUORVEL_WINSOCK_EXPORTS(QUORVEL_MEMBER)
#undef QUORVEL_MEMBER
};

// dlopen(RTLD_NOW | RTLD_LOCAL) of the library under test; throws when it
// or one of its exports is missing.
class WinSockLibrary {
 public:
  WinSockLibrary();
  ~WinSockLibrary();
  WinSockLibrary(const WinSockLibrary&) = delete;
  WinSockLibrary& operator=(const WinSockLibrary&) = delete;

  const WinSockApi& api() const { return api_; }

 private:
  void* handle_;
  WinSockApi api_{};
};

// A socket opened through the library, closed through it on scope exit.
class WsSocket {
 public:
  WsSocket(const WinSockApi& ws, int type, int protocol);
  WsSocket(const WinSockApi& ws, TSocket handle) : ws_(ws), handle_(handle) {}
  ~WsSocket();
  WsSocket(const WsSocket&) = delete;
  WsSocket& operator=(const WsSocket&) = delete;

  TSocket get() const { return handle_; }
  int fd() const { return static_cast<int>(handle_); }  // handles are descriptors

 private:
  const WinSockApi& ws_;
  TSocket handle_;
};

// The library loaded but not started.
class WinSockUnstarted : public ::testing::Test {
 protected:
  WinSockLibrary library_;
  const WinSockApi& ws = library_.api();
};

// The library started (2.2) for the test, and cleaned up after it.
class WinSockStarted : public WinSockUnstarted {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Binds to 127.0.0.1 on a free port.
  void BindLoopback(const WsSocket& socket) const;
  // The socket's local address, as the library reports it.
  TSockAddrIn LocalAddress(const WsSocket& socket) const;
};

// Names each parameterised case after its `name` field.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};

TSockAddrIn LoopbackAddress(std::uint16_t networkPort, std::uint8_t last = 1);
const TSockAddr* AsGeneric(const TSockAddrIn& address);
TSockAddr* AsGeneric(TSockAddrIn& address);

}  // namespace quorvel::test
