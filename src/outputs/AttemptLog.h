// The log that `--log FILE` asks for: every attempt the model records, and
// every change of a host's health and every round of a traced route,
// appended to the file as one JSON line the
// moment it is known, so a long run survives a crash of the program with
// every finished line intact.
#pragma once

#include <string>
#include <string_view>

#include "monitor/Monitor.h"
#include "outputs/FileHandle.h"
#include "rtl/SysUtils.h"

// A line that could not be written; the message names the file, the call and
// the system's reason.
class EAttemptLogError : public Exception {
 public:
  using Exception::Exception;
};

class TAttemptLog : public TMonitorSubscriber {
 public:
  // Opens FileName for appending, making it when missing for the user alone.
  // Never waits: a FIFO without a reader is refused. Raises EAttemptLogError
  // when it cannot, and EPlantedLinkError for a link on the way that another
  // user planted in a shared folder (see LinkGuard.h).
  explicit TAttemptLog(const std::string& FileName);

  const std::string& FileName() const { return FFileName; }

  // Appends the attempt's line with one write, which the kernel puts at the
  // file's end whole, so a line is in the file entirely or not at all. Raises
  // EAttemptLogError when the line cannot be written, also when the log is a
  // pipe whose reader has gone or does not keep up; the program goes on.
  void Append(const TAttempt& AAttempt, std::string_view AHost);
  // Appends the round's line (RouteRoundLine) in the same way.
  void AppendRound(const TRoute& ARoute, std::uint64_t ARound);

  // Appends every attempt the model records, and each health change, the
  // first Up of a session too.
  void AttemptRecorded(const TPingSession& ASession, const TAttempt& AAttempt) override {
    Append(AAttempt, ASession.Host());
  }
  void HealthChanged(const TPingSession& ASession) override;
  void RouteRound(const TRoute& ARoute, std::uint64_t ARound) override {
    AppendRound(ARoute, ARound);
  }

 private:
  void Write(const std::string& ALine);

  std::string FFileName;
  TFileHandle FFile;
};
