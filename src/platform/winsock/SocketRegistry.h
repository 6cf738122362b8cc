// The sockets this library opened, by handle: only these may be used or
// closed through it. A handle is the socket's descriptor number.
#pragma once

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// What serves a socket of ours.
enum class Transport {
  kSystem,        // a system socket of the type asked for
  kIcmpDatagram,  // raw ICMP refused: an ICMP datagram socket (IcmpDatagram.h)
  kIcmpHelper,    // raw and datagram ICMP refused: the echo helper (IcmpHelper.h)
};

// What a handle stands for. Type 0 means the handle is not ours.
struct SocketKind {
  int type = 0;  // the Windows Sockets type the caller asked for
  Transport transport = Transport::kSystem;
};

// Takes ownership of `fd`; on failure (no memory) closes it and returns false.
bool RegisterSocket(int fd, SocketKind kind);
SocketKind FindSocket(TSocket handle);
// Forgets and closes the socket; false when the handle is not ours.
bool CloseSocket(TSocket handle);
void CloseAllSockets();

}  // namespace quorvel::winsock
