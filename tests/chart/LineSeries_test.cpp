#include "chart/LineSeries.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <random>

#include "chart/ChartMap.h"
#include "chart/ResponseChartView.h"

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 128, 0);
const QRgb White = qRgb(255, 255, 255);

// A white canvas, 200 x 100, with X 0 to 199 and Y 0 to 99 one unit per pixel.
struct TCanvas : TOffscreenApplication {
  QImage Draw(const TChartSeries& Series, bool Antialiased = true) {
    QImage Image(200, 100, QImage::Format_RGB32);
    Image.fill(White);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing, Antialiased);
    Series.Draw(Painter, Map);
    return Image;
  }
  const TChartMap Map{QRect(0, 0, 200, 100), {0, 199}, {0, 99}};
};

int CountColour(const QImage& Image, QRgb Colour) {
  int Count = 0;
  for (int Y = 0; Y < Image.height(); ++Y)
    for (int X = 0; X < Image.width(); ++X) Count += Image.pixel(X, Y) == Colour;
  return Count;
}

}  // namespace

TEST(LineDrawing, LevelLineIsOnePixelHighAndSharp) {
  TCanvas Canvas;
  TLineSeries Series(nullptr);
  Series.AddXY(10, 50);
  Series.AddXY(150, 50);
  const QImage Image = Canvas.Draw(Series);
  EXPECT_EQ(Image.pixel(80, 49), Red);  // Y 50 is row 99 - 50
  EXPECT_EQ(Image.pixel(80, 48), White);
  EXPECT_EQ(Image.pixel(80, 50), White);
  EXPECT_EQ(CountColour(Image, Red), 141);
}

TEST(LineDrawing, SegmentTakesTheColourOfThePointItEndsAt) {
  TCanvas Canvas;
  TLineSeries Series(nullptr);
  Series.SetColorEachPoint(true);  // point 0 red, point 1 green
  Series.AddXY(0, 20);
  Series.AddXY(100, 20);
  Series.AddXY(199, 20, "", clBlue);
  const QImage Image = Canvas.Draw(Series);
  EXPECT_EQ(Image.pixel(50, 79), Green);
  EXPECT_EQ(Image.pixel(150, 79), qRgb(0, 0, 255));
  EXPECT_EQ(CountColour(Image, Red), 0);
}

TEST(LineDrawing, SinglePointShowsAsADotOfNinePixels) {
  TCanvas Canvas;
  TLineSeries Series(nullptr);
  Series.AddXY(1, 1);
  EXPECT_EQ(CountColour(Canvas.Draw(Series), White), 200 * 100 - 9);
}

TEST(LineDrawing, PointMarkersShowOnlyWhenVisible) {
  TCanvas Canvas;
  TLineSeries Series(nullptr);
  Series.AddXY(100, 50);
  Series.Pointer().SetVisible(true);
  // Beside the dot that a lone point draws anyway.
  EXPECT_EQ(Canvas.Draw(Series).pixel(100, 47), Red);
  Series.Pointer().SetVisible(false);
  EXPECT_EQ(Canvas.Draw(Series).pixel(100, 47), White);
}

// Ten thousand noisy points on two hundred columns are drawn from a few per column;
// the picture must stay the one that all points draw: the same pixels, and without
// antialiasing the same colours (with it, overlaps blend a little differently).
TEST(LineDrawing, MergingPointsPerColumnDrawsTheSamePixels) {
  TCanvas Canvas;
  TLineSeries Series(nullptr);
  std::mt19937 Random(3);
  for (int I = 0; I <= 10000; ++I) Series.AddXY(I * 199.0 / 10000, Random() % 100);
  for (const bool Antialiased : {false, true}) {
    QImage Full(200, 100, QImage::Format_RGB32);
    Full.fill(White);
    QPainter Painter(&Full);
    Painter.setRenderHint(QPainter::Antialiasing, Antialiased);
    Painter.setPen(QPen(QColor(Red), 1, Qt::SolidLine, Qt::SquareCap));
    // Every segment on its own, as the series draws them.
    std::vector<QLineF> Segments;
    for (int I = 1; I < Series.Count(); ++I) {
      const QPointF From = Canvas.Map.ToPixel(Series.XValues()[I - 1], Series.YValues()[I - 1]);
      const QPointF To = Canvas.Map.ToPixel(Series.XValues()[I], Series.YValues()[I]);
      if (From != To) Segments.emplace_back(From, To);
    }
    Painter.drawLines(Segments.data(), static_cast<int>(Segments.size()));
    Painter.end();
    const QImage Merged = Canvas.Draw(Series, Antialiased);
    int Differing = 0;
    for (int Y = 0; Y < 100; ++Y)
      for (int X = 0; X < 200; ++X) {
        const bool Touched = Full.pixel(X, Y) != White;
        Differing += Touched != (Merged.pixel(X, Y) != White) ||
                     (!Antialiased && Full.pixel(X, Y) != Merged.pixel(X, Y));
      }
    EXPECT_EQ(Differing, 0) << (Antialiased ? "antialiased" : "aliased");
  }
}
