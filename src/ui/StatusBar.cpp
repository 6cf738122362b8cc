#include "ui/StatusBar.h"

#include <qdrawutil.h>

#include <QPainter>
#include <algorithm>

namespace {

constexpr int DefaultHeight = 19;

}  // namespace

TStatusBar::TStatusBar(TComponent* AOwner, QWidget* AParent)
    : QWidget(AParent), TControl(AOwner, this) {
  SetColor(clBtnFace);
  resize(width(), DefaultHeight);
  PlaceGrip();
}

void TStatusBar::SetSimplePanel(bool Value) {
  FSimplePanel = Value;
  update();
}

void TStatusBar::SetSizeGrip(bool Value) {
  FSizeGrip = Value;
  // The grip itself stays hidden while the window is maximized or full screen.
  FGrip.setVisible(Value);
  update();
}

void TStatusBar::paintEvent(QPaintEvent* /*Event*/) {
  if (!FSimplePanel) return;
  QPainter Painter(this);
  const int GripWidth = FSizeGrip ? FGrip.width() : 0;
  qDrawShadePanel(&Painter, 0, 0, width() - GripWidth, height(), palette(), true, 1);
}

void TStatusBar::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  PlaceGrip();
}

void TStatusBar::PlaceGrip() {
  const QSize Size = FGrip.sizeHint().boundedTo(QSize(width(), height()));
  FGrip.setGeometry(width() - Size.width(), height() - Size.height(), Size.width(), Size.height());
}
