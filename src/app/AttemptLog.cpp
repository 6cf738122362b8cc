#include "app/AttemptLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "stats/AttemptFormat.h"

namespace {

[[noreturn]] void RaiseLogError(const std::string& AFileName, const char* ACall, int AError) {
  throw EAttemptLogError(Format("Cannot write to the log file %s (%s: %s)",
                                {AFileName, ACall, std::strerror(AError)}));
}

}  // namespace

TAttemptLog::TAttemptLog(const std::string& FileName)
    : FFileName(FileName),
      FFile(open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644)) {
  if (FFile.Descriptor() < 0) RaiseLogError(FFileName, "open", errno);
}

void TAttemptLog::Append(const TAttempt& AAttempt, std::string_view AHost) {
  const std::string Line = JsonLine(AAttempt, AHost);
  // A regular file takes the whole line at once; only a full disk or a signal
  // leaves a rest, which follows at the end.
  std::size_t Written = 0;
  while (Written < Line.size()) {
    const ssize_t Done = write(FFile.Descriptor(), Line.data() + Written, Line.size() - Written);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) RaiseLogError(FFileName, "write", Done < 0 ? errno : ENOSPC);
    Written += static_cast<std::size_t>(Done);
  }
}
