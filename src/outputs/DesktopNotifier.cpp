#include "outputs/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDateTime>
#include <QTimerEvent>
#include <QVariantMap>

namespace {

QString HostText(const std::string& AHost) { return QString::fromStdString(AHost); }

QString ClockText(TWallTime AAt) {
  return QDateTime::fromMSecsSinceEpoch(AAt.UnixUs / 1000, Qt::OffsetFromUTC, AAt.UtcOffset)
      .toString(QStringLiteral("HH:mm:ss"));
}

// A change the user must act on stays until it is seen.
bool Urgent(THealthEvent AEvent) { return AEvent == THealthEvent::Down; }

}  // namespace

QString ChangeSummary(const std::string& AHost, THealthEvent AEvent) {
  switch (AEvent) {
    case THealthEvent::Down:
      return QStringLiteral("%1 is down").arg(HostText(AHost));
    case THealthEvent::SlowBegan:
      return QStringLiteral("%1 answers slowly").arg(HostText(AHost));
    case THealthEvent::SlowEnded:
      return QStringLiteral("%1 answers in time again").arg(HostText(AHost));
    case THealthEvent::FirstUp:
    case THealthEvent::Up:
      break;
  }
  return QStringLiteral("%1 is back up").arg(HostText(AHost));
}

QString ChangeBody(THealthEvent AEvent, TWallTime AAt) {
  switch (AEvent) {
    case THealthEvent::Down:
      return QStringLiteral("No answer since %1").arg(ClockText(AAt));
    case THealthEvent::SlowBegan:
      return QStringLiteral("Slow replies since %1").arg(ClockText(AAt));
    case THealthEvent::SlowEnded:
    case THealthEvent::FirstUp:
    case THealthEvent::Up:
      break;
  }
  return QStringLiteral("Answering since %1").arg(ClockText(AAt));
}

TDesktopNotifier::TDesktopNotifier(const QDBusConnection& ABus) : FBus(ABus) {}

void TDesktopNotifier::HealthChanged(const TPingSession& ASession) {
  for (const THealthEvent Event : HealthEvents(ASession.Health()))
    if (Told(Event)) FGathered.push_back({ASession.Host(), Event, ASession.Attempts().back().Sent});
  if (!FGathered.empty() && FTimer == 0) FTimer = startTimer(GatherMs);
}

void TDesktopNotifier::timerEvent(QTimerEvent* AEvent) {
  if (AEvent->timerId() != FTimer) return;
  killTimer(FTimer);
  FTimer = 0;
  Flush();
}

void TDesktopNotifier::Flush() {
  const std::vector<TChange> Changes = std::exchange(FGathered, {});
  if (Changes.size() <= MaxSeparate) {
    for (const TChange& C : Changes)
      Notify(ChangeSummary(C.Host, C.Event), ChangeBody(C.Event, C.At), Urgent(C.Event));
    return;
  }
  QString Body;
  bool AnyUrgent = false;
  for (const TChange& C : Changes) {
    Body += ChangeSummary(C.Host, C.Event) + QLatin1Char('\n');
    AnyUrgent = AnyUrgent || Urgent(C.Event);
  }
  Body.chop(1);
  Notify(QStringLiteral("%1 hosts changed").arg(Changes.size()), Body, AnyUrgent);
}

void TDesktopNotifier::Notify(const QString& ASummary, const QString& ABody, bool AUrgent) {
  QDBusMessage Call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap Hints;
  Hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(AUrgent ? 2 : 1));
  Call << QStringLiteral("Quorvel") << 0U << QStringLiteral("network-workgroup") << ASummary
       << ABody << QStringList() << Hints << -1;
  // Sent without waiting: the answer, the notification's number, is of no use.
  FBus.send(Call);
  ++FSent;
}
