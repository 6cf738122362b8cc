#include "monitor/TargetHealth.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs a target through attempts one a second: 'r' a reply of 1 ms, 's' a
// slow reply of 500 ms, 'l' a loss, 'u' a name that did not resolve. Writes
// the state after each one: '?' unknown, 'U' up, 'D' down, lower case while
// slow.
std::string States(const THealthRule& ARule, const std::string& AAttempts) {
  TTargetHealth Health(ARule);
  std::string Result;
  std::int64_t Second = 0;
  for (const char Kind : AAttempts) {
    TAttempt Attempt;
    Attempt.Sent.UnixUs = 1'700'000'000'000'000 + Second++ * 1'000'000;
    Attempt.Outcome = Kind == 'l'   ? TOutcome::TimeOut
                      : Kind == 'u' ? TOutcome::Unresolved
                                    : TOutcome::Reply;
    Attempt.RoundTripUs = Kind == 's' ? 500'000 : 1'000;
    Health.Record(Attempt);
    const char State = "?UD"[static_cast<int>(Health.State())];
    Result += Health.Slow() ? static_cast<char>(State + ('a' - 'A')) : State;
  }
  return Result;
}

THealthRule Rule(std::uint32_t ADown, std::uint32_t AUp, double ALossPercent = 0,
                 std::uint64_t ASlowUs = 0) {
  return THealthRule{ADown, AUp, ALossPercent, ASlowUs};
}

}  // namespace

TEST(TargetHealth, FollowsRunsOfLossesAndAnswers) {
  struct {
    THealthRule Rule;
    std::string Attempts;
    std::string States;
  } const Cases[] = {
      // Down after three losses in a row, up after two answers; shorter runs change nothing.
      {Rule(3, 2), "rrllrlllrlrr", "?UUUUUUDDDDU"},
      // A silent target goes down from unknown; a lone answer does not bring it up.
      {Rule(3, 2), "lllrll", "??DDDD"},
      // Names that do not resolve count as losses.
      {Rule(3, 2), "rruuu", "?UUUD"},
      // Counts of zero act as one.
      {Rule(0, 0), "rlr", "UDU"},
      // Loss over the minute above 25 % brings it down without a run, and keeps
      // it down while the minute's loss stays too high, answers or not.
      {Rule(99, 1, 25), "rrrlrlr", "UUUUUDD"},
      // Slow replies: a warning after three in a row, ended by two within the threshold.
      {Rule(3, 2, 0, 100'000), "rssrsssrsrr", "?UUUUUuuuuU"},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(States(Case.Rule, Case.Attempts), Case.States) << Case.Attempts;
}

TEST(TargetHealth, TheMinutesLossForgetsAttemptsOlderThanAMinute) {
  TTargetHealth Health(Rule(99, 1, 40));
  TAttempt Attempt;
  Attempt.Outcome = TOutcome::TimeOut;
  Health.Record(Attempt);
  EXPECT_EQ(Health.State(), THealthState::Down);
  Attempt.Outcome = TOutcome::Reply;
  Attempt.Sent.UnixUs = 59'000'000;
  Health.Record(Attempt);
  EXPECT_DOUBLE_EQ(Health.MinuteLossPercent(), 50);
  EXPECT_EQ(Health.State(), THealthState::Down);
  Attempt.Sent.UnixUs = 60'000'000;
  Health.Record(Attempt);
  EXPECT_DOUBLE_EQ(Health.MinuteLossPercent(), 0);
  EXPECT_EQ(Health.State(), THealthState::Up);
  EXPECT_EQ(Health.Previous(), THealthState::Down);
}
