#include "platform/kernel/Clock.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/kernel/LastError.h"
#include "platform/kernel/Process.h"

TEST(PerformanceCounter, CountsNanosecondsForward) {
  std::int64_t Frequency = 0, Before = 0, After = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&Frequency));
  EXPECT_EQ(Frequency, 1'000'000'000);
  ASSERT_TRUE(QueryPerformanceCounter(&Before));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(QueryPerformanceCounter(&After));
  EXPECT_GE(After - Before, 20'000'000);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(TickCount, FollowsTheCounterInMilliseconds) {
  std::int64_t Count = 0;
  QueryPerformanceCounter(&Count);
  const DWORD Tick = GetTickCount();
  const auto Expected = static_cast<DWORD>(Count / 1'000'000);
  EXPECT_LE(static_cast<DWORD>(Tick - Expected), 5u);
}

TEST(ThreadState, LastErrorAndThreadIdBelongToTheThread) {
  SetLastError(ERROR_MOD_NOT_FOUND);
  DWORD OtherError = 1, OtherThread = 0;
  std::thread([&] {
    OtherError = GetLastError();
    OtherThread = GetCurrentThreadId();
  }).join();
  EXPECT_EQ(OtherError, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_NE(OtherThread, GetCurrentThreadId());
  EXPECT_NE(GetCurrentProcessId(), 0u);
}
