#include "chart/ChartMap.h"

namespace {

double Scale(int Pixels, TAxisRange Range) {
  const double Span = Range.Maximum - Range.Minimum;
  return Span > 0 ? (Pixels - 1) / Span : 0;
}

}  // namespace

TChartMap::TChartMap(const QRect& APlot, TAxisRange AX, TAxisRange AY, QPoint AOffset)
    : FPlot(APlot),
      FX(AX),
      FY(AY),
      FOffset(AOffset),
      FXScale(Scale(APlot.width(), AX)),
      FYScale(Scale(APlot.height(), AY)) {}

TChartMap TChartMap::Shifted(QPoint Delta) const { return {FPlot, FX, FY, FOffset + Delta}; }

double TChartMap::XToPixel(double X) const {
  return FPlot.left() + FOffset.x() + 0.5 + (X - FX.Minimum) * FXScale;
}

double TChartMap::YToPixel(double Y) const {
  return FPlot.bottom() + FOffset.y() + 0.5 - (Y - FY.Minimum) * FYScale;
}

QPointF TChartMap::ToPixel(double X, double Y) const {
  return {SnapToPixel(XToPixel(X)), SnapToPixel(YToPixel(Y))};
}

double TChartMap::PixelToX(double PixelX) const {
  if (FXScale == 0) return FX.Minimum;
  return FX.Minimum + (PixelX - 0.5 - FPlot.left() - FOffset.x()) / FXScale;
}

double TChartMap::PixelToY(double PixelY) const {
  if (FYScale == 0) return FY.Minimum;
  return FY.Minimum + (FPlot.bottom() + FOffset.y() + 0.5 - PixelY) / FYScale;
}
