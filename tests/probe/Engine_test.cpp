// The probe engine through every socket kind, on loopback and on networks
// of namespaces: its answers, a router's errors, scripted peers that answer
// out of order, late or falsely, and ten thousand probes in flight.
#include "probe/Engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "probe/PollLoop.h"
#include "support/EchoHelperProcess.h"
#include "support/EchoPeer.h"
#include "support/TestNetwork.h"
#include "wire/Icmp.h"

namespace quorvel::probe {
namespace {

using namespace std::chrono_literals;
using test::EchoAnswer;
using test::EchoRequestSeen;
using wire::Family;

wire::IpAddress At(const char* text) { return *wire::ParseAddress(text); }

class EngineThrough : public testing::TestWithParam<SocketKind> {
 protected:
  void SetUp() override {
    EngineOptions options;
    switch (GetParam()) {
      case SocketKind::kDatagram:
        std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
        options.skipHelper = true;
        break;
      case SocketKind::kHelper:
        if (!test::EchoHelperAllowed()) GTEST_SKIP() << "the echo helper may not open raw sockets";
        options.skipDatagram = true;
        options.helperPath = test::EchoHelperProcess::Path();
        break;
      default:
        options.skipDatagram = options.skipHelper = true;
        options.allowRaw = true;
        break;
    }
    engine = std::make_unique<Engine>([this](const Outcome& o) { outcomes.push_back(o); }, options);
    ASSERT_EQ(engine->Kind(Family::kIpv4), GetParam());
    ASSERT_EQ(engine->Kind(Family::kIpv6), GetParam());
  }

  ProbeId Send(const char* target, int ttl = 0, std::chrono::nanoseconds timeout = 2s) {
    ProbeRequest request;
    request.target = At(target);
    request.ttl = ttl;
    request.timeout = timeout;
    return engine->Send(request);
  }

  // Drives the engine until `count` outcomes came, or 5 s passed.
  void Await(std::size_t count) {
    Driven* parts[] = {engine.get()};
    PollUntil(parts, Clock::now() + 5s, [&] { return outcomes.size() >= count; });
    ASSERT_EQ(outcomes.size(), count);
  }

  // Drives it for a while more: nothing further may come.
  void Linger(std::chrono::milliseconds span) {
    Driven* parts[] = {engine.get()};
    const std::size_t before = outcomes.size();
    PollUntil(parts, Clock::now() + span, [] { return false; });
    EXPECT_EQ(outcomes.size(), before) << "an outcome after the probe's one";
  }

  std::unique_ptr<Engine> engine;
  std::vector<Outcome> outcomes;
};

TEST_P(EngineThrough, LoopbackAnswersBothFamiliesWithKernelTimedRoundTrips) {
  const ProbeId v4 = Send("127.0.0.1");
  const ProbeId v6 = Send("::1");
  Await(2);
  for (const Outcome& o : outcomes) {
    EXPECT_EQ(o.kind, OutcomeKind::kReply) << OutcomeName(o.kind) << " " << o.error;
    EXPECT_EQ(o.from, o.target);
    EXPECT_TRUE(o.id == v4 || o.id == v6);
    EXPECT_GT(o.roundTrip, 0ns);
    EXPECT_LT(o.roundTrip, 100ms);
    EXPECT_EQ(o.bytes, wire::kIcmpHeader + kDefaultPayload);
    EXPECT_GT(o.ttl, 0);
  }
  Linger(100ms);
}

TEST_P(EngineThrough, ReportsWhatNeverWentOutAsASendError) {
  const ProbeId noRoute = Send("198.51.100.7");  // in this namespace
  ProbeRequest request;
  request.target = At("127.0.0.1");
  request.ttl = 256;
  engine->Send(request);
  Await(2);
  for (const Outcome& o : outcomes) {
    EXPECT_EQ(o.kind, OutcomeKind::kSendError);
    EXPECT_EQ(o.error, o.id == noRoute ? ENETUNREACH : EINVAL);
  }
}

// Our namespace (192.0.2.1, 2001:db8:1::1) reaches router r1, which
// forwards to t1 (198.51.100.2, 2001:db8:2::2) and has no route to
// 203.0.113.0/24 or 2001:db8:99::/64.
class RouterErrors : public EngineThrough {
 protected:
  void SetUp() override {
    for (const char* ns : {"r1", "t1"}) {
      net.AddNamespace(ns, true);
      net.SetSysctl(ns, "ipv6/conf/default/accept_dad", "0");
      net.SetSysctl(ns, "ipv6/conf/all/forwarding", "1");
      net.SetSysctl(ns, "ipv6/icmp/ratelimit", "0");
    }
    net.SetSysctl("", "ipv6/conf/default/accept_dad", "0");
    net.Link("", "192.0.2.1/24", "r1", "192.0.2.2/24");
    net.Link("r1", "198.51.100.1/24", "t1", "198.51.100.2/24");
    net.Link("", "2001:db8:1::1/64", "r1", "2001:db8:1::2/64");
    net.Link("r1", "2001:db8:2::1/64", "t1", "2001:db8:2::2/64");
    for (const char* prefix : {"198.51.100.0/24", "203.0.113.0/24"})
      net.Route("", prefix, "192.0.2.2");
    for (const char* prefix : {"2001:db8:2::/64", "2001:db8:99::/64"})
      net.Route("", prefix, "2001:db8:1::2");
    net.Route("t1", "192.0.2.0/24", "198.51.100.1");
    net.Route("t1", "2001:db8:1::/64", "2001:db8:2::1");
    EngineThrough::SetUp();
  }

