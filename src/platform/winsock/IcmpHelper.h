// Raw ICMP for a process that may open neither raw nor ICMP datagram sockets,
// through the privileged echo helper installed beside this library. Each such
// socket is served by a helper process; the handle is the data channel on
// which the helper passes on the answers to our requests, framed here as the
// whole IPv4 datagrams a raw socket reads, so waiting on it works as for any
// socket. Sends go to the helper as commands; the helper never hands out its
// raw socket. A closed socket's helper waits for the next socket, so a ping
// per socket does not cost a process start.
#pragma once

#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Takes a waiting helper, or starts one and waits (bounded) until it has its
// raw socket; value is the handle. WSAEACCES when there is no helper or it
// may not open one either.
PosixResult IcmpHelperOpen();

// Sends an ICMP echo request with the socket's time-to-live; the helper's
// refusal or the system's send error comes back as the result.
PosixResult IcmpHelperSend(int fd, const char* data, int length, int flags, const TSockAddrIn* to);

// Receives the next datagram (blocking up to SO_RCVTIMEO); `from` is its
// IPv4 sender. A datagram larger than the buffer fills it and fails with
// WSAEMSGSIZE.
PosixResult IcmpHelperReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from);

// The IP-level options a raw ICMP socket of ours needs: IP_TTL only.
int IcmpHelperSetOption(int fd, int name, const char* value, int length);
int IcmpHelperGetOption(int fd, int name, char* value, int* length);

// As on an unconnected raw socket: sending ends, and the call reports
// WSAENOTCONN.
PosixResult IcmpHelperShutdown(int fd, int how);

// As an unbound, unconnected raw socket: the local address is 0.0.0.0 port
// 0, and there is no peer (WSAENOTCONN).
PosixResult IcmpHelperLocalAddress(int fd, TSockAddrIn* address);
PosixResult IcmpHelperPeerAddress(int fd, TSockAddrIn* address);

// Drops what the helper passed on and keeps it for the next socket; one
// that has gone is ended and its channels closed.
void IcmpHelperClose(int fd);

}  // namespace quorvel::winsock
