#include "monitor/Targets.h"

#include <algorithm>

#include "monitor/ProbeAttempt.h"

namespace probe = quorvel::probe;
namespace wire = quorvel::wire;

void CheckTargetSettings(const TTargetSettings& ASettings) {
  const std::string& Host = ASettings.Host;
  if (Host.empty()) throw ETargetError("Type a host name or an address to add");
  if (Host.size() > TTargetSettings::MaxHostBytes)
    throw ETargetError(Format("The host is longer than %s bytes",
                              {std::to_string(TTargetSettings::MaxHostBytes)}));
  if (std::ranges::any_of(Host, [](char C) { return static_cast<unsigned char>(C) < 0x20; }))
    throw ETargetError("A host cannot hold a control character, a tab or a line break");
  if (ASettings.Interval < TTargetSettings::MinInterval ||
      ASettings.Interval > TTargetSettings::MaxInterval)
    throw ETargetError("The interval must lie between 10 ms and 1 h");
  if (ASettings.TimeOut < TTargetSettings::MinTimeOut ||
      ASettings.TimeOut > TTargetSettings::MaxTimeOut)
    throw ETargetError("The time-out must lie between 100 ms and 60 s");
  if (!(ASettings.Rule.DownLossPercent >= 0 && ASettings.Rule.DownLossPercent <= 100))
    throw ETargetError("The loss threshold must lie between 0 and 100 %");
}

TTargets::TTargets(TMonitor& AMonitor, const probe::EngineOptions& AOptions)
    : FMonitor(AMonitor),
      FEngine([this](const probe::Outcome& AOutcome) { Outcome(AOutcome); }, AOptions),
      FSchedule(FEngine),
      FResolver([this](const probe::Resolution& AResolution) { Resolved(AResolution); }) {}

TTargets::~TTargets() = default;

const TTarget* TTargets::Find(const std::string& AHost) const {
  const auto Found =
      std::ranges::find(FTargets, AHost, [](const TTarget& T) { return T.Settings.Host; });
  return Found == FTargets.end() ? nullptr : &*Found;
}

TTarget* TTargets::Mutable(const std::string& AHost) { return const_cast<TTarget*>(Find(AHost)); }

void TTargets::Add(const TTargetSettings& ASettings) {
  CheckTargetSettings(ASettings);
  if (Find(ASettings.Host) != nullptr)
    throw ETargetError(Format("%s is watched already", {ASettings.Host}));
  if (FTargets.size() >= MaxTargets)
    throw ETargetError(
        Format("No more than %s hosts can be watched at once", {std::to_string(MaxTargets)}));
  FMonitor.SetHealthRule(ASettings.Host, ASettings.Rule);
  FTargets.push_back(TTarget{ASettings, std::nullopt, 0, {}});
  FRuns[ASettings.Host] = {};
  if (!ASettings.Paused) Start(FTargets.back(), probe::Clock::now());
}

bool TTargets::Remove(const std::string& AHost) {
  const auto Found =
      std::ranges::find(FTargets, AHost, [](const TTarget& T) { return T.Settings.Host; });
  if (Found == FTargets.end()) return false;
  Stop(AHost);
  FRuns.erase(AHost);
  FTargets.erase(Found);
  FMonitor.EndSession(AHost);
  return true;
}

void TTargets::Change(const TTargetSettings& ASettings) {
  CheckTargetSettings(ASettings);
  TTarget* const Target = Mutable(ASettings.Host);
  if (Target == nullptr) throw ETargetError(Format("%s is not watched", {ASettings.Host}));
  FMonitor.SetHealthRule(ASettings.Host, ASettings.Rule);
  const bool Restart = !ASettings.Paused && (Target->Settings.Paused ||
                                             Target->Settings.Interval != ASettings.Interval ||
                                             Target->Settings.TimeOut != ASettings.TimeOut);
  Target->Settings = ASettings;
  if (ASettings.Paused || Restart) Stop(ASettings.Host);
  if (Restart) Start(*Target, probe::Clock::now());
}

void TTargets::ClearFigures(const std::string& AHost) { FMonitor.EndSession(AHost); }

