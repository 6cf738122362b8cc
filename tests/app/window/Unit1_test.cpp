#include "app/window/Unit1.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "app/window/HostStore.h"
#include "app/window/MainWindowTest.h"
#include "rtl/FileErrors.h"
#include "support/OffscreenApplication.h"
#include "support/RawSockets.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/ShellApi.h"
#include "ui/Timer.h"

namespace {

QRect BoundsOf(const TControl* Control) {
  return {Control->Left(), Control->Top(), Control->Width(), Control->Height()};
}

}  // namespace

TEST_F(MainWindowTest, StacksTheAlignedControlsAsDesigned) {
  EXPECT_EQ(Form1->Caption(), "QK Quorvel");
  EXPECT_EQ(Form1->ClientWidth(), 574);
  EXPECT_EQ(Form1->ClientHeight(), 455);
  EXPECT_EQ(BoundsOf(Form1->Panel1), QRect(0, 0, 574, 66));
  EXPECT_EQ(BoundsOf(Form1->PageControl1), QRect(0, 66, 574, 216));
  EXPECT_EQ(BoundsOf(Form1->Splitter1), QRect(0, 282, 574, 4));
  EXPECT_EQ(BoundsOf(Form1->Panel2), QRect(0, 286, 574, 150));
  EXPECT_EQ(BoundsOf(Form1->StatusBar1), QRect(0, 436, 574, 19));
  EXPECT_EQ(BoundsOf(Form1->Panel3), QRect(448, 1, 125, 148));
  EXPECT_EQ(BoundsOf(Form1->Chart1), QRect(1, 1, 447, 148));
  EXPECT_EQ(Form1->Splitter1->Cursor(), crVSplit);
}

TEST_F(MainWindowTest, ResizingGivesTheChangeToThePagesAndTheChart) {
  ShowWindow();
  Form1->resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(BoundsOf(Form1->Panel1), QRect(0, 0, 800, 66));
  EXPECT_EQ(BoundsOf(Form1->PageControl1), QRect(0, 66, 800, 361));
  EXPECT_EQ(BoundsOf(Form1->Panel2), QRect(0, 431, 800, 150));
  EXPECT_EQ(BoundsOf(Form1->Panel3), QRect(674, 1, 125, 148));
  EXPECT_EQ(BoundsOf(Form1->Chart1), QRect(1, 1, 673, 148));
  // The controls of the top panel stay where they were.
  EXPECT_EQ(BoundsOf(Form1->BitBtnPing), QRect(456, 8, 113, 26));
}

TEST_F(MainWindowTest, TheSplitterOpensTheCollapsedBottomPanelAgainAlsoAfterAResize) {
  ShowWindow();
  TSplitter* const Splitter = Form1->Splitter1;
  // From and to a y of the window.
  const auto Drag = [Splitter](int FromY, int ToY) {
    QTest::mousePress(Splitter, Qt::LeftButton, {}, Splitter->mapFromParent(QPoint(200, FromY)));
    QTest::mouseMove(Splitter, Splitter->mapFromParent(QPoint(200, ToY)));
    QTest::mouseRelease(Splitter, Qt::LeftButton, {}, Splitter->mapFromParent(QPoint(200, ToY)));
  };
  Drag(284, 450);
  ASSERT_EQ(Form1->Panel2->Height(), 0);
  Form1->resize(574, 555);
  QApplication::processEvents();
  EXPECT_EQ(Form1->Panel2->Height(), 0);
  Drag(Splitter->Top() + 2, Splitter->Top() - 148);
  EXPECT_EQ(BoundsOf(Form1->Panel2), QRect(0, 386, 574, 150));
  EXPECT_EQ(BoundsOf(Form1->StatusBar1), QRect(0, 536, 574, 19));
  EXPECT_EQ(BoundsOf(Form1->Panel3), QRect(448, 1, 125, 148));
  EXPECT_EQ(BoundsOf(Form1->Chart1), QRect(1, 1, 447, 148));
}

TEST_F(MainWindowTest, CannotBeMadeNarrowerThanTheTopPanel) {
  ShowWindow();
  Form1->resize(400, 120);
  QApplication::processEvents();
  EXPECT_EQ(Form1->ClientWidth(), 574);
  EXPECT_EQ(Form1->ClientHeight(), 120);
}

TEST_F(MainWindowTest, TopPanelHoldsTheDesignedControls) {
  EXPECT_EQ(BoundsOf(Form1->Label1), QRect(5, 15, 100, 13));
  EXPECT_EQ(Form1->Label1->Caption(), "Host adress:");
  EXPECT_TRUE(Form1->Label1->FontStyle() == TFontStyles{fsBold});
  EXPECT_EQ(BoundsOf(Form1->cbHost), QRect(112, 11, 337, 21));
  EXPECT_EQ(Form1->cbHost->Text(), "172.16.0.1");
  EXPECT_EQ(BoundsOf(Form1->BitBtnPing), QRect(456, 8, 113, 26));
  EXPECT_EQ(Form1->BitBtnPing->Caption(), "Single Ping");
  EXPECT_EQ(Form1->Label2->Caption(), "Receive Timeout:");
  EXPECT_EQ(BoundsOf(Form1->speTimeout), QRect(111, 36, 66, 22));
  EXPECT_EQ(Form1->Label3->Caption(), "Time to repeat:");
  EXPECT_EQ(BoundsOf(Form1->speRepeat), QRect(365, 37, 61, 22));
  EXPECT_EQ(Form1->Label4->Caption(), "[ms]");
  EXPECT_EQ(BoundsOf(Form1->spbRepPing), QRect(456, 35, 113, 25));
  EXPECT_EQ(Form1->spbRepPing->Caption(), "Start repeat Ping");
  EXPECT_FALSE(Form1->spbRepPing->Down());
}

