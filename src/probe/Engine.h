// The concurrent probe engine: ICMP echo probes to IPv4 and IPv6 targets,
// thousands in flight on one non-blocking socket per family, each ending in
// exactly one outcome, with round trips from kernel receive time stamps.
// Qt-free; it never waits by itself (Driven.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "probe/Driven.h"
#include "wire/Address.h"

namespace quorvel::probe {

using ProbeId = std::uint64_t;

// The bytes after the ICMP header: the first eight carry the probe's serial,
// so an answer is told from another program's and from a late one.
inline constexpr std::size_t kMinPayload = 8;
inline constexpr std::size_t kDefaultPayload = 56;

struct ProbeRequest {
  wire::IpAddress target;
  // Time-to-live (IPv4) or hop limit (IPv6), 1 to 255; 0 is the system's default.
  int ttl = 0;
  // Bytes after the ICMP header; raised to kMinPayload when less.
  std::size_t payloadSize = kDefaultPayload;
  std::chrono::nanoseconds timeout = std::chrono::seconds(1);
  // The caller's own mark, given back with the outcome (a target's number, a hop).
  std::uint64_t tag = 0;
  // When the caller meant the probe to go; given back, so lateness can be judged.
  std::optional<TimePoint> due;
};

enum class OutcomeKind : std::uint8_t {
  kReply,             // the target answered
  kTimeout,           // nothing answered within the time-out
  kUnreachable,       // destination unreachable, with its code
  kTimeExceeded,      // a router's time exceeded: the TTL or hop limit ran out
  kPacketTooBig,      // the probe was larger than a link's MTU (`mtu`)
  kParameterProblem,  // a router or the target found the header unacceptable
  kSendError,         // the probe never went out (`error` says why)
};

const char* OutcomeName(OutcomeKind kind);

struct Outcome {
  ProbeId id = 0;
  std::uint64_t tag = 0;
  OutcomeKind kind = OutcomeKind::kTimeout;
  wire::IpAddress target;
  // Who answered: the target, or the router that sent the error; the target
  // for a time-out and a send error.
  wire::IpAddress from;
  std::uint8_t ttl = 0;  // of the answer as received; 0 when unknown
  std::uint8_t icmpType = 0;
  std::uint8_t icmpCode = 0;
  std::uint32_t mtu = 0;  // packet too big only
  std::size_t bytes = 0;  // the answer's ICMP message, header included
  std::uint16_t sequence = 0;
  int error = 0;  // errno of a send error
  std::optional<TimePoint> due;
  TimePoint sentAt{};
  // From right before the send to the kernel's receive time stamp (or the
  // moment of reading, where the kernel gave none); for a time-out, how long
  // the engine waited.
  std::chrono::nanoseconds roundTrip{0};
};

using OutcomeHandler = std::function<void(const Outcome&)>;

// What serves a family, in the order an ordinary user gets them.
enum class SocketKind : std::uint8_t {
  kNone,      // nothing: every probe of the family ends in a send error
  kDatagram,  // the ICMP datagram socket (net.ipv4.ping_group_range)
  kHelper,    // the echo helper, quorvel-icmp-helper
  kRaw,       // a raw socket of the process's own
};

const char* SocketKindName(SocketKind kind);

struct EngineOptions {
  // Whether the process may use a raw socket of its own where it holds the
  // right. The window program never does.
  bool allowRaw = false;
  // The echo helper's absolute path; empty: none is started.
  std::string helperPath;
  // Kinds to pass over, for tests and benchmarks that compare them.
  bool skipDatagram = false;
  bool skipHelper = false;
};

class Engine final : public Driven {
 public:
  // Opens the sockets for both families at once; the descriptors stay the
  // same for the engine's life. `onOutcome` is called from HandleReadable
  // and HandleTime only, never from Send; it may call Send and Cancel.
  explicit Engine(OutcomeHandler onOutcome, const EngineOptions& options = {});
  ~Engine() override;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Sends a probe at once. Its one outcome follows through the handler
  // (a send error at the next HandleTime, which NextDeadline then names).
  ProbeId Send(const ProbeRequest& request, TimePoint now = Clock::now());
  // Forgets a probe in flight: no outcome follows. False when it had ended.
  bool Cancel(ProbeId id);

  std::size_t InFlight() const;
  SocketKind Kind(wire::Family family) const;

  std::vector<int> Descriptors() const override;
  std::optional<TimePoint> NextDeadline() const override;
  void HandleReadable(int fd, TimePoint now) override;
  void HandleTime(TimePoint now) override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel::probe
