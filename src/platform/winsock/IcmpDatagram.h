// Raw ICMP for a process that may not open raw sockets. Linux lets the groups
// in net.ipv4.ping_group_range open ICMP datagram sockets, which send echo
// requests and receive the answers to them only, without IP headers, and
// report ICMP errors through the socket's error queue. These calls make such
// a socket look like a raw ICMP socket to a caller: every datagram it reads
// starts with an IPv4 header (sender, time-to-live and lengths as received),
// and an error about our request arrives as the ICMP error datagram a raw
// socket would have read, quoting the request.
#pragma once

#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Opens the datagram socket, asking for the time-to-live and destination of
// every datagram and for the errors about what it sent.
PosixResult IcmpDatagramOpen();

// Sends an ICMP message. The kernel puts the socket's own identifier into
// echo requests, so an unbound socket is first bound to the identifier the
// message carries: the request then goes out as the caller made it, unless
// another socket holds that identifier. Then the frames received present
// the identifier the caller's request carried in place of the socket's, as
// the socket receives only the answers to its own requests.
PosixResult IcmpDatagramSend(int fd, const char* data, int length, int flags,
                             const TSockAddrIn* to);

// Receives the next error about our requests or, when none is waiting, the
// next datagram (blocking up to SO_RCVTIMEO), framed as a raw socket frames
// it. `from` is the sender: the answering host, or the one that reported the
// error. A frame larger than the buffer fills it and fails with WSAEMSGSIZE.
PosixResult IcmpDatagramReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from);

}  // namespace quorvel::winsock
