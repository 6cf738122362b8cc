#include "monitor/Monitor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Writes every event it is served into a shared record, under its name.
struct TRecorder : TMonitorSubscriber {
  TRecorder(std::string AName, std::vector<std::string>& ARecord)
      : Name(std::move(AName)), Record(ARecord) {}
  void Note(const std::string& AEvent) {
    Record.push_back(Name + " " + AEvent);
    if (AEvent == ThrowOn) throw std::runtime_error(Name + " failed");
  }
  void AttemptRecorded(const TPingSession& S, const TAttempt& A) override {
    Note("attempt " + S.Host() + " " + std::to_string(A.Sequence));
  }
  void OutageStarted(const TPingSession&, const TOutage& O) override {
    Note("outage-started " + std::to_string(O.Lost));
  }
  void OutageEnded(const TPingSession&, const TOutage& O) override {
    Note("outage-ended " + std::to_string(O.Lost));
  }
  void TtlChanged(const TPingSession&, const TTtlChange& C) override {
    Note("ttl " + std::to_string(C.Ttl));
  }
  void HealthChanged(const TPingSession& S) override {
    Note(S.Health().State() == THealthState::Down ? "down" : "up");
  }
  void SessionsCleared(TWallTime) override { Note("cleared"); }
  void SessionEnded(const std::string& AHost) override { Note("ended " + AHost); }

  std::string Name;
  std::vector<std::string>& Record;
  std::string ThrowOn;
};

TAttempt Attempt(std::uint16_t ASequence, TOutcome AOutcome, std::uint8_t ATtl = 64) {
  TAttempt Result;
  Result.Sent = {ASequence * 1'000'000LL, 0};
  Result.Outcome = AOutcome;
  Result.Sequence = ASequence;
  Result.Ttl = AOutcome == TOutcome::Reply ? ATtl : 0;
  return Result;
}

struct MonitorTest : testing::Test {
  MonitorTest() {
    Monitor.Subscribe(&First);
    Monitor.Subscribe(&Second);
  }
  TMonitor Monitor{nullptr};
  std::vector<std::string> Record;
  TRecorder First{"first", Record};
  TRecorder Second{"second", Record};
};

}  // namespace

TEST_F(MonitorTest, ServesEachEventToEverySubscriberInTheirOrderBeforeTheNext) {
  Monitor.Record("h", Attempt(1, TOutcome::Reply));
  Monitor.Record("h", Attempt(2, TOutcome::TimeOut));
  Monitor.Record("h", Attempt(3, TOutcome::Reply, 57));
  Monitor.Clear();
  EXPECT_EQ(Record, (std::vector<std::string>{
                        "first attempt h 1", "second attempt h 1", "first ttl 64", "second ttl 64",
                        "first attempt h 2", "second attempt h 2", "first outage-started 1",
                        "second outage-started 1", "first attempt h 3", "second attempt h 3",
                        "first outage-ended 1", "second outage-ended 1", "first ttl 57",
                        "second ttl 57", "first cleared", "second cleared"}));
  EXPECT_EQ(Monitor.Session("h").Sent(), 0u);
}

TEST_F(MonitorTest, AThrowingSubscriberIsReportedAndTheOthersAreStillServed) {
  First.ThrowOn = "attempt h 1";
  std::vector<std::string> Reported;
  Monitor.OnError = [&] {
    try {
      throw;
    } catch (const std::exception& E) {
      Reported.push_back(E.what());
    }
  };
  Monitor.Record("h", Attempt(1, TOutcome::Reply));
  EXPECT_EQ(Reported, std::vector<std::string>{"first failed"});
  EXPECT_EQ(Record, (std::vector<std::string>{"first attempt h 1", "second attempt h 1",
                                              "first ttl 64", "second ttl 64"}));
  EXPECT_EQ(Monitor.Session("h").Received(), 1u);

  // Without a handler the failure is raised once everyone was served.
  Monitor.OnError = nullptr;
  Record.clear();
  Second.ThrowOn = "cleared";
  EXPECT_THROW(
      try { Monitor.Clear(); } catch (const std::runtime_error& E) {
        EXPECT_STREQ(E.what(), "second failed");
        throw;
      },
      std::runtime_error);
  EXPECT_EQ(Record, (std::vector<std::string>{"first cleared", "second cleared"}));
}

