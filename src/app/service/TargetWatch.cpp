#include "app/service/TargetWatch.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <future>

#include "monitor/ProbeAttempt.h"
#include "probe/SystemError.h"

namespace probe = quorvel::probe;
namespace wire = quorvel::wire;
using namespace std::chrono_literals;

namespace {

// Tags of the single probes; the schedule's targets count up from 1.
constexpr std::uint64_t JobTag = std::uint64_t{1} << 63;

// Scheduled probes go in batches on this grid, each at most that late: a
// thousand targets then wake the process a hundred times a second, not a
// thousand, and their replies come back together.
constexpr std::chrono::milliseconds Batch{10};

probe::TimePoint OnBatchGrid(probe::TimePoint AWhen) {
  const auto Since = AWhen.time_since_epoch();
  return probe::TimePoint((Since + Batch - std::chrono::nanoseconds(1)) / Batch * Batch);
}

double Seconds(std::chrono::nanoseconds ASpan) {
  return std::chrono::duration<double>(ASpan).count();
}

}  // namespace

struct TTargetWatch::TJob {
  std::string Host;
  std::chrono::nanoseconds Timeout;
  probe::TimePoint Asked;
  probe::TimePoint Resolved{};
  TProbeReport Report;
  std::promise<TProbeReport> Done;
};

TTargetWatch::TTargetWatch(TMonitor& AMonitor, TTargetMetrics& AMetrics,
                           std::chrono::nanoseconds AInterval, std::chrono::nanoseconds ATimeout,
                           const probe::EngineOptions& AEngine)
    : FMonitor(AMonitor),
      FMetrics(AMetrics),
      FInterval(AInterval),
      FTimeout(ATimeout),
      FEngine([this](const probe::Outcome& AOutcome) { Finished(AOutcome); }, AEngine),
      FSchedule(FEngine),
      FResolver([this](const probe::Resolution& AResolution) { Resolved(AResolution); }),
      FJobsReady(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (FJobsReady.Descriptor() < 0) throw probe::SystemError("eventfd", errno);
}

TTargetWatch::~TTargetWatch() = default;

void TTargetWatch::Watch(const std::vector<TTargetEntry>& ATargets) {
  std::map<std::string, std::chrono::nanoseconds, std::less<>> Wanted;
  for (const TTargetEntry& Entry : ATargets)
    Wanted[Entry.Host] = Entry.Interval.value_or(FInterval);
  for (auto Target = FTargets.begin(); Target != FTargets.end();) {
    if (Wanted.contains(Target->first)) {
      ++Target;
      continue;
    }
    Drop(Target->first, Target->second);
    Target = FTargets.erase(Target);
  }
  for (const auto& [Host, Interval] : Wanted) {
    const auto [Target, Added] = FTargets.try_emplace(Host, TTarget{Interval, {}, 0, {}, {}});
    if (Added) {
      Start(Host, Target->second);
    } else if (Target->second.Interval != Interval) {
      Target->second.Interval = Interval;
      // Probed anew at the new pace; the figures stay with the host.
      if (Target->second.Scheduled) Begin(Host, Target->second, Target->second.Address);
    }
  }
}

void TTargetWatch::Start(const std::string& AHost, TTarget& ATarget) {
  ATarget.RetryAt.reset();
  if (const auto Address = wire::ParseAddress(AHost)) return Begin(AHost, ATarget, *Address);
  ATarget.Resolving = FResolver.Resolve(AHost);
  FResolving.emplace(ATarget.Resolving, AHost);
}

void TTargetWatch::Begin(const std::string& AHost, TTarget& ATarget,
                         const wire::IpAddress& AAddress) {
  if (ATarget.Scheduled) {
    FSchedule.Remove(*ATarget.Scheduled);
    FScheduled.erase(*ATarget.Scheduled);
  }
  ATarget.Address = AAddress;
  FMetrics.AddTarget(AHost, wire::ToText(AAddress));
  ATarget.Scheduled = FSchedule.Add({AAddress, ATarget.Interval, FTimeout}, probe::Clock::now());
  FScheduled.emplace(*ATarget.Scheduled, AHost);
}

void TTargetWatch::Drop(const std::string& AHost, TTarget& ATarget) {
  if (ATarget.Resolving != 0) {
    FResolver.Cancel(ATarget.Resolving);
    FResolving.erase(ATarget.Resolving);
  }
  if (ATarget.Scheduled) {
    FSchedule.Remove(*ATarget.Scheduled);
    FScheduled.erase(*ATarget.Scheduled);
  }
  if (ATarget.RetryAt) FRetries.erase({*ATarget.RetryAt, AHost});
  FMetrics.RemoveTarget(AHost);
  FMonitor.EndSession(AHost);
}

void TTargetWatch::Resolved(const probe::Resolution& AResolution) {
  const probe::TimePoint Now = probe::Clock::now();
  if (const auto Job = FJobsResolving.find(AResolution.id); Job != FJobsResolving.end()) {
    const std::shared_ptr<TJob> Waiting = std::move(Job->second);
    FJobsResolving.erase(Job);
    if (AResolution.addresses.empty()) {
      Waiting->Report.ResolveSeconds = Waiting->Report.DurationSeconds =
          Seconds(Now - Waiting->Asked);
      Waiting->Done.set_value(Waiting->Report);
    } else {
      SendJob(Waiting, AResolution.addresses.front(), Now);
    }
    return;
  }
  const auto Host = FResolving.find(AResolution.id);
  if (Host == FResolving.end()) return;
  TTarget& Target = FTargets.at(Host->second);
  Target.Resolving = 0;
  if (AResolution.addresses.empty()) {
    Target.RetryAt = Now + ResolveRetry;
    FRetries.emplace(*Target.RetryAt, Host->second);
    if (OnMessage)
      OnMessage(Format("cannot resolve %s: %s; trying again in %d s",
                       {Host->second, AResolution.message, std::int64_t{ResolveRetry.count()}}));
  } else {
    Begin(Host->second, Target, AResolution.addresses.front());
  }
  FResolving.erase(Host);
}

