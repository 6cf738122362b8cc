#include "app/pages/HostsPage.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <fstream>
#include <iterator>

#include "app/pages/HostsChart.h"
#include "app/pages/StatisticsPage.h"
#include "app/window/MainWindowTest.h"
#include "app/window/WindowMonitor.h"
#include "outputs/DesktopNotifier.h"
#include "support/DnsResponder.h"
#include "support/NotificationServer.h"
#include "support/TestNetwork.h"
#include "ui/SaveDialog.h"

namespace {

using namespace std::chrono_literals;

// The window with its Hosts page, probing with the process's raw sockets.
struct HostsPageTest : MainWindowTest {
  ~HostsPageTest() override { delete Page; }

  void Open(TDesktopNotifier* ANotifier = nullptr) {
    quorvel::probe::EngineOptions Options;
    Options.allowRaw = true;
    Page = new THostsPage(Form1, Monitor, Options, ANotifier);
  }
  void Close() {
    delete Page;
    Page = nullptr;
  }
  void Add(const std::string& AHost, int AIntervalMs = 50) {
    Page->speInterval->setValue(AIntervalMs);
    Page->edHost->setText(QString::fromStdString(AHost));
    Page->btnAdd->click();
  }
  QString Cell(int ARow, int AColumn) const {
    return Page->tvHosts->model()->index(ARow, AColumn).data().toString();
  }
  const TPingSession& Session(const std::string& AHost) const { return Monitor->Session(AHost); }
  static std::string Read(const std::string& AFileName) {
    std::ifstream File(AFileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(File), {}};
  }

  TMonitor* Monitor = NewWindowMonitor(Form1);
  THostsPage* Page = nullptr;
};

// A peer p1 on a link of our namespace (192.0.2.2, 2001:db8:1::2) whose
// kernel answers echo requests until it is told to ignore them.
struct HostsPagePeerTest : HostsPageTest {
  HostsPagePeerTest() {
    Peer = Net.AddNamespace("p1", false);
    Net.SetSysctl("", "ipv6/conf/default/accept_dad", "0");
    Net.SetSysctl("p1", "ipv6/conf/default/accept_dad", "0");
    Net.Link("", "192.0.2.1/24", "p1", "192.0.2.2/24");
    Net.Link("", "2001:db8:1::1/64", "p1", "2001:db8:1::2/64");
  }
  void Silence(bool AOn) {
    Net.SetSysctl("p1", "ipv4/icmp_echo_ignore_all", AOn ? "1" : "0");
    Net.SetSysctl("p1", "ipv6/icmp/echo_ignore_all", AOn ? "1" : "0");
  }

  quorvel::test::TestNetwork Net;
  std::string Peer;
};

}  // namespace

TEST_F(HostsPageTest, IsAPageAfterStatisticsWhoseControlsAndColumnsHaveTheirNames) {
  new TStatisticsPage(Form1, Monitor);
  Open();
  EXPECT_EQ(Page->TabSheet6->Caption(), "Hosts");
  EXPECT_EQ(Page->TabSheet6->PageIndex(), Form1->PageControl1->PageCount() - 1);
  EXPECT_EQ(Form1->PageControl1->Pages(Page->TabSheet6->PageIndex() - 1)->Caption(), "Statistics");
  EXPECT_EQ(Page->edHost->accessibleName(), "Add host");
  EXPECT_EQ(Page->btnPause->text(), "Pause");
  QAccessibleInterface* const Table = QAccessible::queryAccessibleInterface(Page->tvHosts);
  ASSERT_TRUE(Table && Table->tableInterface());
  const QStringList Expected = {"Host",   "Address", "Sent",   "Lost %",    "Last ms",
                                "Avg ms", "Min ms",  "Max ms", "Jitter ms", "p95 ms"};
  ASSERT_EQ(Table->tableInterface()->columnCount(), Expected.size());
  for (int Column = 0; Column < Expected.size(); ++Column)
    EXPECT_EQ(Table->tableInterface()->columnDescription(Column), Expected[Column]);
}

