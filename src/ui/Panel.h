// The panel: a plain container with a bevelled edge that other controls are
// placed or aligned in. The bevel insets the room it gives its aligned controls
// by its width on every side.
#pragma once

#include <QFrame>

#include "ui/Control.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public QFrame, public TControl {
 public:
  // Raised, one pixel wide, in the button-face colour.
  explicit TPanel(TComponent* AOwner, QWidget* AParent = nullptr);

  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int BevelWidth() const { return FBevelWidth; }
  // At least 1; a narrower bevel is drawn as one pixel wide.
  void SetBevelWidth(int Value);

 private:
  // Draws the bevel and lays the aligned controls out in the room it leaves.
  void ApplyBevel();

  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
};
