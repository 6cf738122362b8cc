// The sockets this library opened, by handle: only these may be used or
// closed through it. A handle is the socket's descriptor number.
#pragma once

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// What a handle stands for. Type 0 means the handle is not ours.
struct SocketKind {
  int type = 0;  // the Windows Sockets type the caller asked for
  // A raw ICMP socket that the system refused, served by an ICMP datagram
  // socket that presents raw-socket datagrams (see IcmpDatagram.h).
  bool icmpDatagram = false;
};

// Takes ownership of `fd`; on failure (no memory) closes it and returns false.
bool RegisterSocket(int fd, SocketKind kind);
SocketKind FindSocket(TSocket handle);
// Forgets and closes the socket; false when the handle is not ours.
bool CloseSocket(TSocket handle);
void CloseAllSockets();

}  // namespace quorvel::winsock
