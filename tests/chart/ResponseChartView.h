// The response-time chart as the main window lays it out (red response times and
// their green average computed from them), on the offscreen platform, for the
// chart's tests and benchmark.
#pragma once

#include <QImage>

#include "chart/ResponseChart.h"
#include "support/OffscreenApplication.h"

struct TResponseChart : TOffscreenApplication {
  TResponseChart() {
    Chart1->resize(447, 148);
    SetUpResponseChart(Chart1, Series1, Series2, AverageFunction1);
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
