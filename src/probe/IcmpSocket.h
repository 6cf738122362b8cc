// A non-blocking ICMP socket of the process's own for one family: the
// datagram kind that net.ipv4.ping_group_range opens to ordinary users,
// whose errors come through the error queue, or a raw one. Both ask the
// kernel for receive time stamps and the answer's TTL or hop limit.
#pragma once

#include <sys/socket.h>

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
  // Messages one receive takes, and the room of each: an answer that is
  // larger (to a probe that was) is cut, its size kept.
  static constexpr std::size_t kBatch = 16;
  static constexpr std::size_t kSlot = 4096;

  // One recvmmsg; how many messages it took.
  std::size_t ReceiveBatch(int flags, std::vector<Arrival>& arrivals);
  void Take(int flags, std::span<const std::uint8_t> message, std::size_t size,
            const sockaddr_storage& from, const wire::ReceiveInfo& info,
            std::vector<Arrival>& arrivals) const;

  wire::Family family_;
  bool raw_;
  int fd_;
  int ttl_ = 0;  // what the socket has now; 0 is the system's default
  std::array<std::uint8_t, 2> identifier_{};
  std::vector<std::uint8_t> buffer_;
};

}  // namespace quorvel::probe
