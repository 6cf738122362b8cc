// Per-thread storage behind the host and service entries that lookups hand
// out: each thread has one of each, overwritten by its next lookup of that
// kind, as Windows Sockets callers expect.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Addresses are IPv4 in network order. May throw std::bad_alloc.
THostEnt* StoreHostEntry(const std::string& name, const std::vector<std::uint32_t>& addresses);
// The port is in network order. May throw std::bad_alloc.
TServEnt* StoreServiceEntry(const std::string& name, const std::vector<std::string>& aliases,
                            const std::string& protocol, std::uint16_t port);

}  // namespace quorvel::winsock
