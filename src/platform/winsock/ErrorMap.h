// Translates system error numbers and resolver failures into the error codes
// that Windows Sockets callers expect.
#pragma once

namespace quorvel::winsock {

// Any errno outside the socket set becomes WSAEINVAL.
int WsaErrorFromErrno(int error);

// As WsaErrorFromErrno, for an error reported on a socket. A datagram socket
// that got "port unreachable" back reports a reset, as Windows Sockets does,
// where Linux says ECONNREFUSED.
int WsaErrorFromSocketErrno(int error, bool datagram);

// A getaddrinfo/getnameinfo status; `error` is errno, read for EAI_SYSTEM.
int WsaErrorFromAddrInfo(int status, int error);

}  // namespace quorvel::winsock
