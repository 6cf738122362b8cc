#include "ui/Timer.h"

#include <climits>

#include "ui/Application.h"

namespace {
bool TimersRefused = false;
}  // namespace

void SetTimersRefused(bool Refused) { TimersRefused = Refused; }

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  // Precise timers never tick early; coarse ones may come up to 5% early, and
  // the interval paces the echo requests whose period the user chose.
  FTimer.setTimerType(Qt::PreciseTimer);
  // Qt's event loop neither enters a timer's tick again while it runs nor
  // delivers the ticks missed meanwhile; at most one that fell due comes late.
  FTimer.callOnTimeout([this] { CallEvent(OnTimer, this); });
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  FTimer.stop();
  if (!FEnabled || FInterval == 0) return;
  // Qt times intervals up to INT_MAX ms. A timer the event loop refuses gets
  // the id 0, though QTimer then still calls itself active.
  if (!TimersRefused && FInterval <= INT_MAX) FTimer.start(static_cast<int>(FInterval));
  if (FTimer.timerId() <= 0) {
    FTimer.stop();
    FEnabled = false;
    throw EOutOfResources("Not enough timers available");
  }
}