TEST_F(MainWindowTest, FixedSizeLabelsHoldTheirCaptionsInTheWindowsFace) {
  for (const TLabel* Label :
       {Form1->Label1, Form1->Label2, Form1->Label3, Form1->Label4, Form1->Label5, Form1->Label6,
        Form1->Label7, Form1->Label15, Form1->lbVersion}) {
    const QFontMetrics Metrics(Label->font());
    EXPECT_LE(Metrics.horizontalAdvance(QString::fromStdString(Label->Caption())), Label->Width())
        << Label->Caption();
  }
  for (const TLabel* Link : {Form1->Label10, Form1->Label11, Form1->Label14})
    EXPECT_LE(Link->Left() + Link->Width(), Form1->Panel4->Width()) << Link->Caption();
}

TEST_F(MainWindowTest, NumericFieldsHaveTheirDesignedRanges) {
  const struct {
    TSpinEdit* Field;
    int Min, Max, Value;
  } Fields[] = {{Form1->speTimeout, 100, 10000, 1000},
                {Form1->speRepeat, 1000, 100000, 1000},
                {Form1->speMaxLine, 10, 10000, 100},
                {Form1->speMaxHosts, 5, 100, 10}};
  for (const auto& F : Fields) {
    EXPECT_EQ(F.Field->MinValue(), F.Min);
    EXPECT_EQ(F.Field->MaxValue(), F.Max);
    EXPECT_EQ(F.Field->Value(), F.Value);
    EXPECT_EQ(F.Field->Increment(), 1);
  }
}

TEST_F(MainWindowTest, KeyboardOrderRunsThroughTheTopPanelFirst) {
  ShowWindow();
  std::vector<QWidget*> Order;
  for (QWidget* Widget = Form1->nextInFocusChain(); Widget != Form1 && Order.size() < 200;
       Widget = Widget->nextInFocusChain())
    if ((Widget->focusPolicy() & Qt::TabFocus) && Widget->focusProxy() == nullptr)
      Order.push_back(Widget);
  const auto Position = [&Order](QWidget* Widget) {
    for (std::size_t Index = 0; Index < Order.size(); ++Index)
      if (Order[Index] == Widget || Order[Index]->parentWidget() == Widget)
        return static_cast<int>(Index);
    return -1;
  };
  EXPECT_EQ(Position(Form1->BitBtnPing), 0);
  EXPECT_LT(Position(Form1->BitBtnPing), Position(Form1->speTimeout));
  EXPECT_LT(Position(Form1->speTimeout), Position(Form1->speRepeat));
  EXPECT_LT(Position(Form1->speRepeat), Position(Form1->cbHost));
  EXPECT_LT(Position(Form1->cbHost), Position(Form1->BitBtnClearData));
  EXPECT_LT(Position(Form1->BitBtnClearData), Position(Form1->BitBtn1));
  EXPECT_EQ(Position(Form1->spbRepPing), -1);
}

TEST_F(MainWindowTest, TabWalksFromTheTabsIntoTheShownPageAndOutAgainShiftTabBack) {
  ShowWindow();
  const std::vector<QWidget*> Around{Form1->BitBtnPing,
                                     Form1->speTimeout,
                                     Form1->speRepeat,
                                     Form1->cbHost,
                                     Form1->BitBtnClearData,
                                     Form1->BitBtn1,
                                     Form1->PageControl1->tabBar()};
  const struct {
    TTabSheet* Page;
    std::vector<QWidget*> Inside;
  } Pages[] = {{Form1->TabSheet1, {Form1->ListView1}},
               {Form1->TabSheet2, {Form1->ListViewError}},
               {Form1->TabSheet3,
                {Form1->chb3D, Form1->chbGradient, Form1->speMaxLine, Form1->chbErrLines,
                 Form1->speMaxHosts}},
               {Form1->TabSheet4, {}}};
  for (const auto& P : Pages) {
    Form1->PageControl1->SetActivePage(P.Page);
    // Once round the window, from "Single Ping" back to it.
    std::vector<QWidget*> Walk = Around;
    Walk.insert(Walk.end(), P.Inside.begin(), P.Inside.end());
    Walk.push_back(Form1->BitBtnPing);
    const auto Keys = [&](Qt::KeyboardModifiers Modifiers) {
      std::vector<QWidget*> Reached{QApplication::focusWidget()};
      for (std::size_t Key = 1; Key < Walk.size(); ++Key) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Modifiers);
        Reached.push_back(QApplication::focusWidget());
      }
      return Reached;
    };
    Form1->BitBtnPing->setFocus();
    EXPECT_EQ(Keys(Qt::NoModifier), Walk) << P.Page->Caption();
    std::reverse(Walk.begin(), Walk.end());
    EXPECT_EQ(Keys(Qt::ShiftModifier), Walk) << P.Page->Caption();
  }
}

