#include "ui/Control.h"

#include <algorithm>
#include <climits>

#include "ui/AlignLayout.h"

QCursor ToQCursor(TCursor Cursor) {
  switch (Cursor) {
    case crIBeam:
      return Qt::IBeamCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

TControl::TControl(TComponent* AOwner, QWidget* Self) : TComponent(AOwner), FWidget(Self) {}

TControl::~TControl() {
  if (FAlign != alNone && FWidget->parentWidget() != nullptr)
    if (auto* Layout = dynamic_cast<TAlignLayout*>(FWidget->parentWidget()->layout()))
      Layout->Remove(FWidget);
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  // A parent that refuses alignment leaves the control as it was.
  if (QWidget* const Parent = FWidget->parentWidget()) {
    TAlignLayout* const Layout = TAlignLayout::Of(Parent);
    if (Value == alNone)
      Layout->Remove(FWidget);
    else
      Layout->Place(FWidget, Value);
  }
  FAlign = Value;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FWidget->setGeometry(ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0));
  if (FAlign != alNone && FWidget->parentWidget() != nullptr)
    TAlignLayout::Of(FWidget->parentWidget())->Realign();
}

void TControl::SetMinWidth(int Value) {
  FWidget->setMinimumWidth(Value);
  if (FAlign != alNone && FWidget->parentWidget() != nullptr)
    TAlignLayout::Of(FWidget->parentWidget())->Realign();
}

void TControl::SetCursor(TCursor Value) {
  FCursor = Value;
  if (Value == crDefault)
    FWidget->unsetCursor();
  else
    FWidget->setCursor(ToQCursor(Value));
}

TFontStyles TControl::FontStyle() const {
  const QFont Font = FWidget->font();
  TFontStyles Result;
  if (Font.bold()) Result = Result.With(fsBold);
  if (Font.italic()) Result = Result.With(fsItalic);
  if (Font.underline()) Result = Result.With(fsUnderline);
  if (Font.strikeOut()) Result = Result.With(fsStrikeOut);
  return Result;
}

void TControl::SetFontStyle(TFontStyles Value) {
  QFont Font = FWidget->font();
  Font.setBold(Value.Contains(fsBold));
  Font.setItalic(Value.Contains(fsItalic));
  Font.setUnderline(Value.Contains(fsUnderline));
  Font.setStrikeOut(Value.Contains(fsStrikeOut));
  FWidget->setFont(Font);
}

void TControl::SetFontColor(TColor Value) {
  QPalette Palette = FWidget->palette();
  const QColor Color = ToQColor(Value, Palette);
  Palette.setColor(QPalette::WindowText, Color);
  Palette.setColor(QPalette::Text, Color);
  Palette.setColor(QPalette::ButtonText, Color);
  FWidget->setPalette(Palette);
}

void TControl::SetColor(TColor Value) {
  QPalette Palette = FWidget->palette();
  Palette.setColor(QPalette::Window, ToQColor(Value, Palette));
  FWidget->setPalette(Palette);
  FWidget->setAutoFillBackground(true);
}

TControl* ControlOf(const QWidget* Widget) {
  return dynamic_cast<TControl*>(const_cast<QWidget*>(Widget));
}

std::vector<QWidget*> TControl::KeyboardOrder() const { return ChildrenInTabOrder(FWidget); }

std::vector<QWidget*> ChildrenInTabOrder(const QWidget* Parent) {
  std::vector<std::pair<int, QWidget*>> Ordered;
  for (QObject* const Child : Parent->children()) {
    auto* const Widget = qobject_cast<QWidget*>(Child);
    if (Widget == nullptr || Widget->isWindow()) continue;
    const TControl* const Control = ControlOf(Widget);
    Ordered.emplace_back(
        Control != nullptr && Control->TabOrder() >= 0 ? Control->TabOrder() : INT_MAX, Widget);
  }
  std::stable_sort(Ordered.begin(), Ordered.end(),
                   [](const auto& A, const auto& B) { return A.first < B.first; });
  std::vector<QWidget*> Result;
  Result.reserve(Ordered.size());
  for (const auto& Entry : Ordered) Result.push_back(Entry.second);
  return Result;
}
