#include "monitor/Attempt.h"

#include <chrono>
#include <ctime>

TWallTime WallClockNow() {
  const auto Now = std::chrono::system_clock::now();
  const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  return {std::chrono::duration_cast<std::chrono::microseconds>(Now.time_since_epoch()).count(),
          static_cast<std::int32_t>(Local.tm_gmtoff)};
}

TWallTime Later(TWallTime AWhen, std::uint64_t AMicroseconds) {
  return {AWhen.UnixUs + static_cast<std::int64_t>(AMicroseconds), AWhen.UtcOffset};
}
