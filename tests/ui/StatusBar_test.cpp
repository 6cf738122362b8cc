#include "ui/StatusBar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>

#include "support/OffscreenApplication.h"
#include "ui/Form.h"

namespace {

// The window's status bar as designed: aligned to the bottom of a shown form.
struct TWindowStatusBar : TOffscreenApplication, testing::Test {
  TWindowStatusBar() {
    Form->SetClientSize(574, 455);
    StatusBar->SetSimplePanel(false);
    StatusBar->SetSizeGrip(true);
    StatusBar->SetAlign(alBottom);
    Form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  }

  QSizeGrip* Grip() const { return StatusBar->findChild<QSizeGrip*>(); }
  QImage Picture() const { return StatusBar->grab().toImage(); }
  QRgb Face() const { return StatusBar->palette().color(QPalette::Button).rgb(); }

  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TStatusBar* StatusBar = new TStatusBar(Form.get(), Form.get());
};

}  // namespace

TEST_F(TWindowStatusBar, IsNineteenPixelsHighAlongTheBottom) {
  EXPECT_EQ(StatusBar->Height(), 19);
  EXPECT_EQ(StatusBar->geometry(), QRect(0, 436, 574, 19));
  EXPECT_EQ(StatusBar->focusPolicy(), Qt::NoFocus);
  Form->SetClientSize(800, 100);
  EXPECT_EQ(StatusBar->geometry(), QRect(0, 81, 800, 19));
}

TEST_F(TWindowStatusBar, ShowsTheSizeGripInItsBottomRightCorner) {
  ASSERT_NE(Grip(), nullptr);
  EXPECT_TRUE(StatusBar->SizeGrip());
  EXPECT_TRUE(Grip()->isVisible());
  const QRect Bounds = Grip()->geometry();
  EXPECT_EQ(Bounds.right(), 573);
  EXPECT_EQ(Bounds.bottom(), 18);
  EXPECT_GE(Bounds.top(), 0);
  Form->SetClientSize(700, 455);
  EXPECT_EQ(Grip()->geometry().right(), 699);
  StatusBar->SetSizeGrip(false);
  EXPECT_FALSE(Grip()->isVisible());
}

TEST_F(TWindowStatusBar, HoldsNothingButTheGripAndShowsOnlyTheFace) {
  EXPECT_EQ(StatusBar->findChildren<QWidget*>(), QList<QWidget*>{Grip()});
  StatusBar->SetSizeGrip(false);
  const QImage Image = Picture();
  for (const QPoint Point : {QPoint(0, 0), QPoint(300, 9), QPoint(573, 18), QPoint(0, 18)})
    EXPECT_EQ(Image.pixel(Point), Face()) << Point.x() << "," << Point.y();
}

TEST_F(TWindowStatusBar, TheSimplePanelIsOneSunkenPanelBesideTheGrip) {
  StatusBar->SetSimplePanel(true);
  const QImage Image = Picture();
  EXPECT_LT(qGray(Image.pixel(0, 0)), qGray(Face()));
  EXPECT_GT(qGray(Image.pixel(300, 18)), qGray(Face()));
  EXPECT_EQ(Image.pixel(300, 9), Face());
  const int GripLeft = Grip()->geometry().left();
  EXPECT_GT(qGray(Image.pixel(GripLeft - 1, 9)), qGray(Face()));
}
