#include "ui/Panel.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "support/OffscreenApplication.h"

namespace {

// A panel of 100 x 50 on a parent that is not shown, with one client-aligned
// control inside that shows the room the bevel leaves.
struct TPanelWithClient : TOffscreenApplication, testing::Test {
  TPanelWithClient() {
    Panel->SetBounds(0, 0, 100, 50);
    Client->SetBevelOuter(bvNone);
    Client->SetAlign(alClient);
  }

  QImage Picture() const { return Panel->grab().toImage(); }
  QColor Face() const { return Panel->palette().color(QPalette::Button); }

  TComponent Owner{nullptr};
  std::unique_ptr<QWidget> Parent = std::make_unique<QWidget>();
  TPanel* Panel = new TPanel(&Owner, Parent.get());
  TPanel* Client = new TPanel(&Owner, Panel);
};

QRect BoundsOf(const TControl* Control) { return Control->Widget()->geometry(); }

}  // namespace

TEST_F(TPanelWithClient, IsRaisedOnePixelWideInTheButtonFaceByDefault) {
  EXPECT_EQ(Panel->BevelOuter(), bvRaised);
  EXPECT_EQ(Panel->BevelWidth(), 1);
  EXPECT_EQ(BoundsOf(Client), QRect(1, 1, 98, 48));
  EXPECT_EQ(Panel->palette().color(QPalette::Window), Face());
  EXPECT_EQ(Panel->focusPolicy(), Qt::NoFocus);
  const QImage Image = Picture();
  // Light above and left, dark below and right, the face inside.
  EXPECT_GT(qGray(Image.pixel(0, 0)), qGray(Face().rgb()));
  EXPECT_GT(qGray(Image.pixel(50, 0)), qGray(Face().rgb()));
  EXPECT_LT(qGray(Image.pixel(99, 25)), qGray(Face().rgb()));
  EXPECT_LT(qGray(Image.pixel(50, 49)), qGray(Face().rgb()));
  EXPECT_EQ(Image.pixel(50, 25), Face().rgb());
}

TEST_F(TPanelWithClient, ALoweredBevelIsDarkAboveAndLightBelow) {
  Panel->SetBevelOuter(bvLowered);
  const QImage Image = Picture();
  EXPECT_LT(qGray(Image.pixel(50, 0)), qGray(Face().rgb()));
  EXPECT_GT(qGray(Image.pixel(50, 49)), qGray(Face().rgb()));
  EXPECT_EQ(BoundsOf(Client), QRect(1, 1, 98, 48));
}

TEST_F(TPanelWithClient, WithoutABevelTheControlsReachTheEdges) {
  Panel->SetBevelOuter(bvNone);
  EXPECT_EQ(BoundsOf(Client), QRect(0, 0, 100, 50));
  const QImage Image = Picture();
  EXPECT_EQ(Image.pixel(0, 0), Face().rgb());
  EXPECT_EQ(Image.pixel(99, 49), Face().rgb());
}

TEST_F(TPanelWithClient, AWiderBevelInsetsTheControlsByItsWidth) {
  Panel->SetBevelWidth(3);
  EXPECT_EQ(BoundsOf(Client), QRect(3, 3, 94, 44));
  EXPECT_LT(qGray(Picture().pixel(50, 47)), qGray(Face().rgb()));
  // No bevel is narrower than a pixel.
  Panel->SetBevelWidth(0);
  EXPECT_EQ(Panel->BevelWidth(), 1);
  EXPECT_EQ(BoundsOf(Client), QRect(1, 1, 98, 48));
}
