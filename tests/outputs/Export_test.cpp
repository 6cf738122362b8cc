#include "outputs/Export.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TAttempt Attempt(std::uint32_t ANumber) {
  TAttempt Result;
  Result.Sent = {1'773'000'000'000'000 + ANumber * 1'000'000LL, 3600};
  // A loss in three, so outages come and go all along.
  Result.Outcome = ANumber % 3 == 2 ? TOutcome::TimeOut : TOutcome::Reply;
  Result.Address = Result.Outcome == TOutcome::Reply ? "192.0.2.1" : "0.0.0.0";
  Result.Sequence = static_cast<std::uint16_t>(ANumber);
  Result.Ttl = Result.Outcome == TOutcome::Reply ? 64 - ANumber / 100'000 : 0;
  Result.RoundTripUs = ANumber;
  return Result;
}

}  // namespace

TEST(Export, HoldsEveryAttemptOfTheSessionOldestFirstAndNoOtherHosts) {
  TMonitor Monitor(nullptr);
  TAttempt Long = Attempt(2);
  // Longer than a block of the spool's reads.
  Long.Message.assign(200'000, 'x');
  Monitor.Record("h", Attempt(1));
  Monitor.Record("other", Attempt(7));
  Monitor.Record("h", Long);
  const TPingSession& S = Monitor.Session("h");
  EXPECT_EQ(ExportText(Monitor, S, TExportFormat::Csv),
            CsvHeader() + CsvRecord(Attempt(1), "h") + CsvRecord(Long, "h"));
  EXPECT_EQ(ExportText(Monitor, S, TExportFormat::JsonLines),
            JsonLine(Attempt(1), "h") + JsonLine(Long, "h"));
  EXPECT_EQ(ExportText(Monitor, Monitor.Session("none"), TExportFormat::JsonLines), "");
  Monitor.Clear();
  Monitor.Record("h", Attempt(3));
  EXPECT_EQ(ExportText(Monitor, Monitor.Session("h"), TExportFormat::JsonLines),
            JsonLine(Attempt(3), "h"));
}

TEST(Export, ASessionOfAMillionAttemptsHoldsFewInMemoryAndExportsThemAll) {
  constexpr std::uint32_t Million = 1'000'000;
  TMonitor Monitor(nullptr);
  for (std::uint32_t Number = 0; Number < Million; ++Number)
    Monitor.Record("192.0.2.1", Attempt(Number));
  const TPingSession& S = Monitor.Session("192.0.2.1");
  EXPECT_EQ(S.AttemptCount(), Million);
  EXPECT_EQ(S.Attempts().size(), TPingSession::RecentLimit);
  EXPECT_EQ(S.Attempts().back().RoundTripUs, Million - 1);
  EXPECT_EQ(S.OutageCount(), Million / 3);
  EXPECT_EQ(S.Outages().size(), TPingSession::RecentLimit);
  EXPECT_EQ(S.TtlChanges().size(), 10u);
  std::uint32_t Next = 0;
  bool InOrder = true;
  Monitor.VisitAttempts(S, [&](const TAttempt& A) {
    InOrder = InOrder && A.RoundTripUs == Next && A.Address == Attempt(Next).Address;
    ++Next;
  });
  EXPECT_EQ(Next, Million);
  EXPECT_TRUE(InOrder);
  EXPECT_EQ(Monitor.Unkept(S), 0u);
}
