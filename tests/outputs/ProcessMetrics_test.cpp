#include "outputs/ProcessMetrics.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseProcessStat, FindsTheFieldsPastACommandNameOfAnyBytes) {
  // The name holds ") (" and spaces; priority and nice may be negative.
  const auto Stat = ParseProcessStat(
      "42 (a) (b c) S 1 42 42 0 -1 4194560 100 0 0 0 7 3 0 0 -20 -5 4 0 1234 99999744 321 "
      "18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 1 0 0 0 0 0\n");
  ASSERT_TRUE(Stat);
  EXPECT_EQ(Stat->UserTicks, 7u);
  EXPECT_EQ(Stat->SystemTicks, 3u);
  EXPECT_EQ(Stat->StartTicks, 1234u);
  EXPECT_EQ(Stat->VirtualBytes, 99999744u);
  EXPECT_EQ(Stat->ResidentPages, 321u);
  for (const char* Malformed :
       {"", "42 no name", "42 (a) S 1 2 3", "42 (a) S 1 2 3 4 5 6 7 8 9 x 3 0 0 0 0 0 0 5 6 7"})
    EXPECT_FALSE(ParseProcessStat(Malformed)) << Malformed;
}

}  // namespace
