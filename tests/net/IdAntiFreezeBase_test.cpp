#include "net/IdAntiFreezeBase.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "net/IdException.h"
#include "net/IdGlobal.h"

namespace {

// Counts its processing steps instead of handling window events.
class TCountingAntiFreeze : public TIdAntiFreezeBase {
 public:
  using TIdAntiFreezeBase::TIdAntiFreezeBase;
  void PumpMessages() override { ++Steps; }
  int Steps = 0;
};

// Runs AWork on a thread of its own and waits for it.
template <class TWork>
void OnAnotherThread(TWork AWork) {
  std::thread Other(AWork);
  Other.join();
}

}  // namespace

TEST(AntiFreeze, DefaultsAndBecomingCurrent) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  EXPECT_TRUE(AntiFreeze.Active());
  EXPECT_TRUE(AntiFreeze.ApplicationHasPriority());
  EXPECT_EQ(AntiFreeze.IdleTimeOut(), 250);
  EXPECT_TRUE(AntiFreeze.OnlyWhenIdle());
  EXPECT_EQ(CurrentAntiFreeze, &AntiFreeze);
  EXPECT_TRUE(TIdAntiFreezeBase::InUse());
}

TEST(AntiFreeze, WithoutAnInstanceNothingIsInUseAndNothingSteps) {
  ASSERT_EQ(CurrentAntiFreeze, nullptr);
  EXPECT_FALSE(TIdAntiFreezeBase::InUse());
  TIdAntiFreezeBase::PumpIfDue(true, true);  // must not reach any instance
}

TEST(AntiFreeze, AnInactiveInstanceIsNotInUseAndDoesNotStep) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  AntiFreeze.SetActive(false);
  EXPECT_FALSE(TIdAntiFreezeBase::InUse());
  TIdAntiFreezeBase::PumpIfDue(true, true);
  EXPECT_EQ(AntiFreeze.Steps, 0);
  AntiFreeze.SetActive(true);
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(AntiFreeze.Steps, 1);
}

TEST(AntiFreeze, AnotherThreadIsNotTheMainOneAndDoesNotStep) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  EXPECT_TRUE(IsMainThread());
  bool OtherIsMain = true;
  bool OtherInUse = true;
  OnAnotherThread([&] {
    OtherIsMain = IsMainThread();
    OtherInUse = TIdAntiFreezeBase::InUse();
    TIdAntiFreezeBase::PumpIfDue(true, true);
  });
  EXPECT_FALSE(OtherIsMain);
  EXPECT_FALSE(OtherInUse);
  EXPECT_EQ(AntiFreeze.Steps, 0);
}

TEST(AntiFreeze, WithTheDefaultsOnlyAnIdleSliceSteps) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  TIdAntiFreezeBase::PumpIfDue(false, false);
  EXPECT_EQ(AntiFreeze.Steps, 0) << "the slice brought data";
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(AntiFreeze.Steps, 1);
}

TEST(AntiFreeze, NotOnlyWhenIdleStepsAfterASliceWithData) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  AntiFreeze.SetOnlyWhenIdle(false);
  TIdAntiFreezeBase::PumpIfDue(false, false);
  EXPECT_EQ(AntiFreeze.Steps, 1);
}

TEST(AntiFreeze, OverrideStepsWhateverTheIdleSettingsSay) {
  TCountingAntiFreeze AntiFreeze(nullptr);
  TIdAntiFreezeBase::PumpIfDue(false, true);
  EXPECT_EQ(AntiFreeze.Steps, 1);
}

TEST(AntiFreeze, TheLaterInstanceIsCurrentAndFreeingAnyLeavesNone) {
  auto First = std::make_unique<TCountingAntiFreeze>(nullptr);
  TCountingAntiFreeze Second(nullptr);
  EXPECT_EQ(CurrentAntiFreeze, &Second);
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Second.Steps, 1);
  EXPECT_EQ(First->Steps, 0);
  First.reset();
  EXPECT_EQ(CurrentAntiFreeze, nullptr);
  EXPECT_FALSE(TIdAntiFreezeBase::InUse());
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Second.Steps, 1) << "the second still exists but is not consulted";
}

TEST(AntiFreeze, InDesignModeTheCurrentInstanceStaysAndASecondIsRefused) {
  TComponent Designer(nullptr);
  Designer.SetDesigning(true);
  auto* Designed = new TCountingAntiFreeze(&Designer);
  EXPECT_EQ(CurrentAntiFreeze, nullptr) << "a designed instance is not consulted";
  delete Designed;

  TCountingAntiFreeze Running(nullptr);
  try {
    new TCountingAntiFreeze(&Designer);
    FAIL() << "no exception";
  } catch (const EIdException& E) {
    EXPECT_EQ(E.Message(), "Only one TIdAntiFreeze can exist per application.");
  }
  EXPECT_EQ(CurrentAntiFreeze, &Running);
  EXPECT_EQ(Designer.ComponentCount(), 0) << "the refused instance left its owner";
}
