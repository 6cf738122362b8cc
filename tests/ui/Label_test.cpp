#include "ui/Label.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <memory>

#include "support/OffscreenApplication.h"

namespace {

// The web-site link of the About page, shown, with handlers that note the
// events and style the link as the window does.
struct TLinkLabel : TOffscreenApplication, testing::Test {
  TLinkLabel() {
    Label->SetBounds(40, 30, 10, 10);
    Label->SetCaption("www.example.test");
    Label->SetFontColor(clBlue);
    Label->SetCursor(crHandPoint);
    Label->OnMouseEnter = [this](TComponent*) {
      Events.push_back("enter");
      Label->SetFontStyle({fsUnderline});
    };
    Label->OnMouseLeave = [this](TComponent*) {
      Events.push_back("leave");
      Label->SetFontStyle({});
    };
    Label->OnClick = [this](TComponent* Sender) {
      EXPECT_EQ(Sender, Label);
      Events.push_back("click");
    };
    Window->resize(300, 100);
    Window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    QTest::mouseMove(Window.get(), {5, 5});
  }

  QSize TextSize(const std::string& Caption) const {
    return Label->fontMetrics().size(0, QString::fromStdString(Caption));
  }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TLabel* Label = new TLabel(&Form, Window.get());
  std::vector<std::string> Events;
};

}  // namespace

TEST_F(TLinkLabel, TheMouseComingInAndGoingOutRunsTheHandlers) {
  QTest::mouseMove(Label, Label->rect().center());
  EXPECT_EQ(Events, std::vector<std::string>{"enter"});
  EXPECT_TRUE(Label->FontStyle().Contains(fsUnderline));
  QTest::mouseMove(Window.get(), {5, 5});
  EXPECT_EQ(Events, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(Label->FontStyle(), TFontStyles{});
}

TEST_F(TLinkLabel, ALeftClickOnTheLabelRunsOnClickOnce) {
  QTest::mouseMove(Label, Label->rect().center());
  QTest::mouseClick(Label, Qt::LeftButton, {}, Label->rect().center());
  EXPECT_EQ(Events, (std::vector<std::string>{"enter", "click"}));
  // Released away from the label, or with another button: no click.
  QTest::mousePress(Label, Qt::LeftButton, {}, {2, 2});
  QTest::mouseRelease(Label, Qt::LeftButton, {}, {Label->width() + 20, 2});
  QTest::mouseClick(Label, Qt::RightButton, {}, {2, 2});
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 1);
}

TEST_F(TLinkLabel, AutoSizeFitsTheTextWheneverTheCaptionOrFontChanges) {
  EXPECT_EQ(Label->size(), TextSize("www.example.test"));
  EXPECT_EQ(Label->pos(), QPoint(40, 30));
  Label->SetFontStyle({fsBold});
  EXPECT_EQ(Label->size(), TextSize("www.example.test"));

  // A right-justified label grows to the left.
  Label->SetAlignment(taRightJustify);
  const int Right = Label->Left() + Label->Width();
  Label->SetCaption("Version 1.2.3.4");
  EXPECT_EQ(Label->size(), TextSize("Version 1.2.3.4"));
  EXPECT_EQ(Label->Left() + Label->Width(), Right);
}

TEST_F(TLinkLabel, WithoutAutoSizeItKeepsItsBounds) {
  Label->SetAutoSize(false);
  Label->SetBounds(40, 30, 60, 13);
  Label->SetCaption("A caption far wider than sixty pixels");
  Label->SetFontStyle({fsBold});
  EXPECT_EQ(Label->geometry(), QRect(40, 30, 60, 13));
  Label->SetAutoSize(true);
  EXPECT_EQ(Label->size(), TextSize("A caption far wider than sixty pixels"));
}

TEST_F(TLinkLabel, CaptionsAreShownAsTheyAre) {
  const std::string Caption = "Ping & <b>Trace</b>";
  Label->SetCaption(Caption);
  EXPECT_EQ(Label->Caption(), Caption);
  EXPECT_EQ(Label->size(), TextSize(Caption));
  QAccessibleInterface* const Interface = QAccessible::queryAccessibleInterface(Label);
  ASSERT_NE(Interface, nullptr);
  EXPECT_EQ(Interface->text(QAccessible::Name).toStdString(), Caption);
}
