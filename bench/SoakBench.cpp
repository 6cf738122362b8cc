// A long repeat as a user could leave it running: the window with its model,
// shown on the offscreen platform, pings 127.0.0.1 at the shortest interval its timer takes
// (1 ms, typed into the interval box) until 20 000 replies have come, with the
// reply log's limit at 1 000. It reports the replies per second, the resident
// memory at the start and after 1 000 and 20 000 replies, and how long events
// posted to the window meanwhile waited for their handling.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <optional>

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/window/WindowMonitor.h"

namespace {

constexpr int Replies = 20000;
constexpr int FullLogAfter = 1000;
// A bound for the whole run, far above what it takes.
constexpr int GiveUpMs = 600000;

// Counts the model's attempts and stops the loop at the last one.
struct TCounter : TMonitorSubscriber {
  void AttemptRecorded(const TPingSession&, const TAttempt& AAttempt) override {
    Others += AAttempt.Outcome == TOutcome::Reply ? 0 : 1;
    if (++Count == FullLogAfter) FullLogKilobytes = ResidentKilobytes();
    if (Count == Replies) Loop->quit();
  }
  QEventLoop* Loop = nullptr;
  long FullLogKilobytes = 0;
  int Count = 0;
  int Others = 0;
};

void BM_RepeatOfTwentyThousandReplies(benchmark::State& AState) {
  const TBenchWindow Window;
  TMonitor* const Monitor = NewWindowMonitor(Form1);
  Form1->Show();
  QApplication::processEvents();
  Form1->speMaxLine->SetValue(1000);
  Form1->cbHost->SetText("127.0.0.1");
  Form1->speRepeat->SetText("1");

  for (auto _ : AState) {
    const long StartKilobytes = ResidentKilobytes();
    QEventLoop Loop;
    TCounter Counter;
    Counter.Loop = &Loop;
    Monitor->Subscribe(&Counter);
    QTimer::singleShot(GiveUpMs, &Loop, &QEventLoop::quit);

    QElapsedTimer Clock;
    Clock.start();
    TLatencyRecorder Recorder(Clock);
    std::optional<TEventPoster> Poster(std::in_place, Recorder, Clock);
    Form1->spbRepPing->click();
    Loop.exec();
    const double Seconds = static_cast<double>(Clock.nsecsElapsed()) / 1e9;
    Form1->spbRepPing->click();
    Poster.reset();
    QApplication::processEvents();
    Monitor->Unsubscribe(&Counter);
    const int Count = Counter.Count;

    if (Count < Replies) AState.SkipWithError("the repeat did not reach its replies in time");
    AState.counters["replies"] = Count;
    AState.counters["not_echo"] = Counter.Others;
    AState.counters["replies_per_s"] = Count / Seconds;
    AState.counters["timer_interval_ms"] = Form1->Timer1->Interval();
    AState.counters["rows"] = Form1->ListView1->Items()->Count();
    AState.counters["rss_start_kB"] = static_cast<double>(StartKilobytes);
    AState.counters["rss_1000_kB"] = static_cast<double>(Counter.FullLogKilobytes);
    AState.counters["rss_20000_kB"] = static_cast<double>(ResidentKilobytes());
    ReportEventDelays(AState, Recorder.Latencies);
  }
}
BENCHMARK(BM_RepeatOfTwentyThousandReplies)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
