// The Hosts page at full load: the window as the program makes it, shown on
// the offscreen platform with the page in front, watching 100 targets on the
// loopback (127.0.0.1 to 127.0.0.100) every 10 ms through the ICMP datagram
// socket. It reports the attempts per second, how long events posted to the
// window waited for their handling, the frames the chart and the table
// painted per second, the CPU the whole program took, and the resident
// memory after 1 minute and at the end of the run: 10 minutes, or the
// minutes QUORVEL_BENCH_MINUTES asks for.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <optional>

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/pages/HostsChart.h"
#include "app/pages/HostsPage.h"
#include "app/window/WindowMonitor.h"

namespace {

constexpr int Targets = 100;
constexpr int IntervalMs = 10;

struct TCounter : TMonitorSubscriber {
  void AttemptRecorded(const TPingSession&, const TAttempt& AAttempt) override {
    ++Attempts;
    Lost += AAttempt.Outcome == TOutcome::Reply ? 0 : 1;
  }
  std::uint64_t Attempts = 0;
  std::uint64_t Lost = 0;
};

// Counts the paints of a widget.
struct TPaintCounter : QObject {
  bool eventFilter(QObject*, QEvent* AEvent) override {
    Paints += AEvent->type() == QEvent::Paint;
    return false;
  }
  int Paints = 0;
};

double CpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
         static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

int Minutes() {
  const QByteArray Asked = qgetenv("QUORVEL_BENCH_MINUTES");
  return Asked.isEmpty() ? 10 : std::max(Asked.toInt(), 1);
}

void BM_HundredTargetsEveryTenMilliseconds(benchmark::State& AState) {
  // The bench runs in a network namespace of its own: every group may use
  // the datagram socket there, as a user's system may allow.
  std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647";
  const TBenchWindow Window;
  TMonitor* const Monitor = NewWindowMonitor(Form1);
  auto* const Page = new THostsPage(Form1, Monitor, {});
  Form1->resize(1280, 900);
  Form1->Show();
  Form1->PageControl1->SetActivePage(Page->TabSheet6);
  QApplication::processEvents();

  for (auto _ : AState) {
    TCounter Counter;
    Monitor->Subscribe(&Counter);
    TPaintCounter ChartPaints;
    TPaintCounter TablePaints;
    Page->Chart->installEventFilter(&ChartPaints);
    Page->tvHosts->viewport()->installEventFilter(&TablePaints);
    Page->speInterval->setValue(IntervalMs);
    for (int Host = 1; Host <= Targets; ++Host) {
      Page->edHost->setText(QStringLiteral("127.0.0.%1").arg(Host));
      Page->btnAdd->click();
    }
    // The chart shows the first six hosts, the table every row.
    Page->tvHosts->selectionModel()->select(
        QItemSelection(Page->tvHosts->model()->index(0, 0), Page->tvHosts->model()->index(5, 9)),
        QItemSelectionModel::Select);

    QElapsedTimer Clock;
    Clock.start();
    const double CpuStart = CpuSeconds();
    TLatencyRecorder Recorder(Clock);
    std::optional<TEventPoster> Poster(std::in_place, Recorder, Clock);
    long OneMinuteKilobytes = 0;
    std::size_t OneMinuteHeap = 0;
    QEventLoop Loop;
    QTimer::singleShot(60'000, &Loop, [&] {
      OneMinuteKilobytes = ResidentKilobytes();
      OneMinuteHeap = mallinfo2().uordblks;
    });
    QTimer::singleShot(Minutes() * 60'000, &Loop, &QEventLoop::quit);
    Loop.exec();
    const double Seconds = static_cast<double>(Clock.nsecsElapsed()) / 1e9;
    const double Cpu = CpuSeconds() - CpuStart;
    Poster.reset();
    Monitor->Unsubscribe(&Counter);

    AState.counters["minutes"] = Minutes();
    AState.counters["attempts_per_s"] = static_cast<double>(Counter.Attempts) / Seconds;
    AState.counters["lost"] = static_cast<double>(Counter.Lost);
    AState.counters["chart_fps"] = ChartPaints.Paints / Seconds;
    AState.counters["table_fps"] = TablePaints.Paints / Seconds;
    AState.counters["cpu_percent"] = Cpu / Seconds * 100;
    AState.counters["rss_1min_kB"] = static_cast<double>(OneMinuteKilobytes);
    AState.counters["rss_end_kB"] = static_cast<double>(ResidentKilobytes());
    // What the program holds of the heap, apart from what the allocator keeps.
    AState.counters["heap_1min_kB"] = static_cast<double>(OneMinuteHeap) / 1024;
    AState.counters["heap_end_kB"] = static_cast<double>(mallinfo2().uordblks) / 1024;
    AState.counters["events_over_16ms"] = static_cast<double>(
        std::ranges::count_if(Recorder.Latencies, [](qint64 ANs) { return ANs > 16'000'000; }));
    ReportEventDelays(AState, Recorder.Latencies);
  }
}
BENCHMARK(BM_HundredTargetsEveryTenMilliseconds)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
