#include "app/pages/EventLoopDriver.h"

#include <QSocketNotifier>
#include <algorithm>

#include "ui/Application.h"

namespace probe = quorvel::probe;

TEventLoopDriver::TEventLoopDriver(QObject* AParent, probe::Driven& APart)
    : QObject(AParent), FPart(APart) {
  FTimer.setSingleShot(true);
  FTimer.setTimerType(Qt::PreciseTimer);
  connect(&FTimer, &QTimer::timeout, this, [this] { Due(); });
  for (const int Fd : FPart.Descriptors()) {
    auto* const Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, [this, Fd] { Readable(Fd); });
  }
  Rearm();
}

void TEventLoopDriver::Rearm() {
  const std::optional<probe::TimePoint> Deadline = FPart.NextDeadline();
  if (!Deadline) {
    FTimer.stop();
    return;
  }
  // Rounded up: a timer that fires a little early finds nothing due yet.
  const auto Wait = std::chrono::ceil<std::chrono::milliseconds>(*Deadline - probe::Clock::now());
  FTimer.start(std::max<std::chrono::milliseconds>(Wait, std::chrono::milliseconds(0)));
}

void TEventLoopDriver::Readable(int AFd) {
  try {
    FPart.HandleReadable(AFd, probe::Clock::now());
    // Answers may end what a time-out waited for, and a resolved name starts probes.
    FPart.HandleTime(probe::Clock::now());
  } catch (...) {
    HandleException();
  }
  Rearm();
}

void TEventLoopDriver::Due() {
  try {
    FPart.HandleTime(probe::Clock::now());
  } catch (...) {
    HandleException();
  }
  Rearm();
}
