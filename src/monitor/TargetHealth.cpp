#include "monitor/TargetHealth.h"

#include <algorithm>

TTargetHealth::TTargetHealth(const THealthRule& ARule) { SetRule(ARule); }

void TTargetHealth::SetRule(const THealthRule& ARule) {
  FRule = ARule;
  FRule.DownAfterLosses = std::max<std::uint32_t>(FRule.DownAfterLosses, 1);
  FRule.UpAfterAnswers = std::max<std::uint32_t>(FRule.UpAfterAnswers, 1);
  if (!(FRule.DownLossPercent > 0)) FRule.DownLossPercent = 0;  // NaN too
  if (FRule.SlowAboveUs == 0) FSlow = false;
}

bool TTargetHealth::Record(const TAttempt& AAttempt) {
  const bool Lost = AAttempt.Outcome != TOutcome::Reply;
  Count(AAttempt.Sent.UnixUs / 1'000'000, Lost);
  const THealthState StateBefore = FState;
  const bool SlowBefore = FSlow;
  FLosses = Lost ? FLosses + 1 : 0;
  FAnswers = Lost ? 0 : FAnswers + 1;
  const bool TooMuchLoss = MinuteLossTooHigh();
  if (FLosses >= FRule.DownAfterLosses || TooMuchLoss)
    MoveTo(THealthState::Down);
  else if (FAnswers >= FRule.UpAfterAnswers)
    MoveTo(THealthState::Up);
  if (!Lost && FRule.SlowAboveUs != 0) {
    const bool SlowReply = AAttempt.RoundTripUs > FRule.SlowAboveUs;
    FSlowRun = SlowReply ? FSlowRun + 1 : 0;
    FFastRun = SlowReply ? 0 : FFastRun + 1;
    if (FSlowRun >= FRule.DownAfterLosses) FSlow = true;
    if (FFastRun >= FRule.UpAfterAnswers) FSlow = false;
  }
  FStateChanged = FState != StateBefore;
  FSlowChanged = FSlow != SlowBefore;
  return FStateChanged || FSlowChanged;
}

void TTargetHealth::MoveTo(THealthState AState) {
  if (FState == AState) return;
  FPrevious = FState;
  FState = AState;
}

void TTargetHealth::Count(std::int64_t ASecond, bool ALost) {
  // An attempt dated before the newest one counts in the newest second, so a
  // clock set back cannot keep a stale slot alive.
  FLatestSecond = std::max(FLatestSecond, ASecond);
  TSecond& Slot = FMinute[static_cast<std::size_t>(FLatestSecond) % MinuteSeconds];
  if (Slot.Second != FLatestSecond) Slot = TSecond{FLatestSecond, 0, 0};
  ++Slot.Sent;
  if (ALost) ++Slot.Lost;
}

double TTargetHealth::MinuteLossPercent() const {
  std::uint64_t Sent = 0;
  std::uint64_t Lost = 0;
  for (const TSecond& Slot : FMinute) {
    if (Slot.Second < 0 || Slot.Second + static_cast<std::int64_t>(MinuteSeconds) <= FLatestSecond)
      continue;
    Sent += Slot.Sent;
    Lost += Slot.Lost;
  }
  return Sent == 0 ? 0 : static_cast<double>(Lost) * 100.0 / static_cast<double>(Sent);
}

bool TTargetHealth::MinuteLossTooHigh() const {
  return FRule.DownLossPercent > 0 && MinuteLossPercent() > FRule.DownLossPercent;
}

std::vector<THealthEvent> HealthEvents(const TTargetHealth& AHealth) {
  std::vector<THealthEvent> Events;
  if (AHealth.StateChanged()) {
    if (AHealth.State() == THealthState::Down)
      Events.push_back(THealthEvent::Down);
    else
      Events.push_back(AHealth.Previous() == THealthState::Unknown ? THealthEvent::FirstUp
                                                                   : THealthEvent::Up);
  }
  if (AHealth.SlowChanged())
    Events.push_back(AHealth.Slow() ? THealthEvent::SlowBegan : THealthEvent::SlowEnded);
  return Events;
}

const char* HealthEventName(THealthEvent AEvent) {
  switch (AEvent) {
    case THealthEvent::FirstUp:
      return "first-up";
    case THealthEvent::Down:
      return "down";
    case THealthEvent::Up:
      return "up";
    case THealthEvent::SlowBegan:
      return "slow";
    case THealthEvent::SlowEnded:
      return "slow-ended";
  }
  return "?";
}

const char* HealthStateName(THealthState AState) {
  switch (AState) {
    case THealthState::Unknown:
      return "unknown";
    case THealthState::Up:
      return "up";
    case THealthState::Down:
      return "down";
  }
  return "?";
}
