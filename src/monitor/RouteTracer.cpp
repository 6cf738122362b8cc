#include "monitor/RouteTracer.h"

#include <algorithm>
#include <utility>

namespace probe = quorvel::probe;
namespace wire = quorvel::wire;

namespace {

// A probe's tag: the run in the top 16 bits, the round in the next 40, the hop last.
constexpr int RunShift = 48;
constexpr int RoundShift = 8;
constexpr std::uint64_t RoundMask = (std::uint64_t{1} << 40) - 1;

std::uint64_t Tag(std::uint64_t ARun, std::uint64_t ARound, int AHop) {
  return ARun << RunShift | (ARound & RoundMask) << RoundShift | static_cast<std::uint64_t>(AHop);
}

THopAnswer AnswerOf(probe::OutcomeKind AKind) {
  switch (AKind) {
    case probe::OutcomeKind::kReply:
      return THopAnswer::Reply;
    case probe::OutcomeKind::kTimeExceeded:
      return THopAnswer::TimeExceeded;
    case probe::OutcomeKind::kUnreachable:
      return THopAnswer::Unreachable;
    case probe::OutcomeKind::kTimeout:
      return THopAnswer::TimeOut;
    default:
      // A probe too big for a link, or one a router found malformed, is lost
      // to the route as one that never went out.
      return THopAnswer::Error;
  }
}

}  // namespace

TRouteTracer::TRouteTracer(TMonitor* AMonitor, const probe::EngineOptions& AOptions)
    : FMonitor(AMonitor),
      FEngine([this](const probe::Outcome& AOutcome) { Take(AOutcome); }, AOptions),
      FResolver([this](const probe::Resolution& AResolution) { Named(AResolution); }) {}

TRouteTracer::~TRouteTracer() = default;

void TRouteTracer::Start(const TRouteSettings& ASettings, TTimePoint ANow) {
  if (ASettings.Host.empty()) throw ERouteError("Type a host to trace the route to");
  if (ASettings.MaxHops < 1 || ASettings.MaxHops > TRoute::HopLimit)
    throw ERouteError(Format("The hops must be 1 to %s", {std::to_string(TRoute::HopLimit)}));
  if (ASettings.Interval < TRouteSettings::MinInterval)
    throw ERouteError(Format("The interval must be at least %s ms",
                             {std::to_string(TRouteSettings::MinInterval.count())}));
  Stop();
  FSettings = ASettings;
  FRunning = true;
  FRoute.reset();
  if (const std::optional<wire::IpAddress> Address = wire::ParseAddress(ASettings.Host))
    Begin(*Address, ANow);
  else
    FLookup = FResolver.Resolve(ASettings.Host);
  Notify();
}

void TRouteTracer::Stop() {
  if (FLookup != 0) FResolver.Cancel(std::exchange(FLookup, 0));
  FRunning = false;
  ++FRun;
  FNextRound.reset();
  FOpen.clear();
}

void TRouteTracer::Begin(const wire::IpAddress& AAddress, TTimePoint ANow) {
  FTarget = AAddress;
  FRoute = std::make_unique<TRoute>(FSettings.Host, wire::ToText(AAddress), FSettings.MaxHops,
                                    WallClockNow());
  FChanged = true;
  if (FEngine.Kind(AAddress.family) == probe::SocketKind::kNone)
    return Fail("No socket may send probes to " + FRoute->Address() +
                ": this user may not send pings (see the README on the echo helper)");
  FNextRound = ANow;
  SendRound(ANow);
}

void TRouteTracer::Fail(const std::string& AMessage) {
  Stop();
  FChanged = true;
  if (OnFailed) OnFailed(AMessage);
}

