// The model: every attempt that an engine reports, a session per host text
// until the data are cleared, and the events that follow from them, for any
// number of subscribers (the pages, the attempt log, metrics later). It is
// the one subscriber to an engine; every other consumer subscribes here.
// Qt-free.
//
// Events, in this order for one attempt, each delivered to every subscriber
// in the order they subscribed before the next event goes out:
//   AttemptRecorded, then OutageEnded (a reply after losses) or
//   OutageStarted (a first loss), then HealthChanged (the host went down or
//   up, or a slow-reply warning began or ended), then TtlChanged (a reply of
//   another TTL).
// Clearing the data sends SessionsCleared; ending one host's session sends
// SessionEnded.
// A traced route sends RouteChanged for a router heard where another
// answered before, and RouteRound once every probe of a round has its outcome.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Attempt.h"
#include "monitor/AttemptSpool.h"
#include "monitor/PingSession.h"
#include "monitor/Route.h"
#include "net/IdIcmpClient.h"
#include "rtl/Classes.h"

// What a consumer of the model overrides; the others do nothing. The session
// and the records are valid while the call runs.
class TMonitorSubscriber {
 public:
  virtual ~TMonitorSubscriber() = default;
  virtual void AttemptRecorded(const TPingSession& /*ASession*/, const TAttempt& /*AAttempt*/) {}
  virtual void OutageStarted(const TPingSession& /*ASession*/, const TOutage& /*AOutage*/) {}
  virtual void OutageEnded(const TPingSession& /*ASession*/, const TOutage& /*AOutage*/) {}
  // ASession.Health() tells the state, the one before it, and the warning.
  virtual void HealthChanged(const TPingSession& /*ASession*/) {}
  virtual void TtlChanged(const TPingSession& /*ASession*/, const TTtlChange& /*AChange*/) {}
  // Every session ended; the next ones begin at AStart.
  virtual void SessionsCleared(TWallTime /*AStart*/) {}
  // The session of AHost ended; its next attempt begins a new one.
  virtual void SessionEnded(const std::string& /*AHost*/) {}
  virtual void RouteChanged(const TRoute& /*ARoute*/, const TRouteChange& /*AChange*/) {}
  // Round ARound of ARoute ended: the route shows its outcomes.
  virtual void RouteRound(const TRoute& /*ARoute*/, std::uint64_t /*ARound*/) {}
};

// What the model keeps of the attempts beyond each session's figures.
struct TMonitorKeeping {
  // Every attempt goes to a file of its own in this folder; empty: none is
  // kept on disk, as for a service that runs for months.
  std::string SpoolFolder = TemporaryFolder();
  // The latest attempts, outages and TTL changes held per session.
  std::size_t RecentLimit = TPingSession::RecentLimit;
};

class TMonitor : public TComponent {
 public:
  // Keeps every attempt in a file of its own in ASpoolFolder, besides the
  // latest ones in memory. Raises EAttemptSpoolError when it cannot make it.
  explicit TMonitor(TComponent* AOwner, const std::string& ASpoolFolder = TemporaryFolder());
  TMonitor(TComponent* AOwner, const TMonitorKeeping& AKeeping);

  // Records every attempt of AClient from now on: each outcome after its
  // OnReply, and each host text that did not resolve. The client must not
  // report once the model has gone.
  void Follow(TIdIcmpClient* AClient);

  // Takes an attempt to AHost, as the designed echo client reports it: its
  // outcome, after ARoundTripUs; or a host whose name did not resolve.
  void RecordEcho(const std::string& AHost, const TReplyStatus& AStatus,
                  std::uint64_t ARoundTripUs);
  void RecordUnresolved(const std::string& AHost, const std::string& AMessage);
  // Takes one attempt to AHost, from any engine.
  void Record(const std::string& AHost, const TAttempt& AAttempt);
  // The rule by which AHost is up or down, from its next attempt on, in this
  // session and the next ones; the others keep the default rule.
  void SetHealthRule(const std::string& AHost, const THealthRule& ARule);
  // Ends every session: the next attempts begin new ones, whose health is
  // Unknown again.
  // Tells every subscriber of a change, or the end of a round, of a route
  // that a tracer follows.
  void RecordRouteChange(const TRoute& ARoute, const TRouteChange& AChange);
  void RecordRouteRound(const TRoute& ARoute, std::uint64_t ARound);
  // Ends every session: the next attempts begin new ones.
  void Clear(TWallTime AStart = WallClockNow());
  // Ends the session of AHost alone, as Clear ends them all; its rule stays.
  void EndSession(const std::string& AHost);

  // The session of AHost, byte for byte; an empty one since the last clear
  // when that host has no attempts.
  const TPingSession& Session(const std::string& AHost) const;
  // Calls AVisit with every attempt of ASession, oldest first, from the disk
  // (without a spool, the ones held in memory). Raises EAttemptSpoolError
  // when they cannot be read.
  void VisitAttempts(const TPingSession& ASession,
                     const std::function<void(const TAttempt&)>& AVisit) const;
  // The attempts of ASession that could not be kept on disk, so that a
  // reader of them all knows what it misses.
  std::uint64_t Unkept(const TPingSession& ASession) const;

  // Subscribers are served in the order they subscribed; one may subscribe
  // or unsubscribe any other, or itself, while it is served.
  void Subscribe(TMonitorSubscriber* ASubscriber);
  void Unsubscribe(TMonitorSubscriber* ASubscriber);

  // Called within the catch block of an exception that a subscriber, or the
  // spool, raised; the other subscribers are served all the same. Without a
  // handler, the first such exception is raised again once every subscriber
  // has been served.
  std::function<void()> OnError;

 private:
  struct TEntry {
    TPingSession Session;
    std::uint64_t Number;      // in the spool's records
    std::uint64_t SpoolStart;  // no record of the session lies before
    std::uint64_t Unkept = 0;
  };
  template <class TCall>
  void Publish(const TCall& ACall);
  // Hands the exception being handled to OnError, or keeps the first one
  // for RaiseKept.
  void Report();
  void RaiseKept();
  void Keep(TEntry& AEntry, const TAttempt& AAttempt);

  const std::size_t FRecentLimit;
  mutable std::optional<TAttemptSpool> FSpool;
  std::map<std::string, TEntry, std::less<>> FEntries;
  std::map<std::string, THealthRule, std::less<>> FRules;
  TPingSession FNone;
  std::uint64_t FNextNumber = 1;
  // The spool failed at its last append: the failure was reported once.
  bool FSpoolFailing = false;
  std::vector<TMonitorSubscriber*> FSubscribers;
  int FPublishing = 0;
  std::exception_ptr FKept;
};
