#include "app/pages/StatisticsPage.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QFile>
#include <QRegularExpression>
#include <QTabBar>
#include <fstream>
#include <iterator>

#include "app/window/MainWindowTest.h"
#include "app/window/WindowMonitor.h"
#include "outputs/Export.h"
#include "support/RawSockets.h"
#include "ui/SaveDialog.h"

namespace {

// The window as the program makes it, with its Statistics page, and the save
// dialog answered by the test.
struct StatisticsPageTest : MainWindowTest {
  StatisticsPageTest() {
    SetSaveDialogHook([this](const TSaveRequest&) { return Answer; });
  }
  ~StatisticsPageTest() override { SetSaveDialogHook({}); }

  // An attempt to the client's host as the client reports it.
  void Report(TReplyStatusKind AStatus, std::uint8_t ATtl = 64) {
    const TReplyStatus Status{AStatus == rsEcho ? 84 : 0,
                              AStatus == rsEcho ? "127.0.0.1" : "0.0.0.0",
                              0,
                              ++Sequence,
                              0,
                              AStatus == rsEcho ? ATtl : std::uint8_t{0},
                              AStatus};
    Form1->IdIcmpClient->OnReply(Form1->IdIcmpClient, Status);
    Form1->IdIcmpClient->OnOutcome(Form1->IdIcmpClient, Status);
  }
  void ShowPage() {
    Form1->PageControl1->SetActivePage(Page->TabSheet5);
    QApplication::processEvents();
  }
  static std::string Cell(TListView* AList, int ARow, int AColumn) {
    const TListItem Row = AList->Items()->Item(ARow);
    return AColumn == 0 ? Row.Caption() : Row.SubItems()[AColumn - 1];
  }
  std::string FileText(const std::string& AName) const {
    std::ifstream File(Folder.filePath(QString::fromStdString(AName)).toStdString(),
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(File), {}};
  }

  // The page shows the session of the host in the box, which the pings go to.
  TMonitor* Monitor = NewWindowMonitor(Form1);
  TStatisticsPage* Page = [this] {
    Form1->cbHost->SetText("127.0.0.1");
    Form1->IdIcmpClient->SetHost("127.0.0.1");
    return new TStatisticsPage(Form1, Monitor);
  }();
  std::optional<std::string> Answer;
  std::uint16_t Sequence = 0;
};

}  // namespace

TEST_F(StatisticsPageTest, IsAFifthPageAfterAboutReachedByCtrlTab) {
  ASSERT_EQ(Form1->PageControl1->PageCount(), 5);
  EXPECT_EQ(Form1->PageControl1->Pages(3), Form1->TabSheet4);
  EXPECT_EQ(Form1->PageControl1->Pages(4)->Caption(), "Statistics");
  EXPECT_EQ(Form1->PageControl1->ActivePage(), Form1->TabSheet1);
  ShowWindow();
  Form1->PageControl1->SetActivePage(Form1->TabSheet4);
  Form1->PageControl1->tabBar()->setFocus();
  QTest::keyClick(Form1->PageControl1->tabBar(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Form1->PageControl1->ActivePage(), Page->TabSheet5);
}

TEST_F(StatisticsPageTest, ShowsDashesUntilThereAreRepliesAndTheLossOfEveryAttempt) {
  ShowPage();
  for (const auto* Figure :
       {&Page->lbLoss, &Page->lbMin, &Page->lbMean, &Page->lbJitter, &Page->lbP50})
    EXPECT_EQ(Figure->Value->Caption(), "\xE2\x80\x93");
  Report(rsTimeOut);
  Report(rsErrorUnreachable);
  Report(rsErrorTTLExceeded);
  Report(rsEcho);
  QApplication::processEvents();
  EXPECT_EQ(Page->lbSent.Value->Caption(), "4");
  EXPECT_EQ(Page->lbReceived.Value->Caption(), "1");
  EXPECT_EQ(Page->lbLost.Value->Caption(), "3");
  EXPECT_EQ(Page->lbLoss.Value->Caption(), "75.00 %");
  EXPECT_EQ(Page->lbJitter.Value->Caption(), "\xE2\x80\x93");
  for (const auto* Figure : {&Page->lbMin, &Page->lbP50, &Page->lbP95, &Page->lbP99})
    EXPECT_EQ(Figure->Value->Caption(), "0.000 ms");
  EXPECT_EQ(Page->lbLoss.Value->accessibleName(), "Loss: 75.00 %");
  // The designed logs got the same attempts.
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 1);
  EXPECT_EQ(Form1->ListViewError->Items()->Count(), 3);
}

