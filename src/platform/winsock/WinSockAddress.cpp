#include "platform/winsock/WinSockAddress.h"

#include <cstring>

namespace quorvel::winsock {

int ReadAddress(const TSockAddr* address, int length, TSockAddrIn* out) {
  if (address == nullptr || length < static_cast<int>(sizeof(TSockAddrIn))) return WSAEFAULT;
  std::memcpy(out, address, sizeof *out);
  return out->sin_family == AF_INET_WS ? 0 : WSAEAFNOSUPPORT;
}

int CheckAddressRoom(const TSockAddr* address, const int* length, bool optional) {
  if (optional && address == nullptr) return 0;
  if (address == nullptr || length == nullptr) return WSAEFAULT;
  return *length < static_cast<int>(sizeof(TSockAddrIn)) ? WSAEFAULT : 0;
}

void WriteAddress(const TSockAddrIn& address, TSockAddr* out, int* length) {
  if (out == nullptr) return;
  std::memcpy(out, &address, sizeof address);
  *length = sizeof address;
}

}  // namespace quorvel::winsock
