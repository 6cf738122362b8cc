// The rows of a report list and the item model that its view shows them through.
// The program adds, deletes and reads rows by index and writes their texts through
// light handles; the view reads the same rows as a table, one row per item.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/SysUtils.h"
#include "ui/Alignment.h"

// Raised for a row or a sub-item index that the list does not hold.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// The texts of one row packed into one string, so that a row costs a single heap
// block, or none when its texts are short. Each text is stored as its length in
// bytes, seven bits to a byte with the high bit set on all but the last, followed
// by its bytes; any byte, NUL included, may be part of a text. A row keeps no
// spare room: it is written once and then kept for as long as the log lasts.
// Another index than 0 <= Index < Count raises EListError.
class TRowTexts {
 public:
  int Count() const;
  std::string Text(int Index) const;
  void Set(int Index, std::string_view Value);
  void Add(std::string_view Value);

 private:
  struct TSpan {
    std::size_t Start;  // where the length of the text begins
    std::size_t Data;   // where its bytes begin
    std::size_t Size;   // how many bytes it has
  };
  // The text that starts at Start, which must be inside the packed string.
  TSpan SpanAt(std::size_t Start) const;
  TSpan SpanOf(int Index) const;

  std::string FPacked;
};

class TListItem;
class TSubItems;

// The rows of the list and the model over them: column 0 shows a row's caption, column N its
// sub-item N - 1. Only the caption can be edited in place, and only when the view lets the user
// start an edit.
class TListItems : public QAbstractTableModel {
 public:
  int Count() const { return static_cast<int>(FRows.size()); }
  // A new empty row at 0 <= Index <= Count; the rows from Index on move down one.
  TListItem Insert(int Index);
  // A new empty row at the end.
  TListItem Add();
  // Removes the row at 0 <= Index < Count.
  void Delete(int Index);
  void Clear();
  // The row at 0 <= Index < Count.
  TListItem Item(int Index);

  // A column at the right end, with the caption and alignment of its header and cells.
  void AddColumn(const std::string& Caption, TAlignment Alignment);

  // Keeps the texts of one column (0 for the captions) also as the numbers that
  // Convert makes of them, each converted once when it is written, so that adding
  // up a whole column is a pass over numbers, not over texts. The rows already in
  // the list are converted at once. No column is kept until this is called; a
  // negative column or no conversion raises EListError.
  using TTextToNumber = double (*)(std::string_view Text);
  void KeepNumbers(int Column, TTextToNumber Convert);
  // The kept number of the row at 0 <= Index < Count: 0 while the row has no
  // text in the kept column.
  double Number(int Index) const;

  int rowCount(const QModelIndex& Parent = {}) const override;
  int columnCount(const QModelIndex& Parent = {}) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;
  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;

 private:
  friend class TListItem;
  friend class TSubItems;

  struct TColumn {
    QString Caption;
    TAlignment Alignment;
  };

  struct TRow {
    TRowTexts Texts;
    double Number = 0;  // the text of the kept column, as a number
  };

  // The row at Index, or EListError for one the list does not hold.
  TRowTexts& Row(int Index);
  // Converts the row's text of the kept column anew.
  void KeepNumber(TRow& ARow) const;
  // Keeps the row's number when the kept column changed, and tells the view
  // that a cell of the row changed, if a column shows it.
  void CellChanged(int RowIndex, int Column);

  std::deque<TRow> FRows;
  std::vector<TColumn> FColumns;
  int FNumberColumn = -1;
  TTextToNumber FConvert = nullptr;
};

// A row of the list by its index: valid until rows are inserted or deleted.
// Used on an index the list no longer holds, it raises EListError.
class TListItem {
 public:
  TListItem(TListItems* AOwner, int AIndex) : FOwner(AOwner), FIndex(AIndex) {}

  std::string Caption() const;
  void SetCaption(const std::string& Value);
  TSubItems SubItems() const;

 private:
  TListItems* FOwner;
  int FIndex;
};

// The texts of a row after its caption, the cells of columns 2, 3, ... in order.
// A bad index raises EListError.
class TSubItems {
 public:
  TSubItems(TListItems* AOwner, int ARow) : FOwner(AOwner), FRow(ARow) {}

  int Count() const;
  void Add(const std::string& Text);
  std::string operator[](int Index) const;
  void Set(int Index, const std::string& Text);

 private:
  TListItems* FOwner;
  int FRow;
};
