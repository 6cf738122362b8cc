#include "outputs/TargetMetrics.h"

#include <array>

namespace {

// The kinds of error in the order of their series; the outcomes that are
// no reply map to one of them.
constexpr std::array ErrorKinds{"timeout", "unreachable", "ttl_exceeded", "send"};

std::size_t ErrorIndex(TOutcome AOutcome) {
  switch (AOutcome) {
    case TOutcome::TimeOut:
      return 0;
    case TOutcome::Unreachable:
      return 1;
    case TOutcome::TtlExceeded:
      return 2;
    default:
      return 3;
  }
}

}  // namespace

struct TTargetMetrics::TSeries {
  prometheus::Labels Labels;
  prometheus::Counter* Sent;
  prometheus::Counter* Answered;
  std::array<prometheus::Counter*, ErrorKinds.size()> Errors;
  prometheus::Histogram* RoundTrips;
  // Present once replies gave a TTL and the health rule decided a state.
  prometheus::Gauge* Ttl = nullptr;
  prometheus::Gauge* Up = nullptr;
};

prometheus::Histogram::BucketBoundaries TTargetMetrics::RoundTripBuckets() {
  prometheus::Histogram::BucketBoundaries Bounds;
  for (double Bound = 50e-6; Bound < 30; Bound *= 2) Bounds.push_back(Bound);
  return Bounds;
}

TTargetMetrics::TTargetMetrics(prometheus::Registry& ARegistry)
    : FSent(prometheus::BuildCounter()
                .Name("quorvel_probes_sent_total")
                .Help("Echo requests sent to the target")
                .Register(ARegistry)),
      FAnswered(prometheus::BuildCounter()
                    .Name("quorvel_probes_answered_total")
                    .Help("Echo replies received from the target")
                    .Register(ARegistry)),
      FErrors(prometheus::BuildCounter()
                  .Name("quorvel_probe_errors_total")
                  .Help("Probes that got no reply, by kind")
                  .Register(ARegistry)),
      FRoundTrips(prometheus::BuildHistogram()
                      .Name("quorvel_rtt_seconds")
                      .Help("Round-trip times of the replies")
                      .Register(ARegistry)),
      FTtl(prometheus::BuildGauge()
               .Name("quorvel_reply_ttl")
               .Help("TTL or hop limit of the latest reply")
               .Register(ARegistry)),
      FUp(prometheus::BuildGauge()
              .Name("quorvel_target_up")
              .Help("1 while the target answers, 0 once it is down")
              .Register(ARegistry)) {}

TTargetMetrics::~TTargetMetrics() = default;

void TTargetMetrics::AddTarget(const std::string& AHost, const std::string& AIp) {
  if (FTargets.contains(AHost)) return;
  auto Series = std::make_unique<TSeries>();
  Series->Labels = {{"host", AHost}, {"ip", AIp}};
  Series->Sent = &FSent.Add(Series->Labels);
  Series->Answered = &FAnswered.Add(Series->Labels);
  for (std::size_t Kind = 0; Kind < ErrorKinds.size(); ++Kind) {
    prometheus::Labels Labels = Series->Labels;
    Labels.emplace("kind", ErrorKinds[Kind]);
    Series->Errors[Kind] = &FErrors.Add(Labels);
  }
  Series->RoundTrips = &FRoundTrips.Add(Series->Labels, RoundTripBuckets());
  FTargets.emplace(AHost, std::move(Series));
}

void TTargetMetrics::RemoveTarget(const std::string& AHost) {
  const auto Found = FTargets.find(AHost);
  if (Found == FTargets.end()) return;
  TSeries& Series = *Found->second;
  FSent.Remove(Series.Sent);
  FAnswered.Remove(Series.Answered);
  for (prometheus::Counter* Errors : Series.Errors) FErrors.Remove(Errors);
  FRoundTrips.Remove(Series.RoundTrips);
  if (Series.Ttl != nullptr) FTtl.Remove(Series.Ttl);
  if (Series.Up != nullptr) FUp.Remove(Series.Up);
  FTargets.erase(Found);
}

void TTargetMetrics::AttemptRecorded(const TPingSession& ASession, const TAttempt& AAttempt) {
  const auto Found = FTargets.find(ASession.Host());
  // Nothing went out to a name that did not resolve.
  if (Found == FTargets.end() || AAttempt.Outcome == TOutcome::Unresolved) return;
  TSeries& Series = *Found->second;
  Series.Sent->Increment();
  if (AAttempt.Outcome != TOutcome::Reply) {
    Series.Errors[ErrorIndex(AAttempt.Outcome)]->Increment();
    return;
  }
  Series.Answered->Increment();
  Series.RoundTrips->Observe(static_cast<double>(AAttempt.RoundTripUs) / 1e6);
  if (Series.Ttl == nullptr) Series.Ttl = &FTtl.Add(Series.Labels);
  Series.Ttl->Set(AAttempt.Ttl);
}

void TTargetMetrics::HealthChanged(const TPingSession& ASession) {
  const auto Found = FTargets.find(ASession.Host());
  const THealthState State = ASession.Health().State();
  if (Found == FTargets.end() || State == THealthState::Unknown) return;
  TSeries& Series = *Found->second;
  if (Series.Up == nullptr) Series.Up = &FUp.Add(Series.Labels);
  Series.Up->Set(State == THealthState::Up ? 1 : 0);
}
