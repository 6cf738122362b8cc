#include "ui/ListItems.h"

#include <iterator>

namespace {

[[noreturn]] void RaiseListIndexError(int Index) {
  throw EListError(Format("List index out of bounds (%d)", {Index}));
}

void CheckListIndex(int Index, int Count) {
  if (Index < 0 || Index >= Count) RaiseListIndexError(Index);
}

void AppendText(std::string& Packed, std::string_view Value) {
  std::size_t Length = Value.size();
  while (Length >= 0x80) {
    Packed += static_cast<char>(0x80 | (Length & 0x7F));
    Length >>= 7;
  }
  Packed += static_cast<char>(Length);
  Packed += Value;
}

// The header of this Qt reads an alignment as a plain integer.
QVariant AlignmentData(TAlignment Alignment) { return static_cast<int>(ToQtAlignment(Alignment)); }

}  // namespace

TRowTexts::TSpan TRowTexts::SpanAt(std::size_t Start) const {
  std::size_t Size = 0;
  std::size_t Position = Start;
  // A length takes at most ten bytes of seven bits.
  for (unsigned Shift = 0; Shift < 64 && Position < FPacked.size(); Shift += 7) {
    const auto Byte = static_cast<unsigned char>(FPacked[Position++]);
    Size |= static_cast<std::size_t>(Byte & 0x7F) << Shift;
    if ((Byte & 0x80) == 0) break;
  }
  return {Start, Position, Size};
}

TRowTexts::TSpan TRowTexts::SpanOf(int Index) const {
  std::size_t Start = 0;
  for (int I = 0; I < Index && Start < FPacked.size(); ++I) {
    const TSpan Span = SpanAt(Start);
    Start = Span.Data + Span.Size;
  }
  if (Index < 0 || Start >= FPacked.size()) RaiseListIndexError(Index);
  return SpanAt(Start);
}

int TRowTexts::Count() const {
  int Result = 0;
  for (std::size_t Start = 0; Start < FPacked.size(); ++Result) {
    const TSpan Span = SpanAt(Start);
    Start = Span.Data + Span.Size;
  }
  return Result;
}

std::string TRowTexts::Text(int Index) const {
  const TSpan Span = SpanOf(Index);
  return FPacked.substr(Span.Data, Span.Size);
}

void TRowTexts::Set(int Index, std::string_view Value) {
  const TSpan Span = SpanOf(Index);
  std::string Packed;
  AppendText(Packed, Value);
  FPacked.replace(Span.Start, Span.Data + Span.Size - Span.Start, Packed);
  FPacked.shrink_to_fit();
}

void TRowTexts::Add(std::string_view Value) {
  AppendText(FPacked, Value);
  FPacked.shrink_to_fit();
}

TListItem TListItems::Insert(int Index) {
  CheckListIndex(Index, Count() + 1);
  TRow Row;
  Row.Texts.Add("");  // the caption
  // Only the inserted row is announced, so the view moves the rows below it
  // instead of laying the whole list out again.
  beginInsertRows({}, Index, Index);
  FRows.insert(std::next(FRows.begin(), Index), std::move(Row));
  endInsertRows();
  return TListItem(this, Index);
}

TListItem TListItems::Add() { return Insert(Count()); }

void TListItems::Delete(int Index) {
  CheckListIndex(Index, Count());
  beginRemoveRows({}, Index, Index);
  FRows.erase(std::next(FRows.begin(), Index));
  endRemoveRows();
}

void TListItems::Clear() {
  if (FRows.empty()) return;
  // Removing the rows rather than resetting the model leaves the columns alone.
  beginRemoveRows({}, 0, Count() - 1);
  FRows.clear();
  FRows.shrink_to_fit();
  endRemoveRows();
}

TListItem TListItems::Item(int Index) {
  CheckListIndex(Index, Count());
  return TListItem(this, Index);
}

