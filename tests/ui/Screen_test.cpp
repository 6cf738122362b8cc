#include "ui/Screen.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "support/OffscreenApplication.h"

namespace {

struct TScreenCursor : TOffscreenApplication, testing::Test {
  ~TScreenCursor() override { Screen->SetCursor(crDefault); }

  static Qt::CursorShape Override() {
    const QCursor* const Cursor = QGuiApplication::overrideCursor();
    return Cursor != nullptr ? Cursor->shape() : Qt::BitmapCursor;
  }
};

}  // namespace

TEST_F(TScreenCursor, ShowsTheCursorOverAllWindowsUntilTheDefaultComesBack) {
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EXPECT_EQ(Override(), Qt::WaitCursor);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TScreenCursor, TheHourGlassSetTwiceGoesWithOneDefault) {
  Screen->SetCursor(crHourGlass);
  Screen->SetCursor(crHourGlass);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TScreenCursor, ChangingTheCursorKeepsOneEntryOnTheStack) {
  Screen->SetCursor(crHourGlass);
  Screen->SetCursor(crHandPoint);
  Screen->SetCursor(crArrow);
  EXPECT_EQ(Override(), Qt::ArrowCursor);
  EXPECT_EQ(Screen->Cursor(), crArrow);
  QGuiApplication::restoreOverrideCursor();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
