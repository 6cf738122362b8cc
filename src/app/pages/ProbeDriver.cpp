#include "app/pages/ProbeDriver.h"

#include <QSocketNotifier>
#include <algorithm>

#include "ui/Application.h"

namespace probe = quorvel::probe;

TProbeDriver::TProbeDriver(QObject* AParent, probe::Driven& APart)
    : QObject(AParent), FPart(APart) {
  // An error pending on a socket (a router's answer in its error queue)
  // wakes its read notifier as well.
  for (const int Fd : FPart.Descriptors()) {
    auto* const Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, [this, Fd] {
      Serve([&] {
        FPart.HandleReadable(Fd, probe::Clock::now());
        // Answers may end what a time-out waited for, and a resolved
        // name starts probes.
        FPart.HandleTime(probe::Clock::now());
      });
    });
    FNotifiers.push_back(Notifier);
  }
  FTimer.setSingleShot(true);
  FTimer.setTimerType(Qt::PreciseTimer);
  connect(&FTimer, &QTimer::timeout, this,
          [this] { Serve([&] { FPart.HandleTime(probe::Clock::now()); }); });
  Rearm();
}

template <class TStep>
void TProbeDriver::Serve(const TStep& AStep) {
  try {
    AStep();
  } catch (...) {
    HandleException();
  }
  Rearm();
}

void TProbeDriver::Rearm() {
  const std::optional<probe::TimePoint> Deadline = FPart.NextDeadline();
  if (!Deadline) {
    FTimer.stop();
    return;
  }
  const auto Wait = std::chrono::ceil<std::chrono::milliseconds>(
      std::max(*Deadline - probe::Clock::now(), probe::Clock::duration::zero()));
  FTimer.start(Wait);
}
