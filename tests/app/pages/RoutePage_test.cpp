// The Route page in the window: its place after Statistics, a trace of the
// loopback shown live and stopped, its export, and bad input answered with a
// message while the page goes on.
#include "app/pages/RoutePage.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTableWidget>
#include <fstream>
#include <iterator>

#include "app/pages/StatisticsPage.h"
#include "app/window/MainWindowTest.h"
#include "app/window/WindowMonitor.h"
#include "ui/SaveDialog.h"

namespace {

struct RoutePageTest : MainWindowTest {
  RoutePageTest() {
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
    SetSaveDialogHook([this](const TSaveRequest&) { return Answer; });
    Form1->PageControl1->SetActivePage(Page->TabSheetRoute);
  }
  ~RoutePageTest() override {
    SetSaveDialogHook({});
    QLocale::setDefault(QLocale::c());
  }

  std::string Cell(int ARow, int AColumn) const {
    const QTableWidgetItem* const Item = Page->TableHops->item(ARow, AColumn);
    return Item ? Item->text().toStdString() : "";
  }
  // Runs the window's loop until ADone holds, for up to 3 s.
  bool Until(const std::function<bool()>& ADone) { return QTest::qWaitFor(ADone, 3000); }

  TMonitor* Monitor = NewWindowMonitor(Form1);
  TStatisticsPage* Statistics = new TStatisticsPage(Form1, Monitor);
  TRoutePage* Page = new TRoutePage(Form1, Monitor);
  std::optional<std::string> Answer;
};

TEST_F(RoutePageTest, FollowsStatisticsAndTracesTheLoopbackLiveUntilStopped) {
  const int Index = Page->TabSheetRoute->PageIndex();
  EXPECT_EQ(Form1->PageControl1->tabText(Index).toStdString(), "Route");
  EXPECT_EQ(Index, Statistics->TabSheet5->PageIndex() + 1);
  Page->edTraceTo->setText("127.0.0.1");
  Page->seInterval->setValue(100);
  Page->BitBtnStart->click();
  EXPECT_FALSE(Page->BitBtnStart->isEnabled());
  EXPECT_FALSE(Page->edTraceTo->isEnabled());
  ASSERT_TRUE(
      Until([&] { return Page->Tracer()->Route() && Page->Tracer()->Route()->Rounds() >= 3; }));
  ASSERT_TRUE(Until(
      [&] { return Cell(0, TRoutePage::colSent) == "3" || Cell(0, TRoutePage::colSent) == "4"; }));
  EXPECT_EQ(Page->TableHops->rowCount(), 1) << "the target answers at the first hop";
  EXPECT_EQ(Cell(0, TRoutePage::colHop), "1");
  EXPECT_EQ(Cell(0, TRoutePage::colAddress), "127.0.0.1");
  // Numbers follow the user's locale; the export's stay as files want them.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Page->Refresh();
  EXPECT_EQ(Cell(0, TRoutePage::colLoss), "0,00");
  EXPECT_NE(Cell(0, TRoutePage::colAvg), "\xE2\x80\x93");

  Page->BitBtnStop->click();
  EXPECT_TRUE(Page->BitBtnStart->isEnabled());
  const std::uint64_t Rounds = Page->Tracer()->Route()->Rounds();
  QTest::qWait(300);
  EXPECT_EQ(Page->Tracer()->Route()->Rounds(), Rounds) << "no round after Stop";

  Answer = Folder.filePath("route.csv").toStdString();
  Page->BitBtnExport->click();
  std::ifstream File(*Answer, std::ios::binary);
  const std::string Text{std::istreambuf_iterator<char>(File), {}};
  // The route as shown: one hop, the loopback's.
  EXPECT_EQ(Text.substr(Text.find("\r\n") + 2, 12), "1,127.0.0.1,");
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(RoutePageTest, AnswersBadInputWithAMessageAndGoesOn) {
  EXPECT_FALSE(Page->BitBtnExport->isEnabled()) << "nothing to export yet";
  Page->BitBtnStart->click();
  Page->edTraceTo->setText("name.invalid");
  Page->BitBtnStart->click();
  ASSERT_TRUE(Until([&] { return !Page->Tracer()->Running(); }));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("Type a host"), std::string::npos) << Boxes[0];
  QTest::qWait(50);
  EXPECT_NE(Page->lbStatus->text().toStdString().find("Cannot resolve name.invalid"),
            std::string::npos)
      << Page->lbStatus->text().toStdString();
  EXPECT_TRUE(Page->BitBtnStart->isEnabled());
}

}  // namespace
