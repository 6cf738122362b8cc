#include "ui/Shape.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>

TShape::TShape(TComponent* AOwner, QWidget* AParent) : QWidget(AParent), TControl(AOwner, this) {}

void TShape::SetShape(TShapeType Value) {
  FShape = Value;
  update();
}

void TShape::SetBrush(const TBrush& Value) {
  FBrush = Value;
  update();
}

void TShape::SetPen(const TPen& Value) {
  FPen = Value;
  update();
}

QRect TShape::Figure() const {
  if (FShape == stRectangle) return rect();
  const int Side = std::min(width(), height());
  return {(width() - Side) / 2, (height() - Side) / 2, Side, Side};
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  const QRect Outer = Figure();
  // A pen wider than half the figure covers all of it.
  const int PenWidth = std::clamp(FPen.Width, 0, (std::min(Outer.width(), Outer.height()) + 1) / 2);
  const QRect Inner = Outer.adjusted(PenWidth, PenWidth, -PenWidth, -PenWidth);
  if (FBrush.Style == bsSolid && !Inner.isEmpty())
    Painter.fillRect(Inner, ToQColor(FBrush.Color, palette()));
  if (PenWidth == 0) return;
  // Whole pixels only, so the outline is exactly Width pixels on every side.
  Painter.setClipRegion(QRegion(Outer).subtracted(QRegion(Inner)));
  Painter.fillRect(Outer, ToQColor(FPen.Color, palette()));
}
