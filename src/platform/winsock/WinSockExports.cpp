// The exported Windows Sockets functions. This file must not see the
// system's socket headers: the exports bear the same names.
#include <cstring>

#include "platform/winsock/ByteOrder.h"
#include "platform/winsock/IcmpDatagram.h"
#include "platform/winsock/IcmpHelper.h"
#include "platform/winsock/LastError.h"
#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/Resolver.h"
#include "platform/winsock/SelectSets.h"
#include "platform/winsock/Session.h"
#include "platform/winsock/SocketOptions.h"
#include "platform/winsock/SocketRegistry.h"
#include "platform/winsock/WinSockAddress.h"
#include "platform/winsock/WinSockTypes.h"

#define WS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace quorvel::winsock;

constexpr TWord kHighestVersion = 0x0202;  // 2.2: low byte major, high byte minor

constexpr int VersionRank(TWord version) { return (version & 0xFF) * 256 + (version >> 8); }

int Fail(int error) {
  SetLastError(error);
  return SOCKET_ERROR;
}

template <typename T>
T* FailNull(int error) {
  SetLastError(error);
  return nullptr;
}

int Finish(const PosixResult& result) {
  return result.error != 0 ? Fail(result.error) : result.value;
}

bool Started() {
  if (InSession()) return true;
  SetLastError(WSANOTINITIALISED);
  return false;
}

// A socket of ours, found for a call on it.
struct Target {
  int fd;
  SocketKind kind;
  bool datagram() const { return kind.type != SOCK_STREAM_WS; }
  bool helper() const { return kind.transport == Transport::kIcmpHelper; }
};

// Sets the last error when the library is not started or the handle is not ours.
bool Find(TSocket handle, Target* target) {
  if (!Started()) return false;
  const SocketKind kind = FindSocket(handle);
  if (kind.type == 0) {
    SetLastError(WSAENOTSOCK);
    return false;
  }
  *target = {static_cast<int>(handle), kind};
  return true;
}

bool ValidBuffer(const char* buffer, int length) {
  return length >= 0 && (buffer != nullptr || length == 0);
}

TSocket Adopt(const PosixResult& opened, SocketKind kind) {
  if (opened.error != 0) {
    SetLastError(opened.error);
    return INVALID_SOCKET;
  }
  if (!RegisterSocket(opened.value, kind)) {
    SetLastError(WSAENOBUFS);
    return INVALID_SOCKET;
  }
  return static_cast<TSocket>(opened.value);
}

using AddressQuery = PosixResult (*)(int, TSockAddrIn*);

// `helperQuery` answers for the echo helper's sockets.
int QueryAddress(AddressQuery query, AddressQuery helperQuery, TSocket s, TSockAddr* name,
                 int* length) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (const int error = CheckAddressRoom(name, length, false)) return Fail(error);
  TSockAddrIn address{};
  const PosixResult result = (target.helper() ? helperQuery : query)(target.fd, &address);
  if (result.error != 0) return Fail(result.error);
  WriteAddress(address, name, length);
  return 0;
}

// The exports share these rather than call one another: a call to an
// exported name would be bound at run time, possibly to the system's.
int SendTo(TSocket s, const char* data, int length, int flags, const TSockAddr* to, int toLength) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (!ValidBuffer(data, length)) return Fail(WSAEFAULT);
  // A connected stream ignores the address, as Windows Sockets does.
  TSockAddrIn address{};
  const bool addressed = to != nullptr && target.datagram();
  if (addressed) {
    if (const int error = ReadAddress(to, toLength, &address)) return Fail(error);
  }
  const TSockAddrIn* peer = addressed ? &address : nullptr;
  switch (target.kind.transport) {
    case Transport::kIcmpDatagram:
      return Finish(IcmpDatagramSend(target.fd, data, length, flags, peer));
    case Transport::kIcmpHelper:
      return Finish(IcmpHelperSend(target.fd, data, length, flags, peer));
    case Transport::kSystem:
      break;
  }
  return Finish(PosixSend(target.fd, data, length, flags, peer, target.datagram()));
}

int ReceiveFrom(TSocket s, char* buffer, int length, int flags, TSockAddr* from, int* fromLength) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (!ValidBuffer(buffer, length)) return Fail(WSAEFAULT);
  if (const int error = CheckAddressRoom(from, fromLength, true)) return Fail(error);
  TSockAddrIn sender{};  // its family stays 0 when the transport names no sender
  PosixResult received{};
  switch (target.kind.transport) {
    case Transport::kIcmpDatagram:
      received = IcmpDatagramReceive(target.fd, buffer, length, flags, &sender);
      break;
    case Transport::kIcmpHelper:
      received = IcmpHelperReceive(target.fd, buffer, length, flags, &sender);
      break;
    case Transport::kSystem:
      received = PosixReceive(target.fd, buffer, length, flags, &sender, target.datagram());
      break;
  }
  if (sender.sin_family == AF_INET_WS) WriteAddress(sender, from, fromLength);
  return Finish(received);
}

