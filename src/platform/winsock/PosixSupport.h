// What the modules that call the POSIX socket layer share: the translation
// of addresses, message flags and failures. It includes the system's socket
// declarations, so the exports never include it.
#pragma once

#include <netinet/in.h>

#include "platform/winsock/PosixSockets.h"

namespace quorvel::winsock {

PosixResult Success(int value);
PosixResult Failure(int error);
// The failure that errno names.
PosixResult FromErrno();
// A failed send or receive: errno, or WSAETIMEDOUT when SO_RCVTIMEO or
// SO_SNDTIMEO ran out.
PosixResult TransferFailure(bool datagram);

sockaddr_in ToPosix(const TSockAddrIn& address);
TSockAddrIn FromPosix(const sockaddr_in& address);

// Windows Sockets message flags as Linux ones; -1 when a flag has no counterpart.
int PosixMessageFlags(int flags);

}  // namespace quorvel::winsock
