// Probes each target at its own interval through the engine, on a fixed
// grid so that lateness never accumulates, with the targets' first probes
// spread over the interval so that many targets never fire in the same
// millisecond. The outcome of a scheduled probe carries its TargetId as tag.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <utility>

#include "probe/Engine.h"

namespace quorvel::probe {

using TargetId = std::uint64_t;

struct TargetSettings {
  wire::IpAddress address;
  std::chrono::nanoseconds interval = std::chrono::seconds(1);
  std::chrono::nanoseconds timeout = std::chrono::seconds(1);
  int ttl = 0;
  std::size_t payloadSize = kDefaultPayload;
};

class Schedule final : public Driven {
 public:
  explicit Schedule(Engine& engine) : engine_(engine) {}

  // The target's first probe goes within one interval from `now`, at a place
  // of its own in it. An interval under 1 ms counts as 1 ms.
  TargetId Add(const TargetSettings& settings, TimePoint now);
  // Stops probing; probes already sent still end with their outcome.
  bool Remove(TargetId id);
  std::size_t Size() const { return targets_.size(); }

  std::vector<int> Descriptors() const override { return {}; }
  std::optional<TimePoint> NextDeadline() const override;
  void HandleReadable(int, TimePoint) override {}
  // Sends every probe due by `now`, and those due within a quarter of a
  // millisecond after. A target that fell more than an interval behind (a
  // suspended machine) skips what it missed rather than bursting.
  void HandleTime(TimePoint now) override;

 private:
  struct Target {
    TargetSettings settings;
    TimePoint due;
  };

  Engine& engine_;
  TargetId next_ = 1;
  std::uint64_t added_ = 0;
  std::map<TargetId, Target> targets_;
  std::set<std::pair<TimePoint, TargetId>> queue_;
};

}  // namespace quorvel::probe
