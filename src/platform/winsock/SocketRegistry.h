// The sockets this library opened, by handle: only these may be used or
// closed through it. A handle is the socket's descriptor number.
#pragma once

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Takes ownership of `fd`; on failure (no memory) closes it and returns false.
bool RegisterSocket(int fd, int type);
// The socket's Windows Sockets type, or 0 when the handle is not ours.
int SocketType(TSocket handle);
// Forgets and closes the socket; false when the handle is not ours.
bool CloseSocket(TSocket handle);
void CloseAllSockets();

}  // namespace quorvel::winsock
