#include "ui/SpeedButton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "support/OffscreenApplication.h"

namespace {

// The window's chart toggle as designed (group 2, all may be up) beside a
// focused field, in an active window; clicks are counted with the state they see.
struct TGradientButton : TOffscreenApplication, testing::Test {
  TGradientButton() {
    Button->SetBounds(200, 10, 75, 25);
    Button->SetCaption(" Gradient");
    Button->SetGroupIndex(2);
    Button->SetAllowAllUp(true);
    Button->OnClick = [this](TComponent* Sender) {
      EXPECT_EQ(Sender, Button);
      Seen.push_back(Button->Down());
    };
    Field->setGeometry(10, 10, 80, 22);
    Window->resize(300, 100);
    Window->show();
    QApplication::setActiveWindow(Window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Field->setFocus();
  }

  void Click(TSpeedButton* Target) { QTest::mouseClick(Target, Qt::LeftButton); }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TSpeedButton* Button = new TSpeedButton(&Form, Window.get());
  QLineEdit* Field = new QLineEdit(Window.get());
  // Down() as each OnClick found it.
  std::vector<bool> Seen;
};

}  // namespace

TEST_F(TGradientButton, ClicksFlipItBeforeOnClickAndSetDownRunsNothing) {
  EXPECT_EQ(Button->Caption(), " Gradient");
  EXPECT_FALSE(Button->Down());
  Click(Button);
  EXPECT_TRUE(Button->Down());
  Click(Button);
  EXPECT_FALSE(Button->Down());
  Click(Button);
  EXPECT_EQ(Seen, (std::vector<bool>{true, false, true}));
  // Set from the program, it runs nothing.
  Button->SetDown(false);
  EXPECT_FALSE(Button->Down());
  Button->SetDown(true);
  EXPECT_TRUE(Button->Down());
  EXPECT_EQ(Seen.size(), 3U);
}

TEST_F(TGradientButton, NeitherAClickNorTabGivesItTheFocus) {
  Click(Button);
  EXPECT_TRUE(Field->hasFocus());
  QTest::keyClick(Field, Qt::Key_Tab);
  EXPECT_TRUE(Field->hasFocus());
}

TEST_F(TGradientButton, InGroupZeroItIsAPlainButtonThatNeverStaysDown) {
  Button->SetDown(true);
  Button->SetGroupIndex(0);
  EXPECT_FALSE(Button->Down());
  Click(Button);
  Button->SetDown(true);
  EXPECT_FALSE(Button->Down());
  EXPECT_EQ(Seen, std::vector<bool>{false});
}

TEST_F(TGradientButton, OneButtonOfAGroupIsDownAndWithoutAllowAllUpItStaysDown) {
  auto* const Other = new TSpeedButton(&Form, Window.get());
  Other->SetGroupIndex(2);
  Button->SetAllowAllUp(true);
  EXPECT_TRUE(Other->AllowAllUp());
  Button->SetAllowAllUp(false);
  EXPECT_FALSE(Other->AllowAllUp());
  Click(Button);
  Click(Other);
  EXPECT_FALSE(Button->Down());
  EXPECT_TRUE(Other->Down());
  Click(Other);
  Other->SetDown(false);
  EXPECT_TRUE(Other->Down());
  Button->SetDown(true);
  EXPECT_FALSE(Other->Down());
}

TEST_F(TGradientButton, AccessibilityShowsAToggleWithItsState) {
  QAccessibleInterface* const Interface = QAccessible::queryAccessibleInterface(Button);
  ASSERT_NE(Interface, nullptr);
  EXPECT_EQ(Interface->text(QAccessible::Name), " Gradient");
  EXPECT_TRUE(Interface->state().checkable);
  EXPECT_FALSE(Interface->state().checked);
  Click(Button);
  EXPECT_TRUE(Interface->state().checked);
  EXPECT_EQ(Interface->role(), QAccessible::CheckBox);
}
