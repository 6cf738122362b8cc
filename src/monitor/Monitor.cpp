#include "monitor/Monitor.h"

#include <algorithm>
#include <utility>

namespace {

TOutcome OutcomeOf(TReplyStatusKind AStatus) {
  switch (AStatus) {
    case rsEcho:
      return TOutcome::Reply;
    case rsTimeOut:
      return TOutcome::TimeOut;
    case rsErrorUnreachable:
      return TOutcome::Unreachable;
    case rsErrorTTLExceeded:
      return TOutcome::TtlExceeded;
    case rsError:
      break;
  }
  return TOutcome::Error;
}

}  // namespace

TMonitor::TMonitor(TComponent* AOwner, const std::string& ASpoolFolder)
    : TMonitor(AOwner, TMonitorKeeping{ASpoolFolder, TPingSession::RecentLimit}) {}

TMonitor::TMonitor(TComponent* AOwner, const TMonitorKeeping& AKeeping)
    : TComponent(AOwner), FRecentLimit(AKeeping.RecentLimit), FNone(WallClockNow()) {
  SetName("Monitor");
  if (!AKeeping.SpoolFolder.empty()) FSpool.emplace(AKeeping.SpoolFolder);
}

void TMonitor::Follow(TIdIcmpClient* AClient) {
  // The host as the ping used it: the window's box may have changed while it waited.
  AClient->OnOutcome = [this](TComponent* ASender, const TReplyStatus& AStatus) {
    const auto* const Client = static_cast<TIdIcmpClient*>(ASender);
    RecordEcho(Client->Host(), AStatus, Client->RoundTripUs());
  };
  AClient->OnUnresolved = [this](TComponent* ASender, const std::string& AMessage) {
    RecordUnresolved(static_cast<TIdIcmpClient*>(ASender)->Host(), AMessage);
  };
}

void TMonitor::RecordEcho(const std::string& AHost, const TReplyStatus& AStatus,
                          std::uint64_t ARoundTripUs) {
  TWallTime Sent = WallClockNow();
  Sent.UnixUs -= static_cast<std::int64_t>(ARoundTripUs);
  Record(AHost, TAttempt{Sent,
                         AStatus.FromAddress,
                         OutcomeOf(AStatus.Status),
                         AStatus.ByteCount,
                         AStatus.MessageType,
                         AStatus.SequenceNumber,
                         AStatus.Ttl,
                         ARoundTripUs,
                         {}});
}

void TMonitor::RecordUnresolved(const std::string& AHost, const std::string& AMessage) {
  Record(AHost, TAttempt{WallClockNow(), {}, TOutcome::Unresolved, 0, 0, 0, 0, 0, AMessage});
}

void TMonitor::Record(const std::string& AHost, const TAttempt& AAttempt) {
  auto Found = FEntries.find(AHost);
  if (Found == FEntries.end()) {
    const auto Rule = FRules.find(AHost);
    const TPingSession Session(AAttempt.Sent, Rule == FRules.end() ? THealthRule{} : Rule->second,
                               FRecentLimit);
    Found =
        FEntries.emplace(AHost, TEntry{Session, FNextNumber++, FSpool ? FSpool->End() : 0}).first;
  }
  TEntry& Entry = Found->second;
  const TPingSession::TChanges Changes = Entry.Session.Record(AHost, AAttempt);
  Keep(Entry, AAttempt);
  const TPingSession& S = Entry.Session;
  Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.AttemptRecorded(S, AAttempt); });
  if (Changes.OutageEnded) {
    // The outage ended with the last loss before this reply.
    Publish(
        [&](TMonitorSubscriber& ASubscriber) { ASubscriber.OutageEnded(S, S.Outages().back()); });
  }
  if (Changes.OutageStarted)
    Publish(
        [&](TMonitorSubscriber& ASubscriber) { ASubscriber.OutageStarted(S, S.Outages().back()); });
  if (Changes.HealthChanged)
    Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.HealthChanged(S); });
  if (Changes.TtlChanged)
    Publish(
        [&](TMonitorSubscriber& ASubscriber) { ASubscriber.TtlChanged(S, S.TtlChanges().back()); });
  RaiseKept();
}

