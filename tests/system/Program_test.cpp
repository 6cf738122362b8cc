// The whole program as a user works it: the window as the program makes it,
// clicked with the mouse, pinging the loopback and the test's own silent and
// unreachable hosts for real, with message boxes answered by the test.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/pages/StatisticsPage.h"
#include "app/window/MainWindowTest.h"
#include "app/window/WindowMonitor.h"
#include "support/DnsResponder.h"
#include "support/RawSockets.h"
#include "support/TestNetwork.h"
#include "ui/Screen.h"
#include "ui/Timer.h"

namespace {

using THosts = std::vector<std::string>;

// An attempt that the echo client reported: when, how, and under which cursor.
struct TReported {
  qint64 At;
  TOutcome Status;
  TCursor Cursor;
};

// The program, shown and active, with its model as the program makes it, and
// a record of every outcome the model took, of every attempt, unresolved ones
// too, and of every click on "Single Ping".
struct ProgramTest : MainWindowTest, TMonitorSubscriber {
  void SetUp() override {
    if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
    ShowWindow();
    Clock.start();
    Monitor = NewWindowMonitor(Form1);
    Monitor->Subscribe(this);
    QObject::connect(Form1->BitBtnPing, &QPushButton::clicked, [this] { ++Clicks; });
  }
  void AttemptRecorded(const TPingSession&, const TAttempt& AAttempt) override {
    ++Attempts;
    if (AAttempt.Outcome != TOutcome::Unresolved)
      Outcomes.push_back({Clock.elapsed(), AAttempt.Outcome, Screen->Cursor()});
  }
  void TearDown() override { SetTimersRefused(false); }

  // Types into a box, which keeps the focus as it does for the user.
  static void Type(TSpinEdit* Box, const char* Text) {
    Box->setFocus();
    Box->SetText(Text);
  }
  // Types an interval under the designed least of 1000 ms, which the repeat
  // uses only when the box allows it: tests that need quick ticks allow it.
  static void TypeQuickInterval(const char* Text) {
    Form1->speRepeat->SetMinValue(100);
    Type(Form1->speRepeat, Text);
  }
  static void Click(QWidget* Control) { QTest::mouseClick(Control, Qt::LeftButton); }
  // Runs the event loop until Done or the time is up.
  static bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 5000) {
    return QTest::qWaitFor(Done, Milliseconds);
  }
  // Runs Action from the event loop in Milliseconds, while a ping may wait.
  static void After(int Milliseconds, const std::function<void()>& Action) {
    QTimer::singleShot(Milliseconds, Form1, Action);
  }

  static int Rows() { return Form1->ListView1->Items()->Count(); }
  static int ErrorRows() { return Form1->ListViewError->Items()->Count(); }
  static int Points() { return Form1->Series1->Count(); }
  static std::string ErrorStatus(int Row) {
    const TListItem Item = Form1->ListViewError->Items()->Item(Row);
    return Item.SubItems()[Item.SubItems().Count() - 1];
  }
  static THosts Hosts() {
    THosts Items;
    for (int Index = 0; Index < Form1->cbHost->Items().Count(); ++Index)
      Items.push_back(Form1->cbHost->Items()[Index]);
    return Items;
  }
  // The seven controls that change a ping, in the order the toggle sets them.
  static std::vector<TControl*> PingSettings() {
    return {Form1->speRepeat,  Form1->cbHost,      Form1->BitBtnPing, Form1->speTimeout,
            Form1->speMaxLine, Form1->chbErrLines, Form1->speMaxHosts};
  }
  static int EnabledSettings() {
    int Enabled = 0;
    for (const TControl* Setting : PingSettings()) Enabled += Setting->Enabled() ? 1 : 0;
    return Enabled;
  }

  QElapsedTimer Clock;
  TMonitor* Monitor = nullptr;
  std::vector<TReported> Outcomes;
  int Attempts = 0;
  int Clicks = 0;
};

