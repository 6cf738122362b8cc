// The flat button that can stay down. With a group index of 0 it is a plain
// push button; with another one it is a toggle, and of the speed buttons of one
// parent that share the index at most one is down. Without AllowAllUp the down
// button of a group stays down when clicked; with it, each click flips it.
// It never takes the keyboard focus, so clicking it leaves the focus where it was;
// a shortcut (QAbstractButton::setShortcut) and its accessible press and
// toggle actions click it as the mouse does.
#pragma once

#include <QToolButton>
#include <string>
#include <vector>

#include "ui/Control.h"

class TSpeedButton : public QToolButton, public TControl {
 public:
  explicit TSpeedButton(TComponent* AOwner, QWidget* AParent = nullptr);

  std::string Caption() const;
  void SetCaption(const std::string& Value);

  int GroupIndex() const { return FGroupIndex; }
  // Moving the button to group 0 lets it up.
  void SetGroupIndex(int Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  // Applies to the whole group the button is in.
  void SetAllowAllUp(bool Value);

  bool Down() const { return isChecked(); }
  // Ignored in group 0, and when it would let up the down button of a group
  // without AllowAllUp. Putting a button down lets the others of its group up.
  // Never runs OnClick.
  void SetDown(bool Value);

  // Runs after a click has put the button down or let it up.
  TNotifyEvent OnClick;

 protected:
  void nextCheckState() override;

 private:
  // The other speed buttons of the same parent with the same group index.
  std::vector<TSpeedButton*> GroupMates() const;
  void PutDown();

  int FGroupIndex = 0;
  bool FAllowAllUp = false;
};
