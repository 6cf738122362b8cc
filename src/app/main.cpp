// The program's start and end: the application object, the main window made
// with its components, the message loop until the window closes, then the
// window destroyed and its components freed.
#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/pages/HostsPage.h"
#include "app/pages/RoutePage.h"
#include "app/pages/StatisticsPage.h"
#include "app/window/Unit1.h"
#include "app/window/WindowMonitor.h"
#include "outputs/AttemptLog.h"
#include "outputs/DesktopNotifier.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Privilege.h"
#include "ui/Application.h"
#include "ui/SessionEnd.h"
#include "version/QKVersion.h"

int main(int Argc, char** Argv) {
  const std::vector<std::string> Arguments(Argv + 1, Argv + Argc);
  if (HelpRequested(Arguments)) {
    std::fputs(HelpText("quorvel").c_str(), stdout);
    return 0;
  }
  try {
    if (VersionRequested(Arguments)) {
      TQKVersion Version(nullptr);
      Version.SetFileName(ExecutableFileName());
      std::printf("quorvel %s\n", Version.VersionText().c_str());
      return 0;
    }
    // Before the toolkit, which needs a display and ends the program without one.
    const TCommandLine Options = ParseCommandLine(Arguments);
    // Before the toolkit exists: it loads plugins that the environment names.
    if (StartedWithPrivilege()) {
      DropPrivilege();
      std::fputs(
          "Quorvel: started with privileges, which a window program must not hold; "
          "gave them all up (pings that need them go through the echo helper)\n",
          stderr);
    }
    const auto Log =
        Options.LogFile.empty() ? nullptr : std::make_unique<TAttemptLog>(Options.LogFile);
    TApplication App(Argc, Argv);
    // A log-out, a shutdown or a closed terminal closes the window as the
    // user would, so the hosts of this session are saved.
    const TSessionEnd SessionEnd;
    // The user's data folder (the history of an installed program) is named
    // after the program, whatever its file is called.
    QCoreApplication::setApplicationName("quorvel");
    App.CreateForm(Form1);
    if (Options.Host) Form1->cbHost->SetText(*Options.Host);
    // The model follows the window; the pages and the log follow the model,
    // in that order. The pages beyond the design, in the order of their tabs:
    TMonitor* const Monitor = NewWindowMonitor(Form1);
    new TStatisticsPage(Form1, Monitor);
    // The window never holds a raw socket: its probes go through the ICMP
    // datagram socket, or the echo helper beside the program.
    quorvel::probe::EngineOptions Probes;
    Probes.helperPath = ExecutableFolder() + "/quorvel-icmp-helper";
    new THostsPage(Form1, Monitor, Probes, new TDesktopNotifier());
    new TRoutePage(Form1, Monitor);
    if (Log) Monitor->Subscribe(Log.get());
    App.Run();
  } catch (const ECommandLineError& E) {
    std::fprintf(stderr, "quorvel: %s\nTry 'quorvel --help'.\n", E.what());
    return 2;
  } catch (const std::exception& E) {
    // Only privileges that cannot be given up, a window that cannot be built
    // at all, or a log that cannot be opened, end up here.
    std::fprintf(stderr, "Quorvel: %s\n", E.what());
    return 1;
  }
  return 0;
}
