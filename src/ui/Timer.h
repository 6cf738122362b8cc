// The window timer: a component that calls OnTimer every Interval milliseconds
// while it is enabled, on the program's event loop, one tick at a time.
#pragma once

#include <QTimer>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

// Raised when the system cannot give the program a timer.
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

class TTimer : public TComponent {
 public:
  // Enabled, with an interval of 1000 ms; raises EOutOfResources when the
  // thread has no event loop to run a timer on.
  explicit TTimer(TComponent* AOwner);

  // Changing either property starts the period afresh. A timer the system
  // cannot start (an interval beyond what it can time, or no event loop)
  // raises EOutOfResources and is left disabled, with the interval that was set.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // 0 stops the ticks while leaving the timer enabled.
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);

  // Called on each tick; a tick without a handler does nothing. Ticks that
  // fall due while the handler still runs (long, or in the loop of a modal
  // box) never enter it again and come as one tick after it returns. The
  // handler must not free its own timer.
  TNotifyEvent OnTimer;

 private:
  void UpdateTimer();

  QTimer FTimer;
  bool FEnabled = true;
  unsigned FInterval = 1000;
};

// While Refused is true, every timer that starts is refused as if the system
// had none left, so callers' handling of that case can be exercised.
void SetTimersRefused(bool Refused);
