#include "chart/Chart.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "chart/ChartAccessible.h"
#include "chart/ResponseChartView.h"

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 128, 0);

// Counts the paints a widget receives.
class TPaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* Event) override {
    Paints += Event->type() == QEvent::Paint;
    return false;
  }
  int Paints = 0;
};

struct TChartView : testing::Test, TResponseChart {
  // The pixel of the series at Index that shows the point (X, Y).
  QPoint PixelOf(int Index, double X, double Y) const {
    const QPointF Centre = Chart1->SeriesMap(Index, Chart1->rect()).ToPixel(X, Y);
    return {static_cast<int>(Centre.x()), static_cast<int>(Centre.y())};
  }
  void AddLevelReplies() {
    for (int X = 1; X <= 20; ++X) AddReply(X, X <= 10 ? 10 : 50);  // mean 30
  }
};

}  // namespace

TEST_F(TChartView, GradientRunsFromLightYellowAtTheTopToWhiteAtTheBottom) {
  const QImage Image = Render();
  for (const int X : {0, Image.width() / 2, Image.width() - 1}) {
    EXPECT_EQ(Image.pixel(X, 0), qRgb(255, 255, 128));
    EXPECT_EQ(Image.pixel(X, Image.height() - 1), qRgb(255, 255, 255));
  }
  const QColor Middle = Image.pixelColor(5, Image.height() / 2);
  EXPECT_EQ(Middle.red(), 255);
  EXPECT_GT(Middle.blue(), 150);
  EXPECT_LT(Middle.blue(), 230);
}

TEST_F(TChartView, WithoutGradientTheBackgroundIsTheButtonFace) {
  Chart1->Gradient().SetVisible(false);
  const QImage Image = Render();
  const QRgb Face = Chart1->palette().color(QPalette::Button).rgb();
  EXPECT_EQ(Image.pixel(0, 0), Face);
  EXPECT_EQ(Image.pixel(Image.width() - 1, Image.height() - 1), Face);
  // The back wall is clear, so the plotting area shows the background too.
  EXPECT_EQ(Image.pixel(Image.width() / 2, Image.height() / 3), Face);
}

TEST_F(TChartView, ResponseLineIsRedAndTheAverageGreenWhereTheyBelong) {
  AddLevelReplies();
  const QImage Image = Render();
  EXPECT_EQ(Image.pixel(PixelOf(0, 5, 10)), Red);
  EXPECT_EQ(Image.pixel(PixelOf(0, 15, 50)), Red);
  EXPECT_EQ(Image.pixel(PixelOf(1, 5, 30)), Green);
  EXPECT_EQ(Image.pixel(PixelOf(1, 19, 30)), Green);
  EXPECT_NE(Image.pixel(PixelOf(1, 5, 30) - QPoint(0, 2)), Green);
}

TEST_F(TChartView, View3DMovesEachSeriesIntoItsDepth) {
  AddLevelReplies();
  Chart1->SetView3D(true);
  const QPoint Front = PixelOf(0, 5, 10);
  const TChartMap Map = Chart1->SeriesMap(0, Chart1->rect());
  const TChartMap Back = Chart1->SeriesMap(1, Chart1->rect());
  // 15 percent of the plotting area's smaller side, the first series a quarter deep.
  const int Depth = (Map.Plot().height() + Back.Offset().x() * 4 / 3) * 15 / 100;
  EXPECT_GT(Map.Offset().x(), 0);
  EXPECT_EQ(Map.Offset(), QPoint(Map.Offset().x(), -Map.Offset().x()));
  EXPECT_NEAR(Back.Offset().x(), 3 * Map.Offset().x(), 2);
  EXPECT_NEAR(Map.Offset().x() * 4, Depth, 4);
  const QImage Image = Render();
  EXPECT_EQ(Image.pixel(Front), Red);
  EXPECT_EQ(Image.pixel(PixelOf(1, 10, 30)), Green);
  EXPECT_NE(Image.pixel(Front - Map.Offset()), Red);  // not where 2D would put it
}

TEST_F(TChartView, SwitchesChangeOnlyTheLook) {
  AddLevelReplies();
  const QImage Flat = Render();
  Chart1->SetView3D(true);
  Chart1->Gradient().SetVisible(false);
  const QImage Deep = Render();
  EXPECT_NE(Flat, Deep);
  Chart1->SetView3D(false);
  Chart1->Gradient().SetVisible(true);
  EXPECT_EQ(Render(), Flat);
  EXPECT_EQ(Series1->Count(), 20);
  EXPECT_EQ(Series2->YValues()[0], 30);
}

