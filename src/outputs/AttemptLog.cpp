#include "outputs/AttemptLog.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "outputs/AttemptFormat.h"
#include "outputs/LinkGuard.h"
#include "outputs/RouteExport.h"

namespace {

// The system's reason, in the words of a log that is a pipe where that is
// what the error means.
std::string Reason(int AError) {
  if (AError == ENXIO) return "no program reads from the pipe";
  if (AError == EAGAIN) return "the program reading the pipe does not keep up";
  return std::strerror(AError);
}

[[noreturn]] void RaiseLogError(const std::string& AFileName, const char* ACall, int AError) {
  throw EAttemptLogError(
      Format("Cannot write to the log file %s (%s: %s)", {AFileName, ACall, Reason(AError)}));
}

// A write to a pipe whose reader has gone raises SIGPIPE, which would end
// the program with its history unsaved. The signal is held back on this
// thread while a line is written, and taken back unseen when the write
// failed for it, so the failure is the write's message like any other.
class TPipeSignalHeld {
 public:
  TPipeSignalHeld() {
    sigemptyset(&FPipe);
    sigaddset(&FPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &FPipe, &FBefore);
  }
  ~TPipeSignalHeld() {
    if (FRaised) {
      const timespec Now{};
      sigtimedwait(&FPipe, nullptr, &Now);
    }
    pthread_sigmask(SIG_SETMASK, &FBefore, nullptr);
  }
  TPipeSignalHeld(const TPipeSignalHeld&) = delete;
  TPipeSignalHeld& operator=(const TPipeSignalHeld&) = delete;

  void Raised() { FRaised = true; }

 private:
  sigset_t FPipe;
  sigset_t FBefore;
  bool FRaised = false;
};

}  // namespace

// Not blocking: a FIFO without a reader is refused at once instead of
// stalling the start, and a reader that stops reading makes a line fail
// instead of freezing the window. A regular file is not affected.
TAttemptLog::TAttemptLog(const std::string& FileName)
    : FFileName(FileName),
      FFile(open(UnplantedPath(FileName).c_str(),
                 O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK,
                 0600)) {
  if (FFile.Descriptor() < 0) RaiseLogError(FFileName, "open", errno);
}

void TAttemptLog::Append(const TAttempt& AAttempt, std::string_view AHost) {
  Write(JsonLine(AAttempt, AHost));
}

void TAttemptLog::HealthChanged(const TPingSession& ASession) {
  for (const THealthEvent Event : HealthEvents(ASession.Health()))
    Write(
        HealthJsonLine(ASession.Attempts().back().Sent, ASession.Host(), Event, ASession.Health()));
}

void TAttemptLog::AppendRound(const TRoute& ARoute, std::uint64_t ARound) {
  Write(RouteRoundLine(ARoute, ARound, WallClockNow()));
}

void TAttemptLog::Write(const std::string& ALine) {
  TPipeSignalHeld Held;
  // A regular file takes the whole line at once; only a full disk or a signal
  // leaves a rest, which follows at the end.
  std::size_t Written = 0;
  while (Written < ALine.size()) {
    const ssize_t Done = write(FFile.Descriptor(), ALine.data() + Written, ALine.size() - Written);
    if (Done < 0 && errno == EINTR) continue;
    if (Done < 0 && errno == EPIPE) Held.Raised();
    if (Done <= 0) RaiseLogError(FFileName, "write", Done < 0 ? errno : ENOSPC);
    Written += static_cast<std::size_t>(Done);
  }
}
