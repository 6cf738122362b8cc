// The shape: a figure filled with a brush and outlined with a pen, drawn over
// the control's whole area, such as the white card behind the About picture.
#pragma once

#include <QWidget>

#include "ui/Control.h"

// stSquare is the largest square centred in the control.
enum TShapeType { stRectangle, stSquare };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

// The outline lies inside the figure, Width pixels thick; 0 or less draws none.
struct TPen {
  TColor Color = clBlack;
  int Width = 1;
};

class TShape : public QWidget, public TControl {
 public:
  explicit TShape(TComponent* AOwner, QWidget* AParent = nullptr);

  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType Value);
  const TBrush& Brush() const { return FBrush; }
  void SetBrush(const TBrush& Value);
  const TPen& Pen() const { return FPen; }
  void SetPen(const TPen& Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QRect Figure() const;

  TShapeType FShape = stRectangle;
  TBrush FBrush;
  TPen FPen;
};
