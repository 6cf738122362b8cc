// The program's start as a user meets it: the time from starting a process to
// its main window's first paint on the offscreen platform, and the memory that
// the idle window then holds. Each run starts this program anew as a child that
// builds the window exactly as the program does and reports over a pipe.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "BenchSupport.h"
#include "app/window/HostStore.h"
#include "app/window/Unit1.h"
#include "ui/Application.h"

extern char** environ;

namespace {

constexpr std::string_view ChildFlag = "--window-child";
// How long the child lets the idle window settle before it measures memory.
constexpr int SettleMs = 300;

// Tells the parent of the first paint of the watched window.
class TFirstPaint : public QObject {
 public:
  explicit TFirstPaint(int AReport) : FReport(AReport) {}
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Paint && !FPainted) {
      FPainted = true;
      dprintf(FReport, "painted\n");
      QTimer::singleShot(SettleMs, [this] {
        dprintf(FReport, "rss %ld\n", ResidentKilobytes());
        Application->Terminate();
      });
    }
    return QObject::eventFilter(Watched, Event);
  }

 private:
  int FReport;
  bool FPainted = false;
};

int RunWindowChild(int Argc, char** Argv, int Report) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The window loads and saves its host history; these runs keep theirs apart.
  const QTemporaryDir HistoryFolder;
  SetHostFolder(HistoryFolder.path().toStdString());
  TApplication App(Argc, Argv);
  App.CreateForm(Form1);
  TFirstPaint Watcher(Report);
  Form1->installEventFilter(&Watcher);
  App.Run();
  return 0;
}

// One start of the window child; returns the seconds to its first paint and
// the resident kilobytes of the idle window.
std::pair<double, long> StartWindowChild() {
  int Pipe[2];
  if (pipe(Pipe) != 0) throw std::runtime_error("pipe failed");
  const std::string Fd = std::to_string(Pipe[1]);
  std::string Self = "/proc/self/exe";
  char* const Args[] = {Self.data(), const_cast<char*>(ChildFlag.data()),
                        const_cast<char*>(Fd.c_str()), nullptr};
  const auto Start = std::chrono::steady_clock::now();
  pid_t Child = 0;
  if (posix_spawn(&Child, Self.c_str(), nullptr, nullptr, Args, environ) != 0)
    throw std::runtime_error("posix_spawn failed");
  close(Pipe[1]);
  FILE* const Reports = fdopen(Pipe[0], "r");
  char Line[64] = {};
  double Seconds = -1;
  long Kilobytes = -1;
  while (fgets(Line, sizeof Line, Reports) != nullptr) {
    const std::string_view Text(Line);
    if (Text.starts_with("painted"))
      Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    else if (Text.starts_with("rss "))
      Kilobytes = std::stol(std::string(Text.substr(4)));
  }
  fclose(Reports);
  int Status = 0;
  waitpid(Child, &Status, 0);
  if (Seconds < 0 || Kilobytes < 0) throw std::runtime_error("the window child did not report");
  return {Seconds, Kilobytes};
}

void BM_StartToFirstPaint(benchmark::State& State) {
  long Kilobytes = 0;
  for (auto _ : State) {
    const auto [Seconds, Resident] = StartWindowChild();
    State.SetIterationTime(Seconds);
    Kilobytes = Resident;
  }
  State.counters["idle_rss_kB"] = static_cast<double>(Kilobytes);
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int Argc, char** Argv) {
  if (Argc == 3 && Argv[1] == ChildFlag) return RunWindowChild(1, Argv, std::stoi(Argv[2]));
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
