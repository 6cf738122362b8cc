// The statistics of a session and its page: the cost of one attempt taken into
// a session that already holds a million, of the round trips' figures alone,
// and of the Statistics page brought up to date and painted, offscreen, for
// such a session.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <random>

#include "BenchSupport.h"
#include "app/pages/StatisticsPage.h"
#include "app/window/WindowMonitor.h"
#include "monitor/PingSession.h"
#include "support/OffscreenApplication.h"
#include "ui/Application.h"

namespace {

constexpr int Million = 1'000'000;

// Round trips of a LAN with a long tail, and one attempt in fifty lost.
struct TAttempts {
  TAttempt Next() {
    TAttempt Attempt;
    Attempt.Sent = {Clock += 1'000'000, 3600};
    Attempt.Address = "192.0.2.1";
    Attempt.Outcome = Random() % 50 == 0 ? TOutcome::TimeOut : TOutcome::Reply;
    Attempt.Ttl = 64;
    Attempt.RoundTripUs = static_cast<std::uint64_t>(Trip(Random));
    return Attempt;
  }
  std::mt19937_64 Random{21};
  std::lognormal_distribution<double> Trip{6.0, 1.2};
  std::int64_t Clock = 0;
};

void BM_RecordAttemptAtAMillion(benchmark::State& State) {
  TAttempts Attempts;
  TPingSession Session({0, 3600});
  for (int Count = 0; Count < Million; ++Count) Session.Record("192.0.2.1", Attempts.Next());
  for (auto _ : State) Session.Record("192.0.2.1", Attempts.Next());
  State.counters["attempts_at_end"] = static_cast<double>(Session.Sent());
}
BENCHMARK(BM_RecordAttemptAtAMillion)->Unit(benchmark::kNanosecond);

// The model taking a million attempts to one host, each kept on disk: the
// cost of one, and the resident memory after the first 100 000 and after
// the million, which a session's bounded memory keeps level.
void BM_ModelRecordAndMemoryAtAMillion(benchmark::State& State) {
  TAttempts Attempts;
  TMonitor Monitor(nullptr);
  long TenthKilobytes = 0;
  for (int Count = 0; Count < Million; ++Count) {
    Monitor.Record("192.0.2.1", Attempts.Next());
    if (Count == Million / 10) TenthKilobytes = ResidentKilobytes();
  }
  const long MillionKilobytes = ResidentKilobytes();
  for (auto _ : State) Monitor.Record("192.0.2.1", Attempts.Next());
  State.counters["rss_100k_kB"] = static_cast<double>(TenthKilobytes);
  State.counters["rss_1M_kB"] = static_cast<double>(MillionKilobytes);
  State.counters["bytes_per_attempt_after_100k"] =
      static_cast<double>(MillionKilobytes - TenthKilobytes) * 1024 / (Million * 0.9);
}
BENCHMARK(BM_ModelRecordAndMemoryAtAMillion)->Unit(benchmark::kNanosecond);

void BM_RoundTripFiguresPerReplyAtAMillion(benchmark::State& State) {
  TAttempts Attempts;
  TRoundTripStatistics Statistics;
  for (int Count = 0; Count < Million; ++Count) Statistics.Add(Attempts.Next().RoundTripUs);
  std::uint64_t Trip = 0;
  for (auto _ : State) Statistics.Add(++Trip % 5000);
  benchmark::DoNotOptimize(Statistics.Percentile(99));
}
BENCHMARK(BM_RoundTripFiguresPerReplyAtAMillion)->Unit(benchmark::kNanosecond);

// The page of a session of a million attempts, shown: one more attempt, then
// the page brought up to date and painted, as between two pings.
void BM_StatisticsPageRepaintAtAMillion(benchmark::State& State) {
  StartOffscreenApplication();
  int Argc = 1;
  char Program[16] = "quorvel";
  char* Argv[2] = {Program, nullptr};
  const auto App = std::make_unique<TApplication>(Argc, Argv);
  App->CreateForm(Form1);
  // The page shows the session of the host in the box.
  Form1->cbHost->SetText("192.0.2.1");
  TMonitor* const Monitor = NewWindowMonitor(Form1);
  auto* const Page = new TStatisticsPage(Form1, Monitor);
  Form1->Show();
  Form1->PageControl1->SetActivePage(Page->TabSheet5);
  TAttempts Attempts;
  const TReplyStatus Reply{84, "192.0.2.1", 0, 1, 0, 64, rsEcho};
  const TReplyStatus TimeOut{0, "0.0.0.0", 0, 1, 0, 0, rsTimeOut};
  const auto Record = [&] {
    const TAttempt Attempt = Attempts.Next();
    Monitor->RecordEcho("192.0.2.1", Attempt.Outcome == TOutcome::Reply ? Reply : TimeOut,
                        Attempt.RoundTripUs);
  };
  for (int Count = 0; Count < Million; ++Count) Record();
  QApplication::processEvents();
  for (auto _ : State) {
    Record();
    Page->Refresh();
    Page->TabSheet5->repaint();
  }
  State.counters["outages"] = static_cast<double>(Page->Session().OutageCount());
}
BENCHMARK(BM_StatisticsPageRepaintAtAMillion)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