TEST_F(MainWindowTest, ShowsTheFirstPageAtStartAlthoughTheDesignKeepsTheAboutPage) {
  ASSERT_EQ(Form1->PageControl1->PageCount(), 4);
  EXPECT_EQ(Form1->PageControl1->Pages(0)->Caption(), "Ping information");
  EXPECT_EQ(Form1->PageControl1->Pages(1)->Caption(), "Error logs");
  EXPECT_EQ(Form1->PageControl1->Pages(2)->Caption(), "Setings");
  EXPECT_EQ(Form1->PageControl1->Pages(3)->Caption(), "About");
  EXPECT_EQ(Form1->PageControl1->ActivePage(), Form1->TabSheet1);
  TForm1 Designed(nullptr);
  EXPECT_EQ(Designed.PageControl1->ActivePage(), Designed.TabSheet4);
}

TEST_F(MainWindowTest, SettingsPageHoldsTheLimitsAndChartSwitches) {
  EXPECT_EQ(BoundsOf(Form1->GroupBox2), QRect(6, 4, 180, 181));
  EXPECT_EQ(Form1->GroupBox2->Caption(), " Data and Logs ");
  EXPECT_EQ(BoundsOf(Form1->GroupBox1), QRect(190, 4, 180, 181));
  EXPECT_EQ(Form1->GroupBox1->Caption(), " Graph ");
  EXPECT_EQ(BoundsOf(Form1->GroupBox3), QRect(374, 4, 180, 181));
  EXPECT_EQ(Form1->GroupBox3->Caption(), " Hosts and Ping  ");
  EXPECT_EQ(Form1->Label5->Caption(), "Lines remember:");
  EXPECT_EQ(BoundsOf(Form1->speMaxLine), QRect(35, 65, 102, 22));
  EXPECT_EQ(Form1->chbErrLines->Caption(), "Linet for Errors");
  EXPECT_FALSE(Form1->chbErrLines->Checked());
  EXPECT_EQ(Form1->chb3D->Caption(), "3D Graph");
  EXPECT_FALSE(Form1->chb3D->Checked());
  EXPECT_EQ(Form1->chbGradient->Caption(), " Gradient");
  EXPECT_TRUE(Form1->chbGradient->Checked());
  EXPECT_EQ(Form1->Label15->Caption(), "Hosts remember:");
  EXPECT_EQ(BoundsOf(Form1->speMaxHosts), QRect(35, 65, 102, 22));
}

TEST_F(MainWindowTest, StatisticsPanelShowsItsDesignedTexts) {
  EXPECT_EQ(Form1->BitBtnClearData->Caption(), "Clear Data");
  EXPECT_EQ(BoundsOf(Form1->BitBtnClearData), QRect(8, 3, 105, 24));
  EXPECT_EQ(Form1->BitBtn1->Caption(), "Clear Error Logs");
  EXPECT_EQ(BoundsOf(Form1->BitBtn1), QRect(8, 27, 105, 24));
  EXPECT_EQ(Form1->Label6->Caption(), "AVG Trip Time:");
  EXPECT_EQ(Form1->lbAVG->Caption(), "000000");
  EXPECT_TRUE(Form1->lbAVG->FontStyle() == TFontStyles{});
  EXPECT_EQ(Form1->Label7->Caption(), "Error count:");
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "000000");
}

TEST_F(MainWindowTest, ChartHasTheDesignedLookAndSeries) {
  EXPECT_FALSE(Form1->Chart1->View3D());
  EXPECT_TRUE(Form1->Chart1->Gradient().Visible());
  EXPECT_FALSE(Form1->Chart1->Title().Visible());
  EXPECT_FALSE(Form1->Chart1->Legend().Visible());
  ASSERT_EQ(Form1->Chart1->SeriesCount(), 2);
  EXPECT_EQ(Form1->Chart1->Series(0), Form1->Series1);
  EXPECT_EQ(Form1->Chart1->Series(1), Form1->Series2);
}

TEST_F(MainWindowTest, ChartSwitchesFollowTheirCheckBoxes) {
  ShowWindow();
  Form1->PageControl1->SetActivePage(Form1->TabSheet3);
  QTest::mouseClick(Form1->chb3D, Qt::LeftButton);
  EXPECT_TRUE(Form1->Chart1->View3D());
  QTest::mouseClick(Form1->chbGradient, Qt::LeftButton);
  EXPECT_FALSE(Form1->Chart1->Gradient().Visible());
  QTest::mouseClick(Form1->chb3D, Qt::LeftButton);
  EXPECT_FALSE(Form1->Chart1->View3D());
}