TEST_F(HostsPagePeerTest, TargetsOfBothFamiliesAreAnsweredThenRemoved) {
  Open();
  const std::vector<std::string> Hosts = {"127.0.0.1", "::1", "192.0.2.2", "2001:db8:1::2"};
  for (const std::string& Host : Hosts) Add(Host, 20);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::ranges::all_of(Hosts,
                                   [&](const auto& H) { return Session(H).Received() >= 5; });
      },
      5000));
  QTest::qWait(100);  // a frame shows the figures
  QLocale::setDefault(QLocale::German);
  EXPECT_TRUE(QRegularExpression("^[0-9]+,[0-9]{3}$").match(Cell(0, 5)).hasMatch())
      << Cell(0, 5).toStdString();
  QLocale::setDefault(QLocale::c());
  for (int Row = 0; Row < 4; ++Row) {
    const std::string& Host = Hosts[static_cast<std::size_t>(Row)];
    EXPECT_EQ(Cell(Row, 1).toStdString(), Host);
    EXPECT_GE(Cell(Row, 2).toInt(), 5) << Host;
    EXPECT_NE(Cell(Row, 9), QStringLiteral("\u2013")) << Host;
    EXPECT_EQ(Session(Host).Attempts().back().Address, Host);
  }
  // The export holds every host's attempts, each line naming its host.
  const std::string Export = Folder.filePath("hosts.jsonl").toStdString();
  SetSaveDialogHook([&](const TSaveRequest&) { return std::optional<std::string>(Export); });
  Page->btnExport->click();
  SetSaveDialogHook({});
  const std::string Lines = Read(Export);
  for (const std::string& Host : Hosts)
    EXPECT_NE(Lines.find("\"host\":\"" + Host + "\""), std::string::npos) << Host;
  // The chart beside the table tells what the mouse points at.
  Page->Chart->resize(400, 200);
  EXPECT_TRUE(Page->Chart->PointText({200, 100}).contains(QRegularExpression(" [0-9.]+ ms$")));
  Page->tvHosts->selectAll();
  Page->btnRemove->click();
  EXPECT_EQ(Page->tvHosts->model()->rowCount(), 0);
  EXPECT_EQ(Session("::1").Sent(), 0U) << "a removed target's session ends";
  QTest::qWait(100);
  EXPECT_EQ(Session("::1").Sent(), 0U) << "and it is probed no more";
}

TEST_F(HostsPagePeerTest, ASilentTargetGoesDownAndComesBackWithOneNotificationEach) {
  const quorvel::test::NotificationServer Server;
  const QDBusConnection Bus =
      QDBusConnection::connectToBus(QString::fromStdString(Server.BusAddress()), "notify-test");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Bus.interface()->isServiceRegistered("org.freedesktop.Notifications"); },
      10000));
  // The notifications dunst took: shown, waiting, and gone to its history.
  const auto Received = [&] {
    QDBusInterface Dunst("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                         "org.dunstproject.cmd0", Bus);
    return Dunst.property("displayedLength").toUInt() + Dunst.property("waitingLength").toUInt() +
           Dunst.property("historyLength").toUInt();
  };
  Open(new TDesktopNotifier(Bus));
  Page->speTimeOut->setValue(100);
  Add("2001:db8:1::2");
  const auto State = [&] { return Session("2001:db8:1::2").Health().State(); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return State() == THealthState::Up; }, 3000));
  QTest::qWait(TDesktopNotifier::GatherMs * 2);
  EXPECT_EQ(Received(), 0U) << "the first answers are no host coming back";

  Silence(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return State() == THealthState::Down; }, 3000));
  QTest::qWait(TDesktopNotifier::GatherMs * 2 + 300);
  EXPECT_EQ(Received(), 1U);
  Silence(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return State() == THealthState::Up; }, 3000));
  QTest::qWait(TDesktopNotifier::GatherMs * 2 + 300);
  EXPECT_EQ(Received(), 2U);

  TListItems* const Events = Page->ListViewEvents->Items();
  ASSERT_EQ(Events->Count(), 2);
  EXPECT_EQ(Events->Item(0).SubItems()[1], "back up");
  EXPECT_EQ(Events->Item(1).SubItems()[1], "down");
  EXPECT_EQ(Events->Item(1).SubItems()[0], "2001:db8:1::2");
}

