// Responsive waiting on the window framework: the processing step that a
// sliced socket wait runs between its slices.
#pragma once

#include "net/IdAntiFreezeBase.h"

class TIdAntiFreeze : public TIdAntiFreezeBase {
 public:
  using TIdAntiFreezeBase::TIdAntiFreezeBase;

  // With ApplicationHasPriority, handles every event waiting in the thread's
  // queue; otherwise exactly one, or none at once when nothing waits. A quit
  // request only marks the application as ending, and an exception from a
  // handler is shown by the application and goes no further.
  void PumpMessages() override;
};

// The framework's handle-one step: dispatches the first event that waits in
// the thread's queue (posted events, window-system input, due timers) with
// everything it sends on its way, and leaves the others waiting in their
// order. Qt's own queued calls and deferred deletions cannot be copied and
// go in the same pass. Does nothing and does not block when nothing waits.
void HandleOneMessage();