void TTargets::Start(TTarget& ATarget, probe::TimePoint ANow) {
  TRun& Run = FRuns[ATarget.Settings.Host];
  // A name is looked up again at every start, so a resumed target follows
  // a moved host; an address needs no lookup.
  if (const std::optional<wire::IpAddress> Numeric = wire::ParseAddress(ATarget.Settings.Host)) {
    ATarget.Address = Numeric;
    ATarget.AddressCount = 1;
  } else if (!ATarget.Address) {
    Run.Lookup = FResolver.Resolve(ATarget.Settings.Host);
    FLookups[*Run.Lookup] = ATarget.Settings.Host;
    return;
  }
  probe::TargetSettings Probe;
  Probe.address = *ATarget.Address;
  Probe.interval = ATarget.Settings.Interval;
  Probe.timeout = ATarget.Settings.TimeOut;
  Run.Scheduled = FSchedule.Add(Probe, ANow);
  FScheduled[*Run.Scheduled] = ATarget.Settings.Host;
}

void TTargets::Stop(const std::string& AHost) {
  TRun& Run = FRuns[AHost];
  if (Run.Scheduled) {
    FSchedule.Remove(*Run.Scheduled);
    FScheduled.erase(*Run.Scheduled);
  }
  if (Run.Lookup) {
    FResolver.Cancel(*Run.Lookup);
    FLookups.erase(*Run.Lookup);
  }
  if (Run.Retry) --FRetries;
  Run = {};
  if (TTarget* const Target = Mutable(AHost); Target && !wire::ParseAddress(AHost))
    Target->Address.reset();
}

void TTargets::Resolved(const probe::Resolution& AResolution) {
  const auto Lookup = FLookups.find(AResolution.id);
  if (Lookup == FLookups.end()) return;
  const std::string Host = Lookup->second;
  FLookups.erase(Lookup);
  TTarget* const Target = Mutable(Host);
  TRun& Run = FRuns[Host];
  Run.Lookup.reset();
  Target->AddressCount = AResolution.addresses.size();
  if (AResolution.addresses.empty()) {
    // Nothing was sent, but the host cannot be reached: the model counts it
    // as lost for the host's health, and the name is tried again later.
    Target->Problem = AResolution.message;
    ++FRetries;
    Run.Retry = probe::Clock::now() +
                std::max<probe::Clock::duration>(Target->Settings.Interval, RetryAfter);
    FMonitor.RecordUnresolved(Host, AResolution.message);
  } else {
    Target->Problem.clear();
    Target->Address = AResolution.addresses.front();
    Start(*Target, probe::Clock::now());
  }
  if (OnResolved) OnResolved(*Target);
}

void TTargets::Outcome(const probe::Outcome& AOutcome) {
  // A probe that left before its target was removed, paused or changed
  // belongs to no schedule any more.
  const auto Scheduled = FScheduled.find(AOutcome.tag);
  if (Scheduled == FScheduled.end()) return;
  FMonitor.Record(Scheduled->second, AttemptOf(AOutcome));
}

std::vector<int> TTargets::Descriptors() const {
  std::vector<int> Fds = FEngine.Descriptors();
  for (const int Fd : FResolver.Descriptors()) Fds.push_back(Fd);
  return Fds;
}

std::optional<probe::TimePoint> TTargets::NextDeadline() const {
  std::optional<probe::TimePoint> Next;
  const auto Take = [&Next](std::optional<probe::TimePoint> AWhen) {
    if (AWhen && (!Next || *AWhen < *Next)) Next = AWhen;
  };
  Take(FEngine.NextDeadline());
  Take(FSchedule.NextDeadline());
  if (FRetries > 0)
    for (const auto& [Host, Run] : FRuns) Take(Run.Retry);
  return Next;
}

void TTargets::HandleReadable(int AFd, probe::TimePoint ANow) {
  const std::vector<int> Resolving = FResolver.Descriptors();
  if (std::ranges::find(Resolving, AFd) != Resolving.end())
    FResolver.HandleReadable(AFd, ANow);
  else
    FEngine.HandleReadable(AFd, ANow);
}

void TTargets::HandleTime(probe::TimePoint ANow) {
  FSchedule.HandleTime(ANow);
  FEngine.HandleTime(ANow);
  if (FRetries == 0) return;
  for (auto& [Host, Run] : FRuns) {
    if (Run.Retry && *Run.Retry <= ANow) {
      Run.Retry.reset();
      --FRetries;
      Start(*Mutable(Host), ANow);
    }
  }
}
