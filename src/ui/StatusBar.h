// The status bar along the bottom of the window: a strip in the button face
// without panels of text, with the size grip that resizes the window in its
// right corner. With SimplePanel on it is one sunken panel instead (its text
// is not needed yet).
#pragma once

#include <QSizeGrip>
#include <QWidget>

#include "ui/Control.h"

class TStatusBar : public QWidget, public TControl {
 public:
  // 19 pixels high, with the size grip and without SimplePanel. It does not
  // align itself: its form aligns it to the bottom in the order it needs.
  explicit TStatusBar(TComponent* AOwner, QWidget* AParent = nullptr);

  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  // Puts the grip in the bottom right corner, no taller than the bar.
  void PlaceGrip();

  QSizeGrip FGrip{this};
  bool FSimplePanel = false;
  bool FSizeGrip = true;
};
