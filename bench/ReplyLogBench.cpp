// The two logs of the program's window at their largest, the window shown on the
// offscreen platform: ShowReply on a full reply log (limit 10 000, so 10 001 rows
// and points) and LogError on an error log of 100 000 rows with its limit off.
// An iteration is one entry and one pass of the event loop, which paints what the
// entry changed, as between two pings; with paint=0 the pass is left out of the
// time. Each also reports the heap that one entry of the log holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <memory>

#include "app/window/Unit1.h"
#include "support/OffscreenApplication.h"
#include "ui/Application.h"

namespace {

constexpr int FullReplyLog = 10001;
constexpr int LongErrorLog = 100000;

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// An echo reply as the client fills it, with trip times that vary a little.
TReplyStatus Reply(int Sequence) {
  return {72,
          "127.0.0.1",
          0,
          static_cast<std::uint16_t>(Sequence),
          static_cast<std::uint32_t>(Sequence % 37 + 1),
          64,
          rsEcho};
}

TReplyStatus TimeOut(int Sequence) {
  return {0, "0.0.0.0", 0, static_cast<std::uint16_t>(Sequence), 0, 0, rsTimeOut};
}

// The program's window as it starts, shown.
struct TShownWindow : TOffscreenApplication {
  TShownWindow() {
    App->CreateForm(Form1);
    Form1->Show();
    QApplication::processEvents();
  }

  // Runs Entry Count times and returns the heap that each run added.
  template <class TEntry>
  static double BytesPerEntry(int Count, TEntry Entry) {
    const std::size_t Before = HeapInUse();
    for (int Sequence = 1; Sequence <= Count; ++Sequence) Entry(Sequence);
    return static_cast<double>(HeapInUse() - Before) / Count;
  }

  // One pass of the event loop, timed or not.
  static void ProcessEvents(benchmark::State& State, bool Timed) {
    if (!Timed) State.PauseTiming();
    QApplication::processEvents();
    if (!Timed) State.ResumeTiming();
  }

  int Argc = 1;
  char Program[16] = "quorvel";
  char* Argv[2] = {Program, nullptr};
  std::unique_ptr<TApplication> App = std::make_unique<TApplication>(Argc, Argv);
};

void BM_ShowReplyOnAFullLog(benchmark::State& State) {
  TShownWindow Shown;
  Form1->speMaxLine->SetValue(FullReplyLog - 1);
  State.counters["bytes_per_reply"] = TShownWindow::BytesPerEntry(
      FullReplyLog, [](int Sequence) { Form1->ShowReply(Reply(Sequence)); });
  QApplication::processEvents();
  int Sequence = FullReplyLog;
  for (auto _ : State) {
    Form1->ShowReply(Reply(++Sequence));
    TShownWindow::ProcessEvents(State, State.range(0) != 0);
  }
  if (Form1->ListView1->Items()->Count() != FullReplyLog || Form1->Series1->Count() != FullReplyLog)
    State.SkipWithError("the reply log or the chart left the limit");
}
BENCHMARK(BM_ShowReplyOnAFullLog)->ArgName("paint")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The average alone, over a full reply log, as ShowReply computes it.
void BM_AverageTripTimeOfAFullLog(benchmark::State& State) {
  TShownWindow Shown;
  Form1->speMaxLine->SetValue(FullReplyLog - 1);
  for (int Sequence = 1; Sequence <= FullReplyLog; ++Sequence) Form1->ShowReply(Reply(Sequence));
  for (auto _ : State) benchmark::DoNotOptimize(Form1->AverageTripTime());
}
BENCHMARK(BM_AverageTripTimeOfAFullLog)->Unit(benchmark::kMicrosecond);

void BM_LogErrorOnALongLog(benchmark::State& State) {
  TShownWindow Shown;
  Form1->PageControl1->SetActivePage(Form1->TabSheet2);
  State.counters["bytes_per_error"] = TShownWindow::BytesPerEntry(
      LongErrorLog, [](int Sequence) { Form1->LogError(TimeOut(Sequence)); });
  QApplication::processEvents();
  int Sequence = LongErrorLog;
  for (auto _ : State) {
    Form1->LogError(TimeOut(++Sequence));
    TShownWindow::ProcessEvents(State, State.range(0) != 0);
  }
  State.counters["rows_at_end"] = Form1->ListViewError->Items()->Count();
}
BENCHMARK(BM_LogErrorOnALongLog)->ArgName("paint")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
