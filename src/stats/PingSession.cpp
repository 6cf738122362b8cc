#include "stats/PingSession.h"

#include <chrono>
#include <ctime>

TWallTime WallClockNow() {
  const auto Now = std::chrono::system_clock::now();
  const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  return {std::chrono::duration_cast<std::chrono::microseconds>(Now.time_since_epoch()).count(),
          static_cast<std::int32_t>(Local.tm_gmtoff)};
}

TWallTime Later(TWallTime AWhen, std::uint64_t AMicroseconds) {
  return {AWhen.UnixUs + static_cast<std::int64_t>(AMicroseconds), AWhen.UtcOffset};
}

bool TPingSession::Accepts(std::string_view AHost) const {
  return FAttempts.empty() || FHost == AHost;
}

void TPingSession::Record(std::string_view AHost, const TAttempt& AAttempt) {
  if (FAttempts.empty()) FHost = AHost;
  FAttempts.push_back(AAttempt);
  // Kept for the record only: nothing went out, so nothing was lost.
  if (AAttempt.Outcome == TOutcome::Unresolved) {
    ++FUnresolved;
    return;
  }
  const TWallTime Ended = Later(AAttempt.Sent, AAttempt.RoundTripUs);
  if (AAttempt.Outcome != TOutcome::Reply) {
    if (FInOutage) {
      FOutages.back().End = Ended;
      ++FOutages.back().Lost;
    } else {
      FOutages.push_back({AAttempt.Sent, Ended, 1});
    }
    FInOutage = true;
    return;
  }
  FInOutage = false;
  FRoundTrips.Add(AAttempt.RoundTripUs);
  if (FTtlChanges.empty() || FTtlChanges.back().Ttl != AAttempt.Ttl)
    FTtlChanges.push_back({AAttempt.Sent, AAttempt.Ttl});
}

double TPingSession::LossPercent() const {
  if (Sent() == 0) return 0;
  return static_cast<double>(Lost()) * 100.0 / static_cast<double>(Sent());
}
