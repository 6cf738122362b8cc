// The response-time chart as the main window lays it out (red response times and
// their green average computed from them), on the offscreen platform, for the
// chart's tests and benchmark.
#pragma once

#include <QImage>

#include "chart/AverageFunction.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "support/OffscreenApplication.h"

struct TResponseChart : TOffscreenApplication {
  TResponseChart() {
    Chart1->SetName("Chart1");
    Chart1->resize(447, 148);
    Chart1->Title().SetVisible(false);
    Chart1->Legend().SetVisible(false);
    Chart1->SetView3D(false);
    Chart1->Gradient().SetVisible(true);
    Chart1->Gradient().SetEndColor(8454143);
    Chart1->BackWall().SetColor(clWhite);
    Chart1->BackWall().SetBrushStyle(bsClear);
    Series1->SetName("Series1");
    Series1->SetSeriesColor(clRed);
    Series1->SetParentChart(Chart1);
    Series2->SetName("Series2");
    Series2->SetSeriesColor(clGreen);
    Series2->SetColorEachPoint(true);
    Series2->SetParentChart(Chart1);
    Series2->SetDataSource(Series1);
    Series2->SetFunctionType(AverageFunction1);
  }

  // One successful reply, as the window records it.
  void AddReply(double X, double Milliseconds) {
    Chart1->Series(0)->AddXY(X, Milliseconds);
    Chart1->Series(1)->CheckDataSource();
  }

  QImage Render() const {
    QImage Image(Chart1->size(), QImage::Format_ARGB32_Premultiplied);
    Chart1->render(&Image);
    return Image;
  }

  TComponent Form{nullptr};
  TChart* Chart1 = new TChart(&Form);
  TLineSeries* Series1 = new TLineSeries(&Form);
  TLineSeries* Series2 = new TLineSeries(&Form);
  TAverageFunction* AverageFunction1 = new TAverageFunction(&Form);
};