// The designed average follows the locale: a comma or a point before its decimals.
const QRegularExpression AverageCaption(QStringLiteral("^\\d+[.,]\\d\\d \\[ms\\]$"));

}  // namespace

// ---- Single pings

TEST_F(ProgramTest, SinglePingAddsARowAPointAndTheAverageWithoutABusyCursor) {
  Form1->cbHost->SetText("127.0.0.1");
  Type(Form1->speTimeout, "two seconds");
  Click(Form1->BitBtnPing);
  // Text that is no number pings with the box's minimum.
  EXPECT_EQ(Form1->IdIcmpClient->ReceiveTimeout(), 100);
  ASSERT_EQ(Outcomes.size(), 1u);
  EXPECT_EQ(Outcomes[0].Status, TOutcome::Reply);
  EXPECT_EQ(Outcomes[0].Cursor, crDefault);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Points(), 1);
  EXPECT_EQ(Form1->Series1->XValues()[0], 1);
  EXPECT_EQ(Form1->Series2->Count(), 2);
  EXPECT_TRUE(AverageCaption.match(QString::fromStdString(Form1->lbAVG->Caption())).hasMatch())
      << Form1->lbAVG->Caption();
  EXPECT_EQ(Hosts(), THosts{"127.0.0.1"});
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(ProgramTest, UnresolvableHostIsRememberedAndShownInABoxWithoutARow) {
  Form1->cbHost->SetText("no-such-host.invalid");
  Click(Form1->BitBtnPing);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_FALSE(Boxes[0].empty());
  EXPECT_TRUE(Outcomes.empty());
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(ErrorRows(), 0);
  EXPECT_EQ(Hosts(), THosts{"no-such-host.invalid"});
}

// ---- Name lookups