void TRouteTracer::SendRound(TTimePoint ANow) {
  FRoute->CountRound();
  const std::uint64_t Round = FRoute->Rounds();
  const int Limit = FRoute->ProbeLimit();
  FOpen[Round] = Limit;
  for (int Hop = 1; Hop <= Limit; ++Hop) {
    probe::ProbeRequest Request;
    Request.target = FTarget;
    Request.ttl = Hop;
    Request.timeout = FSettings.Timeout;
    Request.tag = Tag(FRun, Round, Hop);
    Request.due = FNextRound;
    FEngine.Send(Request, ANow);
  }
  // On a fixed grid; after a pause (a suspended machine) from now on, never in a burst.
  *FNextRound += FSettings.Interval;
  if (*FNextRound <= ANow) FNextRound = ANow + FSettings.Interval;
}

void TRouteTracer::Take(const probe::Outcome& AOutcome) {
  if (AOutcome.tag >> RunShift != (FRun & 0xFFFF) || !FRoute) return;
  const std::uint64_t Round = AOutcome.tag >> RoundShift & RoundMask;
  TRouteProbe Probe;
  Probe.Hop = static_cast<int>(AOutcome.tag & 0xFF);
  Probe.Answer = AnswerOf(AOutcome.kind);
  const bool Answered = Probe.Answer != THopAnswer::TimeOut && Probe.Answer != THopAnswer::Error;
  if (Answered) Probe.Address = wire::ToText(AOutcome.from);
  Probe.Code = AOutcome.icmpCode;
  Probe.RoundTripUs =
      static_cast<std::uint64_t>(std::max<std::int64_t>(AOutcome.roundTrip.count(), 0) / 1000);
  Probe.At = WallClockNow();
  Probe.At.UnixUs -= static_cast<std::int64_t>(Probe.RoundTripUs);
  const TRoute::TRecorded Recorded = FRoute->Record(Probe);
  FChanged = FChanged || Recorded.Counted;
  if (Recorded.NewRouter && FRoute->NameOf(Probe.Address).empty() &&
      FNaming.insert(Probe.Address).second)
    FResolver.ResolveAddress(AOutcome.from);
  if (Recorded.Changed) FMonitor->RecordRouteChange(*FRoute, FRoute->Changes().back());
  const auto Open = FOpen.find(Round);
  if (Open != FOpen.end() && --Open->second == 0) {
    FOpen.erase(Open);
    FMonitor->RecordRouteRound(*FRoute, Round);
  }
}

void TRouteTracer::Named(const probe::Resolution& AResolution) {
  if (AResolution.id == FLookup) {
    FLookup = 0;
    if (AResolution.addresses.empty())
      return Fail("Cannot resolve " + AResolution.name + ": " + AResolution.message);
    return Begin(AResolution.addresses.front(), probe::Clock::now());
  }
  if (AResolution.addresses.empty()) return;
  const std::string Address = wire::ToText(AResolution.addresses.front());
  FNaming.erase(Address);
  if (FRoute && !AResolution.name.empty()) {
    FRoute->Name(Address, AResolution.name);
    FChanged = true;
  }
}

void TRouteTracer::Notify() {
  if (std::exchange(FChanged, false) && OnChange) OnChange();
}

std::vector<int> TRouteTracer::Descriptors() const {
  std::vector<int> Fds = FEngine.Descriptors();
  for (const int Fd : FResolver.Descriptors()) Fds.push_back(Fd);
  return Fds;
}

std::optional<TRouteTracer::TTimePoint> TRouteTracer::NextDeadline() const {
  std::optional<TTimePoint> Next = FEngine.NextDeadline();
  if (FNextRound && (!Next || *FNextRound < *Next)) Next = FNextRound;
  return Next;
}

void TRouteTracer::HandleReadable(int AFd, TTimePoint ANow) {
  const std::vector<int> Names = FResolver.Descriptors();
  if (std::find(Names.begin(), Names.end(), AFd) != Names.end())
    FResolver.HandleReadable(AFd, ANow);
  else
    FEngine.HandleReadable(AFd, ANow);
  Notify();
}

void TRouteTracer::HandleTime(TTimePoint ANow) {
  FEngine.HandleTime(ANow);
  if (FRunning && FNextRound && *FNextRound <= ANow) SendRound(ANow);
  Notify();
}