void CopyText(char* out, const char* text, std::size_t room) {
  std::strncpy(out, text, room - 1);
  out[room - 1] = '\0';
}

}  // namespace

WS_EXPORT int WSAStartup(TWord version, TWSAData* data) {
  if (data == nullptr) return WSAEFAULT;
  *data = {};
  data->wHighVersion = kHighestVersion;
  data->iMaxSockets = 0x7FFF;
  data->iMaxUdpDg = 65507;  // 65535 less the IPv4 and UDP headers
  CopyText(data->szDescription, "Quorvel WinSock 2.2", sizeof data->szDescription);
  CopyText(data->szSystemStatus, "Running", sizeof data->szSystemStatus);
  if (VersionRank(version) < VersionRank(0x0101)) {
    data->wVersion = kHighestVersion;
    return WSAVERNOTSUPPORTED;
  }
  data->wVersion = VersionRank(version) > VersionRank(kHighestVersion) ? kHighestVersion : version;
  EnterSession();
  return 0;
}

WS_EXPORT int WSACleanup() { return LeaveSession() ? 0 : Fail(WSANOTINITIALISED); }

WS_EXPORT int WSAGetLastError() { return LastError(); }

WS_EXPORT void WSASetLastError(int error) { SetLastError(error); }

WS_EXPORT TSocket socket(int af, int type, int protocol) {
  if (!Started()) return INVALID_SOCKET;
  if (af != AF_INET_WS) {
    SetLastError(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  const PosixResult opened = PosixOpen(type, protocol);
  // Without the right to raw sockets, raw ICMP is served by a datagram socket
  // or, where the system refuses that too, by the privileged echo helper.
  if (opened.error == WSAEACCES && type == SOCK_RAW_WS && protocol == IPPROTO_ICMP_WS) {
    const PosixResult datagram = IcmpDatagramOpen();
    if (datagram.error == 0) return Adopt(datagram, {type, Transport::kIcmpDatagram});
    const PosixResult relayed = IcmpHelperOpen();
    if (relayed.error == 0) return Adopt(relayed, {type, Transport::kIcmpHelper});
  }
  return Adopt(opened, {type, Transport::kSystem});
}

WS_EXPORT int closesocket(TSocket s) {
  if (!Started()) return SOCKET_ERROR;
  return CloseSocket(s) ? 0 : Fail(WSAENOTSOCK);
}

WS_EXPORT int shutdown(TSocket s, int how) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (target.helper()) return Finish(IcmpHelperShutdown(target.fd, how));
  return Finish(PosixShutdown(target.fd, how));
}

WS_EXPORT int bind(TSocket s, const TSockAddr* name, int length) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (target.helper()) return Fail(WSAEOPNOTSUPP);
  TSockAddrIn address{};
  if (const int error = ReadAddress(name, length, &address)) return Fail(error);
  return Finish(PosixBind(target.fd, address));
}

WS_EXPORT int connect(TSocket s, const TSockAddr* name, int length) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (target.helper()) return Fail(WSAEOPNOTSUPP);
  TSockAddrIn address{};
  if (const int error = ReadAddress(name, length, &address)) return Fail(error);
  return Finish(PosixConnect(target.fd, address));
}

WS_EXPORT int listen(TSocket s, int backlog) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  if (target.helper()) return Fail(WSAEOPNOTSUPP);
  return Finish(PosixListen(target.fd, backlog));
}

WS_EXPORT TSocket accept(TSocket s, TSockAddr* address, int* length) {
  Target target{};
  if (!Find(s, &target)) return INVALID_SOCKET;
  if (target.helper()) {
    SetLastError(WSAEOPNOTSUPP);
    return INVALID_SOCKET;
  }
  if (const int error = CheckAddressRoom(address, length, true)) {
    SetLastError(error);
    return INVALID_SOCKET;
  }
  TSockAddrIn peer{};
  const PosixResult accepted = PosixAccept(target.fd, &peer);
  const TSocket connection = Adopt(accepted, {SOCK_STREAM_WS, Transport::kSystem});
  if (connection != INVALID_SOCKET) WriteAddress(peer, address, length);
  return connection;
}

