// The library's own calls into the POSIX socket layer, kept apart from the
// exports so that the exported names never meet the system's declarations.
#pragma once

#include <cstdint>

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// `value` is the call's result when `error` (a Windows Sockets code) is 0.
struct PosixResult {
  int value;
  int error;
};

// Opens an IPv4 socket of a Windows Sockets type; value is the descriptor.
PosixResult PosixOpen(int type, int protocol);
// Linux releases the descriptor whatever close reports, so nothing is returned.
void PosixClose(int fd);
PosixResult PosixShutdown(int fd, int how);
PosixResult PosixBind(int fd, const TSockAddrIn& address);
PosixResult PosixConnect(int fd, const TSockAddrIn& address);
PosixResult PosixListen(int fd, int backlog);
// Value is the new connection's descriptor; `peer` may be null.
PosixResult PosixAccept(int fd, TSockAddrIn* peer);
PosixResult PosixLocalAddress(int fd, TSockAddrIn* address);
PosixResult PosixPeerAddress(int fd, TSockAddrIn* address);

// Flags are Windows Sockets message flags. `to` null means the connected peer.
PosixResult PosixSend(int fd, const char* data, int length, int flags, const TSockAddrIn* to,
                      bool datagram);
// A datagram larger than the buffer fills it and fails with WSAEMSGSIZE.
// `from` (may be null) is left alone when the transport reports no sender.
PosixResult PosixReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from,
                         bool datagram);

PosixResult PosixSetOption(int fd, int level, int name, const void* value, unsigned length);
PosixResult PosixGetOption(int fd, int level, int name, void* value, unsigned* length);

inline constexpr short kPollReadable = 1;
inline constexpr short kPollWritable = 2;
inline constexpr short kPollExceptional = 4;
inline constexpr int kMaxPollEntries = 3 * FD_SETSIZE_WS;

struct PollEntry {
  int fd;
  short wanted;  // one of the kPoll flags
  bool ready;
};

// Waits until an entry is ready or `timeoutMicroseconds` (< 0: no end) has
// passed; value is the number of ready entries.
PosixResult PosixPoll(PollEntry* entries, int count, std::int64_t timeoutMicroseconds);

}  // namespace quorvel::winsock
