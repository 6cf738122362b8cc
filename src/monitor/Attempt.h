// One attempt to reach a host, as the model keeps it whichever engine made
// it: when it went out, how it ended, what answered and how long it took;
// and the wall clock that dates it.
#pragma once

#include <cstdint>
#include <string>

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
// Unresolved: a host whose name did not resolve was sent nothing. An engine
// with finer outcomes (a packet too big, a send error) maps them to the
// nearest of these until files and pages name them.
enum class TOutcome : std::uint8_t { Reply, TimeOut, Unreachable, TtlExceeded, Error, Unresolved };

// One finished attempt.
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
