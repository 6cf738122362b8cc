#include "ui/Form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <vector>

#include "support/OffscreenApplication.h"
#include "ui/PageControl.h"

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

namespace {

// A field above a notebook whose pages hold fields in the reverse of their
// making order; a page and its field are added after the order was applied.
struct FormPagesTest : FormTest {
  FormPagesTest() {
    Form->resize(300, 200);
    Pages->SetTabOrder(1);
    Pages->setGeometry(0, 40, 300, 160);
    for (int Index = 0; Index < 3; ++Index) {
      auto* const Page = new TTabSheet(Form.get(), Pages);
      Fields.emplace_back();
      // The middle page has nothing that takes the focus.
      if (Index != 1)
        Fields.back() = {new TProbeEdit(Form.get(), Page, 1), new TProbeEdit(Form.get(), Page, 0)};
    }
    Form->ApplyTabOrder();
    auto* const Later = new TTabSheet(Form.get(), Pages);
    Fields.push_back({new TProbeEdit(Form.get(), Later, 0)});
    Form->show();
    QApplication::setActiveWindow(Form.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  }

  // Where each Tab (or Shift+Tab) leads from where the focus is.
  std::vector<QWidget*> Walk(std::size_t Keys, Qt::KeyboardModifiers Modifiers) {
    std::vector<QWidget*> Result;
    for (std::size_t Key = 0; Key < Keys; ++Key) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Modifiers);
      Result.push_back(QApplication::focusWidget());
    }
    return Result;
  }

  TProbeEdit* Top = new TProbeEdit(Form.get(), Form.get(), 0);
  TPageControl* Pages = new TPageControl(Form.get(), Form.get());
  std::vector<std::vector<QWidget*>> Fields;
};

}  // namespace

TEST_F(FormPagesTest, TabGoesFromTheTabsIntoTheShownPageAndOnOutShiftTabBack) {
  // Each page's fields in their order, the page added later included.
  const std::vector<std::vector<QWidget*>> Inside{
      {Fields[0][1], Fields[0][0]}, {}, {Fields[2][1], Fields[2][0]}, {Fields[3][0]}};
  for (int Page = 0; Page < 4; ++Page) {
    Pages->SetActivePageIndex(Page);
    std::vector<QWidget*> Forward{Pages->tabBar()};
    Forward.insert(Forward.end(), Inside[Page].begin(), Inside[Page].end());
    Forward.push_back(Top);
    Top->setFocus();
    EXPECT_EQ(Walk(Forward.size(), Qt::NoModifier), Forward) << Page;
    std::vector<QWidget*> Backward(Forward.rbegin() + 1, Forward.rend());
    Backward.push_back(Top);
    EXPECT_EQ(Walk(Backward.size(), Qt::ShiftModifier), Backward) << Page;
  }
}

TEST_F(FormPagesTest, DisabledAndHiddenControlsArePassedOver) {
  Pages->SetActivePageIndex(0);
  Fields[0][1]->setEnabled(false);
  Top->setFocus();
  EXPECT_EQ(Walk(3, Qt::NoModifier), (std::vector<QWidget*>{Pages->tabBar(), Fields[0][0], Top}));
  Pages->hide();
  EXPECT_EQ(Walk(2, Qt::ShiftModifier), (std::vector<QWidget*>{Top, Top}));
}