TEST_F(MainWindowTest, ClearDataEmptiesTheReplyLogAndChartAndKeepsTheLabels) {
  Form1->ListView1->Items()->Insert(0).SetCaption("127.0.0.1");
  Form1->ListViewError->Items()->Insert(0).SetCaption("127.0.0.9");
  Form1->Series1->AddXY(1, 5);
  Form1->PingCount = 1;
  Form1->lbAVG->SetCaption("5.00 [ms]");
  QTest::mouseClick(Form1->BitBtnClearData, Qt::LeftButton);
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
  EXPECT_EQ(Form1->Series1->Count(), 0);
  EXPECT_EQ(Form1->PingCount, 0);
  EXPECT_EQ(Form1->lbAVG->Caption(), "5.00 [ms]");
  EXPECT_EQ(Form1->ListViewError->Items()->Count(), 1);
  QTest::mouseClick(Form1->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(Form1->ListViewError->Items()->Count(), 0);
}

TEST_F(MainWindowTest, TimeOutFieldIsClampedWhenSinglePingTakesTheFocus) {
  ShowWindow();
  Form1->cbHost->SetText("127.0.0.1");
  Form1->speTimeout->setFocus();
  Form1->speTimeout->SetText("");
  QTest::keyClicks(Form1->speTimeout, "50");
  EXPECT_EQ(Form1->speTimeout->Text(), "50");
  QTest::mouseClick(Form1->BitBtnPing, Qt::LeftButton);
  EXPECT_EQ(Form1->speTimeout->Text(), "100");
  EXPECT_EQ(Form1->speTimeout->Value(), 100);
}

TEST_F(MainWindowTest, RepeatToggleUsesTheIntervalTheBoxShowsOnceSetIntoItsRange) {
  ShowWindow();
  Form1->cbHost->SetText("127.0.0.1");
  const struct {
    const char* Typed;
    unsigned Interval;
  } Cases[] = {{"5", 1000}, {"250000", 100000}, {"2500", 2500}, {"-5", 1000}, {"abc", 1000}};
  for (const auto& Case : Cases) {
    Form1->speRepeat->setFocus();
    Form1->speRepeat->SetText(Case.Typed);
    // The toggle takes no focus, yet the box is set into its range first.
    QTest::mouseClick(Form1->spbRepPing, Qt::LeftButton);
    EXPECT_EQ(Form1->Timer1->Interval(), Case.Interval) << Case.Typed;
    EXPECT_EQ(Form1->speRepeat->Value(), static_cast<int>(Case.Interval)) << Case.Typed;
    EXPECT_TRUE(Form1->Timer1->Enabled());
    // Ending needs no timer of the system, so it always enables the controls.
    SetTimersRefused(true);
    QTest::mouseClick(Form1->spbRepPing, Qt::LeftButton);
    SetTimersRefused(false);
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_TRUE(Form1->speRepeat->Enabled());
  }
}

TEST_F(MainWindowTest, KeyboardAndScreenReaderWorkTheToggleAndTheHostBoxAndHearTheLabels) {
  ShowWindow();
  int Pings = 0;
  Form1->BitBtnPing->OnClick = [&Pings](TComponent*) { ++Pings; };
  QTest::keyClick(Form1->cbHost->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Pings, 1);

  // The toggle takes no focus; its shortcut, named in its tool tip, clicks it.
  const QString Shortcut = Form1->spbRepPing->shortcut().toString(QKeySequence::NativeText);
  EXPECT_EQ(Shortcut, "Ctrl+R");
  EXPECT_TRUE(Form1->spbRepPing->toolTip().contains(Shortcut));
  QTest::keyClick(Form1, Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([] { return Form1->Timer1->Enabled(); }));
  EXPECT_EQ(Form1->spbRepPing->Caption(), "End repeat Ping");

  // Its accessible actions do what a click does.
  QAccessibleInterface* const Toggle = QAccessible::queryAccessibleInterface(Form1->spbRepPing);
  ASSERT_NE(Toggle->actionInterface(), nullptr);
  Toggle->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(Form1->spbRepPing->Down());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  Toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_TRUE(Toggle->state().checked);
  EXPECT_EQ(
      Toggle->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::toggleAction()),
      QStringList{Shortcut});

  const std::pair<QWidget*, const char*> Fields[] = {{Form1->cbHost, "Host adress"},
                                                     {Form1->speTimeout, "Receive Timeout"},
                                                     {Form1->speRepeat, "Time to repeat"},
                                                     {Form1->speMaxLine, "Lines remember"},
                                                     {Form1->speMaxHosts, "Hosts remember"}};
  for (const auto& [Field, Name] : Fields) EXPECT_EQ(Field->accessibleName(), Name);
}

TEST_F(MainWindowTest, AboutPageShowsThePictureCentredAndTheLinks) {
  ShowWindow();
  Form1->PageControl1->SetActivePage(Form1->TabSheet4);
  QApplication::processEvents();
  EXPECT_EQ(Form1->Panel4->Width(), 133);
  EXPECT_EQ(Form1->Panel4->BevelOuter(), bvNone);
  EXPECT_EQ(BoundsOf(Form1->Image1), BoundsOf(Form1->Shape1));
  EXPECT_EQ(Form1->Image1->Left() + Form1->Image1->Width(), Form1->Panel4->Left());
  EXPECT_EQ(Form1->Label9->Caption(), "Author website:");
  EXPECT_EQ(Form1->Label10->Caption(), "QK Tools");
  EXPECT_EQ(Form1->Label11->Caption(), "QK Tools - QK Quorvel");
  EXPECT_EQ(Form1->Label14->Caption(), Form1->Label10->Caption());
  EXPECT_EQ(Form1->Label16->Caption(), "Program version:");
  EXPECT_EQ(BoundsOf(Form1->lbVersion), QRect(7, 86, 120, 13));
  for (TLabel* Link : {Form1->Label10, Form1->Label11, Form1->Label14})
    EXPECT_EQ(Link->Cursor(), crHandPoint);
}

