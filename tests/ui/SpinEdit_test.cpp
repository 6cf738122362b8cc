#include "ui/SpinEdit.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <climits>
#include <memory>

#include "support/OffscreenApplication.h"
#include "ui/MessageBeep.h"

namespace {

// The time-out field of the main window, beside a widget that can take the focus,
// in an active window; beeps are counted instead of sounded.
struct TTimeoutField : testing::Test {
  TTimeoutField() {
    Field->SetMinValue(100);
    Field->SetMaxValue(10000);
    Field->SetValue(1000);
    Field->setGeometry(111, 36, 66, 22);
    Other->setGeometry(10, 36, 80, 22);
    Window->resize(300, 100);
    Window->show();
    QApplication::setActiveWindow(Window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Field->setFocus();
    Previous = SetMessageBeepHook([this](unsigned int) { ++Beeps; });
  }
  ~TTimeoutField() override { SetMessageBeepHook(Previous); }

  void Type(const QString& Keys) { QTest::keyClicks(Field, Keys); }
  void LeaveField() {
    Other->setFocus();
    QApplication::processEvents();
  }
  bool WaitForText(const std::string& Text) {
    return QTest::qWaitFor([&] { return Field->Text() == Text; }, 2000);
  }
  // Points on the arrows, which sit at the field's right end, up above down.
  QPoint UpArrow() const { return {Field->width() - 5, 4}; }
  QPoint DownArrow() const { return {Field->width() - 5, Field->height() - 4}; }

  int StartApplication = (StartOffscreenApplication(), 0);
  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TSpinEdit* Field = new TSpinEdit(&Form, Window.get());
  QLineEdit* Other = new QLineEdit(Window.get());
  int Beeps = 0;
  TMessageBeepHook Previous;
};

struct TReadCase {
  const char* Text;
  int Value;
};

class TSpinEditRead : public TTimeoutField, public testing::WithParamInterface<TReadCase> {};

}  // namespace

TEST_P(TSpinEditRead, ReadsTheIntegerInTheTextOrTheMinimumWithoutClamping) {
  Field->SetText(GetParam().Text);
  EXPECT_EQ(Field->Value(), GetParam().Value);
  EXPECT_EQ(Field->Text(), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TSpinEditRead,
    testing::Values(TReadCase{"1000", 1000}, TReadCase{"50", 50}, TReadCase{"20000", 20000},
                    TReadCase{"-7", -7}, TReadCase{"+12", 12}, TReadCase{"2147483647", INT_MAX},
                    TReadCase{"-2147483648", INT_MIN}, TReadCase{"", 100}, TReadCase{"abc", 100},
                    TReadCase{"1.5", 100}, TReadCase{"12 ", 100}, TReadCase{"2147483648", 100},
                    TReadCase{"-2147483649", 100}, TReadCase{"99999999999999999999", 100},
                    // What the program's integer conversion accepts: leading blanks, hex.
                    TReadCase{"  300", 300}, TReadCase{"$1F4", 500}, TReadCase{"0x10", 16}));

TEST_F(TTimeoutField, SettingTheValueClampsItAndReplacesTheText) {
  Field->SetValue(50);
  EXPECT_EQ(Field->Text(), "100");
  Field->SetValue(20000);
  EXPECT_EQ(Field->Text(), "10000");
  Field->SetText("abc");
  Field->SetValue(4321);
  EXPECT_EQ(Field->Text(), "4321");
  // A field whose minimum equals its maximum has no range.
  Field->SetMinValue(5);
  Field->SetMaxValue(5);
  Field->SetValue(-3);
  EXPECT_EQ(Field->Text(), "-3");
}

TEST_F(TTimeoutField, LosingTheFocusClampsANumberOutsideTheRange) {
  Field->SetText("");
  Type("50");
  EXPECT_EQ(Field->Value(), 50);
  LeaveField();
  EXPECT_EQ(Field->Text(), "100");

  Field->setFocus();
  Field->SetText("123456");
  LeaveField();
  EXPECT_EQ(Field->Text(), "10000");
}

TEST_F(TTimeoutField, LosingTheFocusLeavesOtherTextsAsTheyAre) {
  for (const char* Text : {"", "abc", "1.5", "  300", "99999999999"}) {
    Field->setFocus();
    Field->SetText(Text);
    LeaveField();
    EXPECT_EQ(Field->Text(), Text);
  }
  EXPECT_EQ(Field->Value(), 100);
}

TEST_F(TTimeoutField, DisablingTheFocusedFieldClampsIt) {
  Field->SetText("5");
  Field->setEnabled(false);
  QApplication::processEvents();
  EXPECT_EQ(Field->Text(), "100");
}

TEST_F(TTimeoutField, UpAndDownKeysStepByTheIncrementWithinTheRange) {
  QTest::keyClick(Field, Qt::Key_Up);
  EXPECT_EQ(Field->Text(), "1001");
  Field->SetIncrement(10);
  QTest::keyClick(Field, Qt::Key_Down);
  QTest::keyClick(Field, Qt::Key_Down);
  EXPECT_EQ(Field->Text(), "981");

  Field->SetValue(10000);
  QTest::keyClick(Field, Qt::Key_Up);
  EXPECT_EQ(Field->Text(), "10000");
  // A step starts from the value read, out of range or not an integer.
  Field->SetText("95");
  QTest::keyClick(Field, Qt::Key_Up);
  EXPECT_EQ(Field->Text(), "105");
  Field->SetText("abc");
  QTest::keyClick(Field, Qt::Key_Down);
  EXPECT_EQ(Field->Text(), "100");
}

TEST_F(TTimeoutField, OnlyUpAndDownStepAndOnlyByOneIncrement) {
  const struct {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Text;
  } Keys[] = {{Qt::Key_PageUp, {}, "1000"},
              {Qt::Key_PageDown, {}, "1000"},
              {Qt::Key_Up, Qt::ControlModifier, "1001"},
              {Qt::Key_Down, Qt::ControlModifier, "999"},
              {Qt::Key_Up, Qt::ShiftModifier, "1001"}};
  for (const auto& K : Keys) {
    Field->SetValue(1000);
    QTest::keyClick(Field, K.Key, K.Modifiers);
    EXPECT_EQ(Field->Text(), K.Text) << K.Key << " " << K.Modifiers;
  }
}

TEST_F(TTimeoutField, TheWheelNeitherStepsNorFocusesTheField) {
  for (const bool Focused : {false, true}) {
    (Focused ? static_cast<QWidget*>(Field) : Other)->setFocus();
    for (const int Delta : {120, -120, 1200}) {
      QWheelEvent Wheel(QPointF(20, 10), Field->mapToGlobal(QPointF(20, 10)), {}, {0, Delta},
                        Qt::NoButton, {}, Qt::NoScrollPhase, false);
      QApplication::sendEvent(Field, &Wheel);
      EXPECT_EQ(Field->Text(), "1000") << Delta;
      EXPECT_EQ(Field->hasFocus(), Focused) << Delta;
    }
  }
}

TEST(SpinEditStep, AFieldWithoutARangeStopsAtThe32BitLimits) {
  StartOffscreenApplication();
  TSpinEdit Field(nullptr);
  Field.SetValue(INT_MAX);
  Field.stepBy(1);
  EXPECT_EQ(Field.Value(), INT_MAX);
  Field.SetValue(INT_MIN);
  Field.stepBy(-1);
  EXPECT_EQ(Field.Value(), INT_MIN);
}

TEST_F(TTimeoutField, TypingAcceptsDigitsSignsAndTheDecimalSeparator) {
  Field->SetText("");
  Type("+-12");
  Type(QLocale().decimalPoint());
  Type("5");
  EXPECT_EQ(Field->Text(), ("+-12" + QLocale().decimalPoint() + "5").toStdString());
  QTest::keyClick(Field, Qt::Key_Backspace);
  QTest::keyClick(Field, Qt::Key_Home);
  QTest::keyClick(Field, Qt::Key_Delete);
  EXPECT_EQ(Field->Text(), ("-12" + QLocale().decimalPoint()).toStdString());
  EXPECT_EQ(Beeps, 0);
}

TEST_F(TTimeoutField, TypingRefusesOtherCharactersAndEnterWithABeep) {
  Type("a $x");
  QTest::keyClick(Field, Qt::Key_Return);
  QTest::keyClick(Field, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Field->Text(), "1000");
  EXPECT_EQ(Beeps, 6);
}

TEST_F(TTimeoutField, PastedTextIsNotFiltered) {
  QApplication::clipboard()->setText("abc");
  Field->selectAll();
  QTest::keyClick(Field, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Field->Text(), "abc");
  EXPECT_EQ(Field->Value(), 100);
  EXPECT_EQ(Beeps, 0);
}

TEST_F(TTimeoutField, AnArrowStepsOnReleaseAndTakesTheFocus) {
  Other->setFocus();
  QTest::mousePress(Field, Qt::LeftButton, {}, UpArrow());
  EXPECT_TRUE(Field->hasFocus());
  EXPECT_EQ(Field->Text(), "1000");
  QTest::mouseRelease(Field, Qt::LeftButton, {}, UpArrow());
  EXPECT_EQ(Field->Text(), "1001");
  QTest::mouseClick(Field, Qt::LeftButton, {}, DownArrow());
  QTest::mouseClick(Field, Qt::LeftButton, {}, DownArrow());
  EXPECT_EQ(Field->Text(), "999");
}

TEST_F(TTimeoutField, AReleaseAwayFromTheArrowTakesNoStep) {
  QTest::mousePress(Field, Qt::LeftButton, {}, UpArrow());
  QTest::mouseMove(Field, {5, 5});
  QTest::mouseRelease(Field, Qt::LeftButton, {}, {5, 5});
  EXPECT_EQ(Field->Text(), "1000");
}

TEST_F(TTimeoutField, AHeldArrowRepeatsAfter400MsThenEvery100Ms) {
  // A busy machine can only make the timer late, never early.
  QElapsedTimer Held;
  Held.start();
  QTest::mousePress(Field, Qt::LeftButton, {}, UpArrow());
  ASSERT_TRUE(WaitForText("1001"));
  EXPECT_GE(Held.elapsed(), 400);
  ASSERT_TRUE(WaitForText("1003"));
  EXPECT_GE(Held.elapsed(), 600);
  QTest::mouseRelease(Field, Qt::LeftButton, {}, UpArrow());
  const std::string Released = Field->Text();
  EXPECT_TRUE(Released == "1004" || Released == "1005");  // one repeat may have come first
  QTest::qWait(250);
  EXPECT_EQ(Field->Text(), Released);
}

TEST_F(TTimeoutField, AHeldArrowPausesWhileThePointerIsAway) {
  QTest::mousePress(Field, Qt::LeftButton, {}, DownArrow());
  QTest::mouseMove(Field, {5, 5});
  QTest::qWait(650);
  EXPECT_EQ(Field->Text(), "1000");
  QTest::mouseMove(Field, DownArrow());
  EXPECT_TRUE(WaitForText("999"));
  QTest::mouseRelease(Field, Qt::LeftButton, {}, DownArrow());
}

TEST_F(TTimeoutField, AccessibilityShowsTheText) {
  QAccessibleInterface* Interface = QAccessible::queryAccessibleInterface(Field);
  ASSERT_NE(Interface, nullptr);
  Field->SetText("4321");
  EXPECT_EQ(Interface->text(QAccessible::Value), "4321");
}

TEST(SpinEditOwnership, EitherTheOwnerOrTheParentWidgetMayFreeTheField) {
  StartOffscreenApplication();
  {
    auto Parent = std::make_unique<QWidget>();
    TComponent Owner(nullptr);
    new TSpinEdit(&Owner, Parent.get());
    Parent.reset();
    EXPECT_EQ(Owner.ComponentCount(), 0);
  }
  QWidget Parent;
  auto Owner = std::make_unique<TComponent>(nullptr);
  new TSpinEdit(Owner.get(), &Parent);
  Owner.reset();
  EXPECT_TRUE(Parent.findChildren<TSpinEdit*>().isEmpty());
}
