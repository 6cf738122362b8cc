// How a caller's loop drives the probe engine's parts, which never wait by
// themselves: each names the descriptors to watch for reading and its next
// deadline, and is handed readiness and time. The window does it through
// socket notifiers and a timer, quorvel-monitor through poll (PollLoop.h).
#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace quorvel::probe {

// Every time of the engine is of the monotonic clock.
using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

class Driven {
 public:
  virtual ~Driven() = default;

  // Descriptors to watch for reading, fixed from construction to the end.
  // An error pending on one counts as readable (poll's POLLERR).
  virtual std::vector<int> Descriptors() const = 0;
  // When HandleTime is next due; nullopt while nothing waits on time.
  // Changes after every call of this object, so ask again after each.
  virtual std::optional<TimePoint> NextDeadline() const = 0;
  // `fd` (one of Descriptors) is readable: take what is waiting without blocking.
  virtual void HandleReadable(int fd, TimePoint now) = 0;
  // Does what is due by `now`. Harmless when nothing is.
  virtual void HandleTime(TimePoint now) = 0;
};

}  // namespace quorvel::probe
