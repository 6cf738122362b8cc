// The route to one target as its rounds of probes find it: for every hop
// (time-to-live), the routers that answered there, each with its own round
// trips, the hop's sent and lost probes and a ring of its recent samples;
// where the route ends (the target, or a router that called it unreachable)
// and when a hop's router changed. Memory per hop is constant however long
// the route is traced. Qt-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Attempt.h"

// How one probe of a round ended, as the route takes it.
enum class THopAnswer : std::uint8_t {
  TimeExceeded,  // a router on the way
  Reply,         // the target itself
  Unreachable,   // a router, or the target, that cannot reach further
  TimeOut,
  Error,  // the probe never went out
};

// One probe's outcome for the hop it was sent to.
struct TRouteProbe {
  int Hop = 0;  // the probe's time-to-live or hop limit
  THopAnswer Answer = THopAnswer::TimeOut;
  std::string Address;    // who answered; empty for a time-out and an error
  std::uint8_t Code = 0;  // an unreachable answer's code
  std::uint64_t RoundTripUs = 0;
  TWallTime At;
};

// The round trips of one router at one hop, in constant space: count, last,
// best, worst, mean and standard deviation (Welford's running sums).
class THopFigures {
 public:
  void Add(std::uint64_t AMicroseconds);
  std::uint64_t Count() const { return FCount; }
  // These need at least one round trip.
  std::uint64_t Last() const { return FLast; }
  std::uint64_t Best() const { return FBest; }
  std::uint64_t Worst() const { return FWorst; }
  double Mean() const { return FMean; }
  // Of the round trips as a whole population: 0 for a single one.
  double StandardDeviation() const;

 private:
  std::uint64_t FCount = 0;
  std::uint64_t FLast = 0;
  std::uint64_t FBest = 0;
  std::uint64_t FWorst = 0;
  double FMean = 0;
  double FSquares = 0;
};

struct TRouter {
  std::string Address;
  std::string Name;  // its reverse name; empty until known, or when it has none
  THopFigures Figures;
  std::uint64_t LastSeen = 0;  // the number of the hop's probe it last answered
};

// One of a hop's recent probes: its round trip, or lost.
struct THopSample {
  std::uint32_t RoundTripUs = 0;
  bool Lost = false;
};

class THop {
 public:
  // A hop keeps this many routers; one more takes the place of the one heard
  // from longest ago (a load balancer that spreads over more paths).
  static constexpr std::size_t RouterLimit = 8;
  static constexpr std::size_t SampleLimit = 32;

  explicit THop(int ANumber) : FNumber(ANumber) {}

  int Number() const { return FNumber; }
  std::uint64_t Sent() const { return FSent; }
  std::uint64_t Lost() const { return FLost; }
  // 0 before the first probe.
  double LossPercent() const;
  // Every router heard at this hop, in the order first heard.
  const std::vector<TRouter>& Routers() const { return FRouters; }
  // The code of the unreachable answer that ends the route here, while it does.
  std::optional<std::uint8_t> UnreachableCode() const { return FUnreachable; }
  // The latest samples, oldest first.
  std::vector<THopSample> Samples() const;

 private:
  friend class TRoute;
  // The router that answered, added when new; ANew tells which.
  TRouter& Heard(const std::string& AAddress, bool& ANew);
  void Sample(THopSample ASample);

  int FNumber;
  std::uint64_t FSent = 0;
  std::uint64_t FLost = 0;
  std::vector<TRouter> FRouters;
  std::optional<std::uint8_t> FUnreachable;
  std::array<THopSample, SampleLimit> FSamples{};
  std::size_t FSampleCount = 0;
};

// A router heard at a hop where another answered before: a changed route, or
// one more path of a load balancer.
struct TRouteChange {
  TWallTime At;
  int Hop = 0;
  std::string Previous;  // the router last heard there before
  std::string Current;
};

class TRoute {
 public:
  static constexpr int HopLimit = 64;
  static constexpr int DefaultHops = 30;
  // The most changes held; older ones leave as newer ones come.
  static constexpr std::size_t ChangeLimit = 64;

  // The route from here to AAddress (text), which AHost named; hops from 1
  // to AMaxHops (1 to HopLimit).
  TRoute(std::string AHost, std::string AAddress, int AMaxHops, TWallTime AStart);

  const std::string& Host() const { return FHost; }
  const std::string& Address() const { return FAddress; }
  TWallTime Start() const { return FStart; }
  int MaxHops() const { return static_cast<int>(FHops.size()); }

  // The hop where the route ends: the nearest that the target answered
  // from, or that called it unreachable; 0 while none has.
  int End() const { return FEnd; }
  // The hops the next round probes: up to the end once known, else all.
  int ProbeLimit() const { return FEnd > 0 ? FEnd : MaxHops(); }
  // The hops to show, 1 to this: to the end, or while it is unknown to the
  // farthest hop any router answered from.
  int Shown() const;
  const THop& Hop(int ANumber) const { return FHops[static_cast<std::size_t>(ANumber - 1)]; }

  // What a probe's outcome changed, for the tracer and the model's events.
  struct TRecorded {
    bool Counted = false;    // false for a hop beyond the end, which no longer counts
    bool NewRouter = false;  // a router not heard at that hop before
    bool Changed = false;    // ... where another one answered before (Changes().back())
  };
  TRecorded Record(const TRouteProbe& AProbe);
  // Gives every router at AAddress its reverse name.
  void Name(const std::string& AAddress, const std::string& AName);
  // The name a router at AAddress already has; empty when none has one.
  std::string NameOf(const std::string& AAddress) const;

  std::uint64_t Rounds() const { return FRounds; }
  void CountRound() { ++FRounds; }

  // The latest changes, oldest first, and how many there were in all.
  const std::deque<TRouteChange>& Changes() const { return FChanges; }
  std::uint64_t ChangeCount() const { return FChangeCount; }

 private:
  THop& HopAt(int ANumber) { return FHops[static_cast<std::size_t>(ANumber - 1)]; }

  std::string FHost;
  std::string FAddress;
  TWallTime FStart;
  std::vector<THop> FHops;
  int FEnd = 0;
  std::uint64_t FRounds = 0;
  std::deque<TRouteChange> FChanges;
  std::uint64_t FChangeCount = 0;
};
