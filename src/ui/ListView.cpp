#include "ui/ListView.h"

#include <QEvent>
#include <QHeaderView>

namespace {

// A row is one line of text with two pixels above and below it.
constexpr int RowMargins = 4;

}  // namespace

void TListColumns::Add(const std::string& Caption, int Width, TAlignment Alignment) {
  FView->Items()->AddColumn(Caption, Alignment);
  FView->horizontalHeader()->resizeSection(FView->Items()->columnCount() - 1, Width);
}

TListView::TListView(TComponent* AOwner, QWidget* AParent)
    : QTableView(AParent), TControl(AOwner, this) {
  setModel(&FItems);
  // The rows have no headers of their own; the hidden header still places them.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  FitRowHeight();
  // The column headers only show the captions: a click on one neither selects the
  // column nor sorts the rows.
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setMinimumSectionSize(0);
  setShowGrid(false);
  SetRowSelect(false);
  SetReadOnly(false);
  SetMultiSelect(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // Tab moves on to the next control of the window, not to the next cell.
  setTabKeyNavigation(false);
}

void TListView::SetReadOnly(bool Value) {
  setEditTriggers(Value ? NoEditTriggers : EditTriggers(SelectedClicked | EditKeyPressed));
}

void TListView::changeEvent(QEvent* Event) {
  QTableView::changeEvent(Event);
  if (Event->type() == QEvent::FontChange) FitRowHeight();
}

void TListView::rowsAboutToBeRemoved(const QModelIndex& Parent, int Start, int End) {
  // The table view would select the row that becomes current, to keep one row
  // selected in single selection; once the current row is no longer among the
  // rows going, it leaves the selection alone.
  const QModelIndex Current = currentIndex();
  if (Current.isValid() && Current.row() >= Start && Current.row() <= End) {
    const int Row = End + 1 < model()->rowCount(Parent) ? End + 1 : Start - 1;
    selectionModel()->setCurrentIndex(
        Row >= 0 ? model()->index(Row, Current.column(), Parent) : QModelIndex(),
        QItemSelectionModel::NoUpdate);
  }
  QTableView::rowsAboutToBeRemoved(Parent, Start, End);
}

void TListView::FitRowHeight() {
  const int Height = fontMetrics().height() + RowMargins;
  verticalHeader()->setMinimumSectionSize(Height);
  verticalHeader()->setDefaultSectionSize(Height);
}
