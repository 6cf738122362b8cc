#include "probe/Schedule.h"

#include <algorithm>
#include <cmath>

namespace quorvel::probe {
namespace {

constexpr std::chrono::nanoseconds kShortestInterval = std::chrono::milliseconds(1);
// Probes due this soon after a wake-up go with it: many targets then cost
// a few wake-ups a millisecond, not one each, and none goes late for it.
constexpr std::chrono::nanoseconds kEarly = std::chrono::microseconds(250);

// The n-th target's place in its interval, as a fraction: the golden ratio's
// multiples modulo 1 spread any number of targets evenly, however many come
// and go.
double Place(std::uint64_t n) {
  const double golden = 0.6180339887498949;
  return std::fmod(static_cast<double>(n) * golden, 1.0);
}

}  // namespace

TargetId Schedule::Add(const TargetSettings& settings, TimePoint now) {
  Target target{settings, now};
  target.settings.interval = std::max(settings.interval, kShortestInterval);
  target.due = now + std::chrono::duration_cast<std::chrono::nanoseconds>(target.settings.interval *
                                                                          Place(added_++));
  const TargetId id = next_++;
  queue_.emplace(target.due, id);
  targets_.emplace(id, target);
  return id;
}

bool Schedule::Remove(TargetId id) {
  const auto found = targets_.find(id);
  if (found == targets_.end()) return false;
  queue_.erase({found->second.due, id});
  targets_.erase(found);
  return true;
}

std::optional<TimePoint> Schedule::NextDeadline() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.begin()->first;
}

void Schedule::HandleTime(TimePoint now) {
  // Each target is sent at most once per call, so the loop ends.
  std::vector<std::pair<TimePoint, TargetId>> due;
  for (auto at = queue_.begin(); at != queue_.end() && at->first <= now + kEarly; ++at)
    due.push_back(*at);
  for (const auto& [when, id] : due) {
    queue_.erase({when, id});
    Target& target = targets_.at(id);
    ProbeRequest request;
    request.target = target.settings.address;
    request.ttl = target.settings.ttl;
    request.payloadSize = target.settings.payloadSize;
    request.timeout = target.settings.timeout;
    request.tag = id;
    request.due = when;
    engine_.Send(request, now);
    // A grid of its own: the next probe is due one interval after this
    // one was due, unless it fell a whole interval behind.
    target.due = when + target.settings.interval;
    if (target.due <= now)
      target.due = now + target.settings.interval - (now - when) % target.settings.interval;
    queue_.emplace(target.due, id);
  }
}

}  // namespace quorvel::probe
