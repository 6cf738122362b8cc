// A non-blocking ICMP socket of the process's own for one family: the
// datagram kind that net.ipv4.ping_group_range opens to ordinary users,
// whose errors come through the error queue, or a raw one. Both ask the
// kernel for receive time stamps and the answer's TTL or hop limit.
#pragma once

#include <memory>

#include "probe/Transport.h"

namespace quorvel::probe {

class IcmpSocket final : public Transport {
 public:
  // nullopt-like: nullptr with `error` set when the system refuses the socket.
  static std::unique_ptr<IcmpSocket> Open(wire::Family family, bool raw, int* error);
  ~IcmpSocket() override;
  IcmpSocket(const IcmpSocket&) = delete;
  IcmpSocket& operator=(const IcmpSocket&) = delete;

  std::vector<int> Descriptors() const override { return {fd_}; }
  std::array<std::uint8_t, 2> Identifier(wire::Family) const override { return identifier_; }
  std::optional<Completion> Send(const wire::IpAddress& to, int ttl,
                                 std::span<const std::uint8_t> request,
                                 std::uint64_t token) override;
  void Receive(int fd, std::vector<Arrival>& arrivals,
               std::vector<Completion>& completions) override;

 private:
  IcmpSocket(wire::Family family, bool raw, int fd);
  // One recvmsg; false when nothing more waits.
  bool ReceiveOne(int flags, std::vector<Arrival>& arrivals);

  wire::Family family_;
  bool raw_;
  int fd_;
  int ttl_ = 0;  // what the socket has now; 0 is the system's default
  std::array<std::uint8_t, 2> identifier_{};
  std::vector<std::uint8_t> buffer_;
};

}  // namespace quorvel::probe
