// What carries the engine's echo requests and brings back what answers
// them: a socket of the process's own (IcmpSocket.h) or the echo helper
// (HelperLink.h). All of it non-blocking.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wire/Address.h"
#include "wire/ControlMessages.h"

namespace quorvel::probe {

// One message read: an ICMP message without its IP header, or an error
// that the datagram socket's error queue reported, with our request as it
// quoted it in `message`.
struct Arrival {
  wire::Family family = wire::Family::kIpv4;
  wire::IpAddress from;
  std::uint8_t ttl = 0;
  std::optional<std::int64_t> stampNs;  // the kernel's CLOCK_REALTIME receive stamp
  std::optional<wire::QueuedError> error;
  std::vector<std::uint8_t> message;  // as far as it was read
  std::size_t size = 0;               // the message's whole size
};

// How a send ended: at once for our own sockets, later for the helper.
struct Completion {
  std::uint64_t token = 0;
  int error = 0;
  std::int64_t sentNs = 0;  // CLOCK_REALTIME right before the send
};

class Transport {
 public:
  virtual ~Transport() = default;
  virtual std::vector<int> Descriptors() const = 0;
  // The identifier that requests leave with, which answers carry back.
  virtual std::array<std::uint8_t, 2> Identifier(wire::Family family) const = 0;
  // Sends `request`; nullopt when the completion comes later through Receive.
  virtual std::optional<Completion> Send(const wire::IpAddress& to, int ttl,
                                         std::span<const std::uint8_t> request,
                                         std::uint64_t token) = 0;
  // Takes a bounded number of messages waiting on `fd`.
  virtual void Receive(int fd, std::vector<Arrival>& arrivals,
                       std::vector<Completion>& completions) = 0;
};

}  // namespace quorvel::probe
