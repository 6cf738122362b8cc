#include "ui/Application.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <stdexcept>
#include <vector>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"

namespace {

struct TShownBox {
  std::string Text;
  std::string Caption;
  unsigned Flags;
};

// Answers every message box at once and keeps what it would have shown.
struct TBoxRecorder {
  TBoxRecorder() {
    SetMessageBoxHook([this](const std::string& Text, const std::string& Caption, unsigned Flags) {
      Boxes.push_back({Text, Caption, Flags});
      return IDOK;
    });
  }
  ~TBoxRecorder() { SetMessageBoxHook({}); }
  std::vector<TShownBox> Boxes;
};

struct ApplicationTest : testing::Test, TOffscreenApplication {
  int Argc = 1;
  char Program[16] = "quorvel";
  char* Argv[2] = {Program, nullptr};
  TBoxRecorder Recorder;
};

// A form whose handlers report to the test what they saw.
class TProbeForm : public TForm {
 public:
  explicit TProbeForm(TComponent* AOwner) : TForm(AOwner), FChild(new TForm(this)) {}
  TForm* FChild;
};

}  // namespace

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstFullStopInLowerCaseAfterTheFirstLetter) {
  EXPECT_EQ(TitleFromExeName("quorvel"), "quorvel");
  EXPECT_EQ(TitleFromExeName("Quorvel.exe"), "Quorvel");
  EXPECT_EQ(TitleFromExeName("QUORVEL"), "Quorvel");
  EXPECT_EQ(TitleFromExeName("QK-Ping.Test.bin"), "Qk-ping");
  EXPECT_EQ(TitleFromExeName("\xC3\x84"
                             "BC\xC3\x96"),
            "\xC3\x84"
            "bc\xC3\xB6");
}

TEST(ApplicationTitle, IsEmptyWhenTheNameStartsWithAFullStop) {
  EXPECT_EQ(TitleFromExeName(".quorvel"), "");
  EXPECT_EQ(TitleFromExeName(""), "");
}

TEST(ErrorBoxText, AddsAFullStopOnlyAfterACharacterThatSortsAfterIt) {
  EXPECT_EQ(ErrorBoxText("Host not found"), "Host not found.");
  EXPECT_EQ(ErrorBoxText("Socket Error # 10065"), "Socket Error # 10065.");
  EXPECT_EQ(ErrorBoxText("Connection Closed Gracefully."), "Connection Closed Gracefully.");
  EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorBoxText("(none)"), "(none)");
  EXPECT_EQ(ErrorBoxText("a-"), "a-");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST_F(ApplicationTest, ShowsAnEscapedExceptionInAnErrorBoxUnderTheTitleAndGoesOn) {
  TApplication App(Argc, Argv);
  App.SetTitle("quorvel");
  const TNotifyEvent Failing = [](TComponent*) { throw Exception("Not enough timers available"); };
  CallEvent(Failing, nullptr);
  CallEvent(TNotifyEvent([](TComponent*) { throw std::runtime_error("plain failure"); }), nullptr);
  bool Ran = false;
  CallEvent(TNotifyEvent([&Ran](TComponent*) { Ran = true; }), nullptr);
  EXPECT_TRUE(Ran);
  ASSERT_EQ(Recorder.Boxes.size(), 2U);
  EXPECT_EQ(Recorder.Boxes[0].Text, "Not enough timers available.");
  EXPECT_EQ(Recorder.Boxes[0].Caption, "quorvel");
  EXPECT_EQ(Recorder.Boxes[0].Flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(Recorder.Boxes[1].Text, "plain failure.");
}

TEST_F(ApplicationTest, TakesItsTitleFromTheRunningExecutable) {
  TApplication App(Argc, Argv);
  // The test program is ui_Application_test; its first letter stays as it is.
  EXPECT_EQ(App.Title(), "ui_application_test");
}

TEST_F(ApplicationTest, HandlesExceptionsWithoutAnApplicationUnderTheExecutableTitle) {
  CallEvent(TNotifyEvent([](TComponent*) { throw Exception("Lost"); }), nullptr);
  ASSERT_EQ(Recorder.Boxes.size(), 1U);
  EXPECT_EQ(Recorder.Boxes[0].Text, "Lost.");
  EXPECT_EQ(Recorder.Boxes[0].Caption, "ui_application_test");
}

TEST_F(ApplicationTest, MakesTheFirstFormTheMainFormAndRunsItsCreateHandler) {
  TApplication App(Argc, Argv);
  TProbeForm* First = nullptr;
  TProbeForm* Second = nullptr;
  App.CreateForm(First);
  App.CreateForm(Second);
  EXPECT_EQ(App.MainForm(), First);
  EXPECT_EQ(First->Owner(), &App);
}

TEST_F(ApplicationTest, ShowsAFailureOfTheCreateHandlerAndKeepsTheForm) {
  TApplication App(Argc, Argv);
  // The handler is bound while the form is made, as the window's design data bind it.
  class TFailingForm : public TForm {
   public:
    explicit TFailingForm(TComponent* AOwner) : TForm(AOwner) {
      OnCreate = [](TComponent*) { throw Exception("Cannot open file /x/host.txt"); };
    }
  };
  TFailingForm* Form = nullptr;
  App.CreateForm(Form);
  ASSERT_NE(Form, nullptr);
  EXPECT_EQ(App.MainForm(), Form);
  ASSERT_EQ(Recorder.Boxes.size(), 1U);
  EXPECT_EQ(Recorder.Boxes[0].Text, "Cannot open file /x/host.txt.");
}

TEST_F(ApplicationTest, DestroysFormsNewestFirstWithTheirDestroyHandlerBeforeTheControls) {
  std::vector<std::string> Order;
  bool ChildAlive = false;
  {
    TApplication App(Argc, Argv);
    TProbeForm* First = nullptr;
    TProbeForm* Second = nullptr;
    App.CreateForm(First);
    App.CreateForm(Second);
    First->OnDestroy = [&](TComponent*) {
      Order.push_back("first");
      ChildAlive = First->ComponentCount() == 1 && First->FChild->Owner() == First;
    };
    Second->OnDestroy = [&](TComponent*) {
      Order.push_back("second");
      throw Exception("Cannot create file /x/host.txt");
    };
  }
  EXPECT_EQ(Order, (std::vector<std::string>{"second", "first"}));
  EXPECT_TRUE(ChildAlive);
  ASSERT_EQ(Recorder.Boxes.size(), 1U);
  EXPECT_EQ(Recorder.Boxes[0].Text, "Cannot create file /x/host.txt.");
  EXPECT_EQ(Application, nullptr);
}

TEST_F(ApplicationTest, RunEndsWhenTheMainFormIsClosedAndTheFormLivesOn) {
  TApplication App(Argc, Argv);
  TForm* Form = nullptr;
  App.CreateForm(Form);
  QTimer::singleShot(0, Form, [Form] {
    EXPECT_TRUE(Form->isVisible());
    Form->close();
  });
  App.Run();
  EXPECT_TRUE(App.Terminated());
  EXPECT_FALSE(Form->isVisible());
  EXPECT_EQ(App.MainForm(), Form);
}

TEST_F(ApplicationTest, RunReturnsAtOnceAfterTerminate) {
  TApplication App(Argc, Argv);
  TForm* Form = nullptr;
  App.CreateForm(Form);
  App.Terminate();
  App.Run();
  EXPECT_FALSE(Form->isVisible());
}
