// What responsive waiting costs and gives: one processing step on an empty
// queue (both kinds), and a 5-second sliced wait on a socket that never
// becomes readable, with events posted from another thread meanwhile: the
// delay from posting to handling, the largest gap between two steps, and the
// processor time the waiting thread used.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <vector>

#include "BenchSupport.h"
#include "net/IdComponent.h"
#include "net/IdSocketHandle.h"
#include "support/OffscreenApplication.h"
#include "ui/IdAntiFreeze.h"

namespace {

// Notes the time of every step before taking it.
class TTimedAntiFreeze : public TIdAntiFreeze {
 public:
  explicit TTimedAntiFreeze(const QElapsedTimer& AClock) : TIdAntiFreeze(nullptr), FClock(AClock) {}
  void PumpMessages() override {
    Steps.push_back(FClock.nsecsElapsed());
    TIdAntiFreeze::PumpMessages();
  }
  std::vector<qint64> Steps;

 private:
  const QElapsedTimer& FClock;
};

double ThreadCpuMs() {
  timespec Now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) * 1e3 + static_cast<double>(Now.tv_nsec) / 1e6;
}

void BM_StepOnAnEmptyQueue(benchmark::State& AState) {
  StartOffscreenApplication();
  TIdAntiFreeze AntiFreeze(nullptr);
  AntiFreeze.SetApplicationHasPriority(AState.range(0) != 0);
  QCoreApplication::processEvents();
  for (auto _ : AState) AntiFreeze.PumpMessages();
  AState.SetLabel(AntiFreeze.ApplicationHasPriority() ? "every event" : "one event");
}
BENCHMARK(BM_StepOnAnEmptyQueue)->Arg(1)->Arg(0);

void BM_SlicedWaitOfFiveSeconds(benchmark::State& AState) {
  StartOffscreenApplication();
  TIdComponent StackUser(nullptr);
  TIdSocketHandle Silent;
  Silent.Open(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  QElapsedTimer Clock;
  Clock.start();
  TTimedAntiFreeze AntiFreeze(Clock);
  TLatencyRecorder Recorder(Clock);
  for (auto _ : AState) {
    std::optional<TEventPoster> Poster(std::in_place, Recorder, Clock);
    const double CpuBefore = ThreadCpuMs();
    const qint64 Start = Clock.nsecsElapsed();
    benchmark::DoNotOptimize(Silent.WaitReadable(5000));
    const qint64 End = Clock.nsecsElapsed();
    AState.counters["wait_cpu_ms"] = ThreadCpuMs() - CpuBefore;
    Poster.reset();
    QCoreApplication::processEvents();

    qint64 Gap = 0;
    qint64 Last = Start;
    for (const qint64 Step : AntiFreeze.Steps) {
      Gap = std::max(Gap, Step - Last);
      Last = Step;
    }
    AState.counters["wait_ms"] = static_cast<double>(End - Start) / 1e6;
    AState.counters["largest_step_gap_ms"] = static_cast<double>(Gap) / 1e6;
    ReportEventDelays(AState, Recorder.Latencies);
  }
}
BENCHMARK(BM_SlicedWaitOfFiveSeconds)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
