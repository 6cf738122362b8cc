// quorvel-monitor: the program without a window. It pings its targets with
// the probe engine, keeps their figures in the model and serves them to
// Prometheus; SIGHUP reads the targets file again, SIGTERM and SIGINT stop it.
#include <prometheus/registry.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iostream>

#include "app/cli/CommandLine.h"
#include "app/service/ServiceOptions.h"
#include "app/service/TargetWatch.h"
#include "outputs/MetricsServer.h"
#include "outputs/ProcessMetrics.h"
#include "probe/PollLoop.h"
#include "probe/SystemError.h"

namespace {

namespace probe = quorvel::probe;

// The attempts each target keeps in memory: the figures need none, and no
// attempt goes to disk, so a run of months stays the same size.
constexpr std::size_t RecentAttempts = 16;
constexpr int BadStart = 2;

void Say(const std::string& AMessage) { std::cerr << "quorvel-monitor: " << AMessage << std::endl; }

// The signals the program acts on, read from a descriptor in the poll loop.
class TSignals final : public probe::Driven {
 public:
  // Blocks them for every thread to come, so only the loop sees them.
  TSignals() {
    sigemptyset(&FSet);
    for (const int Signal : {SIGHUP, SIGINT, SIGTERM}) sigaddset(&FSet, Signal);
    if (const int Error = pthread_sigmask(SIG_BLOCK, &FSet, nullptr); Error != 0)
      throw probe::SystemError("pthread_sigmask", Error);
    FDescriptor = ::signalfd(-1, &FSet, SFD_NONBLOCK | SFD_CLOEXEC);
    if (FDescriptor < 0) throw probe::SystemError("signalfd", errno);
  }
  ~TSignals() override { ::close(FDescriptor); }
  TSignals(const TSignals&) = delete;
  TSignals& operator=(const TSignals&) = delete;

  bool Stopping() const { return FStopping; }
  std::function<void()> OnHangUp;

  std::vector<int> Descriptors() const override { return {FDescriptor}; }
  std::optional<probe::TimePoint> NextDeadline() const override { return std::nullopt; }
  void HandleTime(probe::TimePoint) override {}
  void HandleReadable(int, probe::TimePoint) override {
    signalfd_siginfo Info{};
    while (::read(FDescriptor, &Info, sizeof Info) == sizeof Info) {
      if (Info.ssi_signo == SIGHUP && OnHangUp)
        OnHangUp();
      else if (Info.ssi_signo != SIGHUP)
        FStopping = true;
    }
  }

 private:
  sigset_t FSet{};
  int FDescriptor = -1;
  bool FStopping = false;
};

// The targets of the command line, then those of the file.
std::vector<TTargetEntry> AllTargets(const TServiceOptions& AOptions) {
  std::vector<TTargetEntry> Targets;
  for (const std::string& Host : AOptions.Targets) Targets.push_back({Host, std::nullopt});
  if (!AOptions.TargetsFile.empty())
    for (TTargetEntry& Entry : ReadTargetsFile(AOptions.TargetsFile))
      Targets.push_back(std::move(Entry));
  return Targets;
}

int Serve(const TServiceOptions& AOptions) {
  std::vector<TTargetEntry> Targets;
  try {
    Targets = AllTargets(AOptions);
  } catch (const ETargetsFileError& E) {
    Say(E.Message());
    return BadStart;
  }
  TSignals Signals;
  TMonitor Monitor(nullptr, TMonitorKeeping{"", RecentAttempts});
  Monitor.OnError = [] {
    try {
      throw;
    } catch (const std::exception& E) {
      Say(E.what());
    }
  };
  prometheus::Registry Registry;
  TTargetMetrics Metrics(Registry);
  Monitor.Subscribe(&Metrics);
  const TProcessMetrics Process;
  TTargetWatch Watch(Monitor, Metrics, AOptions.Interval, AOptions.Timeout);
  Watch.OnMessage = Say;
  for (const auto Family : {quorvel::wire::Family::kIpv4, quorvel::wire::Family::kIpv6})
    if (Watch.Kind(Family) == probe::SocketKind::kNone)
      Say(
          Format("no ICMP socket for IPv%d: add the program's group to "
                 "net.ipv4.ping_group_range (see the README)",
                 {std::int64_t{static_cast<int>(Family)}}));
  Watch.Watch(Targets);
  std::unique_ptr<TMetricsServer> Server;
  try {
    Server = std::make_unique<TMetricsServer>(
        AOptions.Listen, std::vector<const prometheus::Collectable*>{&Registry, &Process},
        [&Watch](const std::string& AHost, std::chrono::nanoseconds ATimeout) {
          return Watch.ProbeOnce(AHost, ATimeout);
        });
  } catch (const EMetricsServerError& E) {
    Say(E.Message());
    return BadStart;
  }
  Signals.OnHangUp = [&] {
    if (AOptions.TargetsFile.empty()) return Say("no targets file to read again");
    try {
      Targets = AllTargets(AOptions);
      Watch.Watch(Targets);
      Say(Format("read %s again: %d targets", {AOptions.TargetsFile, std::int64_t(Watch.Count())}));
    } catch (const ETargetsFileError& E) {
      Say(Format("%s; keeping the %d targets watched", {E.Message(), std::int64_t(Watch.Count())}));
    }
  };
  Say(Format("serving %s with %d targets", {AOptions.Listen, std::int64_t(Watch.Count())}));
  probe::Driven* const Parts[] = {&Watch, &Signals};
  while (!Signals.Stopping()) probe::PollOnce(Parts, probe::Clock::now() + std::chrono::hours(1));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> Arguments(argv + 1, argv + argc);
  if (HelpRequested(Arguments)) {
    std::cout << ServiceHelpText();
    return 0;
  }
  if (VersionRequested(Arguments)) {
    std::cout << "quorvel-monitor " QUORVEL_VERSION "\n";
    return 0;
  }
  try {
    return Serve(ParseServiceOptions(Arguments));
  } catch (const EServiceOptionError& E) {
    Say(E.Message());
    return BadStart;
  } catch (const std::exception& E) {
    Say(E.what());
    return 1;
  }
}
