// The editable drop-down list of the window: an edit box whose text is typed
// or picked from the list below it. Items are the program's byte strings, kept
// exactly as given, also when they are not valid UTF-8; the box shows them
// decoded. Typed text is completed from the items and never added to them.
#pragma once

#include <QComboBox>
#include <string>

#include "ui/Control.h"

// The kinds of combo box; the window uses only the editable one.
enum TComboBoxStyle { csDropDown };

class TItemHeightDelegate;

// The items of a combo box in list order. Adding, inserting or deleting items
// leaves the edit text as it is; clearing them clears it too. An index out of
// range raises Exception and changes nothing.
class TComboBoxItems {
 public:
  explicit TComboBoxItems(QComboBox& ACombo) : FCombo(ACombo) {}
  TComboBoxItems(const TComboBoxItems&) = delete;
  TComboBoxItems& operator=(const TComboBoxItems&) = delete;

  int Count() const { return FCombo.count(); }
  // Returns the index of the new item, the last one.
  int Add(const std::string& S);
  // Index may be Count(): the item then goes last.
  void Insert(int Index, const std::string& S);
  void Delete(int Index);
  void Clear();
  std::string Strings(int Index) const;
  std::string operator[](int Index) const { return Strings(Index); }

 private:
  QComboBox& FCombo;
};

class TComboBox : public QComboBox, public TControl {
 public:
  explicit TComboBox(TComponent* AOwner, QWidget* AParent = nullptr);

  TComboBoxStyle Style() const { return csDropDown; }

  TComboBoxItems& Items() { return FItems; }
  const TComboBoxItems& Items() const { return FItems; }

  // The edit text; when it shows an item, that item's bytes exactly.
  std::string Text() const;
  // The most bytes of an edit text that was typed or pasted: the edit box
  // takes so many characters (UTF-16 units), each at most three bytes in the
  // system code page, UTF-8. Longer text is cut at the box's length.
  std::size_t MaxTextBytes() const;
  // Selects the first item with exactly these bytes, if there is one.
  void SetText(const std::string& Value);

  // The item that the edit text shows: the selected one if it still does, else
  // the first one with exactly that text; -1 when none does.
  int ItemIndex() const;
  // Shows the item's text in the edit box; -1 empties it.
  void SetItemIndex(int Value);

  // The height of a row of the list in pixels; 0 (the default) leaves it to the style.
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);
  // The most rows the list shows before it scrolls.
  int DropDownCount() const { return maxVisibleItems(); }
  void SetDropDownCount(int Value) { setMaxVisibleItems(Value); }
  // On (the default), typed text is completed from the first item that starts
  // with it, ignoring case: the edit box then shows that item, the part not
  // typed selected.
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool Value);

  // Opens the list with the item that the edit text shows highlighted, or
  // none when no item does.
  void showPopup() override;

 private:
  void ShowCompletion(const QString& Item);

  TComboBoxItems FItems{*this};
  TItemHeightDelegate* FItemDelegate;
  int FItemHeight = 0;
  bool FAutoComplete = true;
};
