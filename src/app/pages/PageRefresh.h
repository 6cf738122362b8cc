// A page's refresh, asked for as often as its data change: it runs once per
// pass of the event loop while the page is shown, and on the pass after the
// page is shown, so a hidden page costs nothing and a shown one one refresh
// per frame.
#pragma once

#include <functional>

#include "ui/PageControl.h"

class TPageRefresh {
 public:
  // ASheet, which must outlive this, is the page; ARefresh shows it.
  TPageRefresh(TTabSheet* ASheet, std::function<void()> ARefresh);

  bool Shown() const;
  void Schedule();

 private:
  TTabSheet* FSheet;
  std::function<void()> FRefresh;
  bool FPending = false;
};