void TMonitor::RecordRouteChange(const TRoute& ARoute, const TRouteChange& AChange) {
  Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.RouteChanged(ARoute, AChange); });
  RaiseKept();
}

void TMonitor::RecordRouteRound(const TRoute& ARoute, std::uint64_t ARound) {
  Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.RouteRound(ARoute, ARound); });
  RaiseKept();
}

void TMonitor::Keep(TEntry& AEntry, const TAttempt& AAttempt) {
  if (!FSpool) return;
  try {
    FSpool->Append(AEntry.Number, AAttempt);
    FSpoolFailing = false;
  } catch (const EAttemptSpoolError&) {
    ++AEntry.Unkept;
    // A full disk fails every attempt after it: said once, not once a ping.
    if (!std::exchange(FSpoolFailing, true)) Report();
  }
}

void TMonitor::SetHealthRule(const std::string& AHost, const THealthRule& ARule) {
  FRules.insert_or_assign(AHost, ARule);
  const auto Found = FEntries.find(AHost);
  if (Found != FEntries.end()) Found->second.Session.SetHealthRule(ARule);
}

void TMonitor::Clear(TWallTime AStart) {
  FEntries.clear();
  FNone = TPingSession(AStart);
  try {
    if (FSpool) FSpool->Clear();
  } catch (const EAttemptSpoolError&) {
    Report();
  }
  Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.SessionsCleared(AStart); });
  RaiseKept();
}

void TMonitor::EndSession(const std::string& AHost) {
  // Its attempts stay in the spool, where the next session's start hides them.
  if (FEntries.erase(AHost) == 0) return;
  Publish([&](TMonitorSubscriber& ASubscriber) { ASubscriber.SessionEnded(AHost); });
  RaiseKept();
}

const TPingSession& TMonitor::Session(const std::string& AHost) const {
  const auto Found = FEntries.find(AHost);
  return Found == FEntries.end() ? FNone : Found->second.Session;
}

void TMonitor::VisitAttempts(const TPingSession& ASession,
                             const std::function<void(const TAttempt&)>& AVisit) const {
  const auto Found = FEntries.find(ASession.Host());
  if (Found == FEntries.end() || &Found->second.Session != &ASession) return;
  if (FSpool)
    FSpool->Visit(Found->second.Number, Found->second.SpoolStart, AVisit);
  else
    for (const TAttempt& Attempt : ASession.Attempts()) AVisit(Attempt);
}

std::uint64_t TMonitor::Unkept(const TPingSession& ASession) const {
  const auto Found = FEntries.find(ASession.Host());
  if (Found == FEntries.end() || &Found->second.Session != &ASession) return 0;
  // Without a spool, only the attempts held in memory are kept.
  return FSpool ? Found->second.Unkept : ASession.AttemptCount() - ASession.Attempts().size();
}

void TMonitor::Subscribe(TMonitorSubscriber* ASubscriber) { FSubscribers.push_back(ASubscriber); }

void TMonitor::Unsubscribe(TMonitorSubscriber* ASubscriber) {
  // While subscribers are served, the place stays, empty, so the others keep theirs.
  if (FPublishing > 0)
    std::replace(FSubscribers.begin(), FSubscribers.end(), ASubscriber,
                 static_cast<TMonitorSubscriber*>(nullptr));
  else
    std::erase(FSubscribers, ASubscriber);
}

template <class TCall>
void TMonitor::Publish(const TCall& ACall) {
  ++FPublishing;
  // Those who subscribe while this event goes out get the next one.
  const std::size_t Count = FSubscribers.size();
  for (std::size_t Index = 0; Index < Count; ++Index) {
    TMonitorSubscriber* const Subscriber = FSubscribers[Index];
    if (Subscriber == nullptr) continue;
    try {
      ACall(*Subscriber);
    } catch (...) {
      Report();
    }
  }
  if (--FPublishing == 0) std::erase(FSubscribers, nullptr);
}

void TMonitor::Report() {
  if (OnError)
    OnError();
  else if (!FKept)
    FKept = std::current_exception();
}

void TMonitor::RaiseKept() {
  if (FKept && FPublishing == 0) std::rethrow_exception(std::exchange(FKept, nullptr));
}
