#include "ui/Form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "support/OffscreenApplication.h"

namespace {

// A focusable control of the framework, for the keyboard order.
class TProbeEdit : public QLineEdit, public TControl {
 public:
  TProbeEdit(TComponent* AOwner, QWidget* AParent, int ATabOrder)
      : QLineEdit(AParent), TControl(AOwner, this) {
    SetTabOrder(ATabOrder);
  }
};

class TProbePanel : public QWidget, public TControl {
 public:
  TProbePanel(TComponent* AOwner, QWidget* AParent, int ATabOrder)
      : QWidget(AParent), TControl(AOwner, this) {
    SetTabOrder(ATabOrder);
  }
};

// The widgets that Tab reaches, in the order it reaches them from the form.
std::vector<QWidget*> FocusOrder(QWidget& Form) {
  std::vector<QWidget*> Result;
  for (QWidget* Widget = Form.nextInFocusChain(); Widget != &Form && Result.size() < 100;
       Widget = Widget->nextInFocusChain())
    if (Widget->focusPolicy() & Qt::TabFocus) Result.push_back(Widget);
  return Result;
}

struct FormTest : testing::Test, TOffscreenApplication {
  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
};

}  // namespace

TEST_F(FormTest, HasTheDesignedFaceAndCaption) {
  Form->SetCaption("QK Quorvel");
  Form->SetClientSize(574, 455);
  EXPECT_EQ(Form->Caption(), "QK Quorvel");
  EXPECT_EQ(Form->windowTitle(), "QK Quorvel");
  EXPECT_EQ(Form->ClientWidth(), 574);
  EXPECT_EQ(Form->ClientHeight(), 455);
  EXPECT_EQ(Form->font().pixelSize(), 11);
  EXPECT_EQ(Form->font().styleHint(), QFont::SansSerif);
  EXPECT_TRUE(Form->FontStyle() == TFontStyles{});
}

TEST_F(FormTest, KeyboardOrderFollowsTabOrdersDepthFirst) {
  // Two parents in the reverse of their making order, each with two fields
  // in the reverse of theirs.
  auto* Second = new TProbePanel(Form.get(), Form.get(), 1);
  auto* First = new TProbePanel(Form.get(), Form.get(), 0);
  auto* D = new TProbeEdit(Form.get(), Second, 1);
  auto* C = new TProbeEdit(Form.get(), Second, 0);
  auto* B = new TProbeEdit(Form.get(), First, 1);
  auto* A = new TProbeEdit(Form.get(), First, 0);
  Form->ApplyTabOrder();
  EXPECT_EQ(FocusOrder(*Form), (std::vector<QWidget*>{A, B, C, D}));
}

TEST_F(FormTest, TheWindowFocusesTheFirstControlAndTabMovesOnInTheOrder) {
  auto* Later = new TProbeEdit(Form.get(), Form.get(), 1);
  auto* Earlier = new TProbeEdit(Form.get(), Form.get(), 0);
  Form->ApplyTabOrder();
  Form->show();
  QApplication::setActiveWindow(Form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  // The window focuses the first control of the order, not the first one made.
  EXPECT_TRUE(Earlier->hasFocus());
  QTest::keyClick(Earlier, Qt::Key_Tab);
  EXPECT_TRUE(Later->hasFocus());
}

TEST_F(FormTest, ClosingHidesTheFormWithoutFreeingIt) {
  QPointer<TForm> Alive(Form.get());
  Form->show();
  Form->close();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_FALSE(Alive.isNull());
}

TEST_F(FormTest, ControlsOwnedByTheFormAreFreedWithIt) {
  QPointer<QLineEdit> Edit(new TProbeEdit(Form.get(), Form.get(), 0));
  Form.reset();
  EXPECT_TRUE(Edit.isNull());
}
