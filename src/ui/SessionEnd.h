// The end of the session as the system signals it: SIGTERM (a log-out, a
// shutdown) and SIGHUP (a closed terminal) close the main form from the event
// loop, as the user closing it would, so that what closing saves is saved.
#pragma once

#include <memory>

class QSocketNotifier;

class TSessionEnd {
 public:
  // Catches both signals from now on; one that arrives before the event loop
  // runs closes the form once it does.
  TSessionEnd();
  // Gives both signals their default action back.
  ~TSessionEnd();
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

 private:
  void CloseMainForm();

  int FWake[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> FNotifier;
};
