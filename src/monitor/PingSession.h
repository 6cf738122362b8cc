// One statistics session of the pings to one host: the counts of sent,
// received and lost, the round trips' figures, the outages (runs of
// consecutive lost attempts), the TTL of the replies each time it changes,
// and whether the host is up (TargetHealth.h).
// A session begins when the data are cleared or the host changes. Its memory
// is bounded however long it runs: the figures are constant-size, and only
// the latest attempts, outages and TTL changes are held; the model keeps
// every attempt on disk (AttemptSpool.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "monitor/Attempt.h"
#include "monitor/TargetHealth.h"
#include "stats/RoundTripStatistics.h"

class TPingSession {
 public:
  // The most attempts, outages and TTL changes held in memory by default;
  // older ones leave as newer ones come.
  static constexpr std::size_t RecentLimit = 1024;

  // ARecentLimit replaces RecentLimit for this session; at least 1 is held.
  explicit TPingSession(TWallTime AStart, const THealthRule& ARule = {},
                        std::size_t ARecentLimit = RecentLimit)
      : FStart(AStart), FRecentLimit(ARecentLimit > 0 ? ARecentLimit : 1), FHealth(ARule) {}

  TWallTime Start() const { return FStart; }
  // The host of the session's attempts; empty before the first one.
  const std::string& Host() const { return FHost; }
  // Whether an attempt to AHost belongs to this session: it has no attempt
  // yet, or its host is AHost byte for byte.
  bool Accepts(std::string_view AHost) const;

  // What one attempt changed beyond the counts, for the model's events.
  struct TChanges {
    bool OutageEnded = false;    // a reply after lost attempts
    bool OutageStarted = false;  // a loss after a reply or at the start
    bool TtlChanged = false;     // a reply whose TTL differs from the last one
    bool HealthChanged = false;  // the host went down or up, or a warning began or ended
  };
  // Takes one attempt to AHost, which the session must accept.
  TChanges Record(std::string_view AHost, const TAttempt& AAttempt);

  // Every attempt taken, the unresolved ones too.
  std::uint64_t AttemptCount() const { return FAttemptCount; }
  // The attempts whose request went out: all but the unresolved ones.
  std::uint64_t Sent() const { return FAttemptCount - FUnresolved; }
  std::uint64_t Received() const { return FRoundTrips.Count(); }
  std::uint64_t Lost() const { return Sent() - Received(); }
  // The share of lost attempts in percent; 0 before the first attempt.
  double LossPercent() const;

  const TRoundTripStatistics& RoundTrips() const { return FRoundTrips; }
  // The latest attempts, oldest first, the unresolved ones too.
  const std::deque<TAttempt>& Attempts() const { return FAttempts; }
  // The latest outages and TTL changes, oldest first, and how many there were
  // in all: the held ones are the last of them.
  const std::deque<TOutage>& Outages() const { return FOutages; }
  std::uint64_t OutageCount() const { return FOutageCount; }
  const std::deque<TTtlChange>& TtlChanges() const { return FTtlChanges; }
  std::uint64_t TtlChangeCount() const { return FTtlChangeCount; }

  const TTargetHealth& Health() const { return FHealth; }
  void SetHealthRule(const THealthRule& ARule) { FHealth.SetRule(ARule); }

 private:
  template <class TItem>
  void Keep(std::deque<TItem>& AList, const TItem& AItem) const;

  TWallTime FStart;
  std::size_t FRecentLimit;
  std::string FHost;
  std::deque<TAttempt> FAttempts;
  std::uint64_t FAttemptCount = 0;
  std::uint64_t FUnresolved = 0;
  // The last attempt sent was lost, so the next lost one extends its outage.
  bool FInOutage = false;
  TRoundTripStatistics FRoundTrips;
  std::deque<TOutage> FOutages;
  std::uint64_t FOutageCount = 0;
  std::deque<TTtlChange> FTtlChanges;
  std::uint64_t FTtlChangeCount = 0;
  TTargetHealth FHealth;
};
