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
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "net/IdComponent.h"
#include "net/IdSocketHandle.h"
#include "support/OffscreenApplication.h"
#include "ui/IdAntiFreeze.h"

namespace {

constexpr QEvent::Type Stamped = static_cast<QEvent::Type>(QEvent::User + 1);

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

// An event that carries the time it was posted at.
class TStampedEvent : public QEvent {
 public:
  explicit TStampedEvent(qint64 APosted) : QEvent(Stamped), Posted(APosted) {}
  TStampedEvent* clone() const override { return new TStampedEvent(*this); }
  qint64 Posted;
};

// Notes how long each stamped event waited for its handling.
class TLatencyRecorder : public QObject {
 public:
  explicit TLatencyRecorder(const QElapsedTimer& AClock) : FClock(AClock) {}
  std::vector<qint64> Latencies;

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() != Stamped) return QObject::event(Event);
    Latencies.push_back(FClock.nsecsElapsed() - static_cast<TStampedEvent*>(Event)->Posted);
    return true;
  }

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
    std::atomic<bool> Posting = true;
    std::thread Poster([&] {
      while (Posting) {
        QCoreApplication::postEvent(&Recorder, new TStampedEvent(Clock.nsecsElapsed()));
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
      }
    });
    const double CpuBefore = ThreadCpuMs();
    const qint64 Start = Clock.nsecsElapsed();
    benchmark::DoNotOptimize(Silent.WaitReadable(5000));
    const qint64 End = Clock.nsecsElapsed();
    AState.counters["wait_cpu_ms"] = ThreadCpuMs() - CpuBefore;
    Posting = false;
    Poster.join();
    QCoreApplication::processEvents();

    qint64 Gap = 0;
    qint64 Last = Start;
    for (const qint64 Step : AntiFreeze.Steps) {
      Gap = std::max(Gap, Step - Last);
      Last = Step;
    }
    std::vector<qint64> Sorted = Recorder.Latencies;
    std::sort(Sorted.begin(), Sorted.end());
    AState.counters["wait_ms"] = static_cast<double>(End - Start) / 1e6;
    AState.counters["largest_step_gap_ms"] = static_cast<double>(Gap) / 1e6;
    AState.counters["events"] = static_cast<double>(Sorted.size());
    if (!Sorted.empty()) {
      AState.counters["median_event_delay_ms"] =
          static_cast<double>(Sorted[Sorted.size() / 2]) / 1e6;
      AState.counters["worst_event_delay_ms"] = static_cast<double>(Sorted.back()) / 1e6;
    }
  }
}
BENCHMARK(BM_SlicedWaitOfFiveSeconds)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
