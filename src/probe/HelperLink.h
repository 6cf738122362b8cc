// The echo helper as the engine's carrier for users who may open neither
// datagram nor raw ICMP sockets: one long-lived helper for both families,
// with as many requests in flight as the engine sends. Commands go out
// without waiting; their results and the helper's relays come back on the
// two channels, which the engine's loop watches.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "helper/HelperLaunch.h"
#include "probe/Transport.h"

namespace quorvel::probe {

class HelperLink final : public Transport {
 public:
  // Starts the helper at `path`; nullptr with `error` set when it cannot be
  // started or opened no raw socket at all.
  static std::unique_ptr<HelperLink> Launch(const std::string& path, int* error);
  ~HelperLink() override;
  HelperLink(const HelperLink&) = delete;
  HelperLink& operator=(const HelperLink&) = delete;

  // Whether the helper holds a raw socket of the family; else its errno.
  int FamilyError(wire::Family family) const;

  std::vector<int> Descriptors() const override { return {process_.control, process_.data}; }
  std::array<std::uint8_t, 2> Identifier(wire::Family) const override { return identifier_; }
  std::optional<Completion> Send(const wire::IpAddress& to, int ttl,
                                 std::span<const std::uint8_t> request,
                                 std::uint64_t token) override;
  void Receive(int fd, std::vector<Arrival>& arrivals,
               std::vector<Completion>& completions) override;

 private:
  HelperLink(const helper::HelperProcess& process, const wire::HelperResult& ready);
  void TakeResults(std::vector<Completion>& completions);
  void TakeRelays(std::vector<Arrival>& arrivals);
  void Silence();

  helper::HelperProcess process_;
  wire::HelperResult ready_;
  std::array<std::uint8_t, 2> identifier_{};
  std::deque<std::uint64_t> unanswered_;  // tokens of the commands sent, oldest first
  bool gone_ = false;
  int quietPeer_ = -1;
};

}  // namespace quorvel::probe
