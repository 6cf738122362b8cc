// The layout that a parent gives its aligned controls: top and bottom ones span
// its width and keep their heights, left and right ones span what is left of its
// height and keep their widths, and the client-aligned one fills the rest.
// Hidden controls take no room. The parent's minimum width is the widest minimum
// of the controls that span its width (a control holding aligned controls is
// as wide as their minimum and its frame). Aligning, realigning, freeing and
// showing or hiding a control lays the others out at once; a parent resized
// before it is first shown is laid out when it is shown.
#pragma once

#include <QLayout>
#include <vector>

#include "ui/Control.h"

class TAlignLayout : public QLayout {
 public:
  explicit TAlignLayout(QWidget* Parent);
  ~TAlignLayout() override;

  // The layout of Parent, made on first use.
  static TAlignLayout* Of(QWidget* Parent);

  // Adds Widget at the inner end of the stack of its side, or moves it there.
  void Place(QWidget* Widget, TAlign Align);
  // Leaves Widget where it is and gives its room to the others.
  void Remove(QWidget* Widget);
  // Lays the controls out again now.
  void Realign();
  // The shown control that Widget lies against: the one aligned to the same
  // side just before it, outwards in the stack; null when there is none. It
  // stays so when it is 0 pixels high or wide.
  QWidget* PlacedAgainst(const QWidget* Widget) const;

  bool eventFilter(QObject* Watched, QEvent* Event) override;

  void addItem(QLayoutItem* Item) override;
  QLayoutItem* itemAt(int Index) const override;
  QLayoutItem* takeAt(int Index) override;
  int count() const override { return static_cast<int>(FEntries.size()); }
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& Rect) override;

 private:
  // Drops Widget's entry; false when it had none.
  bool Forget(QWidget* Widget);

  struct TEntry {
    QLayoutItem* Item;
    TAlign Align;
  };
  std::vector<TEntry> FEntries;
};
