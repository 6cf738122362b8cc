#include "ui/AlignLayout.h"

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <array>
#include <memory>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"
#include "ui/Form.h"
#include "ui/Panel.h"

namespace {

using TBounds = std::array<int, 4>;

TBounds Bounds(const TControl* Control) {
  return {Control->Left(), Control->Top(), Control->Width(), Control->Height()};
}

// The main window's tree at its designed size, built from plain panels: the
// pages, the splitter, the chart and the status bar are panels standing in.
// The bottom controls are aligned from the bottom edge upwards.
struct TDesignedWindow : TOffscreenApplication, testing::Test {
  TDesignedWindow() {
    Form->SetClientSize(574, 455);
    Panel1->SetHeight(66);
    Panel1->SetMinWidth(574);
    Panel1->SetAlign(alTop);
    Pages->SetAlign(alClient);
    StatusBar->SetHeight(19);
    StatusBar->SetAlign(alBottom);
    Panel2->SetHeight(150);
    Panel2->SetAlign(alBottom);
    Splitter->SetHeight(4);
    Splitter->SetAlign(alBottom);
    Panel3->SetWidth(125);
    Panel3->SetAlign(alRight);
    Chart->SetAlign(alClient);
  }

  void ExpectDesignedBottomHalf() {
    EXPECT_EQ(Bounds(Panel3), (TBounds{448, 1, 125, 148}));
    EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 447, 148}));
  }

  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TPanel* Panel1 = new TPanel(Form.get(), Form.get());
  TPanel* Pages = new TPanel(Form.get(), Form.get());
  TPanel* Splitter = new TPanel(Form.get(), Form.get());
  TPanel* Panel2 = new TPanel(Form.get(), Form.get());
  TPanel* StatusBar = new TPanel(Form.get(), Form.get());
  TPanel* Panel3 = new TPanel(Form.get(), Panel2);
  TPanel* Chart = new TPanel(Form.get(), Panel2);
};

}  // namespace

TEST_F(TDesignedWindow, PlacesTheDesignedTreeBeforeTheWindowIsShown) {
  EXPECT_EQ(Bounds(Panel1), (TBounds{0, 0, 574, 66}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 216}));
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 282, 574, 4}));
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 286, 574, 150}));
  EXPECT_EQ(Bounds(StatusBar), (TBounds{0, 436, 574, 19}));
  ExpectDesignedBottomHalf();
}

TEST_F(TDesignedWindow, TheClientControlsTakeAResizeAndTheEdgesKeepTheirExtents) {
  Form->Show();
  Form->SetClientSize(800, 600);
  EXPECT_EQ(Bounds(Panel1), (TBounds{0, 0, 800, 66}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 800, 361}));
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 427, 800, 4}));
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 431, 800, 150}));
  EXPECT_EQ(Bounds(StatusBar), (TBounds{0, 581, 800, 19}));
  EXPECT_EQ(Bounds(Panel3), (TBounds{674, 1, 125, 148}));
  EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 673, 148}));
  Form->SetClientSize(574, 455);
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 216}));
  ExpectDesignedBottomHalf();
}

TEST_F(TDesignedWindow, AResizeBeforeTheWindowIsShownIsLaidOutWhenShown) {
  Form->SetClientSize(800, 600);
  Form->Show();
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 800, 361}));
  EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 673, 148}));
}

TEST_F(TDesignedWindow, TheWindowKeepsTheTopPanelsMinimumWidthButShrinksInHeight) {
  Form->SetClientSize(400, 455);
  EXPECT_EQ(Form->ClientWidth(), 574);
  Form->Show();
  Form->SetClientSize(400, 455);
  EXPECT_EQ(Form->ClientWidth(), 574);
  EXPECT_EQ(Form->minimumHeight(), 0);
  Form->SetClientSize(574, 40);
  EXPECT_EQ(Form->ClientHeight(), 40);
  // The edges keep their heights; the pages have nothing left.
  EXPECT_EQ(Bounds(StatusBar), (TBounds{0, 21, 574, 19}));
  EXPECT_EQ(Pages->Height(), 0);
}

TEST_F(TDesignedWindow, AMinimumWidthInsideABevelledPanelCountsTheBevel) {
  auto* Inner = new TPanel(Form.get(), Panel1);
  Inner->SetMinWidth(600);
  Inner->SetAlign(alTop);
  Panel1->SetAlign(alNone);
  Panel1->SetAlign(alTop);
  EXPECT_EQ(Form->ClientWidth(), 602);
  EXPECT_EQ(Bounds(Inner), (TBounds{1, 1, 600, Inner->Height()}));
}

