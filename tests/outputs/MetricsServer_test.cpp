#include "outputs/MetricsServer.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ProbeTimeout, LeavesTheScrapeHalfASecondOfItsTimeOut) {
  const std::pair<const char*, std::optional<std::chrono::nanoseconds>> Cases[] = {
      {nullptr, 5s},  {"10", 9500ms}, {"1.5", 1s}, {"0.4", 200ms}, {"1e9", 3600s},
      {"1E-09", 1ms}, {"0", {}},      {"-3", {}},  {"", {}},       {"ten", {}},
      {"5s", {}},     {"nan", {}},    {"inf", {}}};
  for (const auto& [Header, Expected] : Cases)
    EXPECT_EQ(ProbeTimeout(Header), Expected) << (Header ? Header : "none");
}

}  // namespace
