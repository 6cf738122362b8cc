#include "app/service/TargetsFile.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ParseTargets, ReadsHostsWithTheirIntervalsPastCommentsAndBlankLines) {
  const auto Targets = ParseTargets(
      "# watched\n\n 192.0.2.1\t500ms\r\n::1 # loopback\nexample.org 2s\n"
      "192.0.2.1 1s\nlast-without-newline",
      "t");
  EXPECT_EQ(Targets, (std::vector<TTargetEntry>{{"192.0.2.1", 1s},
                                                {"::1", std::nullopt},
                                                {"example.org", 2s},
                                                {"last-without-newline", std::nullopt}}));
  EXPECT_TRUE(ParseTargets("", "t").empty());
}

TEST(ParseTargets, NamesTheFileAndLineOfWhatIsNoTarget) {
  const std::pair<std::string, const char*> Cases[] = {
      {"a\nb 1s 2s\n", "t, line 2: expected HOST [INTERVAL]"},
      {"a fast\n", "t, line 1: the interval is no time"},
      {"\n\n" + std::string(254, 'h'), "t, line 3: the host is too long"},
      {std::string("a\0b\n", 4), "t, line 1: the host holds a zero byte"}};
  for (const auto& [Text, Message] : Cases) {
    try {
      ParseTargets(Text, "t");
      ADD_FAILURE() << Text << " was taken";
    } catch (const ETargetsFileError& E) {
      EXPECT_TRUE(E.Message().starts_with(Message)) << E.Message();
    }
  }
}

}  // namespace
