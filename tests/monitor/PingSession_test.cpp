#include "monitor/PingSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t Second = 1'000'000;

// An attempt sent at the given second of the session, with a round trip of
// 1 ms for a reply and 1 s for anything else.
TAttempt At(int ASecond, TOutcome AOutcome, std::uint8_t ATtl = 64) {
  TAttempt Attempt;
  Attempt.Sent = {ASecond * Second, 3600};
  Attempt.Outcome = AOutcome;
  Attempt.Address = AOutcome == TOutcome::TimeOut ? "0.0.0.0" : "127.0.0.1";
  Attempt.Ttl = AOutcome == TOutcome::Reply ? ATtl : 0;
  Attempt.RoundTripUs = AOutcome == TOutcome::Reply ? 1'000 : Second;
  return Attempt;
}

constexpr TOutcome R = TOutcome::Reply;
constexpr TOutcome T = TOutcome::TimeOut;
constexpr TOutcome U = TOutcome::Unreachable;
constexpr TOutcome X = TOutcome::TtlExceeded;

TPingSession Session(const std::vector<TOutcome>& AOutcomes) {
  TPingSession Result({0, 3600});
  for (std::size_t Index = 0; Index < AOutcomes.size(); ++Index)
    Result.Record("host", At(static_cast<int>(Index), AOutcomes[Index]));
  return Result;
}

}  // namespace

TEST(PingSession, CountsEveryOutcomeButAReplyAsLost) {
  const TPingSession S = Session({R, T, U, X, TOutcome::Error, R, R, R});
  EXPECT_EQ(S.Sent(), 8u);
  EXPECT_EQ(S.Received(), 4u);
  EXPECT_EQ(S.Lost(), 4u);
  EXPECT_DOUBLE_EQ(S.LossPercent(), 50);
  EXPECT_EQ(S.RoundTrips().Count(), 4u);
  EXPECT_EQ(S.Attempts().size(), 8u);
}

TEST(PingSession, AllLostIsOneOutageFromTheFirstRequestToTheLastWait) {
  const TPingSession S = Session({T, T, U, T});
  EXPECT_DOUBLE_EQ(S.LossPercent(), 100);
  EXPECT_EQ(S.RoundTrips().Count(), 0u);
  ASSERT_EQ(S.Outages().size(), 1u);
  EXPECT_EQ(S.Outages()[0].Lost, 4u);
  EXPECT_EQ(S.Outages()[0].Start.UnixUs, 0);
  EXPECT_EQ(S.Outages()[0].End.UnixUs, 4 * Second);
  EXPECT_EQ(S.Outages()[0].End.UtcOffset, 3600);
}

TEST(PingSession, RepliesEndAnOutageAndTheNextLossStartsAnother) {
  const TPingSession S = Session({R, T, R, R, T, X, T, R, T});
  ASSERT_EQ(S.Outages().size(), 3u);
  const std::pair<std::int64_t, std::uint64_t> Expected[] = {{1, 1}, {4, 3}, {8, 1}};
  for (std::size_t Index = 0; Index < 3; ++Index) {
    EXPECT_EQ(S.Outages()[Index].Start.UnixUs, Expected[Index].first * Second);
    EXPECT_EQ(S.Outages()[Index].Lost, Expected[Index].second);
  }
  EXPECT_EQ(S.Outages()[1].End.UnixUs, 7 * Second);
}

TEST(PingSession, NotesTheTtlOfTheFirstReplyAndEachChange) {
  TPingSession S({0, 0});
  const std::uint8_t Ttls[] = {64, 64, 57, 57, 64};
  int Second = 0;
  for (const std::uint8_t Ttl : Ttls) {
    S.Record("host", At(Second++, R, Ttl));
    // Error messages come from routers; their TTL is no reply's.
    S.Record("host", At(Second++, X));
  }
  ASSERT_EQ(S.TtlChanges().size(), 3u);
  EXPECT_EQ(S.TtlChanges()[0].Ttl, 64);
  EXPECT_EQ(S.TtlChanges()[1].Ttl, 57);
  EXPECT_EQ(S.TtlChanges()[1].At.UnixUs, 4 * ::Second);
  EXPECT_EQ(S.TtlChanges()[2].Ttl, 64);
}

TEST(PingSession, BelongsToTheHostOfItsFirstAttemptByteForByte) {
  TPingSession S({0, 0});
  EXPECT_TRUE(S.Accepts("anything"));
  S.Record("LocalHost", At(0, R));
  EXPECT_EQ(S.Host(), "LocalHost");
  EXPECT_TRUE(S.Accepts("LocalHost"));
  EXPECT_FALSE(S.Accepts("localhost"));
  EXPECT_FALSE(S.Accepts("LocalHost "));
}

TEST(PingSession, AnOutageGoingOnAtAClearIsNotCarriedIntoTheNextSession) {
  TPingSession S = Session({R, T, T});
  ASSERT_EQ(S.Outages().size(), 1u);
  S = TPingSession({10 * Second, 3600});
  S.Record("host", At(10, T));
  S.Record("host", At(11, R, 57));
  ASSERT_EQ(S.Outages().size(), 1u);
  EXPECT_EQ(S.Outages()[0].Lost, 1u);
  EXPECT_EQ(S.Outages()[0].Start.UnixUs, 10 * Second);
  ASSERT_EQ(S.TtlChanges().size(), 1u);
  EXPECT_EQ(S.TtlChanges()[0].Ttl, 57);
}
