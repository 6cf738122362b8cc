#include "WinSockLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace quorvel::test {
namespace {

template <typename Function>
void Resolve(void* handle, const char* name, Function& out) {
  out = reinterpret_cast<Function>(dlsym(handle, name));
  if (out == nullptr) throw std::runtime_error(std::string("missing export ") + name);
}

}  // namespace

WinSockLibrary::WinSockLibrary() : handle_(dlopen(QUORVEL_WS2_32_PATH, RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) throw std::runtime_error(dlerror());
#define QUORVEL_RESOLVE(name, result, parameters) Resolve(handle_, #name, api_.name);
  QUORVEL_WINSOCK_EXPORTS(QUORVEL_RESOLVE)
#undef QUORVEL_RESOLVE
}

WinSockLibrary::~WinSockLibrary() { dlclose(handle_); }

WsSocket::WsSocket(const WinSockApi& ws, int type, int protocol)
    : ws_(ws), handle_(ws.socket(AF_INET_WS, type, protocol)) {
  if (handle_ == INVALID_SOCKET) {
    throw std::runtime_error("socket() failed with " + std::to_string(ws.WSAGetLastError()));
  }
}

WsSocket::~WsSocket() {
  if (handle_ != INVALID_SOCKET) ws_.closesocket(handle_);
}

void WinSockStarted::SetUp() {
  TWSAData data{};
  ASSERT_EQ(ws.WSAStartup(0x0202, &data), 0);
}

void WinSockStarted::TearDown() { ws.WSACleanup(); }

void WinSockStarted::BindLoopback(const WsSocket& socket) const {
  const TSockAddrIn address = LoopbackAddress(0);
  ASSERT_EQ(ws.bind(socket.get(), AsGeneric(address), sizeof address), 0) << ws.WSAGetLastError();
}

TSockAddrIn WinSockStarted::LocalAddress(const WsSocket& socket) const {
  TSockAddrIn address{};
  int length = sizeof address;
  EXPECT_EQ(ws.getsockname(socket.get(), AsGeneric(address), &length), 0);
  return address;
}

TSockAddrIn LoopbackAddress(std::uint16_t networkPort, std::uint8_t last) {
  TSockAddrIn address{};
  address.sin_family = AF_INET_WS;
  address.sin_port = networkPort;
  const std::uint8_t bytes[4] = {127, 0, 0, last};
  std::memcpy(&address.sin_addr.S_addr, bytes, sizeof bytes);
  return address;
}

const TSockAddr* AsGeneric(const TSockAddrIn& address) {
  return reinterpret_cast<const TSockAddr*>(&address);
}

TSockAddr* AsGeneric(TSockAddrIn& address) { return reinterpret_cast<TSockAddr*>(&address); }

}  // namespace quorvel::test
