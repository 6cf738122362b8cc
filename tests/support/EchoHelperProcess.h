// The echo helper started the way the socket library starts it, with both of
// its channels in the test's hands, for tests that speak its protocol.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "support/ScopedFd.h"
#include "wire/HelperMessages.h"

namespace quorvel::test {

class EchoHelperProcess {
 public:
  // Starts the helper beside this test program; throws std::system_error
  // when it cannot be started.
  EchoHelperProcess();
  ~EchoHelperProcess();
  EchoHelperProcess(const EchoHelperProcess&) = delete;
  EchoHelperProcess& operator=(const EchoHelperProcess&) = delete;

  static std::string Path();

  // The errno its IPv4 raw socket opened with, or nullopt when it said nothing.
  std::optional<int> Ready();
  // The same for its IPv6 raw socket.
  std::optional<int> Ipv6Ready();
  // Sends a command's bytes and returns the errno of its result, or nullopt
  // when no result came within 2 s.
  std::optional<int> Command(std::span<const std::uint8_t> bytes);
  // The next relay passed on within `timeoutMs`, or nullopt.
  std::optional<std::vector<std::uint8_t>> Datagram(int timeoutMs);
  // Closes the control channel, as a parent that goes away does.
  void CloseControl();
  // Whether the helper has ended within `timeoutMs` (it is reaped then).
  bool EndsWithin(int timeoutMs);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  ScopedFd control_;
  ScopedFd data_;
  std::optional<wire::HelperResult> ready_;
};

// Whether the helper beside this test program can open its raw socket.
bool EchoHelperAllowed();

}  // namespace quorvel::test
