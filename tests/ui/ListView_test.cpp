#include "ui/ListView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <vector>

#include "support/OffscreenApplication.h"

namespace {

using TTexts = std::vector<std::string>;

// The reply log as the main window sets it up, in a shown window.
struct TReplyLog : TOffscreenApplication, testing::Test {
  TReplyLog() {
    Log->SetGridLines(true);
    Log->SetRowSelect(true);
    Log->SetReadOnly(true);
    Log->SetMultiSelect(false);
    for (std::size_t I = 0; I < Columns.size(); ++I)
      Log->Columns()->Add(Columns[I].first, Columns[I].second, I == 0 ? taLeftJustify : taCenter);
    Window->resize(447, 200);
    Log->setGeometry(0, 0, 447, 200);
    Window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
  }

  // A reply row at the top, as the program writes it.
  void AddReply(int Sequence) {
    TListItem Item = Log->Items()->Insert(0);
    Item.SetCaption("127.0.0.1");
    for (const std::string& Text : TTexts{"32", "0", IntToStr(Sequence), "1", "64"})
      Item.SubItems().Add(Text);
  }
  std::string Sequence(int Row) { return Log->Items()->Item(Row).SubItems()[2]; }
  TTexts Sequences() {
    TTexts Result;
    for (int I = 0; I < Log->Items()->Count(); ++I) Result.push_back(Sequence(I));
    return Result;
  }
  QModelIndex Cell(int Row, int Column) { return Log->model()->index(Row, Column); }

  const std::vector<std::pair<std::string, int>> Columns{
      {"Adress From", 100}, {"Bytes", 40},           {"Type", 40},
      {"Seq.ID", 80},       {"Trip time [ms]", 100}, {"Time to Live", 100}};
  TComponent Form{nullptr};
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TListView* Log = new TListView(&Form, Window.get());
};

template <class TAction>
std::string ListErrorOf(TAction Action) {
  try {
    Action();
  } catch (const EListError& Error) {
    return Error.Message();
  }
  return "no EListError";
}

}  // namespace

