#include "platform/kernel/Clock.h"

#include <ctime>

namespace {

std::int64_t MonotonicNanoseconds() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  return static_cast<std::int64_t>(Now.tv_sec) * 1'000'000'000 + Now.tv_nsec;
}

}  // namespace

BOOL QueryPerformanceCounter(std::int64_t* Count) {
  if (Count == nullptr) return 0;
  *Count = MonotonicNanoseconds();
  return 1;
}

BOOL QueryPerformanceFrequency(std::int64_t* Frequency) {
  if (Frequency == nullptr) return 0;
  *Frequency = 1'000'000'000;
  return 1;
}

DWORD GetTickCount() { return static_cast<DWORD>(MonotonicNanoseconds() / 1'000'000); }