TEST_F(ProgramTest, ASlowLookupIsNoPartOfTheRoundTripAndTheStatisticsShowInTheLocale) {
  const quorvel::test::DnsResponder Dns({{"slow.test", {"127.0.0.1"}}},
                                        {std::chrono::milliseconds(200), false});
  auto* const Page = new TStatisticsPage(Form1, Monitor);
  Form1->cbHost->SetText("slow.test");
  const qint64 Before = Clock.elapsed();
  Click(Form1->BitBtnPing);
  ASSERT_EQ(Outcomes.size(), 1u);
  ASSERT_EQ(Outcomes[0].Status, TOutcome::Reply);
  EXPECT_GE(Outcomes[0].At - Before, 200);
  // Loopback answers in well under a millisecond, which rounds to 0.
  EXPECT_EQ(Form1->IdIcmpClient->ReplyStatus().RoundTripMs, 0u);
  EXPECT_LT(Form1->IdIcmpClient->RoundTripUs(), 20'000u);
  // The page beyond the design shows its figures in the user's locale.
  Form1->PageControl1->SetActivePage(Page->TabSheet5);
  QApplication::processEvents();
  const std::string Decimal = QLocale().decimalPoint().toStdString();
  EXPECT_EQ(Page->lbLoss.Value->Caption(), "0" + Decimal + "00 %");
  EXPECT_EQ(Page->lbMax.Value->Caption().substr(0, 1 + Decimal.size()), "0" + Decimal);
}

TEST_F(ProgramTest, TheWindowAnswersDuringALookupThatNeverEndsAndLogsItUnresolved) {
  const quorvel::test::DnsResponder Dns({}, quorvel::test::kDnsNeverAnswers);
  auto* const Page = new TStatisticsPage(Form1, Monitor);
  // A timer of the window's own measures how long it waits for its turn.
  QElapsedTimer Since;
  qint64 LongestGap = 0;
  QTimer Beat;
  QObject::connect(&Beat, &QTimer::timeout,
                   [&] { LongestGap = std::max(LongestGap, Since.restart()); });
  Form1->cbHost->SetText("silent.test");
  Beat.start(10);
  Since.start();
  const qint64 Before = Clock.elapsed();
  Click(Form1->BitBtnPing);
  const qint64 Took = Clock.elapsed() - Before;
  Beat.stop();
  // The resolver gives up after its second; the window never waited a slice more.
  EXPECT_GE(Took, 900);
  EXPECT_LT(LongestGap, 400);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_TRUE(Outcomes.empty());
  ASSERT_EQ(Page->Session().Attempts().size(), 1u);
  EXPECT_EQ(Page->Session().Attempts()[0].Outcome, TOutcome::Unresolved);
  EXPECT_TRUE(Boxes[0].starts_with(Page->Session().Attempts()[0].Message)) << Boxes[0];
  EXPECT_EQ(Page->Session().Sent(), 0u);
}

// ---- Repeating

TEST_F(ProgramTest, RepeatPingsAtTheIntervalUnderTheBusyCursorWithTheSevenControlsDisabled) {
  Form1->cbHost->SetText("127.0.0.1");
  TypeQuickInterval("200");
  const qint64 Started = Clock.elapsed();
  Click(Form1->spbRepPing);
  EXPECT_EQ(Form1->spbRepPing->Caption(), "End repeat Ping");
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_EQ(Form1->Timer1->Interval(), 200u);
  EXPECT_EQ(EnabledSettings(), 0);
  for (const TControl* Stays : std::initializer_list<const TControl*>{
           Form1->BitBtnClearData, Form1->BitBtn1, Form1->chb3D, Form1->chbGradient,
           Form1->spbRepPing, Form1->PageControl1})
    EXPECT_TRUE(Stays->Enabled()) << Stays->Name();
  // Nothing is sent at once, and the disabled button does not ping.
  EXPECT_TRUE(Outcomes.empty());
  Click(Form1->BitBtnPing);
  EXPECT_EQ(Clicks, 0);

  ASSERT_TRUE(WaitFor([this] { return Outcomes.size() >= 5; }));
  EXPECT_GE(Outcomes[0].At - Started, 200);
  for (std::size_t Index = 0; Index < Outcomes.size(); ++Index) {
    EXPECT_EQ(Outcomes[Index].Status, TOutcome::Reply);
    EXPECT_EQ(Outcomes[Index].Cursor, crHourGlass);
    // A late tick may be followed by one on time, but never by a burst.
    if (Index > 0) {
      EXPECT_GE(Outcomes[Index].At - Outcomes[Index - 1].At, 100) << Index;
    }
  }
  const qint64 Span = Outcomes.back().At - Outcomes.front().At;
  EXPECT_GE(Span, 195 * static_cast<qint64>(Outcomes.size() - 1));
  EXPECT_EQ(Screen->Cursor(), crDefault);

  Click(Form1->spbRepPing);
  EXPECT_EQ(Form1->spbRepPing->Caption(), "Start repeat Ping");
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_EQ(EnabledSettings(), 7);
  const std::size_t Ended = Outcomes.size();
  QTest::qWait(600);
  EXPECT_EQ(Outcomes.size(), Ended);
  EXPECT_EQ(Rows(), static_cast<int>(Ended));
  EXPECT_EQ(Hosts(), THosts{"127.0.0.1"});
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(ProgramTest, WithoutATimerTheToggleStaysDownAndTheControlsStayEnabled) {
  Form1->cbHost->SetText("127.0.0.1");
  TypeQuickInterval("200");
  SetTimersRefused(true);
  Click(Form1->spbRepPing);
  SetTimersRefused(false);
  EXPECT_EQ(Boxes, THosts{"Not enough timers available."});
  EXPECT_TRUE(Form1->spbRepPing->Down());
  EXPECT_EQ(Form1->spbRepPing->Caption(), "End repeat Ping");
  EXPECT_EQ(EnabledSettings(), 7);
  QTest::qWait(500);
  EXPECT_TRUE(Outcomes.empty());

  Click(Form1->spbRepPing);
  EXPECT_FALSE(Form1->spbRepPing->Down());
  EXPECT_EQ(Form1->spbRepPing->Caption(), "Start repeat Ping");
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_EQ(EnabledSettings(), 7);
}

TEST_F(ProgramTest, AFailingRepeatShowsOneBoxAtATimeAndGoesOnWhenItCloses) {
  Form1->cbHost->SetText("no-such-host.invalid");
  struct TBox {
    qint64 At;
    int RequestsBefore, RequestsAfter;
    std::size_t BoxesAfter;
    TCursor Cursor;
  };
  std::vector<TBox> Shown;
  SetMessageBoxHook([&](const std::string& Text, const std::string&, unsigned) {
    Boxes.push_back(Text);
    TBox Box{Clock.elapsed(), Attempts, 0, 0, Screen->Cursor()};
    // The first box stays open for five intervals, as a user away from the
    // screen leaves it; the loop is the box's own.
    if (Shown.empty()) {
      QEventLoop Open;
      QTimer::singleShot(1000, &Open, &QEventLoop::quit);
      Open.exec();
    }
    Box.RequestsAfter = Attempts;
    Box.BoxesAfter = Boxes.size();
    Shown.push_back(Box);
    return IDOK;
  });
  TypeQuickInterval("200");
  Click(Form1->spbRepPing);
  ASSERT_TRUE(WaitFor([&] { return Shown.size() >= 3; }));
  Click(Form1->spbRepPing);
  EXPECT_EQ(Shown[0].Cursor, crDefault);
  EXPECT_EQ(Shown[0].RequestsAfter, Shown[0].RequestsBefore);
  EXPECT_EQ(Shown[0].BoxesAfter, 1u);
  EXPECT_GE(Shown[1].At - Shown[0].At, 1000);
  EXPECT_EQ(Shown[1].RequestsBefore, Shown[0].RequestsAfter + 1);
  EXPECT_EQ(Hosts(), THosts{"no-such-host.invalid"});
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(ErrorRows(), 0);
}

// ---- Hosts that do not answer

namespace {

// The program's namespace 192.0.2.1 reaches router r1 (192.0.2.2), behind
// which lies the silent host 198.51.100.2; r1 has no route for 203.0.113.0/24.
struct ProgramNetworkTest : ProgramTest {
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    Net.AddNamespace("r1", true);
    Net.AddNamespace("t1", false);
    Net.Link("", "192.0.2.1/24", "r1", "192.0.2.2/24");
    Net.Link("r1", "198.51.100.1/24", "t1", "198.51.100.2/24");
    for (const char* Prefix : {"198.51.100.0/24", "203.0.113.0/24"})
      Net.Route("", Prefix, "192.0.2.2");
    Net.Route("t1", "default", "198.51.100.1");
    Net.SetSysctl("t1", "ipv4/icmp_echo_ignore_all", "1");
  }

  quorvel::test::TestNetwork Net;
};

constexpr const char* SilentHost = "198.51.100.2";
constexpr const char* UnreachableHost = "203.0.113.5";

}  // namespace

TEST_F(ProgramNetworkTest, TimeOutsAndUnreachablesGoToTheErrorLogWhichClearsApart) {
  Form1->speTimeout->SetValue(300);
  Form1->cbHost->SetText(SilentHost);
  Click(Form1->BitBtnPing);
  Form1->cbHost->SetText(UnreachableHost);
  Click(Form1->BitBtnPing);
  ASSERT_EQ(ErrorRows(), 2);
  EXPECT_EQ(ErrorStatus(0), "rsErrorUnreachable");
  EXPECT_EQ(ErrorStatus(1), "rsTimeOut");
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "2");
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Hosts(), (THosts{UnreachableHost, SilentHost}));

  Click(Form1->BitBtn1);
  EXPECT_EQ(ErrorRows(), 0);
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "2");
  Click(Form1->BitBtnPing);
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "1");
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(ProgramNetworkTest, RequestsWhileAPingWaitsAreDroppedAndTheRepeatGoesOnAfterIt) {
  Form1->speTimeout->SetValue(1500);
  Form1->cbHost->SetText(SilentHost);
  TCursor DuringWait = crHandPoint;
  // During the single ping's wait: a second click, then a repeat whose ticks
  // fall due while the ping still waits.
  After(300, [] { Click(Form1->BitBtnPing); });
  After(400, [] {
    TypeQuickInterval("200");
    Click(Form1->spbRepPing);
  });
  bool Repeating = false;
  After(1000, [&] {
    DuringWait = Screen->Cursor();
    Repeating = Form1->Timer1->Enabled();
  });
  Click(Form1->BitBtnPing);
  ASSERT_EQ(Outcomes.size(), 1u);
  EXPECT_EQ(Outcomes[0].Status, TOutcome::TimeOut);
  EXPECT_GE(Outcomes[0].At, 1500);
  // The second click and the ticks that fell due while the ping waited
  // (three at least) went no further than the window's handlers.
  EXPECT_EQ(Clicks, 2);
  EXPECT_TRUE(Repeating);
  EXPECT_EQ(DuringWait, crDefault);
  EXPECT_EQ(ErrorRows(), 1);
  EXPECT_EQ(Hosts(), THosts{SilentHost});
  EXPECT_TRUE(Boxes.empty());

  // Ticks go on pinging, one wait after the other, though each wait is longer
  // than the interval.
  ASSERT_TRUE(WaitFor([this] { return Outcomes.size() >= 3; }, 8000));
  Click(Form1->spbRepPing);
  EXPECT_EQ(Outcomes[1].Cursor, crHourGlass);
  EXPECT_GE(Outcomes[2].At - Outcomes[1].At, 1500);
  EXPECT_EQ(ErrorRows(), static_cast<int>(Outcomes.size()));
  EXPECT_EQ(Form1->IdIcmpClient->SequenceNumber(),
            FirstSequenceNumber + static_cast<int>(Outcomes.size()));
  EXPECT_TRUE(Boxes.empty());
}

