#include "ui/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

constexpr std::array<int, 2> SessionSignals{SIGTERM, SIGHUP};

// The writing end of the pipe that wakes the event loop. A signal handler may
// do little more than write to it.
volatile sig_atomic_t GWakeFd = -1;

extern "C" void WakeEventLoop(int) {
  const int SavedErrno = errno;
  const char Byte = 1;
  // A full pipe already holds a wake-up, so a failed write loses nothing.
  [[maybe_unused]] const ssize_t Written = write(GWakeFd, &Byte, 1);
  errno = SavedErrno;
}

void Handle(void (*Handler)(int)) {
  struct sigaction Action {};
  Action.sa_handler = Handler;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  for (const int Signal : SessionSignals) sigaction(Signal, &Action, nullptr);
}

}  // namespace

TSessionEnd::TSessionEnd() {
  if (pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0)
    throw Exception(
        Format("Cannot watch for the end of the session (pipe2: %s)", {std::strerror(errno)}));
  GWakeFd = FWake[1];
  FNotifier = std::make_unique<QSocketNotifier>(FWake[0], QSocketNotifier::Read);
  QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { CloseMainForm(); });
  Handle(WakeEventLoop);
}

TSessionEnd::~TSessionEnd() {
  Handle(SIG_DFL);
  GWakeFd = -1;
  FNotifier.reset();
  close(FWake[0]);
  close(FWake[1]);
}

void TSessionEnd::CloseMainForm() {
  // Every wake-up so far is answered by this one close.
  std::array<char, 64> Bytes;
  while (read(FWake[0], Bytes.data(), Bytes.size()) > 0) continue;
  if (Application != nullptr && Application->MainForm() != nullptr)
    Application->MainForm()->close();
}
