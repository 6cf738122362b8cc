#include "ui/SpeedButton.h"

#include "ui/Application.h"

TSpeedButton::TSpeedButton(TComponent* AOwner, QWidget* AParent)
    : QToolButton(AParent), TControl(AOwner, this) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QToolButton::clicked, this, [this] { CallEvent(OnClick, this); });
}

std::string TSpeedButton::Caption() const { return text().toLocal8Bit().toStdString(); }

void TSpeedButton::SetCaption(const std::string& Value) { setText(QString::fromLocal8Bit(Value)); }

void TSpeedButton::SetGroupIndex(int Value) {
  if (Value == FGroupIndex) return;
  FGroupIndex = Value;
  // A button that is not checkable cannot be down; one that becomes checkable starts up.
  setCheckable(Value != 0);
  setChecked(false);
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  for (TSpeedButton* const Mate : GroupMates()) Mate->FAllowAllUp = Value;
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0 || Value == Down()) return;
  if (Value)
    PutDown();
  else if (FAllowAllUp)
    setChecked(false);
}

void TSpeedButton::nextCheckState() {
  // Called by a click on a button of a group, before the clicked signal.
  if (!Down())
    PutDown();
  else if (FAllowAllUp)
    setChecked(false);
}

std::vector<TSpeedButton*> TSpeedButton::GroupMates() const {
  std::vector<TSpeedButton*> Result;
  if (FGroupIndex == 0 || parentWidget() == nullptr) return Result;
  for (QObject* const Child : parentWidget()->children()) {
    auto* const Button = dynamic_cast<TSpeedButton*>(Child);
    if (Button != nullptr && Button != this && Button->FGroupIndex == FGroupIndex)
      Result.push_back(Button);
  }
  return Result;
}

void TSpeedButton::PutDown() {
  for (TSpeedButton* const Mate : GroupMates()) Mate->setChecked(false);
  setChecked(true);
}
