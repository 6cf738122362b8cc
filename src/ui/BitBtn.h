// The push button of the window: a caption and a click event, no picture.
// Clicking it takes the keyboard focus first, so the control that had the focus
// finishes its editing (a spin field clamps its number) before OnClick runs.
#pragma once

#include <QPushButton>
#include <string>

#include "ui/Control.h"

class TBitBtn : public QPushButton, public TControl {
 public:
  explicit TBitBtn(TComponent* AOwner, QWidget* AParent = nullptr);

  // "&" marks the button's Alt letter.
  std::string Caption() const;
  void SetCaption(const std::string& Value);

  // Runs on every click: by the mouse or by the space key.
  TNotifyEvent OnClick;
};
