// Tells the user through the desktop's notification service (the
// freedesktop notification interface on the session bus) when a host goes
// down, comes back, or begins or ends answering slowly: one notification a
// change, or one summary when many change at once. It never waits for the
// service; without one, nothing is shown and nothing fails.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <cstddef>
#include <string>
#include <vector>

#include "monitor/Monitor.h"

class TDesktopNotifier : public QObject, public TMonitorSubscriber {
 public:
  // Changes within this time of the first one are told together.
  static constexpr int GatherMs = 400;
  // The most changes told one by one; more make a summary.
  static constexpr std::size_t MaxSeparate = 3;

  explicit TDesktopNotifier(const QDBusConnection& ABus = QDBusConnection::sessionBus());

  void HealthChanged(const TPingSession& ASession) override;

  // The notifications asked of the service so far.
  std::size_t Sent() const { return FSent; }

 protected:
  void timerEvent(QTimerEvent* AEvent) override;

 private:
  struct TChange {
    std::string Host;
    THealthEvent Event;
    TWallTime At;
  };
  void Flush();
  void Notify(const QString& ASummary, const QString& ABody, bool AUrgent);

  QDBusConnection FBus;
  std::vector<TChange> FGathered;
  int FTimer = 0;
  std::size_t FSent = 0;
};

// The title and text of the notification of one change.
QString ChangeSummary(const std::string& AHost, THealthEvent AEvent);
QString ChangeBody(THealthEvent AEvent, TWallTime AAt);
