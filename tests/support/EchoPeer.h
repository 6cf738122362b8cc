// A scripted echo host inside a test namespace, for IPv4 and IPv6: the
// kernel there answers no echo itself; this peer collects a number of echo
// requests and then sends what its script makes of them, in any order, late,
// or changed, so a test sees answers no well-behaved host would give.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "wire/Address.h"

namespace quorvel::test {

struct EchoRequestSeen {
  wire::IpAddress from;
  std::vector<std::uint8_t> message;  // the ICMP message
};

struct EchoAnswer {
  std::size_t to = 0;                 // index of the request whose sender gets it
  std::vector<std::uint8_t> message;  // the ICMP message; its checksum is filled in
  int delayMs = 0;                    // pause before it
};

using EchoScript = std::function<std::vector<EchoAnswer>(const std::vector<EchoRequestSeen>&)>;

class EchoPeer {
 public:
  // Ready when constructed: turns off the namespace's own echo replies and
  // waits (up to 10 s) for `count` requests of `family`, then plays the script.
  EchoPeer(const std::string& fullNamespace, wire::Family family, std::size_t count,
           EchoScript script);
  ~EchoPeer();
  EchoPeer(const EchoPeer&) = delete;
  EchoPeer& operator=(const EchoPeer&) = delete;

 private:
  std::jthread server_;
};

// An echo host that answers each request in turn after delayMs, and leaves
// every loseEvery-th one unanswered, until it goes.
class SteadyEchoPeer {
 public:
  SteadyEchoPeer(const std::string& fullNamespace, wire::Family family, int delayMs, int loseEvery);
  ~SteadyEchoPeer();
  SteadyEchoPeer(const SteadyEchoPeer&) = delete;
  SteadyEchoPeer& operator=(const SteadyEchoPeer&) = delete;

 private:
  std::jthread server_;
};

// A request turned into its echo reply, unchanged otherwise.
std::vector<std::uint8_t> ReplyTo(const EchoRequestSeen& request);

}  // namespace quorvel::test
