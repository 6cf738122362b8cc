// One statistics session of the pings to one host: every attempt as it
// happened, the counts of sent, received and lost, the round trips' figures,
// the outages (runs of consecutive lost attempts) and the TTL of the replies
// each time it changes. A session begins when the data are cleared or the
// host changes, and holds nothing of the window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/RoundTripStatistics.h"

// A moment of the wall clock: microseconds since 1970-01-01 00:00 UTC, and the
// local zone's offset from UTC then, in seconds east.
struct TWallTime {
  std::int64_t UnixUs = 0;
  std::int32_t UtcOffset = 0;
};

// The wall clock now, with the local zone's offset.
TWallTime WallClockNow();
// AWhen moved by AMicroseconds, in the same zone.
TWallTime Later(TWallTime AWhen, std::uint64_t AMicroseconds);

// How an attempt ended. Every outcome but a reply counts as lost, except
// Unresolved: a host whose name did not resolve was sent nothing.
enum class TOutcome : std::uint8_t { Reply, TimeOut, Unreachable, TtlExceeded, Error, Unresolved };

// One finished attempt, as the echo client reported it.
struct TAttempt {
  TWallTime Sent;       // when the request went out
  std::string Address;  // the answer's source, "0.0.0.0" for a time-out
  TOutcome Outcome = TOutcome::Reply;
  std::int32_t Bytes = 0;
  std::uint8_t Type = 0;
  std::uint16_t Sequence = 0;
  std::uint8_t Ttl = 0;
  std::uint64_t RoundTripUs = 0;
  std::string Message;  // why an unresolved attempt failed; empty for the others
};

// A run of consecutive lost attempts: from the first one's request to the end
// of the last one's wait.
struct TOutage {
  TWallTime Start;
  TWallTime End;
  std::uint64_t Lost = 0;
};

// The TTL of the replies from the reply At on; the first reply opens the list.
struct TTtlChange {
  TWallTime At;
  std::uint8_t Ttl = 0;
};

class TPingSession {
 public:
  explicit TPingSession(TWallTime AStart) : FStart(AStart) {}

  TWallTime Start() const { return FStart; }
  // The host of the session's attempts; empty before the first one.
  const std::string& Host() const { return FHost; }
  // Whether an attempt to AHost belongs to this session: it has no attempt
  // yet, or its host is AHost byte for byte.
  bool Accepts(std::string_view AHost) const;

  // Takes one attempt to AHost, which the session must accept.
  void Record(std::string_view AHost, const TAttempt& AAttempt);

  // The attempts whose request went out: all but the unresolved ones.
  std::uint64_t Sent() const { return FAttempts.size() - FUnresolved; }
  std::uint64_t Received() const { return FRoundTrips.Count(); }
  std::uint64_t Lost() const { return Sent() - Received(); }
  // The share of lost attempts in percent; 0 before the first attempt.
  double LossPercent() const;

  const TRoundTripStatistics& RoundTrips() const { return FRoundTrips; }
  // Oldest first, as they happened, the unresolved ones too.
  const std::vector<TAttempt>& Attempts() const { return FAttempts; }
  const std::vector<TOutage>& Outages() const { return FOutages; }
  const std::vector<TTtlChange>& TtlChanges() const { return FTtlChanges; }

 private:
  TWallTime FStart;
  std::string FHost;
  std::vector<TAttempt> FAttempts;
  std::uint64_t FUnresolved = 0;
  // The last attempt sent was lost, so the next lost one extends its outage.
  bool FInOutage = false;
  TRoundTripStatistics FRoundTrips;
  std::vector<TOutage> FOutages;
  std::vector<TTtlChange> FTtlChanges;
};
