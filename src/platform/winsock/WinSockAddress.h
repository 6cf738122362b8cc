// Checks and copies the caller's socket addresses: only the 16-byte IPv4
// form is served.
#pragma once

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Returns 0 or a Windows Sockets error.
int ReadAddress(const TSockAddr* address, int length, TSockAddrIn* out);
// Checks room for an address before a call that fills one in; where
// `optional`, a null address means the caller wants none.
int CheckAddressRoom(const TSockAddr* address, const int* length, bool optional);
// Copies into room that CheckAddressRoom accepted; updates the length.
void WriteAddress(const TSockAddrIn& address, TSockAddr* out, int* length);

}  // namespace quorvel::winsock