TEST_F(TChartView, AxesAreSetByTheResponseTimesAlone) {
  AddReply(1, 40);
  AddReply(2, 4);
  AddReply(3, 7);
  Render();
  EXPECT_EQ(Chart1->BottomAxis().Minimum(), 1);
  EXPECT_EQ(Chart1->BottomAxis().Maximum(), 3);
  EXPECT_EQ(Chart1->LeftAxis().Minimum(), 4);
  EXPECT_EQ(Chart1->LeftAxis().Maximum(), 40);
}

TEST_F(TChartView, OperationsOnlyMarkTheChartAndOnePaintDrawsThemAll) {
  TPaintCounter Counter;
  Chart1->show();
  QApplication::processEvents();
  Chart1->installEventFilter(&Counter);
  AddReply(1, 10);
  AddReply(2, 20);
  Series1->Delete(0);
  Series1->Clear();
  EXPECT_EQ(Counter.Paints, 0);
  QApplication::processEvents();
  EXPECT_EQ(Counter.Paints, 1);
}

TEST_F(TChartView, ToolTipShowsTheReplyUnderTheMouse) {
  AddLevelReplies();
  Chart1->show();
  const QPoint Pixel = PixelOf(0, 12, 50);
  QHelpEvent Help(QEvent::ToolTip, Pixel, Chart1->mapToGlobal(Pixel));
  QApplication::sendEvent(Chart1, &Help);
  EXPECT_EQ(QToolTip::text(), "X: 12\nY: 50");
  const QPoint Empty = PixelOf(0, 12, 30);
  QHelpEvent Away(QEvent::ToolTip, Empty, Chart1->mapToGlobal(Empty));
  QApplication::sendEvent(Chart1, &Away);
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

TEST_F(TChartView, AccessibleInterfaceNamesTheChartAndDescribesItsPoints) {
  AddReply(1, 10);
  AddReply(2, 30);
  QAccessibleInterface* Accessible = QAccessible::queryAccessibleInterface(Chart1);
  ASSERT_NE(Accessible, nullptr);
  EXPECT_EQ(Accessible->role(), QAccessible::Chart);
  EXPECT_EQ(Accessible->text(QAccessible::Name), "Chart1");
  EXPECT_EQ(Accessible->text(QAccessible::Value),
            "Series1: 2 points, X from 1 to 2, Y from 10 to 30, newest X 2 Y 30");
  EXPECT_EQ(Accessible->text(QAccessible::Description),
            "Series1: 2 points, X from 1 to 2, Y from 10 to 30, newest X 2 Y 30\n"
            "Series2: 2 points, X from 1 to 2, Y from 20 to 20, newest X 2 Y 20");
}

TEST(ChartOwnership, EitherTheOwnerOrTheParentWidgetMayFreeTheChart) {
  StartOffscreenApplication();
  {
    auto Parent = std::make_unique<QWidget>();
    TComponent Owner(nullptr);
    new TChart(&Owner, Parent.get());
    Parent.reset();  // the widget frees the chart, which leaves its owner
    EXPECT_EQ(Owner.ComponentCount(), 0);
  }
  QWidget Parent;
  auto Owner = std::make_unique<TComponent>(nullptr);
  new TChart(Owner.get(), &Parent);
  Owner.reset();  // the owner frees the chart, which leaves its parent
  EXPECT_TRUE(Parent.children().isEmpty());
}

TEST(ChartOwnership, SeriesAndChartMayBeFreedInEitherOrder) {
  StartOffscreenApplication();
  TComponent Owner(nullptr);
  auto* Chart = new TChart(&Owner);
  auto* Series = new TLineSeries(&Owner);
  Series->SetParentChart(Chart);
  ASSERT_EQ(Chart->Series(0), Series);
  EXPECT_THROW(Chart->Series(1), EChartError);
  delete Chart;
  EXPECT_EQ(Series->ParentChart(), nullptr);
  Series->AddXY(1, 1);  // no chart left to repaint
  auto* Another = new TChart(&Owner);
  Series->SetParentChart(Another);
  delete Series;
  EXPECT_EQ(Another->SeriesCount(), 0);
}