TEST_F(StatisticsPageTest, ShowsRoundTripsToTheMicrosecond) {
  ShowPage();
  const TReplyStatus Reply{84, "127.0.0.1", 0, 1, 0, 64, rsEcho};
  for (const std::uint64_t Us : {42u, 1'234'567u, 58u}) Monitor->RecordEcho("127.0.0.1", Reply, Us);
  QApplication::processEvents();
  EXPECT_EQ(Page->lbMin.Value->Caption(), "0.042 ms");
  EXPECT_EQ(Page->lbMax.Value->Caption(), "1234.567 ms");
  EXPECT_EQ(Page->lbMean.Value->Caption(), "411.556 ms");
  EXPECT_EQ(Page->lbP50.Value->Caption(), "0.058 ms");
  EXPECT_EQ(Page->lbJitter.Value->Caption(), "1234.517 ms");
  EXPECT_EQ(Page->Session().Attempts()[1].RoundTripUs, 1'234'567u);
}

TEST_F(StatisticsPageTest, ListsOutagesAndTtlChangesNewestFirstAcrossClears) {
  ShowPage();
  for (const TReplyStatusKind Status : {rsEcho, rsTimeOut, rsTimeOut}) Report(Status);
  QApplication::processEvents();
  ASSERT_EQ(Page->ListViewOutages->Items()->Count(), 1);
  EXPECT_EQ(Cell(Page->ListViewOutages, 0, 3), "2");
  Report(rsTimeOut);
  Report(rsEcho, 57);
  Report(rsTimeOut);
  QApplication::processEvents();
  ASSERT_EQ(Page->ListViewOutages->Items()->Count(), 2);
  EXPECT_EQ(Cell(Page->ListViewOutages, 0, 3), "1");
  EXPECT_EQ(Cell(Page->ListViewOutages, 1, 3), "3");
  ASSERT_EQ(Page->ListViewTtl->Items()->Count(), 2);
  EXPECT_EQ(Cell(Page->ListViewTtl, 0, 1), "57");
  EXPECT_EQ(Cell(Page->ListViewTtl, 1, 1), "64");

  // Clear Data does what it was designed to and starts a new session, where
  // the loss that goes on is a new outage.
  QTest::mouseClick(Form1->BitBtnClearData, Qt::LeftButton);
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
  EXPECT_EQ(Page->Session().Sent(), 0u);
  Report(rsTimeOut);
  QApplication::processEvents();
  ASSERT_EQ(Page->ListViewOutages->Items()->Count(), 1);
  EXPECT_EQ(Cell(Page->ListViewOutages, 0, 3), "1");
  EXPECT_EQ(Page->ListViewTtl->Items()->Count(), 0);
  EXPECT_EQ(Page->lbSent.Value->Caption(), "1");
}

TEST_F(StatisticsPageTest, EachHostHasASessionAndThePageShowsTheOneInTheBox) {
  Report(rsEcho);
  Report(rsEcho);
  // What the box holds while a ping waits does not count; the ping's host does.
  Form1->cbHost->SetText("elsewhere");
  Report(rsEcho);
  Form1->IdIcmpClient->SetHost("127.0.0.2");
  Report(rsTimeOut);
  Form1->IdIcmpClient->SetHost("127.0.0.1");
  Report(rsEcho);
  EXPECT_EQ(Page->Session().Sent(), 0u);
  Form1->cbHost->SetText("127.0.0.1");
  EXPECT_EQ(Page->Session().Sent(), 4u);
  Form1->cbHost->SetText("127.0.0.2");
  EXPECT_EQ(Page->Session().Sent(), 1u);
  EXPECT_EQ(Page->Session().Start().UnixUs, Page->Session().Attempts()[0].Sent.UnixUs);
  ShowPage();
  EXPECT_EQ(Page->lbSent.Value->Caption(), "1");
  ASSERT_EQ(Page->ListViewOutages->Items()->Count(), 1);
  EXPECT_TRUE(QString::fromStdString(Page->lbSession->Caption())
                  .contains(QRegularExpression("^Session since \\d\\d\\.\\d\\d\\.\\d{4} "
                                               "\\d\\d.\\d\\d.\\d\\d, host 127\\.0\\.0\\.2$")))
      << Page->lbSession->Caption();
  Form1->cbHost->SetText("127.0.0.1");
  QApplication::processEvents();
  EXPECT_EQ(Page->lbSent.Value->Caption(), "4");
  EXPECT_EQ(Page->ListViewOutages->Items()->Count(), 0);
  QTest::mouseClick(Form1->BitBtnClearData, Qt::LeftButton);
  Form1->cbHost->SetText("127.0.0.2");
  EXPECT_EQ(Page->Session().Sent(), 0u);
}

