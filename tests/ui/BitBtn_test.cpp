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

// Notes the texts of the error boxes shown while it lives.
struct TErrorBoxes {
  TErrorBoxes() {
    Previous =
        SetMessageBoxHook([this](const std::string& Text, const std::string&, unsigned Flags) {
          EXPECT_EQ(Flags & MB_ICONERROR, MB_ICONERROR);
          Texts.push_back(Text);
          return IDOK;
        });
  }
  ~TErrorBoxes() { SetMessageBoxHook(Previous); }

  TMessageBoxHook Previous;
  std::vector<std::string> Texts;
};

}  // namespace

TEST_F(TStartButton, AClickTakesTheFocusBeforeOnClickRuns) {
  EXPECT_EQ(Button->Caption(), " &Start ");
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_TRUE(Button->hasFocus());
  EXPECT_EQ(Log, (std::vector<std::string>{"focus out", "click"}));
}

TEST_F(TStartButton, AnExceptionFromOnClickIsShownAndTheProgramGoesOn) {
  TErrorBoxes Boxes;
  Button->OnClick = [](TComponent*) { throw Exception("Host not found"); };
  QTest::mouseClick(Button, Qt::LeftButton);
  Button->OnClick = [this](TComponent*) { Log.push_back("click"); };
  QTest::mouseClick(Button, Qt::LeftButton);
  EXPECT_EQ(Boxes.Texts, std::vector<std::string>{"Host not found."});
  EXPECT_EQ(Log.back(), "click");
}
