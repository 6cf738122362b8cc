#include "ui/PageControl.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTabBar>
#include <QTest>
#include <memory>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"

namespace {

// The notebook of the main window with its four pages, shown.
struct TMainNotebook : TOffscreenApplication, testing::Test {
  TMainNotebook() {
    Notebook->SetBounds(0, 60, 400, 300);
    for (const char* Caption : {"Ping information", "Error logs", "Setings", "About"}) {
      auto* const Sheet = new TTabSheet(&Form, Notebook);
      Sheet->SetCaption(Caption);
    }
    Window->resize(400, 360);
    Window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
  }

  // What the tab shows, as assistive tools read it.
  std::string ShownTabText(int Index) const {
    QAccessibleInterface* const Bar = QAccessible::queryAccessibleInterface(Notebook->tabBar());
    return Bar->child(Index)->text(QAccessible::Name).toStdString();
  }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TPageControl* Notebook = new TPageControl(&Form, Window.get());
};

}  // namespace

TEST_F(TMainNotebook, PagesAreInTheOrderTheyWereMade) {
  ASSERT_EQ(Notebook->PageCount(), 4);
  const char* const Captions[] = {"Ping information", "Error logs", "Setings", "About"};
  for (int Index = 0; Index < 4; ++Index) {
    EXPECT_EQ(Notebook->Pages(Index)->Caption(), Captions[Index]);
    EXPECT_EQ(Notebook->Pages(Index)->PageIndex(), Index);
    EXPECT_EQ(Notebook->Pages(Index)->PageControl(), Notebook);
    EXPECT_EQ(ShownTabText(Index), Captions[Index]);
  }
  EXPECT_THROW(Notebook->Pages(4), Exception);
}

TEST_F(TMainNotebook, TheActivePageIsTheOneShown) {
  EXPECT_EQ(Notebook->ActivePageIndex(), 0);
  Notebook->SetActivePage(Notebook->Pages(3));
  EXPECT_EQ(Notebook->ActivePageIndex(), 3);
  EXPECT_TRUE(Notebook->Pages(3)->isVisible());
  EXPECT_FALSE(Notebook->Pages(0)->isVisible());
  Notebook->SetActivePageIndex(0);
  EXPECT_EQ(Notebook->ActivePage(), Notebook->Pages(0));

  TPageControl Other(nullptr);
  TTabSheet Stranger(nullptr, &Other);
  EXPECT_THROW(Notebook->SetActivePage(&Stranger), Exception);
  EXPECT_THROW(Notebook->SetActivePage(nullptr), Exception);
  EXPECT_THROW(Notebook->SetActivePageIndex(-1), Exception);
  EXPECT_THROW(TTabSheet(nullptr, nullptr), Exception);
  EXPECT_EQ(Notebook->ActivePageIndex(), 0);
}

TEST_F(TMainNotebook, AmpersandsInTabCaptionsAreShown) {
  Notebook->Pages(1)->SetCaption(" Data & Logs ");
  EXPECT_EQ(Notebook->Pages(1)->Caption(), " Data & Logs ");
  EXPECT_EQ(ShownTabText(1), " Data & Logs ");
}

TEST_F(TMainNotebook, AClientAlignedControlFillsItsSheetOnAnyPage) {
  for (TTabSheet* const Sheet : {Notebook->Pages(0), Notebook->Pages(2)}) {
    auto* const Inner = new TPageControl(&Form, Sheet);
    Inner->SetAlign(alClient);
  }
  TTabSheet* const Settings = Notebook->Pages(2);
  Notebook->SetActivePage(Settings);
  const QWidget* const Filling = Settings->findChild<TPageControl*>();
  EXPECT_EQ(Filling->geometry(), Settings->rect());
  EXPECT_GT(Settings->width(), 300);

  Notebook->SetBounds(0, 60, 360, 250);
  EXPECT_LT(Settings->width(), 360);
  EXPECT_EQ(Filling->geometry(), Settings->rect());
}
