#include "ui/BitBtn.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <vector>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"
#include "ui/Dialogs.h"

namespace {

// An edit field that notes when it loses the focus, as a spin field clamps then.
class TRecordingEdit : public QLineEdit {
 public:
  TRecordingEdit(QWidget* Parent, std::vector<std::string>& ALog) : QLineEdit(Parent), FLog(ALog) {}

 protected:
  void focusOutEvent(QFocusEvent* Event) override {
    FLog.push_back("focus out");
    QLineEdit::focusOutEvent(Event);
  }

 private:
  std::vector<std::string>& FLog;
};

// The window's Start button beside a focused field, in an active window.
struct TStartButton : TOffscreenApplication, testing::Test {
  TStartButton() {
    Button->SetBounds(200, 10, 75, 25);
    Button->SetCaption(" &Start ");
    Button->OnClick = [this](TComponent* Sender) {
      EXPECT_EQ(Sender, Button);
      Log.push_back("click");
    };
    Field->setGeometry(10, 10, 80, 22);
    Window->resize(300, 60);
    Window->show();
    QApplication::setActiveWindow(Window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Field->setFocus();
  }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TBitBtn* Button = new TBitBtn(&Form, Window.get());
  std::vector<std::string> Log;
  TRecordingEdit* Field = new TRecordingEdit(Window.get(), Log);
};

// Answers message boxes by noting them, for as long as it lives.
struct TBoxRecorder {
  TBoxRecorder() {
    Previous =
        SetMessageBoxHook([this](const std::string& Text, const std::string&, unsigned Flags) {
          Texts.push_back(Text);
          LastFlags = Flags;
          return IDOK;
        });
  }
  ~TBoxRecorder() { SetMessageBoxHook(Previous); }

  TMessageBoxHook Previous;
  std::vector<std::string> Texts;
  unsigned LastFlags = 0;
};

}  // namespace

TEST_F(TStartButton, KeepsTheCaptionWithItsBlanks) { EXPECT_EQ(Button->Caption(), " &Start "); }

TEST_F(TStartButton, AClickTakesTheFocusBeforeOnClickRuns) {
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_TRUE(Button->hasFocus());
  EXPECT_EQ(Log, (std::vector<std::string>{"focus out", "click"}));
}

TEST_F(TStartButton, TheSpaceKeyClicksItToo) {
  Button->setFocus();
  Log.clear();
  QTest::keyClick(Button, Qt::Key_Space);
  EXPECT_EQ(Log, std::vector<std::string>{"click"});
}

TEST_F(TStartButton, AnExceptionFromOnClickIsShownAndTheProgramGoesOn) {
  TBoxRecorder Boxes;
  Button->OnClick = [](TComponent*) { throw Exception("Host not found"); };
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_EQ(Boxes.Texts, std::vector<std::string>{"Host not found."});
  EXPECT_EQ(Boxes.LastFlags & MB_ICONERROR, MB_ICONERROR);

  Button->OnClick = [this](TComponent*) { Log.push_back("click"); };
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_EQ(Log.back(), "click");
  EXPECT_EQ(Boxes.Texts.size(), 1U);
}

TEST_F(TStartButton, ADisabledButtonRunsNothing) {
  Button->SetEnabled(false);
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_TRUE(Field->hasFocus());
  EXPECT_TRUE(Log.empty());
}
