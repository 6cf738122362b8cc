// The route model: where a route ends as its answers come, and the bounds
// on a hop's routers, its samples and the changes.
#include "monitor/Route.h"

#include <gtest/gtest.h>

namespace {

TRouteProbe Answer(int AHop, THopAnswer AKind, const std::string& AAddress = "192.0.2.9",
                   std::uint64_t AUs = 1000) {
  return {AHop, AKind, AAddress, 0, AUs, {}};
}

TEST(Route, EndsAtTheNearestAnswerOfTheTargetOrAnUnreachableAndGrowsAgainPastIt) {
  TRoute R("host", "192.0.2.9", 30, {});
  const struct {
    TRouteProbe probe;
    bool counted;
    int end, probeLimit, shown;
  } steps[] = {
      {Answer(1, THopAnswer::TimeExceeded, "192.0.2.1"), true, 0, 30, 1},
      {Answer(3, THopAnswer::TimeOut, ""), true, 0, 30, 1},
      {Answer(5, THopAnswer::Reply), true, 5, 5, 5},
      {Answer(4, THopAnswer::Reply), true, 4, 4, 4},
      {Answer(5, THopAnswer::Reply), false, 4, 4, 4},  // a round sent before the end was known
      // Hop 5 holds the target's answers from before.
      {Answer(4, THopAnswer::TimeExceeded, "192.0.2.4"), true, 0, 30, 5},
      {Answer(2, THopAnswer::Unreachable, "192.0.2.2"), true, 2, 2, 2},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(R.Record(step.probe).Counted, step.counted) << step.probe.Hop;
    EXPECT_EQ(R.End(), step.end) << step.probe.Hop;
    EXPECT_EQ(R.ProbeLimit(), step.probeLimit) << step.probe.Hop;
    EXPECT_EQ(R.Shown(), step.shown) << step.probe.Hop;
  }
  EXPECT_EQ(R.Hop(2).UnreachableCode(), std::optional<std::uint8_t>(0));
  EXPECT_EQ(R.Hop(3).Lost(), 1u);
  EXPECT_EQ(R.Hop(3).LossPercent(), 100);
}

TEST(Route, KeepsAHopsRoutersSamplesAndTheChangesBounded) {
  TRoute R("host", "192.0.2.9", TRoute::HopLimit + 1, {});
  EXPECT_EQ(R.MaxHops(), TRoute::HopLimit);
  for (int Round = 0; Round < 100; ++Round)
    R.Record(Answer(1, THopAnswer::TimeExceeded, "10.0.0." + std::to_string(Round % 10),
                    static_cast<std::uint64_t>(Round)));
  const THop& Hop = R.Hop(1);
  EXPECT_EQ(Hop.Routers().size(), THop::RouterLimit);
  ASSERT_EQ(Hop.Samples().size(), THop::SampleLimit);
  EXPECT_EQ(Hop.Samples().back().RoundTripUs, 99u);
  EXPECT_EQ(Hop.Samples().front().RoundTripUs, 100 - THop::SampleLimit);
  // Ten routers in turn through eight places: each comes back as a new one.
  EXPECT_EQ(R.ChangeCount(), 99u);
  EXPECT_EQ(R.Changes().size(), TRoute::ChangeLimit);
  EXPECT_EQ(R.Changes().back().Previous, "10.0.0.8");
  EXPECT_EQ(R.Changes().back().Current, "10.0.0.9");
}

}  // namespace
