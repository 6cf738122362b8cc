// The form: a top-level window whose client area holds the controls. Closing
// the main form ends the program's message loop; the form itself lives on
// until the application destroys it.
#pragma once

#include <QWidget>
#include <string>

#include "ui/Control.h"

class TForm : public QWidget, public TControl {
 public:
  explicit TForm(TComponent* AOwner);

  std::string Caption() const;
  void SetCaption(const std::string& Value);
  // The window's place on the screen, at its outer top left corner.
  void SetPosition(int ALeft, int ATop);
  int ClientWidth() const { return width(); }
  int ClientHeight() const { return height(); }
  void SetClientSize(int AWidth, int AHeight);

  void Show();

  // Makes the keyboard order follow the controls' tab orders: depth first
  // through the parents, each parent's controls in the order it gives them
  // (KeyboardOrder). The window's first focus follows it at once; Tab and
  // Shift+Tab follow it as the controls are at the moment of the key, so a
  // control or page added later has its place too.
  void ApplyTabOrder();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  // Called by the application after making the form and before freeing it;
  // an exception from the handler is shown and goes no further.
  void DoCreate();
  void DoDestroy();

 protected:
  void closeEvent(QCloseEvent* Event) override;
  // Moves the focus to the next or the previous control of the keyboard order
  // that is shown and enabled.
  bool focusNextPrevChild(bool Next) override;
};
