// What quorvel-monitor watches: it resolves the targets' names, probes each
// target at its interval through the probe engine and records every outcome
// in the model, whose subscribers (the metrics) follow; it also runs the
// single probes that scrapes ask for from the serving threads. One thread,
// the program's poll loop, drives it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/service/TargetsFile.h"
#include "monitor/Monitor.h"
#include "outputs/FileHandle.h"
#include "outputs/ProbeReport.h"
#include "outputs/TargetMetrics.h"
#include "probe/Engine.h"
#include "probe/Resolver.h"
#include "probe/Schedule.h"

class TTargetWatch final : public quorvel::probe::Driven {
 public:
  // How long a name that did not resolve waits before it is asked again.
  static constexpr std::chrono::seconds ResolveRetry{30};

  TTargetWatch(TMonitor& AMonitor, TTargetMetrics& AMetrics, std::chrono::nanoseconds AInterval,
               std::chrono::nanoseconds ATimeout,
               const quorvel::probe::EngineOptions& AEngine = {});
  ~TTargetWatch() override;

  // Watches exactly ATargets from now on. A target watched before keeps its
  // figures, its interval changed or not; one that left loses them.
  void Watch(const std::vector<TTargetEntry>& ATargets);
  std::size_t Count() const { return FTargets.size(); }
  quorvel::probe::SocketKind Kind(quorvel::wire::Family AFamily) const {
    return FEngine.Kind(AFamily);
  }

  // From any thread: probes AHost once and waits for the outcome, at most
  // ATimeout and a second more.
  TProbeReport ProbeOnce(const std::string& AHost, std::chrono::nanoseconds ATimeout);

  // Told what goes wrong with a target that the program goes on without.
  std::function<void(const std::string&)> OnMessage;

  std::vector<int> Descriptors() const override;
  std::optional<quorvel::probe::TimePoint> NextDeadline() const override;
  void HandleReadable(int AFd, quorvel::probe::TimePoint ANow) override;
  void HandleTime(quorvel::probe::TimePoint ANow) override;

 private:
  struct TTarget {
    std::chrono::nanoseconds Interval;
    quorvel::wire::IpAddress Address;
    std::uint64_t Resolving = 0;  // the lookup of its name, while it runs
    std::optional<quorvel::probe::TargetId> Scheduled;
    std::optional<quorvel::probe::TimePoint> RetryAt;
  };
  struct TJob;

  void Start(const std::string& AHost, TTarget& ATarget);
  void Begin(const std::string& AHost, TTarget& ATarget, const quorvel::wire::IpAddress& AAddress);
  void Drop(const std::string& AHost, TTarget& ATarget);
  void Resolved(const quorvel::probe::Resolution& AResolution);
  void Finished(const quorvel::probe::Outcome& AOutcome);
  void TakeJobs(quorvel::probe::TimePoint ANow);
  void SendJob(const std::shared_ptr<TJob>& AJob, const quorvel::wire::IpAddress& AAddress,
               quorvel::probe::TimePoint ANow);

  TMonitor& FMonitor;
  TTargetMetrics& FMetrics;
  const std::chrono::nanoseconds FInterval;
  const std::chrono::nanoseconds FTimeout;
  quorvel::probe::Engine FEngine;
  quorvel::probe::Schedule FSchedule;
  quorvel::probe::Resolver FResolver;
  std::map<std::string, TTarget, std::less<>> FTargets;
  std::map<quorvel::probe::TargetId, std::string> FScheduled;
  std::map<std::uint64_t, std::string> FResolving;
  // Names that did not resolve, by when they are asked again.
  std::set<std::pair<quorvel::probe::TimePoint, std::string>> FRetries;
  // The single probes: asked for under the lock, then looked up and sent here.
  std::mutex FJobsLock;
  std::deque<std::shared_ptr<TJob>> FArrived;
  TFileHandle FJobsReady;
  std::map<std::uint64_t, std::shared_ptr<TJob>> FJobsResolving;
  std::map<std::uint64_t, std::shared_ptr<TJob>> FJobsInFlight;
  std::uint64_t FJobNumber = 0;
};
