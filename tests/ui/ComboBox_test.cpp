#include "ui/ComboBox.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"

namespace {

// The host box of the window as designed, focused in an active window, with
// two hosts in its list.
struct THostBox : TOffscreenApplication, testing::Test {
  THostBox() {
    Box->SetBounds(10, 10, 145, 21);
    Box->SetItemHeight(13);
    Box->SetDropDownCount(8);
    Box->SetAutoComplete(true);
    Box->Items().Add("127.0.0.1");
    Box->Items().Add("localhost");
    Window->resize(200, 60);
    Window->show();
    QApplication::setActiveWindow(Window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Box->setFocus();
  }

  // Keys go where the keyboard focus is.
  void Type(const QString& Keys) { QTest::keyClicks(QApplication::focusWidget(), Keys); }

  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TComboBox* Box = new TComboBox(&Form, Window.get());
};

}  // namespace

TEST_F(THostBox, ItemsKeepTheirBytesEvenWhenTheyAreNotUtf8) {
  const std::string Raw = "\xff\xfehost";
  const std::string WithNul("a\0b", 3);
  Box->Items().Insert(0, Raw);
  EXPECT_EQ(Box->Items().Add(WithNul), 3);
  ASSERT_EQ(Box->Items().Count(), 4);
  EXPECT_EQ(Box->Items()[0], Raw);
  EXPECT_EQ(Box->Items().Strings(1), "127.0.0.1");
  EXPECT_EQ(Box->Items()[3], WithNul);

  Box->SetItemIndex(0);
  EXPECT_EQ(Box->Text(), Raw);
  Box->SetText("127.0.0.1");
  Box->SetText(Raw);
  EXPECT_EQ(Box->ItemIndex(), 0);
  EXPECT_EQ(Box->Text(), Raw);
}

TEST_F(THostBox, ChangingTheItemsLeavesTheEditTextAsItIs) {
  // An empty list does not select the first item put into it.
  Box->Items().Clear();
  Box->SetText("10.0.0.1");
  Box->Items().Add("localhost");
  EXPECT_EQ(Box->Text(), "10.0.0.1");
  EXPECT_EQ(Box->ItemIndex(), -1);

  Box->SetItemIndex(0);
  Box->Items().Insert(0, "127.0.0.2");
  EXPECT_EQ(Box->ItemIndex(), 1);
  Box->Items().Delete(1);
  EXPECT_EQ(Box->Text(), "localhost");
  EXPECT_EQ(Box->ItemIndex(), -1);

  Box->Items().Clear();
  EXPECT_EQ(Box->Items().Count(), 0);
  EXPECT_EQ(Box->Text(), "");
}

TEST_F(THostBox, ItemIndexFollowsTheEditText) {
  EXPECT_EQ(Box->ItemIndex(), -1);
  EXPECT_EQ(Box->Text(), "");
  Box->SetItemIndex(1);
  EXPECT_EQ(Box->Text(), "localhost");
  Box->lineEdit()->end(false);
  Type("2");
  EXPECT_EQ(Box->ItemIndex(), -1);
  EXPECT_EQ(Box->Text(), "localhost2");
  Box->SetText("127.0.0.1");
  EXPECT_EQ(Box->ItemIndex(), 0);
  Box->SetItemIndex(-1);
  EXPECT_EQ(Box->Text(), "");
}

TEST_F(THostBox, BadIndexesRaiseAndChangeNothing) {
  Box->SetItemIndex(1);
  EXPECT_THROW(Box->SetItemIndex(2), Exception);
  EXPECT_THROW(Box->SetItemIndex(-2), Exception);
  EXPECT_THROW(Box->Items().Insert(3, "x"), Exception);
  EXPECT_THROW(Box->Items().Delete(2), Exception);
  EXPECT_THROW((void)Box->Items()[-1], Exception);
  EXPECT_EQ(Box->Items().Count(), 2);
  EXPECT_EQ(Box->ItemIndex(), 1);
}

TEST_F(THostBox, TypedTextIsCompletedFromTheListIgnoringCase) {
  Type("LOC");
  EXPECT_EQ(Box->Text(), "localhost");
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(Box->lineEdit()->selectedText(), "alhost");
  Type("A");
  EXPECT_EQ(Box->lineEdit()->selectedText(), "lhost");
  // Deleting the completed part completes nothing.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(Box->Text(), "loca");
  EXPECT_EQ(Box->ItemIndex(), -1);

  Box->SetAutoComplete(false);
  Box->SetText("");
  Type("loc");
  EXPECT_EQ(Box->Text(), "loc");
  // Enter adds nothing to the list.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Box->Items().Count(), 2);
}

TEST_F(THostBox, TheOpenListHighlightsTheItemThatTheTextShows) {
  const struct {
    int Selected;
    const char* Typed;
    int Highlighted;
  } Cases[] = {{1, "127.0.0.1", 0}, {0, "localhost", 1}, {0, "", -1}, {1, "other.example", -1}};
  for (const auto& Case : Cases) {
    Box->SetItemIndex(Case.Selected);
    Box->clearEditText();
    Type(Case.Typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
    ASSERT_TRUE(Box->view()->isVisible()) << Case.Typed;
    const QModelIndexList Rows = Box->view()->selectionModel()->selectedRows();
    EXPECT_EQ(Rows.isEmpty() ? -1 : Rows[0].row(), Case.Highlighted) << Case.Typed;
    EXPECT_EQ(Box->view()->currentIndex().row(), Case.Highlighted) << Case.Typed;
    Box->hidePopup();
    EXPECT_EQ(Box->Text(), Case.Typed);
  }
}

TEST_F(THostBox, TheListShowsRowsOfTheItemHeight) {
  EXPECT_EQ(Box->view()->sizeHintForRow(0), 13);
  Box->SetItemHeight(20);
  EXPECT_EQ(Box->view()->sizeHintForRow(1), 20);
}
