#include "ui/ComboBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "rtl/SysUtils.h"

// Draws the rows of the list at the box's item height.
class TItemHeightDelegate : public QStyledItemDelegate {
 public:
  explicit TItemHeightDelegate(QObject* Parent) : QStyledItemDelegate(Parent) {}

  void SetHeight(int Value) {
    FHeight = Value;
    emit sizeHintChanged({});
  }

  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QSize Size = QStyledItemDelegate::sizeHint(Option, Index);
    if (FHeight > 0) Size.setHeight(FHeight);
    return Size;
  }

 private:
  int FHeight = 0;
};

namespace {

// Each item keeps its bytes here; its shown text is their decoding.
constexpr int RawRole = Qt::UserRole;

void CheckIndex(int Index, int Limit) {
  if (Index < 0 || Index > Limit) throw Exception(Format("List index out of bounds (%d)", {Index}));
}

QByteArray Bytes(const std::string& S) { return QByteArray::fromStdString(S); }

}  // namespace

int TComboBoxItems::Add(const std::string& S) {
  Insert(Count(), S);
  return Count() - 1;
}

void TComboBoxItems::Insert(int Index, const std::string& S) {
  CheckIndex(Index, Count());
  // The box selects the first item put into an empty list, and moves the
  // selection when the selected item goes; the edit text stays regardless.
  const QString Shown = FCombo.currentText();
  FCombo.insertItem(Index, QString::fromLocal8Bit(Bytes(S)), Bytes(S));
  if (FCombo.currentText() != Shown) FCombo.setEditText(Shown);
}

void TComboBoxItems::Delete(int Index) {
  CheckIndex(Index, Count() - 1);
  const QString Shown = FCombo.currentText();
  FCombo.removeItem(Index);
  if (FCombo.currentText() != Shown) FCombo.setEditText(Shown);
}

void TComboBoxItems::Clear() {
  FCombo.clear();
  FCombo.clearEditText();
}

std::string TComboBoxItems::Strings(int Index) const {
  CheckIndex(Index, Count() - 1);
  return FCombo.itemData(Index, RawRole).toByteArray().toStdString();
}

TComboBox::TComboBox(TComponent* AOwner, QWidget* AParent)
    : QComboBox(AParent), TControl(AOwner, this), FItemDelegate(new TItemHeightDelegate(this)) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setItemDelegate(FItemDelegate);
  SetAutoComplete(FAutoComplete);
}

std::string TComboBox::Text() const {
  const int Index = ItemIndex();
  if (Index >= 0) return FItems.Strings(Index);
  return currentText().toLocal8Bit().toStdString();
}

std::size_t TComboBox::MaxTextBytes() const {
  return 3 * static_cast<std::size_t>(lineEdit()->maxLength());
}

void TComboBox::SetText(const std::string& Value) {
  const int Index = findData(Bytes(Value), RawRole);
  if (Index >= 0)
    setCurrentIndex(Index);
  else
    setEditText(QString::fromLocal8Bit(Bytes(Value)));
}

int TComboBox::ItemIndex() const {
  const QString Shown = currentText();
  if (currentIndex() >= 0 && itemText(currentIndex()) == Shown) return currentIndex();
  return findText(Shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TComboBox::SetItemIndex(int Value) {
  if (Value != -1) CheckIndex(Value, count() - 1);
  setCurrentIndex(Value);
}

void TComboBox::showPopup() {
  QComboBox::showPopup();
  // The box highlights its last selected item, which typing may have left.
  const int Shown = ItemIndex();
  view()->selectionModel()->setCurrentIndex(
      Shown >= 0 ? model()->index(Shown, modelColumn(), rootModelIndex()) : QModelIndex(),
      QItemSelectionModel::ClearAndSelect);
}

void TComboBox::SetItemHeight(int Value) {
  FItemHeight = Value;
  FItemDelegate->SetHeight(Value);
}

void TComboBox::SetAutoComplete(bool Value) {
  FAutoComplete = Value;
  // The completer in use goes, be it the edit box's own or one made here.
  delete completer();
  if (!Value) return;
  auto* const Completer = new QCompleter(model(), this);
  Completer->setCaseSensitivity(Qt::CaseInsensitive);
  Completer->setCompletionMode(QCompleter::InlineCompletion);
  setCompleter(Completer);
  // After the edit box has put the completion behind the typed text, the item
  // replaces both, so the text reads as the item is written.
  connect(Completer, qOverload<const QString&>(&QCompleter::highlighted), this,
          [this](const QString& Item) { ShowCompletion(Item); });
}

void TComboBox::ShowCompletion(const QString& Item) {
  QLineEdit* const Edit = lineEdit();
  const int Typed = Edit->hasSelectedText() ? Edit->selectionStart() : Edit->cursorPosition();
  Edit->setText(Item);
  // The completed part stays selected, so typing on replaces it.
  Edit->setSelection(static_cast<int>(Item.size()), Typed - static_cast<int>(Item.size()));
}