TEST_F(HostsPageTest, TargetsSurviveARestartAndABrokenFileIsLeftAsItIs) {
  Open();
  Add("127.0.0.1", 250);
  Add("::1", 40);
  Page->tvHosts->selectRow(1);
  Page->btnPause->click();
  Close();

  Open();
  ASSERT_EQ(Page->Targets().Targets().size(), 2U);
  const TTargetSettings& First = Page->Targets().Targets()[0].Settings;
  const TTargetSettings& Second = Page->Targets().Targets()[1].Settings;
  EXPECT_EQ(First.Host, "127.0.0.1");
  EXPECT_EQ(First.Interval, 250ms);
  EXPECT_FALSE(First.Paused);
  EXPECT_EQ(Second.Host, "::1");
  EXPECT_EQ(Second.Interval, 40ms);
  EXPECT_TRUE(Second.Paused);
  Close();

  const std::string Broken = Read(TargetFileName()) + "localhost\t5\t1000\t3\t2\t0\t0\trunning\n";
  std::ofstream(TargetFileName(), std::ios::binary) << Broken;
  Open();
  EXPECT_TRUE(Page->Targets().Targets().empty());
  EXPECT_TRUE(
      Page->lbStatus->text().contains("line 4: The interval must lie between 10 ms and 1 h"))
      << Page->lbStatus->text().toStdString();
  Add("127.0.0.2");
  EXPECT_EQ(Page->Targets().Targets().size(), 1U);
  EXPECT_EQ(Read(TargetFileName()), Broken);
}

TEST_F(HostsPageTest, OpensInAWindowOfItsOwnAndGoesBackWhenItCloses) {
  Open();
  Page->btnWindow->click();
  ASSERT_TRUE(Page->InWindow());
  QWidget* const Window = Page->PanelHosts->window();
  EXPECT_NE(Window, Form1);
  EXPECT_TRUE(Window->isVisible());
  Window->close();
  EXPECT_FALSE(Page->InWindow());
  EXPECT_EQ(Page->PanelHosts->parentWidget(), Page->TabSheet6);
  EXPECT_EQ(Page->btnWindow->text(), "Open in window");
}

TEST_F(HostsPageTest, ANameIsWatchedAtOneAddressAndOneNotFoundIsCountedAndLookedUpAgain) {
  const quorvel::test::DnsResponder Dns{{"two.test", {"127.0.0.7", "127.0.0.8"}}};
  Open();
  Add("two.test");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Session("two.test").Received() > 0; }, 5000));
  const QString Address =
      QString::fromStdString(quorvel::wire::ToText(*Page->Targets().Find("two.test")->Address));
  EXPECT_TRUE(Address == "127.0.0.7" || Address == "127.0.0.8");
  EXPECT_EQ(Page->lbStatus->text(),
            "two.test has 2 addresses; watching " + Address + ", the one the system prefers.");

  Add("missing.test");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Session("missing.test").AttemptCount() == 1; }, 5000));
  EXPECT_EQ(Session("missing.test").Attempts().back().Outcome, TOutcome::Unresolved);
  EXPECT_TRUE(Page->lbStatus->text().startsWith("missing.test was not found: "));
  QTest::qWait(100);
  EXPECT_EQ(Cell(0, 1), Address);
  EXPECT_EQ(Cell(1, 1), "not found");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Session("missing.test").AttemptCount() == 2; },
                              TTargets::RetryAfter.count() * 1000 + 2000));
}
