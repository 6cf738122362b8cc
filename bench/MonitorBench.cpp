// quorvel-monitor's costs, as a service sees them: 1000 loopback targets
// probed every second (the share of one core it takes, in CPU time of the
// whole process, serving threads included), a scrape of /metrics with 1000
// targets' figures through the HTTP server, and the memory of the model and
// the metrics over a long run, against the model's desktop keeping (every
// attempt on disk, 1024 in memory per host).
#include <benchmark/benchmark.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>
#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/service/TargetWatch.h"
#include "outputs/MetricsServer.h"
#include "outputs/MetricsText.h"
#include "outputs/ProcessMetrics.h"
#include "probe/PollLoop.h"
#include "support/ChildProcess.h"

namespace {

using namespace std::chrono_literals;
namespace probe = quorvel::probe;

constexpr int Targets = 1000;
constexpr int Port = 9427;

double CpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  const auto Seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

double ResidentKilobytes() {
  std::ifstream File("/proc/self/stat");
  const std::string Text((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  return static_cast<double>(ParseProcessStat(Text)->ResidentPages) * 4;
}

// 127.0.0.1 onwards: each its own loopback target.
std::vector<TTargetEntry> LoopbackTargets() {
  std::vector<TTargetEntry> Entries;
  for (int Index = 0; Index < Targets; ++Index)
    Entries.push_back(
        {"127.0." + std::to_string(Index / 250) + "." + std::to_string(Index % 250 + 1),
         std::nullopt});
  return Entries;
}

// The ICMP datagram socket for every group, before the engine opens it.
struct TPingGroups {
  TPingGroups() { std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n"; }
};

// The service as quorvel-monitor puts it together.
struct TService : TPingGroups {
  TService() {
    Monitor.Subscribe(&Metrics);
    Watch.Watch(LoopbackTargets());
  }
  void Run(std::chrono::nanoseconds ASpan) {
    probe::Driven* const Parts[] = {&Watch};
    probe::PollUntil(Parts, probe::Clock::now() + ASpan, [] { return false; });
  }
  double Answered() const {
    double Sum = 0;
    for (const auto& Family : Registry.Collect())
      if (Family.name == "quorvel_probes_answered_total")
        for (const auto& Metric : Family.metric) Sum += Metric.counter.value;
    return Sum;
  }

  TMonitor Monitor{nullptr, TMonitorKeeping{"", 16}};
  prometheus::Registry Registry;
  TTargetMetrics Metrics{Registry};
  TProcessMetrics Process;
  TTargetWatch Watch{Monitor, Metrics, 1s, 1s};
  TMetricsServer Server{"127.0.0.1:" + std::to_string(Port),
                        {&Registry, &Process},
                        [this](const std::string& AHost, std::chrono::nanoseconds ATimeout) {
                          return Watch.ProbeOnce(AHost, ATimeout);
                        }};
};

void BM_ThousandTargetsEverySecond(benchmark::State& state) {
  TService Service;
  Service.Run(2s);  // every target's first probe has gone
  for (auto _ : state) {
    const double Cpu = CpuSeconds();
    const auto Start = probe::Clock::now();
    Service.Run(20s);
    const double Wall = std::chrono::duration<double>(probe::Clock::now() - Start).count();
    state.counters["core_percent"] = (CpuSeconds() - Cpu) / Wall * 100;
  }
  state.counters["answered"] = Service.Answered();
}
BENCHMARK(BM_ThousandTargetsEverySecond)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ScrapeOfThousandTargets(benchmark::State& state) {
  TService Service;
  Service.Run(3s);
  std::size_t Bytes = 0;
  for (auto _ : state) Bytes = quorvel::test::HttpGet(Port, "/metrics").size();
  state.counters["bytes"] = static_cast<double>(Bytes);
}
BENCHMARK(BM_ScrapeOfThousandTargets)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CollectAndSerialize(benchmark::State& state) {
  TService Service;
  Service.Run(3s);
  for (auto _ : state) {
    auto Families = Service.Registry.Collect();
    if (state.range(0) == 1)
      benchmark::DoNotOptimize(prometheus::TextSerializer().Serialize(Families));
    if (state.range(0) == 2) benchmark::DoNotOptimize(MetricsText(Families));
  }
}
BENCHMARK(BM_CollectAndSerialize)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An hour of 1000 targets, fed to the model and the metrics straight; the
// resident memory after a minute, after 20 minutes (each session's lists
// full) and after the hour.
void Memory(benchmark::State& state, const TMonitorKeeping& AKeeping) {
  for (auto _ : state) {
    auto Monitor = std::make_unique<TMonitor>(nullptr, AKeeping);
    prometheus::Registry Registry;
    TTargetMetrics Metrics(Registry);
    Monitor->Subscribe(&Metrics);
    const std::vector<TTargetEntry> Entries = LoopbackTargets();
    for (const TTargetEntry& Entry : Entries) Metrics.AddTarget(Entry.Host, Entry.Host);
    const auto Feed = [&](int AFrom, int ATo) {
      for (int Second = AFrom; Second < ATo; ++Second)
        for (const TTargetEntry& Entry : Entries)
          Monitor->Record(Entry.Host, TAttempt{{Second * 1'000'000LL, 0},
                                               Entry.Host,
                                               Second % 10 ? TOutcome::Reply : TOutcome::TimeOut,
                                               64,
                                               0,
                                               static_cast<std::uint16_t>(Second),
                                               64,
                                               static_cast<std::uint64_t>(100 + Second % 50),
                                               {}});
    };
    Feed(0, 60);
    state.counters["rss_kb_1_min"] = ResidentKilobytes();
    Feed(60, 1200);
    state.counters["rss_kb_20_min"] = ResidentKilobytes();
    Feed(1200, 3600);
    state.counters["rss_kb_1_hour"] = ResidentKilobytes();
  }
}
BENCHMARK_CAPTURE(Memory, ServiceKeeping, TMonitorKeeping{"", 16})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Memory, DesktopKeeping, TMonitorKeeping{})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
