// The response-time chart at the largest list: painting 10 001 points into a
// 1000 x 300 image in 2D and 3D, beside a plain polyline of the same points in
// the same image, and the add-delete-recalculate cycle of one reply.
#include <benchmark/benchmark.h>

#include <QPainter>
#include <random>
#include <vector>

#include "chart/ChartMap.h"
#include "chart/ResponseChartView.h"

namespace {

// The list's limit plus the one reply that is over it before the oldest goes.
constexpr int Points = 10001;

// A full chart of noisy round-trip times, 1 to 200 ms.
struct TFullChart : TResponseChart {
  TFullChart() {
    Chart1->resize(1000, 300);
    for (int I = 1; I <= Points; ++I) Series1->AddXY(++PingCount, 1 + Random() % 200);
    Series2->CheckDataSource();
  }
  double PingCount = 0;
  std::mt19937 Random{11};
};

void BM_PaintChart(benchmark::State& State) {
  TFullChart Chart;
  Chart.Chart1->SetView3D(State.range(0) != 0);
  QImage Image(Chart.Chart1->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : State) {
    Chart.Chart1->render(&Image);
    benchmark::DoNotOptimize(Image.constBits());
  }
  State.SetLabel(State.range(0) != 0 ? "3D" : "2D");
}
BENCHMARK(BM_PaintChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What QPainter alone costs for the same points: one polyline with a one-pixel
// pen, antialiased as the chart draws, over the whole image.
void BM_PlainPolyline(benchmark::State& State) {
  TFullChart Chart;
  const TChartMap Map = Chart.Chart1->SeriesMap(0, Chart.Chart1->rect());
  std::vector<QPointF> Line;
  for (int I = 0; I < Points; ++I)
    Line.push_back(Map.ToPixel(Chart.Series1->XValues()[I], Chart.Series1->YValues()[I]));
  QImage Image(Chart.Chart1->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : State) {
    Image.fill(Qt::white);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing, State.range(0) != 0);
    Painter.setPen(QPen(Qt::red, 1));
    Painter.drawPolyline(Line.data(), Points);
    Painter.end();
    benchmark::DoNotOptimize(Image.constBits());
  }
  State.SetLabel(State.range(0) != 0 ? "antialiased" : "aliased");
}
BENCHMARK(BM_PlainPolyline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One reply once the list is full: the oldest point goes, the new one comes, and
// the average is computed again over all points.
void BM_AddDeleteRecalculate(benchmark::State& State) {
  TFullChart Chart;
  for (auto _ : State) {
    Chart.Chart1->Series(0)->Delete(0);
    Chart.AddReply(++Chart.PingCount, 1 + Chart.Random() % 200);
  }
  if (Chart.Series1->Count() != Points) State.SkipWithError("the point count drifted");
}
BENCHMARK(BM_AddDeleteRecalculate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
