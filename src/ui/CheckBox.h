// The check box of the window: a caption beside a box that is checked or not.
// OnClick runs whenever the state changes: when the user toggles it and when
// SetChecked changes it. Setting the state it already has runs nothing.
#pragma once

#include <QCheckBox>
#include <string>

#include "ui/Control.h"

class TCheckBox : public QCheckBox, public TControl {
 public:
  explicit TCheckBox(TComponent* AOwner, QWidget* AParent = nullptr);

  std::string Caption() const;
  void SetCaption(const std::string& Value);

  bool Checked() const { return isChecked(); }
  void SetChecked(bool Value) { setChecked(Value); }

  TNotifyEvent OnClick;
};
