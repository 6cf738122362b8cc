#include "chart/ResponseChart.h"

void SetUpResponseChart(TChart* AChart, TLineSeries* ATrips, TLineSeries* AAverage,
                        TAverageFunction* AFunction) {
  AChart->SetName("Chart1");
  AChart->Title().SetVisible(false);
  AChart->Legend().SetVisible(false);
  AChart->SetView3D(false);
  AChart->Gradient().SetVisible(true);
  AChart->Gradient().SetEndColor(8454143);
  AChart->BackWall().SetColor(clWhite);
  AChart->BackWall().SetBrushStyle(bsClear);
  ATrips->SetName("Series1");
  ATrips->SetSeriesColor(clRed);
  ATrips->SetParentChart(AChart);
  AAverage->SetName("Series2");
  AAverage->SetSeriesColor(clGreen);
  AAverage->SetColorEachPoint(true);
  AAverage->SetParentChart(AChart);
  AFunction->SetName("AverageFunction1");
  AAverage->SetDataSource(ATrips);
  AAverage->SetFunctionType(AFunction);
}