WS_EXPORT int setsockopt(TSocket s, int level, int name, const char* value, int length) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  const int error = target.helper() && level == IPPROTO_IP_WS
                        ? IcmpHelperSetOption(target.fd, name, value, length)
                        : SetSocketOption(target.fd, level, name, value, length);
  return error != 0 ? Fail(error) : 0;
}

WS_EXPORT int getsockopt(TSocket s, int level, int name, char* value, int* length) {
  Target target{};
  if (!Find(s, &target)) return SOCKET_ERROR;
  const int error = target.helper() && level == IPPROTO_IP_WS
                        ? IcmpHelperGetOption(target.fd, name, value, length)
                        : GetSocketOption(target.fd, target.kind.type, level, name, value, length);
  return error != 0 ? Fail(error) : 0;
}

WS_EXPORT int sendto(TSocket s, const char* data, int length, int flags, const TSockAddr* to,
                     int toLength) {
  return SendTo(s, data, length, flags, to, toLength);
}

WS_EXPORT int send(TSocket s, const char* data, int length, int flags) {
  return SendTo(s, data, length, flags, nullptr, 0);
}

WS_EXPORT int recvfrom(TSocket s, char* buffer, int length, int flags, TSockAddr* from,
                       int* fromLength) {
  return ReceiveFrom(s, buffer, length, flags, from, fromLength);
}

WS_EXPORT int recv(TSocket s, char* buffer, int length, int flags) {
  return ReceiveFrom(s, buffer, length, flags, nullptr, nullptr);
}

WS_EXPORT int select(int, TFDSet* read, TFDSet* write, TFDSet* except, const TTimeVal* timeout) {
  if (!Started()) return SOCKET_ERROR;
  int ready = 0;
  const int error = SelectReady(read, write, except, timeout, &ready);
  return error != 0 ? Fail(error) : ready;
}

// A plain query of the caller's set, answered without a start-up like the
// set macros it serves.
WS_EXPORT int __WSAFDIsSet(TSocket s, TFDSet* set) { return InSet(s, set) ? 1 : 0; }

WS_EXPORT int getpeername(TSocket s, TSockAddr* name, int* length) {
  return QueryAddress(PosixPeerAddress, IcmpHelperPeerAddress, s, name, length);
}

WS_EXPORT int getsockname(TSocket s, TSockAddr* name, int* length) {
  return QueryAddress(PosixLocalAddress, IcmpHelperLocalAddress, s, name, length);
}

WS_EXPORT THostEnt* gethostbyname(const char* name) {
  if (!Started()) return nullptr;
  int error = 0;
  THostEnt* entry = HostByName(name, &error);
  return entry != nullptr ? entry : FailNull<THostEnt>(error);
}

WS_EXPORT THostEnt* gethostbyaddr(const char* address, int length, int type) {
  if (!Started()) return nullptr;
  if (address == nullptr || length != 4) return FailNull<THostEnt>(WSAEFAULT);
  if (type != AF_INET_WS) return FailNull<THostEnt>(WSAEAFNOSUPPORT);
  std::uint32_t networkOrder = 0;
  std::memcpy(&networkOrder, address, sizeof networkOrder);
  int error = 0;
  THostEnt* entry = HostByAddress(networkOrder, &error);
  return entry != nullptr ? entry : FailNull<THostEnt>(error);
}

WS_EXPORT int gethostname(char* name, int length) {
  if (!Started()) return SOCKET_ERROR;
  const int error = CopyHostName(name, length);
  return error != 0 ? Fail(error) : 0;
}

WS_EXPORT TServEnt* getservbyname(const char* name, const char* protocol) {
  if (!Started()) return nullptr;
  int error = 0;
  TServEnt* entry = ServiceByName(name, protocol, &error);
  return entry != nullptr ? entry : FailNull<TServEnt>(error);
}

WS_EXPORT TServEnt* getservbyport(int port, const char* protocol) {
  if (!Started()) return nullptr;
  int error = 0;
  TServEnt* entry = ServiceByPort(port, protocol, &error);
  return entry != nullptr ? entry : FailNull<TServEnt>(error);
}

WS_EXPORT std::uint32_t inet_addr(const char* text) { return ParseAddress(text); }

WS_EXPORT std::uint16_t htons(std::uint16_t value) { return NetworkOrder16(value); }

WS_EXPORT std::uint16_t ntohs(std::uint16_t value) { return NetworkOrder16(value); }

WS_EXPORT std::uint32_t htonl(std::uint32_t value) { return NetworkOrder32(value); }

WS_EXPORT std::uint32_t ntohl(std::uint32_t value) { return NetworkOrder32(value); }
