// The model fed by the designed window: the pages and the attempt log
// subscribe to it, and nothing wraps a designed handler.
#pragma once

#include "app/window/Unit1.h"
#include "monitor/Monitor.h"

// A model owned by AForm that records every attempt of its echo client and
// ends its sessions when "Clear Data" clears the logs. A subscriber's
// exception is shown as a handler's is, and the other subscribers are served.
TMonitor* NewWindowMonitor(TForm1* AForm);
