// The route tracer on networks of namespaces: a chain of routers in both
// families through the datagram socket and the echo helper, with the
// routers' names from the test name server; a hop that never answers, a
// target whose peer loses one probe in four, two routers at one hop, a route
// that changes while it runs, and an unreachable last hop.
#include "monitor/RouteTracer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>

#include <fstream>
#include <map>

#include "probe/PollLoop.h"
#include "support/DnsResponder.h"
#include "support/EchoHelperProcess.h"
#include "support/IcmpPeer.h"
#include "support/TestNetwork.h"

namespace {

using namespace std::chrono_literals;
namespace probe = quorvel::probe;
namespace test = quorvel::test;

struct TRouteEvents : TMonitorSubscriber {
  void RouteChanged(const TRoute&, const TRouteChange& AChange) override {
    Changes.push_back(AChange);
  }
  void RouteRound(const TRoute& ARoute, std::uint64_t ARound) override {
    ++Rounds;
    if (OnRound) OnRound(ARoute, ARound);
  }
  std::vector<TRouteChange> Changes;
  int Rounds = 0;
  std::function<void(const TRoute&, std::uint64_t)> OnRound;
};

// The first router of each hop to show, "???" for a silent one.
std::vector<std::string> Path(const TRoute& ARoute) {
  std::vector<std::string> Hops;
  for (int Hop = 1; Hop <= ARoute.Shown(); ++Hop) {
    const auto& Routers = ARoute.Hop(Hop).Routers();
    Hops.push_back(Routers.empty() ? "???" : Routers.front().Address);
  }
  return Hops;
}

// Our namespace (192.0.2.1, 2001:db8:1::1) reaches t (203.0.113.2,
// 2001:db8:3::2) through r1 and r2; r2 has no route to 198.18.99.0/24 or
// 2001:db8:99::/64.
class RouteNetwork : public testing::Test {
 protected:
  void SetUp() override {
    net.SetSysctl("", "ipv6/conf/default/accept_dad", "0");
    for (const char* ns : {"r1", "r2", "t"}) {
      names[ns] = net.AddNamespace(ns, true);
      net.SetSysctl(ns, "ipv6/conf/default/accept_dad", "0");
      net.SetSysctl(ns, "ipv6/conf/all/forwarding", "1");
      net.SetSysctl(ns, "ipv6/icmp/ratelimit", "0");
    }
    const char* links[][4] = {{"", "192.0.2.1/24", "r1", "192.0.2.2/24"},
                              {"r1", "198.51.100.1/24", "r2", "198.51.100.2/24"},
                              {"r2", "203.0.113.1/24", "t", "203.0.113.2/24"},
                              {"", "2001:db8:1::1/64", "r1", "2001:db8:1::2/64"},
                              {"r1", "2001:db8:2::1/64", "r2", "2001:db8:2::2/64"},
                              {"r2", "2001:db8:3::1/64", "t", "2001:db8:3::2/64"}};
    for (const auto& link : links) net.Link(link[0], link[1], link[2], link[3]);
    const char* routes[][3] = {{"", "198.51.100.0/24", "192.0.2.2"},
                               {"", "203.0.113.0/24", "192.0.2.2"},
                               {"", "198.18.99.0/24", "192.0.2.2"},
                               {"r1", "203.0.113.0/24", "198.51.100.2"},
                               {"r1", "198.18.99.0/24", "198.51.100.2"},
                               {"r2", "192.0.2.0/24", "198.51.100.1"},
                               {"t", "0.0.0.0/0", "203.0.113.1"},
                               {"", "2001:db8::/32", "2001:db8:1::2"},
                               {"r1", "2001:db8::/32", "2001:db8:2::2"},
                               {"r2", "2001:db8:1::/64", "2001:db8:2::1"},
                               {"t", "::/0", "2001:db8:3::1"}};
    for (const auto& route : routes) net.Route(route[0], route[1], route[2]);
  }

  void NewTracer(probe::SocketKind AKind = probe::SocketKind::kDatagram) {
    probe::EngineOptions Options;
    if (AKind == probe::SocketKind::kDatagram) {
      std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
      Options.skipHelper = true;
    } else {
      if (!test::EchoHelperAllowed()) GTEST_SKIP() << "the echo helper may not open raw sockets";
      Options.skipDatagram = true;
      Options.helperPath = test::EchoHelperProcess::Path();
    }
    monitor.Subscribe(&events);
    tracer = std::make_unique<TRouteTracer>(&monitor, Options);
    ASSERT_EQ(tracer->Kind(quorvel::wire::Family::kIpv6), AKind);
  }