TEST(RowTexts, KeepsTextsOfAnyLengthAndAnyBytes) {
  const TTexts Texts{"", std::string(127, 'y'), std::string("a\0b", 3), std::string(20000, 'x')};
  TRowTexts Row;
  for (const std::string& Text : Texts) Row.Add(Text);
  ASSERT_EQ(Row.Count(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(Row.Text(I), Texts[I]);
  // Growing a text past one length byte and shrinking one leaves its neighbours whole.
  Row.Set(1, std::string(128, 'z'));
  Row.Set(3, "short");
  EXPECT_EQ(Row.Count(), 4);
  EXPECT_EQ(Row.Text(1), std::string(128, 'z'));
  EXPECT_EQ(Row.Text(2), Texts[2]);
  EXPECT_EQ(Row.Text(3), "short");
  EXPECT_EQ(ListErrorOf([&] { Row.Text(4); }), "List index out of bounds (4)");
}

TEST_F(TReplyLog, TheNewestRowIsInsertedAtTheTopAndShownInItsColumns) {
  for (int I = 1; I <= 3; ++I) AddReply(I);
  EXPECT_EQ(Sequences(), (TTexts{"3", "2", "1"}));
  TSubItems Oldest = Log->Items()->Item(2).SubItems();
  EXPECT_EQ(Log->Items()->Item(2).Caption(), "127.0.0.1");
  EXPECT_EQ((TTexts{Oldest[0], Oldest[1], Oldest[2], Oldest[3], Oldest[4]}),
            (TTexts{"32", "0", "1", "1", "64"}));
  EXPECT_EQ(Cell(0, 0).data().toString(), "127.0.0.1");
  EXPECT_EQ(Cell(0, 3).data().toString(), "3");
  // A rewritten cell is repainted; a sub-item past the last column is kept, not shown.
  QSignalSpy Changed(Log->model(), &QAbstractItemModel::dataChanged);
  Oldest.Set(3, "12");
  Oldest.Add("beyond the columns");
  ASSERT_EQ(Changed.count(), 1);
  EXPECT_EQ(Changed[0][0].value<QModelIndex>(), Cell(2, 4));
  EXPECT_EQ(Cell(2, 4).data().toString(), "12");
  EXPECT_EQ(Oldest[5], "beyond the columns");

  Log->Items()->Insert(1).SubItems().Add("middle");
  Log->Items()->Add();
  EXPECT_EQ(Log->Items()->Item(1).SubItems()[0], "middle");
  EXPECT_EQ(Log->Items()->Item(4).SubItems().Count(), 0);
  EXPECT_FALSE(Cell(4, 1).data().isValid());
}

TEST_F(TReplyLog, RowsAreDeletedByIndexOrAllAtOnce) {
  for (int I = 1; I <= 5; ++I) AddReply(I);
  Log->Items()->Delete(0);
  Log->Items()->Delete(Log->Items()->Count() - 1);
  Log->Items()->Delete(1);
  EXPECT_EQ(Sequences(), (TTexts{"4", "2"}));
  EXPECT_EQ(Log->model()->rowCount(), 2);
  Log->Items()->Clear();
  Log->Items()->Clear();
  EXPECT_EQ(Log->Items()->Count(), 0);
  EXPECT_EQ(Log->model()->rowCount(), 0);
  EXPECT_EQ(Log->horizontalHeader()->sectionSize(3), 80);
}

TEST_F(TReplyLog, ABadIndexRaisesEListErrorAndChangesNothing) {
  AddReply(1);
  AddReply(2);
  TListItems* Items = Log->Items();
  EXPECT_EQ(ListErrorOf([&] { Items->Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([&] { Items->Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ListErrorOf([&] { Items->Item(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([&] { Items->Insert(3); }), "List index out of bounds (3)");
  EXPECT_EQ(ListErrorOf([&] { Items->Item(0).SubItems()[5]; }), "List index out of bounds (5)");
  EXPECT_EQ(ListErrorOf([&] { Items->Item(0).SubItems().Set(-1, ""); }),
            "List index out of bounds (-1)");
  // A handle to a row that is gone raises rather than writing to another row.
  TListItem Last = Items->Item(1);
  Items->Delete(1);
  EXPECT_EQ(ListErrorOf([&] { Last.SetCaption("x"); }), "List index out of bounds (1)");
  EXPECT_EQ(Sequences(), (TTexts{"2"}));
  EXPECT_EQ(Items->Item(0).Caption(), "127.0.0.1");
}

TEST_F(TReplyLog, AKeptColumnHoldsTheNumbersOfItsTextsAsTheyAreWritten) {
  AddReply(7);
  TListItems* const Items = Log->Items();
  // The sequence column, read here as the length of its text.
  Items->KeepNumbers(3, [](std::string_view Text) { return static_cast<double>(Text.size()); });
  EXPECT_EQ(Items->Number(0), 1);
  AddReply(1234);
  EXPECT_EQ(Items->Number(0), 4);
  EXPECT_EQ(Items->Number(1), 1);
  Items->Item(1).SubItems().Set(2, "123456");
  EXPECT_EQ(Items->Number(1), 6);
  Items->Insert(0).SetCaption("no sequence yet");
  EXPECT_EQ(Items->Number(0), 0);
  Items->Delete(0);
  EXPECT_EQ(Items->Number(0), 4);
  EXPECT_EQ(ListErrorOf([&] { Items->Number(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([&] { Items->KeepNumbers(-1, nullptr); }),
            "A column kept as numbers needs its index and a conversion");
}

TEST_F(TReplyLog, TheHeaderAndTheCellsFollowTheColumns) {
  AddReply(1);
  ASSERT_EQ(Log->model()->columnCount(), 6);
  for (int Column = 0; Column < 6; ++Column) {
    const int Alignment = static_cast<int>(Column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                                       : Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(Log->model()->headerData(Column, Qt::Horizontal).toString().toStdString(),
              Columns[Column].first);
    EXPECT_EQ(Log->model()->headerData(Column, Qt::Horizontal, Qt::TextAlignmentRole), Alignment);
    EXPECT_EQ(Cell(0, Column).data(Qt::TextAlignmentRole), Alignment);
    EXPECT_EQ(Log->horizontalHeader()->sectionSize(Column), Columns[Column].second);
  }
}

TEST_F(TReplyLog, TheDesignedSettingsReachTheView) {
  EXPECT_TRUE(Log->showGrid());
  EXPECT_EQ(Log->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(Log->isSortingEnabled());
  for (int I = 1; I <= 3; ++I) AddReply(I);
  // A click on a header changes nothing; a click on a cell selects its whole row, and only it.
  QTest::mouseClick(Log->horizontalHeader()->viewport(), Qt::LeftButton, {}, {120, 5});
  EXPECT_TRUE(Log->selectionModel()->selectedIndexes().isEmpty());
  EXPECT_EQ(Sequences(), (TTexts{"3", "2", "1"}));
  QTest::mouseClick(Log->viewport(), Qt::LeftButton, {}, Log->visualRect(Cell(1, 3)).center());
  QTest::mouseClick(Log->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Log->visualRect(Cell(2, 1)).center());
  EXPECT_EQ(Log->selectionModel()->selectedIndexes().size(), 6);
  EXPECT_EQ(Log->selectionModel()->selectedRows().value(0).row(), 2);
  QTest::keyClick(Log, Qt::Key_F2);
  EXPECT_EQ(Log->findChild<QLineEdit*>(), nullptr);
}

TEST(ListView, UnlessReadOnlyF2EditsTheCaption) {
  StartOffscreenApplication();
  QWidget Window;
  TListView* List = new TListView(nullptr, &Window);
  List->Columns()->Add("Adress From", 100, taLeftJustify);
  List->Items()->Add().SetCaption("127.0.0.1");
  Window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
  EXPECT_FALSE(List->GridLines() || List->RowSelect() || List->ReadOnly() || List->MultiSelect());
  List->setCurrentIndex(List->model()->index(0, 0));
  QTest::keyClick(List, Qt::Key_F2);
  auto* Editor = List->findChild<QLineEdit*>();
  ASSERT_NE(Editor, nullptr);
  Editor->setText("127.0.0.9");
  QTest::keyClick(Editor, Qt::Key_Return);
  QApplication::processEvents();  // the editor hands its text over on the next pass
  EXPECT_EQ(List->Items()->Item(0).Caption(), "127.0.0.9");
}

TEST_F(TReplyLog, InsertingAndDeletingMoveRowsWithoutResettingTheView) {
  for (int I = 1; I <= 10; ++I) AddReply(I);
  QSignalSpy Inserted(Log->model(), &QAbstractItemModel::rowsInserted);
  QSignalSpy Removed(Log->model(), &QAbstractItemModel::rowsRemoved);
  QSignalSpy Reset(Log->model(), &QAbstractItemModel::modelAboutToBeReset);
  AddReply(11);
  Log->Items()->Delete(Log->Items()->Count() - 1);
  Log->Items()->Clear();
  ASSERT_EQ(Inserted.count(), 1);
  EXPECT_EQ((std::pair(Inserted[0][1].toInt(), Inserted[0][2].toInt())), std::pair(0, 0));
  ASSERT_EQ(Removed.count(), 2);
  EXPECT_EQ((std::pair(Removed[0][1].toInt(), Removed[0][2].toInt())), std::pair(10, 10));
  EXPECT_EQ((std::pair(Removed[1][1].toInt(), Removed[1][2].toInt())), std::pair(0, 9));
  EXPECT_EQ(Reset.count(), 0);
}

TEST_F(TReplyLog, RowsHaveOneHeightThatFollowsTheFont) {
  for (int I = 1; I <= 3; ++I) AddReply(I);
  EXPECT_EQ(Log->rowHeight(0), Log->fontMetrics().height() + 4);
  EXPECT_EQ(Log->rowHeight(2), Log->rowHeight(0));
  QFont Larger = Log->font();
  Larger.setPixelSize(30);
  Log->setFont(Larger);
  EXPECT_EQ(Log->rowHeight(1), QFontMetrics(Larger).height() + 4);
}

TEST_F(TReplyLog, ManyInsertsBetweenTwoFramesArePaintedOnce) {
  struct TPaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* Event) override {
      Paints += Event->type() == QEvent::Paint;
      return false;
    }
    int Paints = 0;
  } Counter;
  for (int I = 1; I <= 20; ++I) AddReply(I);
  QTest::qWait(50);
  Log->viewport()->installEventFilter(&Counter);
  for (int I = 1; I <= 200; ++I) AddReply(I);
  EXPECT_EQ(Counter.Paints, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Counter.Paints > 0; }, 1000));
  QTest::qWait(50);
  EXPECT_EQ(Counter.Paints, 1);
}

TEST_F(TReplyLog, AHundredThousandRowsInsertedAtTheTopStayInOrder) {
  for (int I = 0; I < 100000; ++I) AddReply(I);
  ASSERT_EQ(Log->Items()->Count(), 100000);
  EXPECT_EQ(Log->verticalHeader()->count(), 100000);
  EXPECT_EQ(Sequence(0), "99999");
  EXPECT_EQ(Sequence(99999), "0");
  EXPECT_EQ(Log->Items()->Item(50000).Caption(), "127.0.0.1");
}

TEST_F(TReplyLog, AccessibilityShowsTheHeadersAndCells) {
  AddReply(5);
  QAccessibleTableInterface* Table = QAccessible::queryAccessibleInterface(Log)->tableInterface();
  ASSERT_NE(Table, nullptr);
  EXPECT_EQ(Table->columnCount(), 6);
  EXPECT_EQ(Table->rowCount(), 1);
  EXPECT_EQ(Table->columnDescription(3), "Seq.ID");
  EXPECT_EQ(Table->cellAt(0, 3)->text(QAccessible::Name), "5");
}

namespace {

// The reply log in an active window, trimmed as the window trims a full log:
// each new row at the top costs the oldest one.
struct TFullReplyLog : TReplyLog {
  TFullReplyLog() {
    for (int I = 1; I <= 5; ++I) AddReply(I);
    QApplication::setActiveWindow(Window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  }
  void AddAndTrim(int Sequence) {
    AddReply(Sequence);
    Log->Items()->Delete(Log->Items()->Count() - 1);
  }
  // The selected rows by their sequence numbers, as the selection model and
  // as assistive tools see them.
  TTexts Selected() {
    TTexts Result;
    for (const QModelIndex& Row : Log->selectionModel()->selectedRows())
      Result.push_back(Sequence(Row.row()));
    QAccessibleTableInterface* const Table =
        QAccessible::queryAccessibleInterface(Log)->tableInterface();
    EXPECT_EQ(Table->selectedRowCount(), static_cast<int>(Result.size()));
    return Result;
  }
};

}  // namespace

TEST_F(TFullReplyLog, RowsComingAndGoingSelectNothingTheUserDidNotSelect) {
  // A current row that nobody selected, as focus or a page switch may leave it.
  Log->setFocus(Qt::TabFocusReason);
  Log->selectionModel()->setCurrentIndex(Cell(0, 0), QItemSelectionModel::NoUpdate);
  for (int I = 6; I <= 15; ++I) {
    AddAndTrim(I);
    EXPECT_EQ(Selected(), TTexts{}) << I;
  }
  // The current row went with the oldest rows; its neighbour is current now.
  EXPECT_EQ(Log->currentIndex().row(), 4);
  Log->Items()->Clear();
  EXPECT_EQ(Selected(), TTexts{});
}

TEST_F(TFullReplyLog, TheRowTheUserPickedStaysSelectedUntilItGoes) {
  QTest::mouseClick(Log->viewport(), Qt::LeftButton, {}, Log->visualRect(Cell(1, 2)).center());
  ASSERT_EQ(Selected(), TTexts{"4"});
  for (int I = 6; I <= 8; ++I) {
    AddAndTrim(I);
    EXPECT_EQ(Selected(), TTexts{"4"}) << I;
  }
  AddAndTrim(9);
  EXPECT_EQ(Selected(), TTexts{});
  AddAndTrim(10);
  EXPECT_EQ(Selected(), TTexts{});
}

TEST(ListView, EitherTheOwnerOrTheParentWidgetMayFreeTheView) {
  StartOffscreenApplication();
  auto Parent = std::make_unique<QWidget>();
  TComponent Owner(nullptr);
  new TListView(&Owner, Parent.get());
  Parent.reset();
  EXPECT_EQ(Owner.ComponentCount(), 0);
  QWidget OtherParent;
  auto OtherOwner = std::make_unique<TComponent>(nullptr);
  new TListView(OtherOwner.get(), &OtherParent);
  OtherOwner.reset();
  EXPECT_TRUE(OtherParent.findChildren<TListView*>().isEmpty());
}
