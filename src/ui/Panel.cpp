#include "ui/Panel.h"

#include <algorithm>

#include "ui/AlignLayout.h"

TPanel::TPanel(TComponent* AOwner, QWidget* AParent) : QFrame(AParent), TControl(AOwner, this) {
  SetColor(clBtnFace);
  ApplyBevel();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  ApplyBevel();
}

void TPanel::SetBevelWidth(int Value) {
  FBevelWidth = std::max(Value, 1);
  ApplyBevel();
}

void TPanel::ApplyBevel() {
  switch (FBevelOuter) {
    case bvLowered:
      setFrameStyle(QFrame::Panel | QFrame::Sunken);
      break;
    case bvRaised:
      setFrameStyle(QFrame::Panel | QFrame::Raised);
      break;
    default:
      setFrameStyle(QFrame::NoFrame);
      break;
  }
  setLineWidth(FBevelWidth);
  // The bevel changes the room inside; the aligned controls follow at once.
  if (auto* Layout = dynamic_cast<TAlignLayout*>(layout())) Layout->Realign();
}
