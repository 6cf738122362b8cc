// Names, addresses and services, looked up through the system resolver and
// answered as the library's per-thread entries.
#pragma once

#include <cstdint>

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Each returns null and sets `error` to a Windows Sockets code on failure.
// An empty name means this host.
THostEnt* HostByName(const char* name, int* error);
THostEnt* HostByAddress(std::uint32_t address, int* error);  // network order
TServEnt* ServiceByName(const char* name, const char* protocol, int* error);
TServEnt* ServiceByPort(int port, const char* protocol, int* error);  // network order

// Returns 0 or WSAEFAULT when the buffer cannot hold the name and its NUL.
int CopyHostName(char* buffer, int length);

// A dotted IPv4 address in any form inet_aton accepts, in network order;
// INADDR_NONE_WS when the text is none.
std::uint32_t ParseAddress(const char* text);

}  // namespace quorvel::winsock
