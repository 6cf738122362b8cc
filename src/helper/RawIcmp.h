// The raw ICMP sockets that answers are read from, in the echo helper and in
// a probe engine that may hold them itself: they let through only the types
// that can answer an echo request, and report the kernel's receive time
// stamp and, for IPv6, the hop limit and the address it came to. And one receive with its ancillary
// data.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstdint>
#include <span>

#include "wire/Address.h"
#include "wire/ControlMessages.h"

namespace quorvel::helper {

// A non-blocking raw socket of the family, or -errno.
int OpenRawIcmp(wire::Family family);

// One recvmsg (never waiting) into `buffer`; the size, or -1 with errno set.
ssize_t ReceiveMessage(int fd, std::span<std::uint8_t> buffer, int flags, sockaddr_storage* from,
                       wire::ReceiveInfo* info);

// The address of a received message's sender.
wire::IpAddress FromSocketAddress(const sockaddr_storage& address);

}  // namespace quorvel::helper