TEST_F(StatisticsPageTest, ExportsByTheChosenNameAndReportsAFailureLosingNothing) {
  Form1->IdIcmpClient->SetHost("a,\"b\"\n");
  Form1->cbHost->SetText("a,\"b\"\n");
  Report(rsEcho);
  Report(rsTimeOut);
  ASSERT_EQ(Page->Session().Sent(), 2u);
  const std::string Csv = ExportText(*Monitor, Page->Session(), TExportFormat::Csv);
  const std::string Json = ExportText(*Monitor, Page->Session(), TExportFormat::JsonLines);
  for (const auto& [Name, Expected] : {std::pair{"run.csv", Csv}, {"run.jsonl", Json}}) {
    Answer = Folder.filePath(Name).toStdString();
    QTest::mouseClick(Page->BitBtnExport, Qt::LeftButton);
    EXPECT_EQ(FileText(Name), Expected) << Name;
  }
  // Cancelled: nothing is written. Unwritable (a file where a folder should
  // be): the message, and the files and the session stay as they were.
  Answer.reset();
  QTest::mouseClick(Page->BitBtnExport, Qt::LeftButton);
  EXPECT_TRUE(Boxes.empty());
  Answer = Folder.filePath("run.csv/run.csv").toStdString();
  Report(rsEcho);
  QTest::mouseClick(Page->BitBtnExport, Qt::LeftButton);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Cannot create file " + *Answer + "."});
  EXPECT_EQ(FileText("run.csv"), Csv);
  EXPECT_EQ(Page->Session().Sent(), 3u);
}

TEST_F(StatisticsPageTest, EveryControlHasANameAndTheTabOrderRunsThroughThem) {
  ShowPage();
  for (QWidget* const Widget : Page->TabSheet5->findChildren<QWidget*>()) {
    if (ControlOf(Widget) == nullptr) continue;
    QAccessibleInterface* const Accessible = QAccessible::queryAccessibleInterface(Widget);
    ASSERT_NE(Accessible, nullptr);
    EXPECT_FALSE(Accessible->text(QAccessible::Name).isEmpty()) << typeid(*Widget).name();
  }
  std::vector<QWidget*> Order;
  for (QWidget* Widget = Page->BitBtnExport; Order.size() < 3; Widget = Widget->nextInFocusChain())
    if (Widget->focusPolicy() & Qt::TabFocus) Order.push_back(Widget);
  EXPECT_EQ(Order,
            (std::vector<QWidget*>{Page->BitBtnExport, Page->ListViewOutages, Page->ListViewTtl}));
}

TEST_F(StatisticsPageTest, TimesARealReplyInMicroseconds) {
  if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
  ShowWindow();
  ShowPage();
  Form1->cbHost->SetText("127.0.0.1");
  QTest::mouseClick(Form1->BitBtnPing, Qt::LeftButton);
  ASSERT_EQ(Page->Session().Received(), 1u);
  const TAttempt& Reply = Page->Session().Attempts()[0];
  EXPECT_EQ(Reply.RoundTripUs, Form1->IdIcmpClient->RoundTripUs());
  EXPECT_GT(Reply.RoundTripUs, 0u);
  EXPECT_LE(Reply.RoundTripUs / 1000, Form1->IdIcmpClient->ReplyStatus().RoundTripMs + 1);
  QApplication::processEvents();
  EXPECT_TRUE(QString::fromStdString(Page->lbMean.Value->Caption())
                  .contains(QRegularExpression("^\\d+\\.\\d{3} ms$")));
}