TEST_F(TDesignedWindow, HiddenControlsTakeNoRoomAtOnce) {
  for (const bool Shown : {false, true}) {
    SCOPED_TRACE(Shown ? "shown" : "not shown yet");
    if (Shown) Form->Show();
    Panel2->SetVisible(false);
    EXPECT_EQ(Bounds(Splitter), (TBounds{0, 432, 574, 4}));
    EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 366}));
    Panel2->SetVisible(true);
    EXPECT_EQ(Bounds(Splitter), (TBounds{0, 282, 574, 4}));
    EXPECT_EQ(Bounds(Panel2), (TBounds{0, 286, 574, 150}));
    Panel3->SetVisible(false);
    EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 572, 148}));
    Panel3->SetVisible(true);
    ExpectDesignedBottomHalf();
  }
}

TEST_F(TDesignedWindow, SettingTheExtentOfAnAlignedControlRealigns) {
  Panel2->SetHeight(200);
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 236, 574, 200}));
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 232, 574, 4}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 166}));
  EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 447, 198}));
  // Only the extent that the alignment leaves counts: the rest is overruled.
  Panel3->SetBounds(5, 5, 100, 20);
  EXPECT_EQ(Bounds(Panel3), (TBounds{473, 1, 100, 198}));
  EXPECT_EQ(Bounds(Chart), (TBounds{1, 1, 472, 198}));
  Panel2->SetHeight(0);
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 436, 574, 0}));
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 432, 574, 4}));
}

TEST_F(TDesignedWindow, AlNoneTakesThePlacementBackWhereTheControlIs) {
  Panel2->SetAlign(alNone);
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 286, 574, 150}));
  // The others close the gap at once.
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 432, 574, 4}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 366}));
  Form->Show();
  Form->SetClientSize(800, 600);
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 286, 574, 150}));
  Panel2->SetBounds(10, 20, 30, 40);
  EXPECT_EQ(Bounds(Panel2), (TBounds{10, 20, 30, 40}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 800, 511}));
}

TEST_F(TDesignedWindow, AligningAgainMovesAControlToTheInnerEndOfItsSide) {
  StatusBar->SetAlign(alTop);
  EXPECT_EQ(Bounds(StatusBar), (TBounds{0, 66, 574, 19}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 85, 574, 216}));
  EXPECT_EQ(Bounds(Panel2), (TBounds{0, 305, 574, 150}));
  StatusBar->SetAlign(alBottom);
  EXPECT_EQ(Bounds(StatusBar), (TBounds{0, 282, 574, 19}));
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 301, 574, 4}));
}

TEST_F(TDesignedWindow, AFreedControlLeavesItsRoomToTheOthers) {
  delete Panel2;
  EXPECT_EQ(Bounds(Splitter), (TBounds{0, 432, 574, 4}));
  EXPECT_EQ(Bounds(Pages), (TBounds{0, 66, 574, 366}));
  EXPECT_EQ(Form->ComponentCount(), 4);
}

TEST(AlignLayout, EitherTheOwnerOrTheParentMayFreeAlignedControls) {
  StartOffscreenApplication();
  {
    TComponent Owner(nullptr);
    auto* Parent = new TPanel(&Owner, nullptr);
    (new TPanel(&Owner, Parent))->SetAlign(alTop);
    (new TPanel(&Owner, Parent))->SetAlign(alClient);
    delete Parent;
    EXPECT_EQ(Owner.ComponentCount(), 0);
  }
  {
    auto Parent = std::make_unique<QWidget>();
    auto Owner = std::make_unique<TComponent>(nullptr);
    (new TPanel(Owner.get(), Parent.get()))->SetAlign(alTop);
    auto* Client = new TPanel(Owner.get(), Parent.get());
    Client->SetAlign(alClient);
    Parent->resize(100, 100);
    Owner.reset();
    EXPECT_TRUE(Parent->findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(Parent->layout()->count(), 0);
  }
}

TEST(AlignLayout, AParentWithAnotherLayoutRefusesAlignment) {
  StartOffscreenApplication();
  QWidget Parent;
  new QHBoxLayout(&Parent);
  TComponent Owner(nullptr);
  TPanel Panel(&Owner, &Parent);
  EXPECT_THROW(Panel.SetAlign(alTop), Exception);
  EXPECT_EQ(Panel.Align(), alNone);
}
