#include "monitor/PingSession.h"

template <class TItem>
void TPingSession::Keep(std::deque<TItem>& AList, const TItem& AItem) const {
  if (AList.size() == FRecentLimit) AList.pop_front();
  AList.push_back(AItem);
}

bool TPingSession::Accepts(std::string_view AHost) const {
  return FAttemptCount == 0 || FHost == AHost;
}

TPingSession::TChanges TPingSession::Record(std::string_view AHost, const TAttempt& AAttempt) {
  if (FAttemptCount == 0) FHost = AHost;
  ++FAttemptCount;
  Keep(FAttempts, AAttempt);
  TChanges Changes;
  Changes.HealthChanged = FHealth.Record(AAttempt);
  // Kept for the record only: nothing went out, so nothing was lost.
  if (AAttempt.Outcome == TOutcome::Unresolved) {
    ++FUnresolved;
    return Changes;
  }
  const TWallTime Ended = Later(AAttempt.Sent, AAttempt.RoundTripUs);
  if (AAttempt.Outcome != TOutcome::Reply) {
    if (FInOutage) {
      FOutages.back().End = Ended;
      ++FOutages.back().Lost;
    } else {
      Keep(FOutages, TOutage{AAttempt.Sent, Ended, 1});
      ++FOutageCount;
      Changes.OutageStarted = true;
    }
    FInOutage = true;
    return Changes;
  }
  Changes.OutageEnded = FInOutage;
  FInOutage = false;
  FRoundTrips.Add(AAttempt.RoundTripUs);
  if (FTtlChangeCount == 0 || FTtlChanges.back().Ttl != AAttempt.Ttl) {
    Keep(FTtlChanges, TTtlChange{AAttempt.Sent, AAttempt.Ttl});
    ++FTtlChangeCount;
    Changes.TtlChanged = true;
  }
  return Changes;
}

double TPingSession::LossPercent() const {
  if (Sent() == 0) return 0;
  return static_cast<double>(Lost()) * 100.0 / static_cast<double>(Sent());
}
