// Drives a part of the probe engine (probe/Driven.h) on the window's event
// loop: a socket notifier for each of its descriptors and a precise timer
// for its next deadline, so nothing of it ever waits on the window's thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <vector>

#include "probe/Driven.h"

class QSocketNotifier;

class TProbeDriver : public QObject {
 public:
  // Watches APart, which must outlive the driver, from now on.
  TProbeDriver(QObject* AParent, quorvel::probe::Driven& APart);

  // Sets the timer to the part's deadline again, after a call to the part
  // from outside the driver.
  void Rearm();

 private:
  // Runs AStep on the part, hands what it raises to the application's error
  // box, and rearms.
  template <class TStep>
  void Serve(const TStep& AStep);

  quorvel::probe::Driven& FPart;
  std::vector<QSocketNotifier*> FNotifiers;
  QTimer FTimer;
};