TEST_F(MainWindowTest, LinksUnderlineUnderTheMouseAndOpenTheirPages) {
  ShowWindow();
  Form1->PageControl1->SetActivePage(Form1->TabSheet4);
  QApplication::processEvents();
  const struct {
    TLabel* Link;
    std::string Address;
  } Links[] = {{Form1->Label10, TForm1::AuthorAddress},
               {Form1->Label11, TForm1::ProgramsAddress},
               {Form1->Label14, TForm1::ProgramSectionAddress}};
  for (const auto& L : Links) {
    QTest::mouseMove(Form1->Label9, QPoint(2, 2));
    QTest::mouseMove(L.Link, QPoint(3, 3));
    EXPECT_TRUE(L.Link->FontStyle() == TFontStyles{fsUnderline}) << L.Address;
    QTest::mouseClick(L.Link, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(Form1->Label9, QPoint(2, 2));
    EXPECT_TRUE(L.Link->FontStyle() == TFontStyles{}) << L.Address;
  }
  ASSERT_EQ(Requests.size(), 3U);
  for (std::size_t I = 0; I < 3; ++I) {
    EXPECT_EQ(Requests[I].Owner, Form1);
    EXPECT_EQ(Requests[I].Operation, "open");
    EXPECT_EQ(Requests[I].File, Links[I].Address);
    EXPECT_EQ(Requests[I].ShowCmd, SW_SHOWNORMAL);
  }
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindowTest, ShowsTheProgramsOwnVersion) {
  EXPECT_EQ(Form1->lbVersion->Caption(), QUORVEL_FILE_VERSION);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheLoopAndTheApplicationFreesIt) {
  ShowWindow();
  QPointer<QWidget> Window(Form1);
  QPointer<QWidget> Chart(Form1->Chart1);
  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  App->Run();
  EXPECT_FALSE(Window.isNull());
  EXPECT_FALSE(Window->isVisible());
  App.reset();
  EXPECT_TRUE(Window.isNull());
  EXPECT_TRUE(Chart.isNull());
}

namespace {

using THosts = std::vector<std::string>;
using namespace std::string_literals;

// Runs of the program one after the other, each ending with the window
// destroyed, which saves the history, the next one loading it.
struct HostHistoryTest : MainWindowTest {
  void Store(const std::string& Bytes) const { std::ofstream(FileName, std::ios::binary) << Bytes; }
  std::string Stored() const {
    std::ifstream In(FileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
  }
  static THosts Hosts() {
    THosts Items;
    for (int Index = 0; Index < Form1->cbHost->Items().Count(); ++Index)
      Items.push_back(Form1->cbHost->Items()[Index]);
    return Items;
  }
};

}  // namespace

TEST_F(HostHistoryTest, FirstRunStartsEmptyAndTheNextGetsTheListBackWithItsBytes) {
  EXPECT_EQ(Hosts(), THosts{});
  EXPECT_EQ(Form1->cbHost->Text(), "172.16.0.1");
  for (const std::string& Host : {Form1->cbHost->Text(), "\xff\xfe raw \xc3\x28"s, "a.example"s})
    Form1->RememberHost(Host);
  Form1->cbHost->SetText("typed.example");
  EndRun();
  EXPECT_EQ(Stored(), "a.example\r\n\xff\xfe raw \xc3\x28\r\n172.16.0.1\r\n");
  StartRun();
  EXPECT_EQ(Hosts(), (THosts{"a.example", "\xff\xfe raw \xc3\x28", "172.16.0.1"}));
  EXPECT_EQ(Form1->cbHost->ItemIndex(), 0);
  EXPECT_EQ(Form1->cbHost->Text(), "a.example");
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(HostHistoryTest, OnlyLettersAToZFoldWhileBlanksAndTheEmptyHostCount) {
  for (const char* Host : {"LocalHost", "LOCALHOST", "h\xe4st-a", "H\xc4ST-A", "H\xe4ST-A",
                           " localhost", "localhost ", "", ""})
    Form1->RememberHost(Host);
  EXPECT_EQ(Hosts(),
            (THosts{"", "localhost ", " localhost", "H\xc4ST-A", "h\xe4st-a", "LocalHost"}));
  EndRun();
  EXPECT_EQ(Stored(), "\r\nlocalhost \r\n localhost\r\nH\xc4ST-A\r\nh\xe4st-a\r\nLocalHost\r\n");
}

TEST_F(HostHistoryTest, KnownHostKeepsItsPlaceAndALongListShrinksByOnePerPing) {
  EndRun();
  THosts File;
  for (int Line = 1; Line <= 18; ++Line) File.push_back("host" + std::to_string(Line));
  File.insert(File.end(), {" host1 ", "host1"});
  std::string Bytes;
  for (const std::string& Host : File) Bytes += Host + "\n";
  Store(Bytes);
  StartRun();
  // Loading applies no limit below the most the settings allow, drops no
  // duplicate and trims nothing.
  EXPECT_EQ(Hosts(), File);
  ASSERT_EQ(Form1->speMaxHosts->Value(), 10);
  Form1->RememberHost("HOST5");
  File.pop_back();
  EXPECT_EQ(Hosts(), File);
  Form1->RememberHost("new.example");
  File.pop_back();
  File.insert(File.begin(), "new.example");
  EXPECT_EQ(Hosts(), File);
  EXPECT_EQ(Form1->cbHost->Text(), "host1");
}

TEST_F(HostHistoryTest, UnreadableFileStartsAnEmptyHistoryAndIsKept) {
  const std::size_t Limit = Form1->HostFileLimit();
  EndRun();
  const std::string TooLarge = std::string(Limit, 'x') + "\r\nstored.example\r\n";
  Store(TooLarge);
  StartRun();
  EXPECT_EQ(Boxes, THosts{"Cannot open file " + FileName + "."});
  EXPECT_EQ(Hosts(), THosts{});
  EXPECT_EQ(Form1->cbHost->Text(), "172.16.0.1");
  // A load removes the items before it reads, and keeps the text.
  Form1->RememberHost("new.example");
  EXPECT_THROW(Form1->LoadHosts(), EFOpenError);
  EXPECT_EQ(Hosts(), THosts{});
  EXPECT_EQ(Form1->cbHost->Text(), "172.16.0.1");
  Form1->RememberHost("new.example");
  EndRun();
  EXPECT_EQ(Stored(), TooLarge);
  EXPECT_EQ(Boxes.size(), 1U);
}

TEST_F(HostHistoryTest, TheLargestHistoryTheWindowCanHoldIsSavedAndReadBack) {
  ShowWindow();
  TSpinEdit* const MaxHosts = Form1->speMaxHosts;
  MaxHosts->SetValue(MaxHosts->MaxValue());
  // The longest host the box takes, pasted: one character more is cut off.
  // Its characters take three bytes each.
  const int Length = Form1->cbHost->lineEdit()->maxLength();
  QApplication::clipboard()->setText(QString(Length + 1, QChar(0x20AC)));
  Form1->cbHost->setFocus();
  Form1->cbHost->clearEditText();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
  const std::string Longest = Form1->cbHost->Text();
  ASSERT_EQ(Longest.size(), Form1->cbHost->MaxTextBytes());
  THosts Written;
  for (int Host = 0; Host < MaxHosts->Value(); ++Host) {
    Written.insert(Written.begin(),
                   QString(QChar(0x4E00 + Host)).toStdString() + Longest.substr(3));
    Form1->RememberHost(Written.front());
  }
  ASSERT_EQ(Hosts(), Written);
  const std::size_t Limit = Form1->HostFileLimit();
  EndRun();
  EXPECT_EQ(Stored().size(), Limit);
  StartRun();
  EXPECT_EQ(Hosts(), Written);
  EXPECT_TRUE(Boxes.empty());
}

// Memory is bounded by the hosts the settings can remember, not by the file.
TEST_F(HostHistoryTest, AHistoryOfMillionsOfLinesGivesTheHostsTheSettingsAllowAndIsSaved) {
  EndRun();
  std::ofstream File(FileName, std::ios::binary);
  for (int Line = 0; Line < 3'000'000; ++Line) File << "h" << Line << '\n';
  File.close();
  rusage Before{}, After{};
  getrusage(RUSAGE_SELF, &Before);
  StartRun();
  getrusage(RUSAGE_SELF, &After);
  EXPECT_LT(After.ru_maxrss - Before.ru_maxrss, 64 * 1024) << "kilobytes";
  EXPECT_EQ(Hosts().size(), 100u);
  EXPECT_EQ(Hosts().back(), "h99");
  EndRun();
  EXPECT_EQ(Stored().size(), 490u) << "h0 to h99 with CR LF";
}

TEST_F(HostHistoryTest, FailedSaveShowsTheMessageWithTheFullPath) {
  Form1->RememberHost("a.example");
  ASSERT_TRUE(QDir(Folder.path()).removeRecursively());
  EndRun();
  EXPECT_EQ(Boxes, THosts{"Cannot create file " + FileName + "."});
}

// ---- The reply log, the error log and their statistics

namespace {

// The window under a point-and-comma locale, fed records as the echo client fills them.
struct ReplyLogTest : MainWindowTest {
  ReplyLogTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~ReplyLogTest() override { QLocale::setDefault(SavedLocale); }

  // Replies, or time-outs, with the sequence numbers From to To; a reply's trip
  // time is its sequence number.
  static void Replies(int From, int To) {
    for (int Sequence = From; Sequence <= To; ++Sequence)
      Form1->ShowReply({72, "127.0.0.1", 0, static_cast<std::uint16_t>(Sequence),
                        static_cast<std::uint32_t>(Sequence), 64, rsEcho});
  }
  static void TimeOuts(int From, int To) {
    for (int Sequence = From; Sequence <= To; ++Sequence)
      Form1->LogError({0, "0.0.0.0", 0, static_cast<std::uint16_t>(Sequence), 0, 0, rsTimeOut});
  }
  static std::vector<std::string> RowTexts(TListView* Log, int Index) {
    const TListItem Item = Log->Items()->Item(Index);
    std::vector<std::string> Texts{Item.Caption()};
    for (int SubItem = 0; SubItem < Item.SubItems().Count(); ++SubItem)
      Texts.push_back(Item.SubItems()[SubItem]);
    return Texts;
  }
  static int Rows() { return Form1->ListView1->Items()->Count(); }
  static int Points() { return Form1->Series1->Count(); }
  static int ErrorRows() { return Form1->ListViewError->Items()->Count(); }

  QLocale SavedLocale;
};

}  // namespace

TEST_F(ReplyLogTest, EchoesBecomeReplyRowsAndPointsAndEveryOtherStatusAnErrorRow) {
  TIdIcmpClient* const Client = Form1->IdIcmpClient;
  Client->OnReply(Client, {std::numeric_limits<std::int32_t>::min(), "10.0.0.1", 255, 65535,
                           std::numeric_limits<std::uint32_t>::max(), 255, rsEcho});
  for (const auto Status : {rsError, rsTimeOut, rsErrorUnreachable, rsErrorTTLExceeded,
                            static_cast<TReplyStatusKind>(9)})
    Client->OnReply(Client, {72, "127.0.0.1", 3, 7, 1, 64, Status});
  EXPECT_EQ(
      RowTexts(Form1->ListView1, 0),
      (std::vector<std::string>{"10.0.0.1", "-2147483648", "255", "65535", "4294967295", "255"}));
  EXPECT_EQ(Form1->lbAVG->Caption(), "4,294,967,300.00 [ms]");
  EXPECT_EQ(Form1->PingCount, 1);
  ASSERT_EQ(Points(), 1);
  EXPECT_EQ(Form1->Series1->XValues()[0], 1);
  EXPECT_EQ(Form1->Series1->YValues()[0], 4294967295.0);
  EXPECT_EQ(Form1->Series1->Label(0), "");
  EXPECT_EQ(Form1->Series1->ValueColor(0), clRed);
  ASSERT_EQ(ErrorRows(), 5);
  const char* const Names[] = {"No Status", "rsErrorTTLExceeded", "rsErrorUnreachable", "rsTimeOut",
                               "rsError"};
  for (int Row = 0; Row < 5; ++Row) EXPECT_EQ(RowTexts(Form1->ListViewError, Row)[6], Names[Row]);
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "5");
}

TEST_F(ReplyLogTest, AFullLogHoldsTheLimitPlusOneRowsAndPointsAndXKeepsRising) {
  Replies(1, 101);
  EXPECT_EQ(Rows(), 101);
  EXPECT_EQ(Points(), 101);
  Replies(102, 150);
  ASSERT_EQ(Rows(), 101);
  ASSERT_EQ(Points(), 101);
  EXPECT_EQ(RowTexts(Form1->ListView1, 0)[3], "150");
  EXPECT_EQ(RowTexts(Form1->ListView1, 100)[3], "50");
  for (int Point = 0; Point < 101; ++Point) EXPECT_EQ(Form1->Series1->XValues()[Point], 50 + Point);
  // The label and the average line cover the rows held: trip times 50 to 150.
  EXPECT_EQ(Form1->lbAVG->Caption(), "100.00 [ms]");
  ASSERT_EQ(Form1->Series2->Count(), 2);
  EXPECT_EQ(Form1->Series2->XValues()[0], 50);
  EXPECT_EQ(Form1->Series2->XValues()[1], 150);
  EXPECT_EQ(Form1->Series2->YValues()[0], 100);
}

TEST_F(ReplyLogTest, ALimitChangedLaterNeverShrinksTheLogAndNoNumberReadsAsTen) {
  Replies(1, 101);
  Form1->speMaxLine->SetValue(10);
  Replies(102, 105);
  EXPECT_EQ(Rows(), 101);
  EXPECT_EQ(Points(), 101);
  Form1->speMaxLine->SetValue(103);
  Replies(106, 107);
  EXPECT_EQ(Rows(), 103);
  Replies(108, 110);
  EXPECT_EQ(Rows(), 104);
  EXPECT_EQ(Points(), 104);
  Form1->BitBtnClearDataClick(Form1->BitBtnClearData);
  Form1->speMaxLine->SetText("many");
  Replies(1, 20);
  EXPECT_EQ(Rows(), 11);
  EXPECT_EQ(Points(), 11);
}

TEST_F(ReplyLogTest, AfterClearDataTheNextReplyIsPlottedAtOneWithItsOwnAverage) {
  Replies(40, 44);
  QTest::mouseClick(Form1->BitBtnClearData, Qt::LeftButton);
  EXPECT_EQ(Form1->lbAVG->Caption(), "42.00 [ms]");
  EXPECT_EQ(Form1->Series2->Count(), 0);
  Replies(7, 7);
  ASSERT_EQ(Points(), 1);
  EXPECT_EQ(Form1->Series1->XValues()[0], 1);
  EXPECT_EQ(Form1->lbAVG->Caption(), "7.00 [ms]");
  ASSERT_EQ(Form1->Series2->Count(), 2);
  EXPECT_EQ(Form1->Series2->YValues()[1], 7);
}

TEST_F(ReplyLogTest, TheAverageLabelTakesTheSeparatorsOfTheLocaleAtEachReply) {
  const struct {
    int From, To;
    const char *PointAndComma, *CommaAndPoint;
  } Cases[] = {{0, 1, "0.50 [ms]", "0,50 [ms]"},
               {12, 13, "12.50 [ms]", "12,50 [ms]"},
               {1000, 1000, "1,000.00 [ms]", "1.000,00 [ms]"},
               {1234, 1235, "1,234.50 [ms]", "1.234,50 [ms]"}};
  for (const auto& Case : Cases) {
    for (const bool German : {false, true}) {
      QLocale::setDefault(German ? QLocale(QLocale::German)
                                 : QLocale(QLocale::English, QLocale::UnitedStates));
      Form1->BitBtnClearDataClick(Form1->BitBtnClearData);
      Replies(Case.From, Case.To);
      EXPECT_EQ(Form1->lbAVG->Caption(), German ? Case.CommaAndPoint : Case.PointAndComma);
    }
  }
}

TEST_F(ReplyLogTest, AnErrorRowShowsTheHostBoxTheRecordTheTimeAndTheStatus) {
  Replies(1, 3);
  Form1->cbHost->SetText("localhost");
  const QDateTime Before = QDateTime::currentDateTime().addSecs(-1);
  TimeOuts(3490, 3490);
  const QDateTime After = QDateTime::currentDateTime();
  Form1->cbHost->SetText("127.0.0.2");
  QLocale::setDefault(QLocale(QLocale::Finnish));
  TimeOuts(3491, 3491);
  const std::vector<std::string> Texts = RowTexts(Form1->ListViewError, 1);
  ASSERT_EQ(Texts.size(), 7U);
  EXPECT_EQ(std::vector<std::string>(Texts.begin(), Texts.begin() + 5),
            (std::vector<std::string>{"localhost", "0", "0", "3490", "0"}));
  const QDateTime Stamp =
      QDateTime::fromString(QString::fromStdString(Texts[5]), "dd.MM.yyyy HH:mm:ss");
  EXPECT_TRUE(Stamp >= Before && Stamp <= After) << Texts[5];
  EXPECT_EQ(Texts[6], "rsTimeOut");
  // The next row has the box's new text and the Finnish time separator.
  const std::vector<std::string> Next = RowTexts(Form1->ListViewError, 0);
  EXPECT_EQ(Next[0], "127.0.0.2");
  EXPECT_TRUE(QRegularExpression(R"(^\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d$)")
                  .match(QString::fromStdString(Next[5]))
                  .hasMatch())
      << Next[5];
  // Errors leave the reply side alone.
  EXPECT_EQ(Form1->PingCount, 3);
  EXPECT_EQ(Points(), 3);
  EXPECT_EQ(Form1->lbAVG->Caption(), "2.00 [ms]");
}

TEST_F(ReplyLogTest, TheErrorLogGrowsWithoutItsLimitAndALateLimitKeepsItsLength) {
  Form1->speMaxLine->SetValue(10);
  TimeOuts(1, 30);
  EXPECT_EQ(ErrorRows(), 30);
  Form1->chbErrLines->SetChecked(true);
  TimeOuts(31, 33);
  EXPECT_EQ(ErrorRows(), 30);
  EXPECT_EQ(RowTexts(Form1->ListViewError, 29)[3], "4");
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "30");
  QTest::mouseClick(Form1->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "30");
  TimeOuts(34, 50);
  EXPECT_EQ(ErrorRows(), 11);
  EXPECT_EQ(Form1->lbErrorCount->Caption(), "11");
}

TEST_F(ReplyLogTest, AnEchoFromTheLoopbackBecomesTheTopRowAndAPoint) {
  if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
  Form1->IdIcmpClient->SetHost("127.0.0.1");
  Form1->IdIcmpClient->SetReceiveTimeout(2000);
  Form1->IdIcmpClient->PingHost();
  // On the loopback the first datagram that matches may be the request itself.
  const TReplyStatus& Reply = Form1->IdIcmpClient->ReplyStatus();
  ASSERT_EQ(Reply.Status, rsEcho);
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(RowTexts(Form1->ListView1, 0),
            (std::vector<std::string>{"127.0.0.1", IntToStr(Reply.ByteCount),
                                      IntToStr(Reply.MessageType), IntToStr(FirstSequenceNumber),
                                      IntToStr(Reply.RoundTripMs), IntToStr(Reply.Ttl)}));
  EXPECT_EQ(Form1->lbAVG->Caption(), IntToStr(Reply.RoundTripMs) + ".00 [ms]");
  EXPECT_EQ(Points(), 1);
}
