// The report list of the window, as the reply log and the error log show it: rows
// of texts under a header of captioned columns. The report view is the only view
// it has. As a component it belongs to its owner; as a widget it sits in its
// parent. Either may free it first.
//
// It is a table view rather than a tree view: a table draws grid lines itself,
// and it answers a row inserted at the top by moving the rows below it, where a
// tree view lays every row out again. Rows all have the height of one line of
// the view's font, so no row is ever measured. Changes are painted on the next
// pass of the event loop, however many rows changed before it.
#pragma once

#include <QTableView>
#include <string>

#include "ui/Alignment.h"
#include "ui/Control.h"
#include "ui/ListItems.h"

class TListView;

// The columns of a list view, left to right.
class TListColumns {
 public:
  explicit TListColumns(TListView* AView) : FView(AView) {}

  // A column at the right end: its caption in the header, its width in pixels,
  // and the alignment of the caption and of the column's cells.
  void Add(const std::string& Caption, int Width, TAlignment Alignment);

 private:
  TListView* FView;
};

class TListView : public QTableView, public TControl {
 public:
  explicit TListView(TComponent* AOwner, QWidget* AParent = nullptr);

  TListColumns* Columns() { return &FColumns; }
  TListItems* Items() { return &FItems; }

  // Lines between the rows and the columns. Off at first.
  bool GridLines() const { return showGrid(); }
  void SetGridLines(bool Value) { setShowGrid(Value); }
  // A click selects and highlights the whole row rather than one cell. Off at first.
  bool RowSelect() const { return selectionBehavior() == SelectRows; }
  void SetRowSelect(bool Value) { setSelectionBehavior(Value ? SelectRows : SelectItems); }
  // The user cannot edit a caption in place. Off at first: then a click on the
  // selected caption or F2 starts editing it.
  bool ReadOnly() const { return editTriggers() == NoEditTriggers; }
  void SetReadOnly(bool Value);
  // Several rows can be selected with Shift and Ctrl. Off at first: one row at most.
  bool MultiSelect() const { return selectionMode() == ExtendedSelection; }
  void SetMultiSelect(bool Value) { setSelectionMode(Value ? ExtendedSelection : SingleSelection); }

 protected:
  void changeEvent(QEvent* Event) override;
  // A row going away that is the current one hands that on to its neighbour
  // without selecting it: rows come and go, the selection stays as the user
  // left it.
  void rowsAboutToBeRemoved(const QModelIndex& Parent, int Start, int End) override;

 private:
  void FitRowHeight();

  TListItems FItems;
  TListColumns FColumns{this};
};