void TListItems::AddColumn(const std::string& Caption, TAlignment Alignment) {
  const int Column = columnCount();
  beginInsertColumns({}, Column, Column);
  FColumns.push_back({QString::fromLocal8Bit(Caption), Alignment});
  endInsertColumns();
}

int TListItems::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : Count(); }

int TListItems::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QVariant TListItems::data(const QModelIndex& Index, int Role) const {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid)) return {};
  const int Column = Index.column();
  switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const TRowTexts& Row = FRows[static_cast<std::size_t>(Index.row())].Texts;
      if (Column >= Row.Count()) return {};
      return QString::fromLocal8Bit(Row.Text(Column));
    }
    case Qt::TextAlignmentRole:
      return AlignmentData(FColumns[static_cast<std::size_t>(Column)].Alignment);
    default:
      return {};
  }
}

QVariant TListItems::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= columnCount()) return {};
  const TColumn& Column = FColumns[static_cast<std::size_t>(Section)];
  switch (Role) {
    case Qt::DisplayRole:
      return Column.Caption;
    case Qt::TextAlignmentRole:
      return AlignmentData(Column.Alignment);
    default:
      return {};
  }
}

Qt::ItemFlags TListItems::flags(const QModelIndex& Index) const {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid)) return Qt::NoItemFlags;
  Qt::ItemFlags Result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (Index.column() == 0) Result |= Qt::ItemIsEditable;
  return Result;
}

bool TListItems::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
  if (Role != Qt::EditRole || Index.column() != 0 ||
      !checkIndex(Index, CheckIndexOption::IndexIsValid))
    return false;
  TListItem(this, Index.row()).SetCaption(Value.toString().toLocal8Bit().toStdString());
  return true;
}

TRowTexts& TListItems::Row(int Index) {
  CheckListIndex(Index, Count());
  return FRows[static_cast<std::size_t>(Index)].Texts;
}

void TListItems::KeepNumbers(int Column, TTextToNumber Convert) {
  if (Column < 0 || Convert == nullptr)
    throw EListError("A column kept as numbers needs its index and a conversion");
  FNumberColumn = Column;
  FConvert = Convert;
  for (TRow& Each : FRows) KeepNumber(Each);
}

double TListItems::Number(int Index) const {
  CheckListIndex(Index, Count());
  return FRows[static_cast<std::size_t>(Index)].Number;
}

void TListItems::KeepNumber(TRow& ARow) const {
  ARow.Number = FNumberColumn < ARow.Texts.Count() ? FConvert(ARow.Texts.Text(FNumberColumn)) : 0;
}

void TListItems::CellChanged(int RowIndex, int Column) {
  if (Column == FNumberColumn) KeepNumber(FRows[static_cast<std::size_t>(RowIndex)]);
  if (Column >= columnCount()) return;
  const QModelIndex Cell = index(RowIndex, Column);
  emit dataChanged(Cell, Cell, {Qt::DisplayRole, Qt::EditRole});
}

std::string TListItem::Caption() const { return FOwner->Row(FIndex).Text(0); }

void TListItem::SetCaption(const std::string& Value) {
  FOwner->Row(FIndex).Set(0, Value);
  FOwner->CellChanged(FIndex, 0);
}

TSubItems TListItem::SubItems() const { return TSubItems(FOwner, FIndex); }

int TSubItems::Count() const { return FOwner->Row(FRow).Count() - 1; }

void TSubItems::Add(const std::string& Text) {
  TRowTexts& Row = FOwner->Row(FRow);
  Row.Add(Text);
  FOwner->CellChanged(FRow, Row.Count() - 1);
}

std::string TSubItems::operator[](int Index) const {
  CheckListIndex(Index, Count());
  return FOwner->Row(FRow).Text(Index + 1);
}

void TSubItems::Set(int Index, const std::string& Text) {
  CheckListIndex(Index, Count());
  FOwner->Row(FRow).Set(Index + 1, Text);
  FOwner->CellChanged(FRow, Index + 1);
}