// ---- A session from start to end, and the next start

TEST_F(ProgramTest, AUserPingsClearsSwitchesClosesAndFindsTheHistoryAtTheNextStart) {
  EXPECT_EQ(Form1->PageControl1->ActivePage(), Form1->TabSheet1);
  Form1->cbHost->SetText("127.0.0.1");
  Click(Form1->BitBtnPing);
  Form1->cbHost->SetText("127.0.0.2");
  TypeQuickInterval("100");
  Click(Form1->spbRepPing);
  ASSERT_TRUE(WaitFor([] { return Rows() >= 4; }));
  Click(Form1->spbRepPing);
  const int Plotted = Rows();
  EXPECT_EQ(Points(), Plotted);
  EXPECT_EQ(Form1->Series1->XValues()[Plotted - 1], Plotted);
  const std::string Average = Form1->lbAVG->Caption();

  Click(Form1->BitBtnClearData);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Points(), 0);
  EXPECT_EQ(Form1->Series2->Count(), 0);
  EXPECT_EQ(Form1->lbAVG->Caption(), Average);
  Click(Form1->BitBtnPing);
  EXPECT_EQ(Form1->Series1->XValues()[0], 1);

  Form1->PageControl1->SetActivePage(Form1->TabSheet3);
  Click(Form1->chb3D);
  Click(Form1->chbGradient);
  EXPECT_TRUE(Form1->Chart1->View3D());
  EXPECT_FALSE(Form1->Chart1->Gradient().Visible());

  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  App->Run();
  EndRun();
  std::ifstream Stored(FileName, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Stored), {}), "127.0.0.2\r\n127.0.0.1\r\n");

  StartRun();
  EXPECT_EQ(Hosts(), (THosts{"127.0.0.2", "127.0.0.1"}));
  EXPECT_EQ(Form1->cbHost->Text(), "127.0.0.2");
  EXPECT_EQ(Form1->PageControl1->ActivePage(), Form1->TabSheet1);
  // The switches are not stored: each run starts from the designed look.
  EXPECT_FALSE(Form1->Chart1->View3D());
  EXPECT_TRUE(Form1->Chart1->Gradient().Visible());
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(Boxes.empty());
}