  test::TestNetwork net;
};

TEST_P(RouterErrors, TimeExceededNamesTheRouterAndUnreachableItsCodeInBothFamilies) {
  Send("198.51.100.2", 1);
  Send("2001:db8:2::2", 1);
  Await(2);
  Send("203.0.113.5");
  Send("2001:db8:99::5");
  Await(4);
  Send("198.51.100.2", 2);
  Send("2001:db8:2::2", 2);
  Await(6);
  const struct {
    OutcomeKind kind;
    const char* from;
    std::uint8_t type;
  } expected[] = {{OutcomeKind::kTimeExceeded, "192.0.2.2", 11},
                  {OutcomeKind::kTimeExceeded, "2001:db8:1::2", 3},
                  {OutcomeKind::kUnreachable, "192.0.2.2", 3},
                  {OutcomeKind::kUnreachable, "2001:db8:1::2", 1},
                  {OutcomeKind::kReply, "198.51.100.2", 0},
                  {OutcomeKind::kReply, "2001:db8:2::2", 129}};
  for (std::size_t i = 0; i < 6; ++i) {
    const Outcome* o = nullptr;
    for (const Outcome& candidate : outcomes)
      if (candidate.id == i + 1) o = &candidate;
    ASSERT_TRUE(o);
    EXPECT_EQ(o->kind, expected[i].kind) << i << ": " << OutcomeName(o->kind);
    EXPECT_EQ(wire::ToText(o->from), expected[i].from) << i;
    EXPECT_EQ(o->icmpType, expected[i].type) << i;
    EXPECT_EQ(o->icmpCode, 0) << i << ": no route, in both families";
  }
}

TEST_P(RouterErrors, AProbeSentAfterAnotherDrewAnErrorStillGoesOut) {
  for (const char* target : {"198.51.100.2", "2001:db8:2::2"}) {
    outcomes.clear();
    Send(target, 1);
    // The router's answer arrives before the next probe is sent, unread.
    std::this_thread::sleep_for(100ms);
    Send(target, 1);
    Await(2);
    for (const Outcome& o : outcomes)
      EXPECT_EQ(o.kind, OutcomeKind::kTimeExceeded) << target << ": " << o.error;
  }
}

// A peer p1 (192.0.2.2, 2001:db8:1::2) on a link of our namespace, whose
// kernel answers no echo: the script does.
class ScriptedPeer : public EngineThrough {
 protected:
  void SetUp() override {
    peer = net.AddNamespace("p1", false);
    net.SetSysctl("p1", "ipv6/conf/default/accept_dad", "0");
    net.SetSysctl("", "ipv6/conf/default/accept_dad", "0");
    net.Link("", "192.0.2.1/24", "p1", "192.0.2.2/24");
    net.Link("", "2001:db8:1::1/64", "p1", "2001:db8:1::2/64");
    EngineThrough::SetUp();
  }

  const char* Target(Family family) {
    return family == Family::kIpv4 ? "192.0.2.2" : "2001:db8:1::2";
  }

