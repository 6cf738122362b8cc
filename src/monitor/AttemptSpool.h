// The model's attempts on disk: every attempt of every session appended to
// one unnamed file of the user's alone, which no other process can open and
// which goes with the process, so the sessions in memory stay bounded while
// an export still reads every attempt back, oldest first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "monitor/Attempt.h"
#include "rtl/SysUtils.h"

// The spool cannot be made, written or read; the message names the folder,
// the call and the system's reason.
class EAttemptSpoolError : public Exception {
 public:
  using Exception::Exception;
};

class TAttemptSpool {
 public:
  // Makes the file in AFolder; raises EAttemptSpoolError when it cannot.
  explicit TAttemptSpool(std::string AFolder);
  ~TAttemptSpool();
  TAttemptSpool(const TAttemptSpool&) = delete;
  TAttemptSpool& operator=(const TAttemptSpool&) = delete;

  // Where the next attempt goes: a session's attempts all lie past the end
  // it had when the session began.
  std::uint64_t End() const { return FWritten + FPending.size(); }

  // Appends AAttempt of the session numbered ASession. Raises
  // EAttemptSpoolError when it cannot; what was appended before stays.
  void Append(std::uint64_t ASession, const TAttempt& AAttempt);

  // Calls AVisit with every attempt of the session numbered ASession from
  // AFrom on, oldest first. Raises EAttemptSpoolError when it cannot read.
  void Visit(std::uint64_t ASession, std::uint64_t AFrom,
             const std::function<void(const TAttempt&)>& AVisit);

  // Forgets every attempt: no session needs them any more.
  void Clear();

 private:
  [[noreturn]] void Raise(const char* ACall, int AError) const;
  void Flush();
  // Fills ABlock with the bytes from AAt on.
  void ReadAt(std::string& ABlock, std::uint64_t AAt) const;

  std::string FFolder;
  int FDescriptor = -1;
  std::uint64_t FWritten = 0;
  // Records not yet written: appends are written in blocks.
  std::string FPending;
};

// The folder for temporary files: $TMPDIR when set, else /tmp.
std::string TemporaryFolder();