  // Traces AHost until ADone holds of its route, for up to ALimit.
  bool Trace(const std::string& AHost, const std::function<bool(const TRoute&)>& ADone,
             std::chrono::milliseconds AInterval = 100ms, std::chrono::milliseconds ATimeout = 1s,
             std::chrono::milliseconds ALimit = 5s) {
    tracer->Start({AHost, TRoute::DefaultHops, AInterval, ATimeout});
    probe::Driven* parts[] = {tracer.get()};
    return probe::PollUntil(parts, probe::Clock::now() + ALimit,
                            [&] { return tracer->Route() && ADone(*tracer->Route()); });
  }

  test::TestNetwork net;
  std::map<std::string, std::string> names;
  TMonitor monitor{nullptr, testing::TempDir()};
  TRouteEvents events;
  std::unique_ptr<TRouteTracer> tracer;
};

class RouteChain : public RouteNetwork, public testing::WithParamInterface<probe::SocketKind> {};

TEST_P(RouteChain, ShowsEveryHopOfBothFamiliesWithinARoundAndNamesItsRouters) {
  NewTracer(GetParam());
  const test::DnsResponder dns({{test::ReverseName("198.51.100.2"), {}, "r2.route.test"},
                                {test::ReverseName("2001:db8:2::2"), {}, "r2-v6.route.test"}});
  const struct {
    const char* target;
    std::vector<std::string> path;
    const char* name;
  } cases[] = {
      {"203.0.113.2", {"192.0.2.2", "198.51.100.2", "203.0.113.2"}, "r2.route.test"},
      {"2001:db8:3::2", {"2001:db8:1::2", "2001:db8:2::2", "2001:db8:3::2"}, "r2-v6.route.test"}};
  for (const auto& c : cases) {
    const auto start = probe::Clock::now();
    ASSERT_TRUE(Trace(c.target, [&](const TRoute& R) { return R.End() == 3 && Path(R) == c.path; }))
        << c.target;
    EXPECT_LT(probe::Clock::now() - start, 300ms) << "all hops in flight together";
    ASSERT_TRUE(Trace(c.target, [&](const TRoute& R) {
      return R.Rounds() >= 3 && R.Shown() == 3 && R.Hop(2).Routers().front().Name == c.name;
    })) << c.target;
    EXPECT_EQ(tracer->Route()->ProbeLimit(), 3) << "no hop beyond the target";
    EXPECT_EQ(tracer->Route()->Hop(3).Lost(), 0u);
  }
  EXPECT_GE(events.Rounds, 4);
}

INSTANTIATE_TEST_SUITE_P(Through, RouteChain,
                         testing::Values(probe::SocketKind::kDatagram, probe::SocketKind::kHelper),
                         [](const auto& AInfo) { return probe::SocketKindName(AInfo.param); });

TEST_F(RouteNetwork, CountsEveryProbeOfAHopThatNeverAnswersAsLost) {
  net.Silence("r2");
  NewTracer();
  ASSERT_TRUE(Trace(
      "203.0.113.2", [](const TRoute& R) { return R.End() == 3 && R.Hop(2).Sent() >= 3; }, 100ms,
      200ms));
  const TRoute& R = *tracer->Route();
  EXPECT_EQ(Path(R), (std::vector<std::string>{"192.0.2.2", "???", "203.0.113.2"}));
  EXPECT_EQ(R.Hop(2).Lost(), R.Hop(2).Sent());
  EXPECT_EQ(R.Hop(2).LossPercent(), 100);
  EXPECT_EQ(R.Hop(3).Lost(), 0u);
}

// The target's kernel answers no echo; a script does, from the addresses
// it chooses, told apart by the TTL the request arrives with: 1 for a
// probe sent for t's own hop.
class ScriptedTarget : public RouteNetwork {
 protected:
  void Serve(
      std::function<std::vector<test::PeerAnswer>(std::span<const std::uint8_t>, bool)> AScript) {
    net.SetSysctl("t", "ipv4/icmp_echo_ignore_all", "1");
    peer = std::make_unique<test::IcmpPeer>(
        names.at("t"), IPPROTO_ICMP,
        [AScript](std::span<const std::uint8_t> ARequest) {
          return AScript(ARequest, ARequest[8] == 1);
        },
        std::vector<std::uint8_t>{}, true);
  }

  static std::vector<std::uint8_t> Reply(std::span<const std::uint8_t> ARequest) {
    const std::size_t Header = std::size_t{ARequest[0] & 0x0Fu} * 4;
    return test::IcmpMessage(0, 0, ARequest.subspan(Header + 4));
  }

