// The map from data to pixels: an X and a Y range onto a plotting rectangle,
// shifted for a series that lies deeper in the 3D view. Pixel positions are
// the centres of pixels, so one-pixel lines drawn through them stay sharp.
#pragma once

#include <QPointF>
#include <QRect>
#include <cmath>

struct TAxisRange {
  double Minimum;
  double Maximum;
};

class TChartMap {
 public:
  // The range's minimum maps to the first pixel of Plot, its maximum to the last;
  // Y grows upwards.
  TChartMap(const QRect& APlot, TAxisRange AX, TAxisRange AY, QPoint AOffset = {});

  const QRect& Plot() const { return FPlot; }
  QPoint Offset() const { return FOffset; }
  // The same map, moved by Delta pixels (the depth of a series in 3D).
  TChartMap Shifted(QPoint Delta) const;

  double XToPixel(double X) const;
  double YToPixel(double Y) const;
  // The position snapped to the centre of the pixel it falls in.
  QPointF ToPixel(double X, double Y) const;
  double PixelToX(double PixelX) const;
  double PixelToY(double PixelY) const;

 private:
  QRect FPlot;
  TAxisRange FX;
  TAxisRange FY;
  QPoint FOffset;
  double FXScale;
  double FYScale;
};

// The centre of the pixel that a position falls in.
inline double SnapToPixel(double Position) { return std::floor(Position) + 0.5; }