void TTargetWatch::Finished(const probe::Outcome& AOutcome) {
  if ((AOutcome.tag & JobTag) != 0) {
    const auto Job = FJobsInFlight.find(AOutcome.tag);
    if (Job == FJobsInFlight.end()) return;
    TProbeReport& Report = Job->second->Report;
    Report.Success = AOutcome.kind == probe::OutcomeKind::kReply;
    Report.SetupSeconds = Seconds(AOutcome.sentAt - Job->second->Resolved);
    Report.RoundTripSeconds = Seconds(AOutcome.roundTrip);
    Report.DurationSeconds = Seconds(probe::Clock::now() - Job->second->Asked);
    if (Report.Success) Report.HopLimit = AOutcome.ttl;
    Job->second->Done.set_value(Report);
    FJobsInFlight.erase(Job);
    return;
  }
  // A target that left still has its last probes' outcomes coming.
  const auto Host = FScheduled.find(AOutcome.tag);
  if (Host != FScheduled.end()) FMonitor.Record(Host->second, AttemptOf(AOutcome));
}

TProbeReport TTargetWatch::ProbeOnce(const std::string& AHost, std::chrono::nanoseconds ATimeout) {
  auto Job = std::make_shared<TJob>();
  Job->Host = AHost;
  Job->Timeout = ATimeout;
  Job->Asked = probe::Clock::now();
  std::future<TProbeReport> Done = Job->Done.get_future();
  {
    const std::lock_guard Lock(FJobsLock);
    FArrived.push_back(Job);
  }
  const std::uint64_t One = 1;
  if (::write(FJobsReady.Descriptor(), &One, sizeof One) < 0 && errno != EAGAIN)
    throw probe::SystemError("write", errno);
  if (Done.wait_for(ATimeout + 1s) == std::future_status::ready) return Done.get();
  TProbeReport Late;
  Late.DurationSeconds = Seconds(probe::Clock::now() - Job->Asked);
  return Late;
}

void TTargetWatch::TakeJobs(probe::TimePoint ANow) {
  std::uint64_t Count = 0;
  if (::read(FJobsReady.Descriptor(), &Count, sizeof Count) < 0 && errno != EAGAIN)
    throw probe::SystemError("read", errno);
  std::deque<std::shared_ptr<TJob>> Arrived;
  {
    const std::lock_guard Lock(FJobsLock);
    Arrived.swap(FArrived);
  }
  for (const std::shared_ptr<TJob>& Job : Arrived) {
    if (const auto Address = wire::ParseAddress(Job->Host)) {
      SendJob(Job, *Address, ANow);
      continue;
    }
    FJobsResolving.emplace(FResolver.Resolve(Job->Host), Job);
  }
}

void TTargetWatch::SendJob(const std::shared_ptr<TJob>& AJob, const wire::IpAddress& AAddress,
                           probe::TimePoint ANow) {
  AJob->Resolved = ANow;
  AJob->Report.ResolveSeconds = Seconds(ANow - AJob->Asked);
  AJob->Report.IpProtocol = static_cast<int>(AAddress.family);
  probe::ProbeRequest Request;
  Request.target = AAddress;
  // What the lookup took comes off the scrape's time.
  Request.timeout = std::max<std::chrono::nanoseconds>(AJob->Timeout - (ANow - AJob->Asked), 1ms);
  Request.tag = JobTag | ++FJobNumber;
  FJobsInFlight.emplace(Request.tag, AJob);
  FEngine.Send(Request, ANow);
}

std::vector<int> TTargetWatch::Descriptors() const {
  std::vector<int> Result = FEngine.Descriptors();
  for (const int Fd : FResolver.Descriptors()) Result.push_back(Fd);
  Result.push_back(FJobsReady.Descriptor());
  return Result;
}

std::optional<probe::TimePoint> TTargetWatch::NextDeadline() const {
  std::optional<probe::TimePoint> Next = FEngine.NextDeadline();
  const auto Earlier = [&](std::optional<probe::TimePoint> AWhen) {
    if (AWhen && (!Next || *AWhen < *Next)) Next = AWhen;
  };
  if (const auto Due = FSchedule.NextDeadline()) Earlier(OnBatchGrid(*Due));
  if (!FRetries.empty()) Earlier(FRetries.begin()->first);
  return Next;
}

void TTargetWatch::HandleReadable(int AFd, probe::TimePoint ANow) {
  if (AFd == FJobsReady.Descriptor())
    TakeJobs(ANow);
  else if (AFd == FResolver.Descriptors().front())
    FResolver.HandleReadable(AFd, ANow);
  else
    FEngine.HandleReadable(AFd, ANow);
}

void TTargetWatch::HandleTime(probe::TimePoint ANow) {
  FSchedule.HandleTime(ANow);
  FEngine.HandleTime(ANow);
  while (!FRetries.empty() && FRetries.begin()->first <= ANow) {
    const std::string Host = FRetries.begin()->second;
    FRetries.erase(FRetries.begin());
    Start(Host, FTargets.at(Host));
  }
}
