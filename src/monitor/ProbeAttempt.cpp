#include "monitor/ProbeAttempt.h"

#include <algorithm>

namespace probe = quorvel::probe;
namespace wire = quorvel::wire;

namespace {

TOutcome OutcomeOf(probe::OutcomeKind AKind) {
  switch (AKind) {
    case probe::OutcomeKind::kReply:
      return TOutcome::Reply;
    case probe::OutcomeKind::kTimeout:
      return TOutcome::TimeOut;
    case probe::OutcomeKind::kTimeExceeded:
      return TOutcome::TtlExceeded;
    case probe::OutcomeKind::kSendError:
      return TOutcome::Error;
    case probe::OutcomeKind::kUnreachable:
    case probe::OutcomeKind::kPacketTooBig:
    case probe::OutcomeKind::kParameterProblem:
      break;
  }
  return TOutcome::Unreachable;
}

std::int32_t DatagramBytes(const probe::Outcome& AOutcome) {
  if (AOutcome.bytes == 0) return 0;
  const std::size_t Header = AOutcome.from.family == wire::Family::kIpv4 ? 20 : 40;
  return static_cast<std::int32_t>(AOutcome.bytes + Header);
}

std::uint64_t Microseconds(std::chrono::nanoseconds ASpan) {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(ASpan).count(), 0));
}

}  // namespace

TAttempt AttemptOf(const probe::Outcome& AOutcome) {
  TWallTime Sent = WallClockNow();
  Sent.UnixUs -= static_cast<std::int64_t>(Microseconds(probe::Clock::now() - AOutcome.sentAt));
  const TOutcome Kind = OutcomeOf(AOutcome.kind);
  return TAttempt{Sent,
                  Kind == TOutcome::TimeOut ? "0.0.0.0" : wire::ToText(AOutcome.from),
                  Kind,
                  DatagramBytes(AOutcome),
                  AOutcome.icmpType,
                  AOutcome.sequence,
                  AOutcome.ttl,
                  Microseconds(AOutcome.roundTrip),
                  {}};
}
