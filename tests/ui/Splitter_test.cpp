#include "ui/Splitter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>
#include <stdexcept>

#include "support/OffscreenApplication.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/Panel.h"

namespace {

// The main window's splitter between the pages and the bottom panel, in a shown
// form of the designed size; panels stand in for the other controls, made and
// aligned in the window's order, so the status bar comes first. Pointer
// positions are the y of the form, where the splitter starts at 282.
struct TWindowSplitter : TOffscreenApplication, testing::Test {
  TWindowSplitter() {
    Form->SetClientSize(574, 455);
    Panel1->SetHeight(66);
    Panel1->SetAlign(alTop);
    StatusBar->SetHeight(19);
    StatusBar->SetAlign(alBottom);
    Panel2->SetHeight(150);
    Panel2->SetAlign(alBottom);
    Splitter->SetHeight(4);
    Splitter->SetAlign(alBottom);
    Pages->SetAlign(alClient);
    Chart->SetAlign(alClient);
    Form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  }

  QPoint At(int Y) const { return Splitter->mapFromParent(QPoint(200, Y)); }
  void Press(int Y) { QTest::mousePress(Splitter, Qt::LeftButton, {}, At(Y)); }
  void MoveTo(int Y) { QTest::mouseMove(Splitter, At(Y)); }
  void Release(int Y) { QTest::mouseRelease(Splitter, Qt::LeftButton, {}, At(Y)); }
  void Drag(int FromY, int ToY) {
    Press(FromY);
    MoveTo(ToY);
    Release(ToY);
  }
  // The line that a drag shows: the one child of the form that is no control.
  QWidget* Line() const {
    QWidget* Result = nullptr;
    for (QWidget* const Child : Form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (ControlOf(Child) == nullptr) Result = Child;
    return Result;
  }

  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TPanel* Panel1 = new TPanel(Form.get(), Form.get());
  TPanel* StatusBar = new TPanel(Form.get(), Form.get());
  TPanel* Panel2 = new TPanel(Form.get(), Form.get());
  TSplitter* Splitter = new TSplitter(Form.get(), Form.get());
  TPanel* Pages = new TPanel(Form.get(), Form.get());
  TPanel* Chart = new TPanel(Form.get(), Panel2);
};

}  // namespace

TEST_F(TWindowSplitter, ShowsTheVerticalResizePointerAndTakesNoFocus) {
  EXPECT_EQ(Splitter->geometry(), QRect(0, 282, 574, 4));
  EXPECT_EQ(Splitter->cursor().shape(), Qt::SplitVCursor);
  Press(284);
  EXPECT_FALSE(Splitter->hasFocus());
  Release(284);
  EXPECT_EQ(Panel2->Height(), 150);
}

TEST_F(TWindowSplitter, AHatchedLineFollowsTheDragAndThePanelChangesOnRelease) {
  Press(284);
  ASSERT_NE(Line(), nullptr);
  EXPECT_EQ(Line()->geometry(), QRect(0, 282, 574, 4));
  MoveTo(184);
  EXPECT_EQ(Line()->geometry(), QRect(0, 182, 574, 4));
  EXPECT_EQ(Panel2->Height(), 150);
  MoveTo(234);
  EXPECT_EQ(Line()->geometry(), QRect(0, 232, 574, 4));
  // The line lies over the controls, hatched: neighbouring pixels differ.
  const QImage Image = Form->grab(QRect(100, 232, 2, 1)).toImage();
  EXPECT_NE(Image.pixel(0, 0), Image.pixel(1, 0));
  EXPECT_EQ(Panel2->Height(), 150);
  Release(234);
  EXPECT_EQ(Line(), nullptr);
  EXPECT_EQ(Panel2->geometry(), QRect(0, 236, 574, 200));
  EXPECT_EQ(Splitter->geometry(), QRect(0, 232, 574, 4));
  EXPECT_EQ(Pages->geometry(), QRect(0, 66, 574, 166));
  EXPECT_EQ(Chart->Height(), 198);
}

TEST_F(TWindowSplitter, ThePanelLeavesMinSizeToThePages) {
  Drag(284, 0);
  EXPECT_EQ(Panel2->Height(), 336);
  EXPECT_EQ(Pages->Height(), 30);
  // From there a drag further up changes nothing.
  Drag(Splitter->Top() + 2, 10);
  EXPECT_EQ(Pages->Height(), 30);
}

TEST_F(TWindowSplitter, ThePanelIsAtLeastMinSizeWithoutAutoSnap) {
  Splitter->SetAutoSnap(false);
  Drag(284, 440);
  EXPECT_EQ(Panel2->Height(), 30);
  Splitter->SetMinSize(50);
  Drag(Splitter->Top() + 2, 200);
  Drag(Splitter->Top() + 2, 440);
  EXPECT_EQ(Panel2->Height(), 50);
}

TEST_F(TWindowSplitter, ADragToMinSizeOrLessCollapsesThePanel) {
  Drag(284, 403);
  EXPECT_EQ(Panel2->Height(), 31);
  Drag(Splitter->Top() + 2, Splitter->Top() + 3);
  EXPECT_EQ(Panel2->Height(), 0);
  EXPECT_EQ(Chart->Height(), 0);
  EXPECT_EQ(Splitter->geometry(), QRect(0, 432, 574, 4));
  EXPECT_EQ(Pages->Height(), 366);
  // While it is dragged, the line shows where the splitter will end up.
  Drag(434, 300);
  ASSERT_EQ(Panel2->Height(), 134);
  Press(302);
  MoveTo(410);
  EXPECT_EQ(Line()->geometry(), QRect(0, 432, 574, 4));
  Release(410);
  EXPECT_EQ(Panel2->Height(), 0);
}

TEST_F(TWindowSplitter, ACollapsedPanelCanBeDraggedOpenAgain) {
  Drag(284, 440);
  ASSERT_EQ(Panel2->Height(), 0);
  // A drag of no more than MinSize leaves it collapsed.
  Drag(434, 404);
  EXPECT_EQ(Panel2->Height(), 0);
  Drag(434, 334);
  EXPECT_EQ(Panel2->geometry(), QRect(0, 336, 574, 100));
  EXPECT_EQ(Chart->Height(), 98);
  EXPECT_EQ(StatusBar->geometry(), QRect(0, 436, 574, 19));
}

TEST_F(TWindowSplitter, UpdateStyleResizesAsThePointerMoves) {
  Splitter->SetResizeStyle(rsUpdate);
  Press(284);
  MoveTo(184);
  EXPECT_EQ(Line(), nullptr);
  EXPECT_EQ(Panel2->Height(), 250);
  EXPECT_EQ(Splitter->Top(), 182);
  MoveTo(234);
  EXPECT_EQ(Panel2->Height(), 200);
  Release(234);
  EXPECT_EQ(Panel2->Height(), 200);
}

TEST_F(TWindowSplitter, LineStyleShowsASolidLineAndNoneShowsNothing) {
  Splitter->SetResizeStyle(rsLine);
  Press(284);
  MoveTo(234);
  const QImage Image = Form->grab(QRect(100, 232, 2, 1)).toImage();
  EXPECT_EQ(Image.pixel(0, 0), Image.pixel(1, 0));
  EXPECT_NE(Image.pixel(0, 0), Form->palette().color(QPalette::Button).rgb());
  Release(234);
  Splitter->SetResizeStyle(rsNone);
  Press(Splitter->Top() + 2);
  MoveTo(Splitter->Top() - 48);
  EXPECT_EQ(Line(), nullptr);
  EXPECT_EQ(Panel2->Height(), 200);
  Release(Splitter->Top() - 48);
  EXPECT_EQ(Panel2->Height(), 250);
}

TEST_F(TWindowSplitter, OnMovedComesAfterTheResizeAndMayFail) {
  int Calls = 0;
  int HeightSeen = 0;
  Splitter->OnMoved = [&](TComponent* Sender) {
    ++Calls;
    EXPECT_EQ(Sender, Splitter);
    HeightSeen = Panel2->Height();
    throw std::runtime_error("Handler failed");
  };
  std::string Shown;
  const TMessageBoxHook Previous = SetMessageBoxHook([&](const std::string& Text, auto&&...) {
    Shown = Text;
    return IDOK;
  });
  Drag(284, 234);
  SetMessageBoxHook(Previous);
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(HeightSeen, 200);
  EXPECT_EQ(Shown, "Handler failed.");
  EXPECT_EQ(Line(), nullptr);
  MoveTo(200);
  EXPECT_EQ(Panel2->Height(), 200);
}

TEST_F(TWindowSplitter, ATopSplitterResizesTheControlAboveIt) {
  auto* Upper = new TSplitter(Form.get(), Form.get());
  Upper->SetAlign(alTop);
  Upper->SetVisible(true);  // made after the form was shown
  ASSERT_EQ(Upper->geometry(), QRect(0, 66, 574, 3));
  Drag(0, 0);  // none of this one's business
  QTest::mousePress(Upper, Qt::LeftButton, {}, QPoint(10, 1));
  QTest::mouseMove(Upper, QPoint(10, 21));
  QTest::mouseRelease(Upper, Qt::LeftButton, {}, QPoint(10, 21));
  EXPECT_EQ(Panel1->Height(), 86);
  EXPECT_EQ(Upper->Top(), 86);
}

TEST_F(TWindowSplitter, ASplitterWithNothingToResizeIgnoresTheMouse) {
  Splitter->SetAlign(alNone);
  Splitter->SetBounds(0, 100, 574, 4);
  QTest::mousePress(Splitter, Qt::LeftButton, {}, QPoint(10, 2));
  EXPECT_EQ(Line(), nullptr);
  QTest::mouseMove(Splitter, QPoint(10, 50));
  QTest::mouseRelease(Splitter, Qt::LeftButton, {}, QPoint(10, 50));
  EXPECT_EQ(Panel2->Height(), 150);
  EXPECT_EQ(Splitter->geometry(), QRect(0, 100, 574, 4));
}
