// The probe engine beside the tools users would pick instead, in the same
// run, on the loopback of the benchmark's namespace, through the ICMP
// datagram socket an ordinary user gets: one probe in flight at a time
// against a flood ping; 1000 targets at 10 probes a second for 10 s against
// fping (CPU, answers, how late each probe went); and the round trip the
// engine reports against ping's minimum.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "probe/Engine.h"
#include "probe/PollLoop.h"
#include "probe/Schedule.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace quorvel::probe;
using quorvel::wire::IpAddress;
using quorvel::wire::ParseAddress;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

struct Run {
  bool ran = false;
  double wallSeconds = 0;
  double cpuSeconds = 0;
  std::string output;
};

// Runs a tool to its end, with what it prints and the time it took.
Run RunTool(std::vector<std::string> argv) {
  Run run;
  int out[2];
  if (pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
  close(out[0]);
  if (failed != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  run.ran = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
  return run;
}

// The datagram socket for everyone in this namespace, as a desktop has it.
void OpenPingGroups() { std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n"; }

std::unique_ptr<Engine> DatagramEngine(std::vector<Outcome>& outcomes) {
  OpenPingGroups();
  EngineOptions options;
  options.skipHelper = true;
  return std::make_unique<Engine>([&outcomes](const Outcome& o) { outcomes.push_back(o); },
                                  options);
}

// (a) One probe in flight at a time, sent and answered through the poll loop.
void BM_ProbeOneInFlight(benchmark::State& state) {
  std::vector<Outcome> outcomes;
  const std::unique_ptr<Engine> engine = DatagramEngine(outcomes);
  Driven* parts[] = {engine.get()};
  ProbeRequest request;
  request.target = *ParseAddress("127.0.0.1");
  for (auto _ : state) {
    const std::size_t before = outcomes.size();
    engine->Send(request);
    PollUntil(parts, Clock::now() + 1s, [&] { return outcomes.size() > before; });
  }
  const bool allReplies = std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) {
    return o.kind == OutcomeKind::kReply;
  });
  if (!allReplies) state.SkipWithError("a probe was not answered");
}
BENCHMARK(BM_ProbeOneInFlight)->Iterations(20000)->UseRealTime();

// (a) The flood ping over as many requests, for the time per request.
void BM_PingFlood(benchmark::State& state) {
  for (auto _ : state) {
    const Run run = RunTool({"ping", "-q", "-f", "-c", "20000", "127.0.0.1"});
    if (!run.ran) return state.SkipWithError(("ping did not run: " + run.output).c_str());
    state.SetIterationTime(run.wallSeconds / 20000);
  }
}
BENCHMARK(BM_PingFlood)->Iterations(1)->UseManualTime();

std::vector<IpAddress> ThousandTargets() {
  std::vector<IpAddress> targets;
  for (int i = 0; i < 1000; ++i) {
    const std::string text =
        "127.0." + std::to_string((i + 1) / 256) + "." + std::to_string((i + 1) % 256);
    targets.push_back(*ParseAddress(text));
  }
  targets.push_back(*ParseAddress("::1"));
  return targets;
}

// (b) 1000 IPv4 targets and ::1, 10 probes a second each, for 10 s.
void BM_ScheduleThousandTargets(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<Outcome> outcomes;
    outcomes.reserve(110'000);
    const std::unique_ptr<Engine> engine = DatagramEngine(outcomes);
    Schedule schedule(*engine);
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const TimePoint start = Clock::now();
    std::vector<TargetId> ids;
    for (const IpAddress& target : ThousandTargets())
      ids.push_back(schedule.Add({target, 100ms, 1s, 0, kDefaultPayload}, start));
    Driven* parts[] = {&schedule, engine.get()};
    PollUntil(parts, start + 10s, [] { return false; });
    for (const TargetId id : ids) schedule.Remove(id);
    PollUntil(parts, Clock::now() + 2s, [&] { return engine->InFlight() == 0; });
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    std::vector<double> lateness;
    std::size_t replies = 0;
    for (const Outcome& o : outcomes) {
      replies += o.kind == OutcomeKind::kReply ? 1 : 0;
      lateness.push_back(std::chrono::duration<double, std::micro>(o.sentAt - *o.due).count());
    }
    std::sort(lateness.begin(), lateness.end());
    state.counters["probes"] = static_cast<double>(outcomes.size());
    state.counters["unanswered"] = static_cast<double>(outcomes.size() - replies);
    state.counters["cpu_s"] = cpu;
    state.counters["late_p50_us"] = lateness[lateness.size() / 2];
    state.counters["late_p99_us"] = lateness[lateness.size() * 99 / 100];
    state.counters["late_max_us"] = lateness.back();
  }
}
BENCHMARK(BM_ScheduleThousandTargets)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// (b) fping over the same targets, 100 probes each, 100 ms apart. One
// fping keeps at most 65 535 probes apart, fewer than 1001 targets send in
// 10 s: two of them share the targets, at the same time.
void BM_FpingThousandTargets(benchmark::State& state) {
  const std::vector<IpAddress> targets = ThousandTargets();
  std::vector<std::string> files;
  for (std::size_t half = 0; half < 2; ++half) {
    files.push_back("/tmp/quorvel-bench-targets-" + std::to_string(getpid()) + "-" +
                    std::to_string(half));
    std::ofstream list(files.back());
    for (std::size_t i = half; i < targets.size(); i += 2)
      list << quorvel::wire::ToText(targets[i]) << '\n';
  }
  for (auto _ : state) {
    std::vector<Run> runs(2);
    std::vector<std::thread> fpings;
    for (std::size_t half = 0; half < 2; ++half)
      fpings.emplace_back([&runs, &files, half] {
        runs[half] =
            RunTool({"fping", "-q", "-c", "100", "-p", "100", "-i", "0", "-f", files[half]});
      });
    for (std::thread& fping : fpings) fping.join();
    double cpu = 0;
    std::size_t lost = 0;
    for (const Run& run : runs) {
      if (!run.ran)
        return state.SkipWithError(("fping did not run: " + run.output.substr(0, 200)).c_str());
      cpu += run.cpuSeconds;
      for (std::size_t at = run.output.find("%loss = "); at != std::string::npos;
           at = run.output.find("%loss = ", at + 1)) {
        unsigned sent = 0, received = 0;
        if (std::sscanf(run.output.c_str() + at, "%%loss = %u/%u", &sent, &received) == 2)
          lost += sent - received;
      }
    }
    state.counters["cpu_s"] = cpu;
    state.counters["unanswered"] = static_cast<double>(lost);
  }
  for (const std::string& file : files) std::remove(file.c_str());
}
BENCHMARK(BM_FpingThousandTargets)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// (d) The round trip the engine reports against ping's minimum, in both families.
void RoundTripAgainstPing(benchmark::State& state, const char* target) {
  std::vector<Outcome> outcomes;
  const std::unique_ptr<Engine> engine = DatagramEngine(outcomes);
  Driven* parts[] = {engine.get()};
  ProbeRequest request;
  request.target = *ParseAddress(target);
  for (auto _ : state) {
    const Run run = RunTool({"ping", "-q", "-c", "500", "-i", "0.002", target});
    double pingMin = 0;
    const std::size_t at = run.output.find(" = ");
    if (!run.ran || at == std::string::npos ||
        std::sscanf(run.output.c_str() + at, " = %lf", &pingMin) != 1)
      return state.SkipWithError(("ping did not run: " + run.output).c_str());
    outcomes.clear();
    for (int i = 0; i < 500; ++i) {
      engine->Send(request);
      PollUntil(parts, Clock::now() + 1s, [&] { return outcomes.size() > std::size_t(i); });
      std::this_thread::sleep_for(2ms);
    }
    std::vector<double> trips;
    for (const Outcome& o : outcomes)
      trips.push_back(std::chrono::duration<double, std::micro>(o.roundTrip).count());
    std::sort(trips.begin(), trips.end());
    state.counters["engine_min_us"] = trips.front();
    state.counters["engine_median_us"] = trips[trips.size() / 2];
    state.counters["ping_min_us"] = pingMin * 1000;
    state.counters["min_ratio"] = trips.front() / (pingMin * 1000);
  }
}
BENCHMARK_CAPTURE(RoundTripAgainstPing, Ipv4, "127.0.0.1")->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(RoundTripAgainstPing, Ipv6, "::1")->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
