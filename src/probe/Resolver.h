// Name resolution that never blocks the caller's loop: names resolve on
// worker threads through the system's resolver, and the answers are handed
// over when the caller's loop finds the resolver readable. Every address of
// a name, IPv4 and IPv6, comes in the order the system prefers (RFC 6724,
// /etc/gai.conf); an address's own name comes from its reverse answer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "probe/Driven.h"
#include "wire/Address.h"

namespace quorvel::probe {

struct Resolution {
  std::uint64_t id = 0;
  // The name looked up; for an address's own name, the name found (empty
  // when it has none).
  std::string name;
  // The name's addresses (empty when it failed); for an address's own name,
  // that address.
  std::vector<wire::IpAddress> addresses;
  int error = 0;        // getaddrinfo's EAI_ code; 0 on success
  std::string message;  // the system's text for the failure
};

using ResolutionHandler = std::function<void(const Resolution&)>;

class Resolver final : public Driven {
 public:
  // `onResolved` is called from HandleReadable only, once per Resolve that
  // was not cancelled.
  explicit Resolver(ResolutionHandler onResolved);
  // Waits for names already being looked up (bounded by the system
  // resolver's own time-outs) before it returns.
  ~Resolver() override;
  Resolver(const Resolver&) = delete;
  Resolver& operator=(const Resolver&) = delete;

  std::uint64_t Resolve(const std::string& name);
  // Looks up the name an address gives itself (its PTR record or the hosts
  // file), never falling back to the address's text.
  std::uint64_t ResolveAddress(const wire::IpAddress& address);
  bool Cancel(std::uint64_t id);

  std::vector<int> Descriptors() const override;
  std::optional<TimePoint> NextDeadline() const override { return std::nullopt; }
  void HandleReadable(int fd, TimePoint now) override;
  void HandleTime(TimePoint) override {}

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel::probe
