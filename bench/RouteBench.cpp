// A route of 30 hops through namespaces of the benchmark's own (29 routers
// and the target), traced through the ICMP datagram socket an ordinary user
// gets: the time from Start until every hop is shown, with every router
// answering and with one that never answers (shown once its probe timed
// out), and the CPU that one round of 30 probes costs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "monitor/RouteTracer.h"
#include "probe/PollLoop.h"
#include "support/TestNetwork.h"

namespace {

using namespace std::chrono_literals;
namespace probe = quorvel::probe;
namespace test = quorvel::test;

constexpr int Hops = 30;
constexpr int SilentHop = 15;
const std::string Target = "198.18." + std::to_string(Hops) + ".2";

double CpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  const auto Seconds = [](const timeval& T) {
    return static_cast<double>(T.tv_sec) + T.tv_usec / 1e6;
  };
  return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

// Node k sits on links k (198.18.k.2) and k+1 (198.18.k+1.1); we are node 0.
struct TChain {
  TChain() {
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
    for (int Node = 1; Node <= Hops; ++Node) {
      const std::string Name = "n" + std::to_string(Node);
      Net.AddNamespace(Name, true);
      const std::string Link = "198.18." + std::to_string(Node) + ".";
      Net.Link(Node == 1 ? "" : "n" + std::to_string(Node - 1), Link + "1/24", Name, Link + "2/24");
      if (Node > 1) Net.Route(Name, "198.18.1.0/24", Link + "1");
    }
    Net.Route("", "198.18.0.0/15", "198.18.1.2");
    for (int Node = 1; Node < Hops; ++Node)
      Net.Route("n" + std::to_string(Node), "198.18.0.0/15",
                "198.18." + std::to_string(Node + 1) + ".2");
  }
  test::TestNetwork Net;
};

TChain& Chain() {
  static TChain Made;
  return Made;
}

struct TTracing {
  TTracing() {
    probe::EngineOptions Options;
    Options.skipHelper = true;
    Tracer = std::make_unique<TRouteTracer>(&Monitor, Options);
  }
  bool Run(const std::function<bool(const TRoute&)>& ADone, std::chrono::seconds ALimit = 5s) {
    probe::Driven* Parts[] = {Tracer.get()};
    return probe::PollUntil(Parts, probe::Clock::now() + ALimit,
                            [&] { return Tracer->Route() && ADone(*Tracer->Route()); });
  }
  TMonitor Monitor{nullptr, std::filesystem::temp_directory_path().string()};
  std::unique_ptr<TRouteTracer> Tracer;
};

// Every hop shown: each has an answer, or a loss where a router never answers.
bool EveryHopShown(const TRoute& ARoute) {
  if (ARoute.End() != Hops) return false;
  for (int Hop = 1; Hop <= Hops; ++Hop)
    if (ARoute.Hop(Hop).Routers().empty() && ARoute.Hop(Hop).Lost() == 0) return false;
  return true;
}

void StartToEveryHopShown(benchmark::State& AState, bool ASilentHop) {
  Chain();
  if (ASilentHop) {
    static const bool Silenced = (Chain().Net.Silence("n" + std::to_string(SilentHop)), true);
    (void)Silenced;
  }
  TTracing Tracing;
  for (auto _ : AState) {
    const auto Start = probe::Clock::now();
    Tracing.Tracer->Start({Target, TRoute::DefaultHops, 1000ms, 1000ms});
    if (!Tracing.Run(EveryHopShown)) {
      AState.SkipWithError("not every hop was shown within 5 s");
      return;
    }
    AState.SetIterationTime(std::chrono::duration<double>(probe::Clock::now() - Start).count());
    Tracing.Tracer->Stop();
  }
  AState.counters["timeout_ms"] = 1000;
}

void BM_RouteStartToEveryHopShown(benchmark::State& AState) { StartToEveryHopShown(AState, false); }
BENCHMARK(BM_RouteStartToEveryHopShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Last: the silent router stays silent for the benchmarks after it.
void BM_RouteStartToEveryHopShownWithASilentHop(benchmark::State& AState) {
  StartToEveryHopShown(AState, true);
}

void BM_RouteCpuPerRound(benchmark::State& AState) {
  Chain();
  TTracing Tracing;
  for (auto _ : AState) {
    Tracing.Tracer->Start({Target, TRoute::DefaultHops, 100ms, 1000ms});
    Tracing.Run([](const TRoute& R) { return R.Rounds() >= 2; });
    const double Before = CpuSeconds();
    const std::uint64_t First = Tracing.Tracer->Route()->Rounds();
    Tracing.Run([&](const TRoute& R) { return R.Rounds() >= First + 50; }, 10s);
    const double Cpu = CpuSeconds() - Before;
    const std::uint64_t Rounds = Tracing.Tracer->Route()->Rounds() - First;
    Tracing.Tracer->Stop();
    AState.counters["cpu_us_per_round"] = Cpu * 1e6 / static_cast<double>(Rounds);
    AState.counters["probes_per_round"] = Tracing.Tracer->Route()->ProbeLimit();
  }
}
BENCHMARK(BM_RouteCpuPerRound)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RouteStartToEveryHopShownWithASilentHop)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
