#include "chart/AverageFunction.h"

#include <gtest/gtest.h>

#include <vector>

#include "chart/LineSeries.h"

namespace {

struct TPoint {
  double X, Y;
  bool operator==(const TPoint&) const = default;
};

void PrintTo(const TPoint& Point, std::ostream* Out) {
  *Out << "(" << Point.X << ", " << Point.Y << ")";
}

// The response times and their average, linked as the window links them.
struct TAverageLine : testing::Test {
  TAverageLine() {
    Average->SetDataSource(Times);
    Average->SetFunctionType(Function);
  }
  std::vector<TPoint> Line() const {
    std::vector<TPoint> Points;
    for (int I = 0; I < Average->Count(); ++I)
      Points.push_back({Average->XValues()[I], Average->YValues()[I]});
    return Points;
  }
  void Add(std::initializer_list<double> Milliseconds) {
    for (const double Time : Milliseconds) Times->AddXY(++PingCount, Time);
  }
  TComponent Owner{nullptr};
  TLineSeries* Times = new TLineSeries(&Owner);
  TLineSeries* Average = new TLineSeries(&Owner);
  TAverageFunction* Function = new TAverageFunction(&Owner);
  double PingCount = 0;
};

}  // namespace

TEST_F(TAverageLine, EmptySourceGivesNoLine) {
  Average->AddXY(5, 5);
  Average->CheckDataSource();
  EXPECT_TRUE(Line().empty());
}

TEST_F(TAverageLine, OneReplyGivesTwoPointsAtItsX) {
  Add({23});
  Average->CheckDataSource();
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 23}, {1, 23}}));
}

TEST_F(TAverageLine, RunsFromTheFirstToTheLastXAtTheMean) {
  Add({10, 20, 60});
  Average->CheckDataSource();
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 30}, {3, 30}}));
}

TEST_F(TAverageLine, EqualTimesLieOnTheResponseLine) {
  Add({17, 17, 17, 17});
  Average->CheckDataSource();
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 17}, {4, 17}}));
}

TEST_F(TAverageLine, AfterDeletingTheOldestTheLineCoversTheRestOnlyOnceRecalculated) {
  Add({100, 10, 20});
  Average->CheckDataSource();
  Times->Delete(0);
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 130.0 / 3}, {3, 130.0 / 3}}));
  Average->CheckDataSource();
  EXPECT_EQ(Line(), (std::vector<TPoint>{{2, 15}, {3, 15}}));
}

TEST_F(TAverageLine, ClearEmptiesBothWithoutRecalculation) {
  Add({5, 6});
  Average->CheckDataSource();
  Times->Clear();
  EXPECT_EQ(Times->Count(), 0);
  EXPECT_TRUE(Line().empty());
}

// Summed in index order in double precision: 1e16 + 1 rounds back to 1e16, so the
// sum is 1 and not the 2 that a compensated or reordered sum would give.
TEST_F(TAverageLine, SumsInIndexOrderInDoublePrecision) {
  Add({1e16, 1, -1e16, 1});
  Average->CheckDataSource();
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 0.25}, {4, 0.25}}));
}

TEST_F(TAverageLine, APeriodAveragesEachGroupOfThatManyPoints) {
  Add({1, 3, 10, 20, 7});
  Function->SetPeriod(2);
  EXPECT_EQ(Line(), (std::vector<TPoint>{{1, 2}, {2, 2}, {3, 15}, {4, 15}, {5, 7}, {5, 7}}));
  EXPECT_THROW(Function->SetPeriod(-1), EChartError);
  EXPECT_EQ(Function->Period(), 2);
}
