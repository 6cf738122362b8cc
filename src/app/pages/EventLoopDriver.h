// Drives a part of the probe engine (probe/Driven.h) from the window's event
// loop: a socket notifier on each of its descriptors and one precise timer
// at its next deadline, so nothing ever waits on the window's thread.
#pragma once

#include <QObject>
#include <QTimer>

#include "probe/Driven.h"

class TEventLoopDriver : public QObject {
 public:
  // Drives APart, which must outlive the driver, from now on.
  TEventLoopDriver(QObject* AParent, quorvel::probe::Driven& APart);

  // Sets the timer to the part's next deadline; after every call into the
  // part that may have changed it from outside the driver (a target added).
  void Rearm();

 private:
  void Readable(int AFd);
  void Due();

  quorvel::probe::Driven& FPart;
  QTimer FTimer;
};
