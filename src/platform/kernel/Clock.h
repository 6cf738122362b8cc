// Clocks: a high-resolution counter and a wrapping millisecond tick, both
// read from the monotonic clock so that they never step backwards.
#pragma once

#include <cstdint>

#include "platform/kernel/Types.h"

// Nanoseconds of the monotonic clock; the frequency is therefore 1e9.
BOOL QueryPerformanceCounter(std::int64_t* Count);
BOOL QueryPerformanceFrequency(std::int64_t* Frequency);

// Milliseconds of the monotonic clock, wrapping at 2^32 (about 49.7 days).
DWORD GetTickCount();
