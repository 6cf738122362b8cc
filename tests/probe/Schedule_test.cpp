// The schedule: many targets spread over their interval, each on a grid of
// its own that lateness never shifts.
#include "probe/Schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace quorvel::probe {
namespace {

using namespace std::chrono_literals;

// An engine without sockets: every probe ends in a send error, which
// carries the time it was due and its target.
class ScheduleTest : public testing::Test {
 protected:
  ScheduleTest()
      : engine([this](const Outcome& o) { sent.push_back(o); },
               EngineOptions{false, "", true, true}) {}

  // Runs the schedule and the engine at every deadline up to `end`.
  void RunUntil(TimePoint end) {
    for (int i = 0; i < 1'000'000; ++i) {
      const std::optional<TimePoint> next = schedule.NextDeadline();
      if (!next || *next > end) break;
      schedule.HandleTime(*next);
      engine.HandleTime(*next);
    }
  }

  std::vector<Outcome> sent;
  Engine engine;
  Schedule schedule{engine};
  const TimePoint start = Clock::now();
};

TEST_F(ScheduleTest, SpreadsAThousandTargetsOverTheirIntervalAndKeepsEachOnItsGrid) {
  TargetSettings settings;
  settings.address = *wire::ParseAddress("127.0.0.1");
  settings.interval = 100ms;
  for (int i = 0; i < 1000; ++i) schedule.Add(settings, start);
  RunUntil(start + 1s - 1ns);
  // Those due a moment after the last wake-up went with it.
  std::erase_if(sent, [&](const Outcome& o) { return *o.due >= start + 1s; });
  ASSERT_EQ(sent.size(), 10'000u) << "ten probes per target in a second";
  std::map<long, int> perMillisecond;
  std::map<std::uint64_t, std::vector<TimePoint>> byTarget;
  for (const Outcome& o : sent) {
    ++perMillisecond[std::chrono::duration_cast<std::chrono::milliseconds>(*o.due - start).count()];
    byTarget[o.tag].push_back(*o.due);
  }
  for (const auto& [ms, count] : perMillisecond) EXPECT_LE(count, 12) << "at " << ms << " ms";
  for (const auto& [target, dues] : byTarget)
    for (std::size_t i = 1; i < dues.size(); ++i) EXPECT_EQ(dues[i] - dues[i - 1], 100ms);
}

TEST_F(ScheduleTest, ATargetFarBehindSkipsWhatItMissedAndStaysOnItsGrid) {
  TargetSettings settings;
  settings.address = *wire::ParseAddress("::1");
  settings.interval = 10ms;
  const TargetId id = schedule.Add(settings, start);
  const TimePoint first = *schedule.NextDeadline();
  schedule.HandleTime(first + 35ms);  // a machine that slept
  ASSERT_EQ(sent.size(), 0u) << "send errors come with the engine's time";
  engine.HandleTime(first + 35ms);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(*schedule.NextDeadline(), first + 40ms);
  EXPECT_TRUE(schedule.Remove(id));
  EXPECT_FALSE(schedule.NextDeadline());
  EXPECT_FALSE(schedule.Remove(id));
}

}  // namespace
}  // namespace quorvel::probe