TEST_F(MonitorTest, ASubscriberLeavingWhileServedMissesNothingOfTheOthers) {
  struct TLeaver : TMonitorSubscriber {
    void AttemptRecorded(const TPingSession&, const TAttempt&) override {
      Monitor->Unsubscribe(this);
      Monitor->Unsubscribe(Other);
    }
    TMonitor* Monitor;
    TMonitorSubscriber* Other;
  } Leaver;
  Leaver.Monitor = &Monitor;
  Leaver.Other = &Second;
  Monitor.Unsubscribe(&First);
  Monitor.Unsubscribe(&Second);
  Monitor.Subscribe(&Leaver);
  Monitor.Subscribe(&Second);
  Monitor.Subscribe(&First);
  Monitor.Record("h", Attempt(1, TOutcome::TimeOut));
  EXPECT_EQ(Record, (std::vector<std::string>{"first attempt h 1", "first outage-started 1"}));
}

TEST_F(MonitorTest, AHostsOwnHealthRuleHoldsAcrossAClearAndItsChangeFollowsTheOutage) {
  Monitor.Unsubscribe(&Second);
  THealthRule Rule;
  Rule.DownAfterLosses = 1;
  Monitor.SetHealthRule("h", Rule);
  Monitor.Record("other", Attempt(1, TOutcome::TimeOut));
  Monitor.Record("h", Attempt(1, TOutcome::TimeOut));
  Monitor.Clear();
  Monitor.Record("h", Attempt(2, TOutcome::TimeOut));
  EXPECT_EQ(Record, (std::vector<std::string>{"first attempt other 1", "first outage-started 1",
                                              "first attempt h 1", "first outage-started 1",
                                              "first down", "first cleared", "first attempt h 2",
                                              "first outage-started 1", "first down"}));
}

TEST_F(MonitorTest, EndingOneHostsSessionLeavesTheOthersAndKeepsItsRule) {
  Monitor.SetHealthRule("a", {1, 1});
  Monitor.Record("a", Attempt(1, TOutcome::Reply));
  Monitor.Record("b", Attempt(2, TOutcome::Reply));
  Record.clear();
  Monitor.EndSession("a");
  Monitor.EndSession("never pinged");
  EXPECT_EQ(Record, (std::vector<std::string>{"first ended a", "second ended a"}));
  EXPECT_EQ(Monitor.Session("b").AttemptCount(), 1U);
  Monitor.Record("a", Attempt(3, TOutcome::TimeOut));
  EXPECT_EQ(Monitor.Session("a").Health().State(), THealthState::Down);
  std::vector<std::uint16_t> Kept;
  Monitor.VisitAttempts(Monitor.Session("a"),
                        [&](const TAttempt& A) { Kept.push_back(A.Sequence); });
  EXPECT_EQ(Kept, std::vector<std::uint16_t>{3})
      << "the ended session's attempts are not the new one's";
}

// A service's model: nothing on disk, a short ring per session, and a host
// that leaves the watch leaves the model.
TEST(MonitorWithoutSpool, HoldsOnlyTheRecentAttemptsAndForgetsAHostThatLeaves) {
  TMonitor Monitor(nullptr, TMonitorKeeping{"", 2});
  for (std::uint16_t Sequence = 1; Sequence <= 5; ++Sequence)
    Monitor.Record("h", Attempt(Sequence, Sequence % 2 ? TOutcome::Reply : TOutcome::TimeOut));
  const TPingSession& S = Monitor.Session("h");
  EXPECT_EQ(S.Sent(), 5u);
  EXPECT_EQ(S.Attempts().size(), 2u);
  EXPECT_EQ(S.Outages().size(), 2u);
  std::vector<std::uint16_t> Visited;
  Monitor.VisitAttempts(S, [&](const TAttempt& A) { Visited.push_back(A.Sequence); });
  EXPECT_EQ(Visited, (std::vector<std::uint16_t>{4, 5}));
  EXPECT_EQ(Monitor.Unkept(S), 3u);
  Monitor.EndSession("h");
  EXPECT_EQ(Monitor.Session("h").Sent(), 0u);
}
