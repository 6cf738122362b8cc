// Traces the route to one host through the probe engine: every hop from 1 to
// the route's limit probed in the same round, all in flight together, a round
// at every interval until stopped, and the hops beyond the end no longer
// probed once it is known. The routers' reverse names resolve off the
// caller's loop and never hold up a round. Each outcome goes into the route
// (Route.h); its changes and ended rounds go to the model's subscribers.
// Driven by its caller's loop like the engine it drives; Qt-free.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "monitor/Monitor.h"
#include "monitor/Route.h"
#include "probe/Engine.h"
#include "probe/Resolver.h"
#include "rtl/SysUtils.h"

// Settings that a route cannot be traced with; the message says which.
class ERouteError : public Exception {
 public:
  using Exception::Exception;
};

struct TRouteSettings {
  static constexpr std::chrono::milliseconds MinInterval{100};

  std::string Host;  // a name, or an IPv4 or IPv6 address
  int MaxHops = TRoute::DefaultHops;
  std::chrono::milliseconds Interval{1000};
  std::chrono::milliseconds Timeout{1000};
};

class TRouteTracer final : public quorvel::probe::Driven {
 public:
  using TTimePoint = quorvel::probe::TimePoint;

  // Opens the engine's sockets (AOptions say which kinds it may use); the
  // model, which must outlive the tracer, hears of changes and rounds.
  TRouteTracer(TMonitor* AMonitor, const quorvel::probe::EngineOptions& AOptions);
  ~TRouteTracer() override;

  // Ends the route traced so far and starts on ASettings.Host: the first
  // round goes as soon as its address is known. Raises ERouteError for a
  // host that is empty, hops outside 1 to TRoute::HopLimit, or an interval
  // under MinInterval; the route traced before goes on then.
  void Start(const TRouteSettings& ASettings, TTimePoint ANow = quorvel::probe::Clock::now());
  // No round follows; answers still on their way are passed over.
  void Stop();
  bool Running() const { return FRunning; }
  // The route traced now or last; null until the host's address is known.
  const TRoute* Route() const { return FRoute.get(); }
  // What carries the probes of AFamily.
  quorvel::probe::SocketKind Kind(quorvel::wire::Family AFamily) const {
    return FEngine.Kind(AFamily);
  }

  // After a pass in which anything the route shows changed.
  std::function<void()> OnChange;
  // The host could not be traced (its name did not resolve, or no socket
  // may send to its family); the message says why, and tracing stopped.
  std::function<void(const std::string&)> OnFailed;

  std::vector<int> Descriptors() const override;
  std::optional<TTimePoint> NextDeadline() const override;
  void HandleReadable(int AFd, TTimePoint ANow) override;
  void HandleTime(TTimePoint ANow) override;

 private:
  void Begin(const quorvel::wire::IpAddress& AAddress, TTimePoint ANow);
  void Fail(const std::string& AMessage);
  void SendRound(TTimePoint ANow);
  void Take(const quorvel::probe::Outcome& AOutcome);
  void Named(const quorvel::probe::Resolution& AResolution);
  void Notify();

  TMonitor* FMonitor;
  quorvel::probe::Engine FEngine;
  quorvel::probe::Resolver FResolver;
  TRouteSettings FSettings;
  std::unique_ptr<TRoute> FRoute;
  quorvel::wire::IpAddress FTarget;
  bool FRunning = false;
  // Each start and stop begins a new run; answers of an earlier one are late.
  std::uint64_t FRun = 0;
  std::uint64_t FLookup = 0;
  std::optional<TTimePoint> FNextRound;
  // The rounds still waiting for outcomes, with how many each waits for.
  std::map<std::uint64_t, int> FOpen;
  // The addresses whose names are being looked up.
  std::set<std::string> FNaming;
  bool FChanged = false;
};
