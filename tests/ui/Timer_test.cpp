#include "ui/Timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

#include "support/OffscreenApplication.h"
#include "ui/Dialogs.h"

namespace {

// A timer whose ticks are recorded in milliseconds since the fixture began.
// A busy machine can only make ticks late, so only lower bounds are tight.
struct TTimerTicks : TOffscreenApplication, testing::Test {
  TTimerTicks() {
    Clock.start();
    Timer.OnTimer = [this](TComponent* Sender) {
      EXPECT_EQ(Sender, &Timer);
      Ticks.push_back(Clock.elapsed());
    };
  }

  bool WaitForTicks(std::size_t Count) {
    return QTest::qWaitFor([&] { return Ticks.size() >= Count; }, 5000);
  }

  QElapsedTimer Clock;
  std::vector<qint64> Ticks;
  TTimer Timer{nullptr};
};

void ExpectOutOfResources(const std::function<void()>& Action) {
  try {
    Action();
    ADD_FAILURE() << "the timer started";
  } catch (const EOutOfResources& E) {
    EXPECT_EQ(E.Message(), "Not enough timers available");
  }
}

}  // namespace

TEST_F(TTimerTicks, TicksEveryIntervalNeverEarly) {
  EXPECT_TRUE(Timer.Enabled());
  EXPECT_EQ(Timer.Interval(), 1000U);
  Timer.SetInterval(50);
  const qint64 Start = Clock.elapsed();
  ASSERT_TRUE(WaitForTicks(5));
  for (std::size_t Index = 0; Index < 5; ++Index)
    EXPECT_GE(Ticks[Index] - Start, 50 * static_cast<qint64>(Index + 1)) << "tick " << Index;
}

TEST_F(TTimerTicks, DoesNotTickWhileDisabled) {
  Timer.SetInterval(30);
  Timer.SetEnabled(false);
  QTest::qWait(200);
  EXPECT_TRUE(Ticks.empty());
  Timer.SetEnabled(true);
  EXPECT_TRUE(WaitForTicks(2));
}

TEST_F(TTimerTicks, AnIntervalOfZeroNeverTicks) {
  Timer.SetInterval(0);
  QTest::qWait(200);
  EXPECT_TRUE(Ticks.empty());
  EXPECT_TRUE(Timer.Enabled());
  Timer.SetInterval(30);
  EXPECT_TRUE(WaitForTicks(1));
}

TEST_F(TTimerTicks, ChangingTheIntervalStartsThePeriodAfresh) {
  Timer.SetInterval(600);
  QTest::qWait(300);
  ASSERT_TRUE(Ticks.empty());
  const qint64 Changed = Clock.elapsed();
  // Without a fresh start the tick would come about 300 ms after the change.
  Timer.SetInterval(500);
  ASSERT_TRUE(WaitForTicks(1));
  EXPECT_GE(Ticks[0] - Changed, 500);
}

TEST_F(TTimerTicks, EnablingAgainStartsThePeriodAfresh) {
  Timer.SetInterval(600);
  QTest::qWait(300);
  ASSERT_TRUE(Ticks.empty());
  Timer.SetEnabled(false);
  const qint64 Enabled = Clock.elapsed();
  Timer.SetEnabled(true);
  ASSERT_TRUE(WaitForTicks(1));
  EXPECT_GE(Ticks[0] - Enabled, 600);
}

TEST_F(TTimerTicks, AnIntervalBeyondWhatTheSystemTimesLeavesTheTimerOff) {
  Timer.SetInterval(30);
  ExpectOutOfResources([&] { Timer.SetInterval(UINT_MAX); });
  EXPECT_FALSE(Timer.Enabled());
  EXPECT_EQ(Timer.Interval(), UINT_MAX);
  Timer.SetInterval(30);
  QTest::qWait(150);
  EXPECT_TRUE(Ticks.empty());

  // A disabled timer takes any interval; enabling it is what fails.
  Timer.SetInterval(static_cast<unsigned>(INT_MAX) + 1);
  ExpectOutOfResources([&] { Timer.SetEnabled(true); });
  EXPECT_FALSE(Timer.Enabled());

  Timer.SetInterval(INT_MAX);
  Timer.SetEnabled(true);
  EXPECT_TRUE(Timer.Enabled());
  Timer.SetInterval(30);
  EXPECT_TRUE(WaitForTicks(1));
}

TEST_F(TTimerTicks, RefusedTimersRaiseAndTheNextStartAfterwardsTicks) {
  Timer.SetEnabled(false);
  Timer.SetInterval(30);
  SetTimersRefused(true);
  ExpectOutOfResources([&] { Timer.SetEnabled(true); });
  SetTimersRefused(false);
  EXPECT_FALSE(Timer.Enabled());
  QTest::qWait(120);
  EXPECT_TRUE(Ticks.empty());
  Timer.SetEnabled(true);
  EXPECT_TRUE(WaitForTicks(1));
}

TEST(Timer, CannotStartWithoutAnEventLoop) {
  if (QCoreApplication::instance() != nullptr)
    GTEST_SKIP() << "needs a process without an application";
  ExpectOutOfResources([] { TTimer Timer(nullptr); });
}

TEST_F(TTimerTicks, AnExceptionFromTheHandlerIsShownAndTheTimerGoesOn) {
  std::vector<std::string> Boxes;
  const TMessageBoxHook Previous =
      SetMessageBoxHook([&](const std::string& Text, const std::string&, unsigned Flags) {
        EXPECT_EQ(Flags, MB_OK | MB_ICONERROR);
        Boxes.push_back(Text);
        return IDOK;
      });
  Timer.OnTimer = [this](TComponent*) {
    Ticks.push_back(Clock.elapsed());
    if (Ticks.size() <= 2) throw Exception("Ping failed");
  };
  Timer.SetInterval(20);
  EXPECT_TRUE(WaitForTicks(4));
  SetMessageBoxHook(Previous);
  EXPECT_EQ(Boxes, (std::vector<std::string>{"Ping failed.", "Ping failed."}));
  EXPECT_TRUE(Timer.Enabled());
}

TEST_F(TTimerTicks, AHandlerRunningItsOwnLoopIsNotEnteredAgain) {
  int Depth = 0;
  int Deepest = 0;
  Timer.OnTimer = [&](TComponent*) {
    Ticks.push_back(Clock.elapsed());
    Deepest = std::max(Deepest, ++Depth);
    // As the loop of a modal box would, for several intervals.
    if (Ticks.size() == 1) QTest::qWait(200);
    --Depth;
  };
  Timer.SetInterval(20);
  ASSERT_TRUE(WaitForTicks(3));
  EXPECT_EQ(Deepest, 1);
}

TEST_F(TTimerTicks, ALongHandlerCausesNoBurstOfTicksAfterwards) {
  qint64 Returned = 0;
  Timer.OnTimer = [&](TComponent*) {
    Ticks.push_back(Clock.elapsed());
    if (Ticks.size() == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Returned = Clock.elapsed();
    }
  };
  Timer.SetInterval(40);
  ASSERT_TRUE(WaitForTicks(4));
  // At most the one tick that fell due meanwhile comes at once; the next ones
  // keep the interval. A burst would bring about seven within a few ms.
  int Soon = 0;
  for (std::size_t Index = 1; Index < Ticks.size(); ++Index)
    if (Ticks[Index] < Returned + 20) ++Soon;
  EXPECT_LE(Soon, 1);
}