  test::TestNetwork net;
  std::string peer;
};

TEST_P(ScriptedPeer, AnswersInAnyOrderFindTheirProbesAndALateOneEndsNothing) {
  for (const Family family : {Family::kIpv4, Family::kIpv6}) {
    outcomes.clear();
    // Four probes; the peer answers the fourth first and the first last,
    // the second after its time-out has passed.
    test::EchoPeer script(peer, family, 4, [](const std::vector<EchoRequestSeen>& seen) {
      return std::vector<EchoAnswer>{{3, ReplyTo(seen[3]), 0},
                                     {2, ReplyTo(seen[2]), 20},
                                     {0, ReplyTo(seen[0]), 20},
                                     {1, ReplyTo(seen[1]), 400}};
    });
    std::vector<ProbeId> ids;
    for (int i = 0; i < 4; ++i) ids.push_back(Send(Target(family), 0, i == 1 ? 300ms : 2s));
    Await(4);
    const ProbeId order[] = {ids[3], ids[2], ids[0], ids[1]};
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(outcomes[i].id, order[i]);
      EXPECT_EQ(outcomes[i].kind, i == 3 ? OutcomeKind::kTimeout : OutcomeKind::kReply) << i;
    }
    Linger(300ms);
  }
}

TEST_P(ScriptedPeer, AnotherProgramsEchoTrafficIsNeverTakenForOurs) {
  for (const Family family : {Family::kIpv4, Family::kIpv6}) {
    outcomes.clear();
    test::EchoPeer script(peer, family, 1, [](const std::vector<EchoRequestSeen>& seen) {
      std::vector<EchoAnswer> answers;
      // Replies with our sequence number but another serial (a late answer,
      // or another program's), another identifier, and another type; then ours.
      for (const std::size_t flip : {std::size_t{8}, std::size_t{15}, std::size_t{4}}) {
        std::vector<std::uint8_t> foreign = ReplyTo(seen[0]);
        foreign[flip] ^= 0xFF;
        answers.push_back({0, foreign, 0});
      }
      std::vector<std::uint8_t> request = seen[0].message;
      answers.push_back({0, request, 0});
      answers.push_back({0, ReplyTo(seen[0]), 100});
      return answers;
    });
    Send(Target(family));
    Await(1);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::kReply);
    EXPECT_GE(outcomes[0].roundTrip, 90ms) << "a foreign answer was taken";
    Linger(100ms);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EngineThrough,
                         testing::Values(SocketKind::kDatagram, SocketKind::kHelper,
                                         SocketKind::kRaw),
                         [](const auto& kind) { return std::string(SocketKindName(kind.param)); });
INSTANTIATE_TEST_SUITE_P(Kinds, RouterErrors,
                         testing::Values(SocketKind::kDatagram, SocketKind::kHelper,
                                         SocketKind::kRaw),
                         [](const auto& kind) { return std::string(SocketKindName(kind.param)); });
INSTANTIATE_TEST_SUITE_P(Kinds, ScriptedPeer,
                         testing::Values(SocketKind::kDatagram, SocketKind::kHelper,
                                         SocketKind::kRaw),
                         [](const auto& kind) { return std::string(SocketKindName(kind.param)); });

TEST(EngineInFlight, TenThousandProbesEachFindTheirOwnAnswer) {
  std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
  std::vector<Outcome> outcomes;
  Engine engine([&](const Outcome& o) { outcomes.push_back(o); });
  ASSERT_EQ(engine.Kind(Family::kIpv4), SocketKind::kDatagram);
  constexpr int kProbes = 10'000;
  for (int i = 0; i < kProbes; ++i) {
    const std::string target =
        "127.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    ProbeRequest request;
    request.target = At(target.c_str());
    request.tag = static_cast<std::uint64_t>(i);
    request.timeout = 5s;
    engine.Send(request);
  }
  EXPECT_EQ(engine.InFlight(), std::size_t{kProbes});
  Driven* parts[] = {&engine};
  PollUntil(parts, Clock::now() + 10s, [&] { return outcomes.size() >= kProbes; });
  ASSERT_EQ(outcomes.size(), std::size_t{kProbes});
  std::vector<bool> seen(kProbes);
  for (const Outcome& o : outcomes) {
    ASSERT_EQ(o.kind, OutcomeKind::kReply) << OutcomeName(o.kind);
    const int i = static_cast<int>(o.tag);
    EXPECT_EQ(wire::ToText(o.from),
              "127.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));
    EXPECT_FALSE(seen[i]) << "two outcomes for probe " << i;
    seen[i] = true;
  }
  EXPECT_EQ(engine.InFlight(), 0u);
}

}  // namespace
}  // namespace quorvel::probe
