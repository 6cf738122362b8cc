// A scripted peer inside a test namespace: it takes the first datagram of its
// protocol that arrives there (an echo request, for ICMP), or every one for
// up to 10 s, and sends back what its script makes of each, so a test can
// answer with any bytes it likes, from any address of the namespace.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::test {

struct PeerAnswer {
  std::vector<std::uint8_t> message;  // what follows the IP header
  int delayMs = 0;                    // pause before this answer
  std::string source = {};            // an address of the namespace; the route's when empty
};

// Given the request datagram, IP header included, the answers to send to its source.
using PeerScript = std::function<std::vector<PeerAnswer>(std::span<const std::uint8_t>)>;

class IcmpPeer {
 public:
  // Ready to receive when constructed; throws std::system_error when the
  // namespace or the raw socket cannot be had. ipOptions, when given, are
  // sent in the IP header of every answer; everyRequest serves each request
  // that comes, not only the first.
  IcmpPeer(const std::string& fullNamespace, int protocol, PeerScript script,
           std::vector<std::uint8_t> ipOptions = {}, bool everyRequest = false);
  ~IcmpPeer();
  IcmpPeer(const IcmpPeer&) = delete;
  IcmpPeer& operator=(const IcmpPeer&) = delete;

  // How many answers went out; waits for the script to finish first.
  int AnswersSent();

 private:
  void Serve(std::stop_token stop, int fd);

  PeerScript script_;
  bool everyRequest_;
  std::atomic<int> sent_{0};
  std::jthread server_;
};

// ICMP messages with their checksum, for scripts. Multi-byte fields go out
// exactly as given; the sequence bytes are copied as the request has them.
std::vector<std::uint8_t> IcmpMessage(std::uint8_t type, std::uint8_t code,
                                      std::span<const std::uint8_t> body);
// The request's echo identifier and sequence bytes (ICMP offsets 4 to 7).
std::vector<std::uint8_t> EchoIdAndSequence(std::span<const std::uint8_t> request);

}  // namespace quorvel::test
