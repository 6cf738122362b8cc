// A tiny DNS server for tests: on UDP 127.0.0.1:53 inside the test's network
// namespace, it answers A and PTR queries for the names a test configures.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "support/ScopedFd.h"

namespace quorvel::test {

struct DnsRecord {
  std::string name;                    // matched without regard to case or a final dot
  std::vector<std::string> addresses;  // dotted IPv4, answered in this order
  std::string pointer = {};            // the PTR answer for `name`; none when empty
};

// The reverse name of an IPv4 or IPv6 address, under in-addr.arpa or
// ip6.arpa, for a PTR record; throws std::invalid_argument for other text.
std::string ReverseName(const std::string& address);

// The names a responder knows. Throws std::invalid_argument for an address
// that is no dotted IPv4.
class DnsZone {
 public:
  explicit DnsZone(const std::vector<DnsRecord>& records);

  // The answer to one query, or nothing for a message that is not a
  // well-formed standard query: A records (or its PTR record) for a
  // configured name, no records (NOERROR) for another type of a configured
  // name, NXDOMAIN for any other.
  std::optional<std::vector<std::uint8_t>> Answer(std::span<const std::uint8_t> query) const;

 private:
  struct Entry {
    std::string name;
    std::vector<std::array<std::uint8_t, 4>> addresses;
    std::string pointer;
  };
  std::vector<Entry> entries_;
};

// How long a responder takes to answer each query; Never leaves every query
// unanswered, as a name server that is down does.
struct DnsDelay {
  std::chrono::milliseconds wait{0};
  bool never = false;
};
inline constexpr DnsDelay kDnsNeverAnswers{std::chrono::milliseconds(0), true};

// Serves from construction until destruction, on a thread of its own. Throws
// std::system_error when the port cannot be had (outside the test namespace).
class DnsResponder {
 public:
  explicit DnsResponder(const std::vector<DnsRecord>& records, DnsDelay delay = {});
  // For brace lists: DnsResponder responder{{"echo.test", {"127.0.0.9"}}};
  DnsResponder(std::initializer_list<DnsRecord> records)
      : DnsResponder(std::vector<DnsRecord>(records)) {}
  ~DnsResponder();
  DnsResponder(const DnsResponder&) = delete;
  DnsResponder& operator=(const DnsResponder&) = delete;

  int QueriesAnswered() const { return answered_.load(); }

 private:
  void Serve(std::stop_token stop);

  DnsZone zone_;
  DnsDelay delay_;
  ScopedFd socket_;
  std::atomic<int> answered_{0};
  std::jthread server_;  // last: joined before the socket closes
};

}  // namespace quorvel::test
