// The targets watched side by side (the Hosts page, a program without a
// window): each a host text probed at its own interval through the
// concurrent probe engine, its name resolved off the caller's loop, its
// attempts recorded in the model as the session of that host text. Qt-free;
// it never waits by itself: the caller's loop drives it (probe/Driven.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Monitor.h"
#include "monitor/TargetHealth.h"
#include "probe/Engine.h"
#include "probe/Resolver.h"
#include "probe/Schedule.h"
#include "rtl/SysUtils.h"

// A target that cannot be added or changed; the message says why.
class ETargetError : public Exception {
 public:
  using Exception::Exception;
};

struct TTargetSettings {
  static constexpr std::chrono::milliseconds MinInterval{10};
  static constexpr std::chrono::milliseconds MaxInterval{3'600'000};
  static constexpr std::chrono::milliseconds MinTimeOut{100};
  static constexpr std::chrono::milliseconds MaxTimeOut{60'000};
  // The longest host text: a name in the system's resolver has at most 253.
  static constexpr std::size_t MaxHostBytes = 255;

  std::string Host;
  std::chrono::milliseconds Interval{1000};
  std::chrono::milliseconds TimeOut{1000};
  THealthRule Rule;
  bool Paused = false;
};

// Raises ETargetError when ASettings cannot be watched: an empty host, one
// longer than MaxHostBytes or holding a control character, an interval or
// time-out out of its range, or a loss threshold over 100 percent.
void CheckTargetSettings(const TTargetSettings& ASettings);

struct TTarget {
  TTargetSettings Settings;
  // The address probed, the one the system prefers; none until the name
  // resolved, or when it did not.
  std::optional<quorvel::wire::IpAddress> Address;
  // How many addresses the name had.
  std::size_t AddressCount = 0;
  // Why the name did not resolve at its last try; empty otherwise.
  std::string Problem;
};

class TTargets final : public quorvel::probe::Driven {
 public:
  // The most targets watched at once.
  static constexpr std::size_t MaxTargets = 1000;
  // A name that did not resolve is tried again after this, or its interval
  // when that is longer.
  static constexpr std::chrono::seconds RetryAfter{5};

  // Records every attempt in AMonitor, which must outlive it. Raises what
  // the probe engine's start raises.
  TTargets(TMonitor& AMonitor, const quorvel::probe::EngineOptions& AOptions);
  ~TTargets() override;

  // Watches a new target from now, with its health rule set in the model.
  // Raises ETargetError for settings CheckTargetSettings refuses, a host
  // already watched, or one past MaxTargets.
  void Add(const TTargetSettings& ASettings);
  // Stops watching AHost and ends its session; false when it is not watched.
  bool Remove(const std::string& AHost);
  // Changes the interval, time-out, rule and pause of the watched target
  // ASettings.Host. Raises ETargetError as Add does, and when it is not watched.
  void Change(const TTargetSettings& ASettings);
  // Ends the session of AHost: its figures start again.
  void ClearFigures(const std::string& AHost);

  // The watched targets, in the order they were added.
  const std::vector<TTarget>& Targets() const { return FTargets; }
  const TTarget* Find(const std::string& AHost) const;
  const TMonitor& Monitor() const { return FMonitor; }
  // What carries the probes of AFamily; kNone when the user may send none.
  quorvel::probe::SocketKind Kind(quorvel::wire::Family AFamily) const {
    return FEngine.Kind(AFamily);
  }

  // After a name resolved or failed to: the target as it is now.
  std::function<void(const TTarget&)> OnResolved;

  std::vector<int> Descriptors() const override;
  std::optional<quorvel::probe::TimePoint> NextDeadline() const override;
  void HandleReadable(int AFd, quorvel::probe::TimePoint ANow) override;
  void HandleTime(quorvel::probe::TimePoint ANow) override;

 private:
  // How a target is probed now: its schedule entry, or the lookup or retry of its name.
  struct TRun {
    std::optional<quorvel::probe::TargetId> Scheduled;
    std::optional<std::uint64_t> Lookup;
    std::optional<quorvel::probe::TimePoint> Retry;
  };
  TTarget* Mutable(const std::string& AHost);
  void Start(TTarget& ATarget, quorvel::probe::TimePoint ANow);
  void Stop(const std::string& AHost);
  void Resolved(const quorvel::probe::Resolution& AResolution);
  void Outcome(const quorvel::probe::Outcome& AOutcome);

  TMonitor& FMonitor;
  std::vector<TTarget> FTargets;
  std::map<std::string, TRun, std::less<>> FRuns;
  // The host of every scheduled target and of every name being looked up.
  std::map<quorvel::probe::TargetId, std::string> FScheduled;
  std::map<std::uint64_t, std::string> FLookups;
  // Names waiting to be tried again: none, and no target is looked at for it.
  std::size_t FRetries = 0;
  quorvel::probe::Engine FEngine;
  quorvel::probe::Schedule FSchedule;
  quorvel::probe::Resolver FResolver;
};
