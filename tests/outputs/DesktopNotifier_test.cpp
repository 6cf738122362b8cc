#include "outputs/DesktopNotifier.h"

#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QTest>

#include "support/NotificationServer.h"
#include "support/OffscreenApplication.h"

namespace {

// dunst on a private bus, and what it was asked to show: the summaries of
// the notifications it holds, shown or gone to its history.
struct DesktopNotifierTest : testing::Test, TOffscreenApplication {
  DesktopNotifierTest() {
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Bus.interface()->isServiceRegistered("org.freedesktop.Notifications"); },
        10000));
  }
  std::size_t Received() {
    QDBusInterface Dunst("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                         "org.dunstproject.cmd0", Bus);
    return Dunst.property("displayedLength").toUInt() + Dunst.property("waitingLength").toUInt() +
           Dunst.property("historyLength").toUInt();
  }
  // A session of AHost that its first loss brought down.
  static TPingSession Down(const std::string& AHost) {
    TPingSession Session({0, 0}, THealthRule{1, 1});
    TAttempt Lost;
    Lost.Outcome = TOutcome::TimeOut;
    Session.Record(AHost, Lost);
    return Session;
  }

  const quorvel::test::NotificationServer Server;
  const QDBusConnection Bus =
      QDBusConnection::connectToBus(QString::fromStdString(Server.BusAddress()), "notifier-test");
};

}  // namespace

TEST_F(DesktopNotifierTest, AFewChangesAreToldEachAndManyAtOnceInOneSummary) {
  TDesktopNotifier Notifier(Bus);
  for (const char* Host : {"a", "b"}) Notifier.HealthChanged(Down(Host));
  QTest::qWait(TDesktopNotifier::GatherMs * 2);
  EXPECT_EQ(Notifier.Sent(), 2U);
  for (const char* Host : {"c", "d", "e", "f", "g"}) Notifier.HealthChanged(Down(Host));
  QTest::qWait(TDesktopNotifier::GatherMs * 2);
  EXPECT_EQ(Notifier.Sent(), 3U);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Received() == 3; }, 2000)) << Received();
}