  std::unique_ptr<test::IcmpPeer> peer;
};

TEST_F(ScriptedTarget, AHopThatLosesOneProbeInFourShowsAQuarterOfThemLost) {
  Serve([ForItsHop = 0](std::span<const std::uint8_t> ARequest, bool AItsHop) mutable {
    if (AItsHop && ++ForItsHop % 4 == 0) return std::vector<test::PeerAnswer>{};
    return std::vector<test::PeerAnswer>{{Reply(ARequest), 0}};
  });
  NewTracer();
  std::uint64_t Sent = 0, Lost = 0;
  // Each round ends (its losses after 150 ms) before the next one goes.
  events.OnRound = [&](const TRoute& R, std::uint64_t ARound) {
    if (ARound == 8) std::tie(Sent, Lost) = std::pair(R.Hop(3).Sent(), R.Hop(3).Lost());
  };
  ASSERT_TRUE(Trace(
      "203.0.113.2", [&](const TRoute&) { return Sent > 0; }, 200ms, 150ms));
  EXPECT_EQ(Sent, 8u);
  EXPECT_EQ(Lost, 2u);
  EXPECT_EQ(tracer->Route()->Hop(2).Lost(), 0u);
}

TEST_F(ScriptedTarget, ShowsTwoRoutersThatAnswerAtOneHopEachWithItsOwnFigures) {
  for (const char* address : {"203.0.113.3/32", "203.0.113.9/32"})
    test::RunCommand({"ip", "-n", names.at("t"), "addr", "add", address, "dev", "lo"});
  // Probes for t's hop find "routers" .2 and .3 in turn; the target .9 is one hop further.
  Serve([Second = false](std::span<const std::uint8_t> ARequest, bool AItsHop) mutable {
    if (!AItsHop) return std::vector<test::PeerAnswer>{{Reply(ARequest), 0, "203.0.113.9"}};
    std::vector<std::uint8_t> Quote{0, 0, 0, 0};
    Quote.insert(Quote.end(), ARequest.begin(), ARequest.end());
    Second = !Second;
    return std::vector<test::PeerAnswer>{
        {test::IcmpMessage(11, 0, Quote), 0, Second ? "203.0.113.3" : "203.0.113.2"}};
  });
  NewTracer();
  ASSERT_TRUE(Trace("203.0.113.9", [](const TRoute& R) {
    return R.End() == 4 && R.Hop(3).Routers().size() == 2 && R.Rounds() >= 4;
  }));
  const TRoute& R = *tracer->Route();
  EXPECT_EQ(Path(R).back(), "203.0.113.9");
  for (const TRouter& Router : R.Hop(3).Routers()) {
    EXPECT_TRUE(Router.Address == "203.0.113.2" || Router.Address == "203.0.113.3");
    EXPECT_GE(Router.Figures.Count(), 1u) << Router.Address;
  }
  EXPECT_EQ(R.Hop(3).Lost(), 0u);
  ASSERT_FALSE(events.Changes.empty()) << "the second router joined the hop";
  EXPECT_EQ(events.Changes.front().Hop, 3);
}

TEST_F(RouteNetwork, ShowsWhenAndWhereTheRouteChangedWhileItRuns) {
  // A second way to t: through r1b (198.18.1.2) and r2's 198.18.2.2.
  names["r1b"] = net.AddNamespace("r1b", true);
  net.Link("", "198.18.1.1/24", "r1b", "198.18.1.2/24");
  net.Link("r1b", "198.18.2.1/24", "r2", "198.18.2.2/24");
  net.Route("r1b", "203.0.113.0/24", "198.18.2.2");
  net.Route("r2", "198.18.1.0/24", "198.18.2.1");
  NewTracer();
  TWallTime Switched{};
  events.OnRound = [&](const TRoute&, std::uint64_t ARound) {
    if (ARound != 3) return;
    test::RunCommand({"ip", "route", "replace", "203.0.113.0/24", "via", "198.18.1.2"});
    Switched = WallClockNow();
  };
  ASSERT_TRUE(Trace("203.0.113.2", [&](const TRoute&) { return events.Changes.size() >= 2; }));
  std::vector<std::tuple<int, std::string, std::string>> Seen;
  for (const TRouteChange& Change : events.Changes) {
    Seen.emplace_back(Change.Hop, Change.Previous, Change.Current);
    EXPECT_GE(Change.At.UnixUs, Switched.UnixUs - 1000);
  }
  std::sort(Seen.begin(), Seen.end());
  EXPECT_EQ(Seen,
            (decltype(Seen){{1, "192.0.2.2", "198.18.1.2"}, {2, "198.51.100.2", "198.18.2.2"}}));
  EXPECT_EQ(tracer->Route()->ChangeCount(), 2u);
}

TEST_F(RouteNetwork, AnUnreachableAnswerEndsTheRouteAtItsHopWithItsCode) {
  NewTracer();
  for (const char* target : {"198.18.99.9", "2001:db8:99::9"}) {
    ASSERT_TRUE(Trace(target, [](const TRoute& R) {
      return R.End() == 2 && R.Hop(2).UnreachableCode() && R.Rounds() >= 2;
    })) << target;
    const TRoute& R = *tracer->Route();
    EXPECT_EQ(R.Shown(), 2);
    EXPECT_EQ(R.ProbeLimit(), 2);
    EXPECT_EQ(*R.Hop(2).UnreachableCode(), 0) << "no route, in both families";
  }
}

}  // namespace
