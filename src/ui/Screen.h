// The screen object: the program's cursor over all its windows, such as the
// hourglass while a long operation runs. It stands on Qt's override cursor and
// keeps at most one entry on Qt's stack of them.
#pragma once

#include "ui/Control.h"

class TScreen {
 public:
  TScreen() = default;
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;

  TCursor Cursor() const { return FCursor; }
  // Any cursor but crDefault shows over every window and control, whatever
  // their own cursors; crDefault gives them their own back.
  void SetCursor(TCursor Value);

 private:
  TCursor FCursor = crDefault;
};

// The one screen object of the process; the pointer is never null.
extern TScreen* const Screen;
