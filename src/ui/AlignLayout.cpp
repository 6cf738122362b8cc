#include "ui/AlignLayout.h"

#include <QEvent>
#include <algorithm>

#include "rtl/SysUtils.h"

namespace {

// The narrowest a control spanning its parent's width may be: its own minimum,
// or that of the controls aligned inside it plus its frame.
int MinimumWidthOf(const QWidget* Widget) {
  int Result = Widget->minimumWidth();
  if (const auto* Inner = dynamic_cast<const TAlignLayout*>(Widget->layout()))
    Result = std::max(Result, Inner->totalMinimumSize().width());
  return Result;
}

// A control that is not on the screen hears of no resize, so the controls
// aligned inside it are laid out again by hand.
void RealignInside(const QWidget* Widget) {
  if (Widget->isVisible()) return;
  if (auto* Inner = dynamic_cast<TAlignLayout*>(Widget->layout())) Inner->Realign();
}

}  // namespace

TAlignLayout::TAlignLayout(QWidget* Parent) : QLayout(Parent) {
  // The controls sit on the parent's edges (inside its frame), as designed.
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
}

TAlignLayout::~TAlignLayout() {
  for (const TEntry& Entry : FEntries) delete Entry.Item;
}

TAlignLayout* TAlignLayout::Of(QWidget* Parent) {
  if (Parent->layout() == nullptr) return new TAlignLayout(Parent);
  auto* Layout = dynamic_cast<TAlignLayout*>(Parent->layout());
  if (Layout == nullptr) throw Exception("Control alignment is not possible in this parent");
  return Layout;
}

void TAlignLayout::Place(QWidget* Widget, TAlign Align) {
  Forget(Widget);
  FEntries.push_back({new QWidgetItem(Widget), Align});
  Widget->installEventFilter(this);
  Realign();
}

void TAlignLayout::Remove(QWidget* Widget) {
  if (Forget(Widget)) Realign();
}

bool TAlignLayout::Forget(QWidget* Widget) {
  const auto Found = std::find_if(FEntries.begin(), FEntries.end(), [Widget](const TEntry& Entry) {
    return Entry.Item->widget() == Widget;
  });
  if (Found == FEntries.end()) return false;
  Widget->removeEventFilter(this);
  delete Found->Item;
  FEntries.erase(Found);
  return true;
}

void TAlignLayout::Realign() {
  invalidate();
  // Activation lays the controls out now and lets later resizes of the parent
  // do so again without waiting for the event loop.
  activate();
}

QWidget* TAlignLayout::PlacedAgainst(const QWidget* Widget) const {
  const auto Own = std::find_if(FEntries.begin(), FEntries.end(), [Widget](const TEntry& Entry) {
    return Entry.Item->widget() == Widget;
  });
  if (Own == FEntries.end()) return nullptr;
  // The stack of a side runs outwards to inwards in the order of the entries.
  for (auto Entry = std::make_reverse_iterator(Own); Entry != FEntries.rend(); ++Entry) {
    QWidget* const Other = Entry->Item->widget();
    if (Entry->Align == Own->Align && Other != nullptr && !Other->isHidden()) return Other;
  }
  return nullptr;
}

void TAlignLayout::addItem(QLayoutItem* Item) { FEntries.push_back({Item, alNone}); }

QLayoutItem* TAlignLayout::itemAt(int Index) const {
  if (Index < 0 || Index >= count()) return nullptr;
  return FEntries[static_cast<std::size_t>(Index)].Item;
}

QLayoutItem* TAlignLayout::takeAt(int Index) {
  if (Index < 0 || Index >= count()) return nullptr;
  QLayoutItem* const Item = FEntries[static_cast<std::size_t>(Index)].Item;
  FEntries.erase(FEntries.begin() + Index);
  if (QWidget* const Widget = Item->widget()) Widget->removeEventFilter(this);
  return Item;
}

bool TAlignLayout::eventFilter(QObject* Watched, QEvent* Event) {
  // Qt lays a parent out again only on its next turn of the event loop, and
  // not at all while the parent is not shown; alignment follows at once.
  if (Event->type() == QEvent::ShowToParent || Event->type() == QEvent::HideToParent) Realign();
  return QLayout::eventFilter(Watched, Event);
}

QSize TAlignLayout::sizeHint() const { return minimumSize(); }

QSize TAlignLayout::minimumSize() const {
  int Width = 0;
  for (const TEntry& Entry : FEntries) {
    const QWidget* const Widget = Entry.Item->widget();
    if (Widget == nullptr || Widget->isHidden()) continue;
    if (Entry.Align == alTop || Entry.Align == alBottom || Entry.Align == alClient)
      Width = std::max(Width, MinimumWidthOf(Widget));
  }
  const QMargins Margins = contentsMargins();
  return {Width + Margins.left() + Margins.right(), 0};
}

void TAlignLayout::setGeometry(const QRect& Rect) {
  QLayout::setGeometry(Rect);
  // What is left for the controls not yet placed, edges inclusive of left/top.
  int Left = Rect.left();
  int Top = Rect.top();
  int Right = Rect.left() + Rect.width();
  int Bottom = Rect.top() + Rect.height();
  for (const TAlign Side : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (const TEntry& Entry : FEntries) {
      QWidget* const Widget = Entry.Item->widget();
      if (Entry.Align != Side || Widget == nullptr || Widget->isHidden()) continue;
      const int Width = std::max(Right - Left, 0);
      const int Height = std::max(Bottom - Top, 0);
      switch (Side) {
        case alTop:
          Widget->setGeometry(Left, Top, std::max(Width, MinimumWidthOf(Widget)), Widget->height());
          Top += Widget->height();
          break;
        case alBottom:
          Bottom -= Widget->height();
          Widget->setGeometry(Left, Bottom, std::max(Width, MinimumWidthOf(Widget)),
                              Widget->height());
          break;
        case alLeft:
          Widget->setGeometry(Left, Top, Widget->width(), Height);
          Left += Widget->width();
          break;
        case alRight:
          Right -= Widget->width();
          Widget->setGeometry(Right, Top, Widget->width(), Height);
          break;
        default:
          Widget->setGeometry(Left, Top, std::max(Width, MinimumWidthOf(Widget)), Height);
          break;
      }
      RealignInside(Widget);
    }
  }
}
