// Whether a target is up, by one rule for every consumer (the Hosts page, the
// metrics, the log): down after a run of consecutive losses, or when the loss
// over the last minute passes a threshold; up again after a run of answers;
// a run of replies slower than a threshold is a warning. Constant memory
// however long it runs. Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "monitor/Attempt.h"

struct THealthRule {
  // Consecutive lost attempts that make a target down; at least 1. The same
  // run of slow replies starts a warning.
  std::uint32_t DownAfterLosses = 3;
  // Consecutive replies that bring it up again; at least 1. The same run of
  // replies within the threshold ends a warning.
  std::uint32_t UpAfterAnswers = 2;
  // Loss over the last minute, in percent, above which a target is down;
  // 0 leaves this test off.
  double DownLossPercent = 0;
  // A reply slower than this is slow; 0 leaves the warning off.
  std::uint64_t SlowAboveUs = 0;
};

// Unknown until the first run decides it.
enum class THealthState : std::uint8_t { Unknown, Up, Down };

class TTargetHealth {
 public:
  explicit TTargetHealth(const THealthRule& ARule = {});

  const THealthRule& Rule() const { return FRule; }
  // Takes effect from the next attempt; counts out of range are taken as 1.
  void SetRule(const THealthRule& ARule);

  // Takes one attempt, oldest first. A host whose name did not resolve
  // cannot be reached, so it counts as lost here. Returns whether State or
  // Slow changed.
  bool Record(const TAttempt& AAttempt);
  // Whether the latest attempt changed State, and Slow.
  bool StateChanged() const { return FStateChanged; }
  bool SlowChanged() const { return FSlowChanged; }

  THealthState State() const { return FState; }
  // The state before the last change of State.
  THealthState Previous() const { return FPrevious; }
  bool Slow() const { return FSlow; }
  // The lost share of the attempts sent in the minute up to the latest one.
  double MinuteLossPercent() const;

 private:
  struct TSecond {
    std::int64_t Second = -1;  // since 1970; -1 for a slot not yet used
    std::uint32_t Sent = 0;
    std::uint32_t Lost = 0;
  };
  static constexpr std::size_t MinuteSeconds = 60;
  void Count(std::int64_t ASecond, bool ALost);
  bool MinuteLossTooHigh() const;
  void MoveTo(THealthState AState);

  THealthRule FRule;
  THealthState FState = THealthState::Unknown;
  THealthState FPrevious = THealthState::Unknown;
  bool FSlow = false;
  bool FStateChanged = false;
  bool FSlowChanged = false;
  std::uint32_t FLosses = 0;   // in a row, up to the latest attempt
  std::uint32_t FAnswers = 0;  // in a row
  std::uint32_t FSlowRun = 0;  // slow replies in a row
  std::uint32_t FFastRun = 0;  // replies within the threshold in a row
  std::int64_t FLatestSecond = -1;
  std::array<TSecond, MinuteSeconds> FMinute{};
};

// The changes of a target's health as they are told, to the user and to
// files. A first Up only ends the Unknown of the start: no host came back.
enum class THealthEvent : std::uint8_t { FirstUp, Down, Up, SlowBegan, SlowEnded };

// What the latest attempt of AHealth changed: its state first, then the
// warning.
std::vector<THealthEvent> HealthEvents(const TTargetHealth& AHealth);
// Whether the user is told of AEvent: every change but FirstUp.
inline bool Told(THealthEvent AEvent) { return AEvent != THealthEvent::FirstUp; }
// "first-up", "down", "up", "slow" or "slow-ended".
const char* HealthEventName(THealthEvent AEvent);
// "unknown", "up" or "down".
const char* HealthStateName(THealthState AState);
