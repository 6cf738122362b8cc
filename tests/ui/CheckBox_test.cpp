#include "ui/CheckBox.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "support/OffscreenApplication.h"

namespace {

// A check box of the settings page, shown; its OnClick handler counts.
struct TSettingBox : TOffscreenApplication, testing::Test {
  TSettingBox() {
    Box->SetBounds(8, 8, 150, 17);
    Box->SetCaption(" Resolve addresses ");
    Box->OnClick = [this](TComponent* Sender) {
      EXPECT_EQ(Sender, Box);
      ++Clicks;
    };
    Window->resize(200, 40);
    Window->show();
  }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TCheckBox* Box = new TCheckBox(&Form, Window.get());
  int Clicks = 0;
};

}  // namespace

TEST_F(TSettingBox, AUserClickTogglesItAndRunsOnClick) {
  EXPECT_EQ(Box->Caption(), " Resolve addresses ");
  QTest::mouseClick(Box, Qt::LeftButton, {}, {5, Box->height() / 2});
  EXPECT_TRUE(Box->Checked());
  QTest::mouseClick(Box, Qt::LeftButton, {}, {5, Box->height() / 2});
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(Clicks, 2);
}

TEST_F(TSettingBox, SetCheckedRunsOnClickOnlyWhenItChangesTheState) {
  for (const bool Value : {false, true, true, false}) Box->SetChecked(Value);
  EXPECT_EQ(Clicks, 2);
}
