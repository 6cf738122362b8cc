#include "outputs/TargetFile.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TTargetSettings Target(std::string AHost) {
  TTargetSettings T;
  T.Host = std::move(AHost);
  return T;
}

struct TBadText {
  const char* Text;
  const char* Message;
};

class TargetFileRefuses : public testing::TestWithParam<TBadText> {};

}  // namespace

TEST(TargetFile, ReadsBackWhatItWrote) {
  TTargetSettings Slow = Target("2001:db8::7");
  Slow.Interval = 10ms;
  Slow.TimeOut = 60s;
  Slow.Rule = {5, 1, 12.5, 250'000};
  Slow.Paused = true;
  const std::vector<TTargetSettings> Targets = {Target("gateway.example"), Slow};
  const std::vector<TTargetSettings> Read = ParseTargetFile(FormatTargetFile(Targets), 10);
  ASSERT_EQ(Read.size(), 2U);
  EXPECT_EQ(Read[0].Host, "gateway.example");
  EXPECT_EQ(Read[0].Interval, 1s);
  EXPECT_FALSE(Read[0].Paused);
  EXPECT_EQ(Read[1].Host, Slow.Host);
  EXPECT_EQ(Read[1].Interval, 10ms);
  EXPECT_EQ(Read[1].TimeOut, 60s);
  EXPECT_EQ(Read[1].Rule.DownAfterLosses, 5U);
  EXPECT_EQ(Read[1].Rule.UpAfterAnswers, 1U);
  EXPECT_EQ(Read[1].Rule.DownLossPercent, 12.5);
  EXPECT_EQ(Read[1].Rule.SlowAboveUs, 250'000U);
  EXPECT_TRUE(Read[1].Paused);
  EXPECT_TRUE(ParseTargetFile("\r\n# a comment\n\n", 10).empty());
}

TEST_P(TargetFileRefuses, ALineOfAnotherShapeNamingTheLine) {
  try {
    ParseTargetFile(GetParam().Text, 2);
    FAIL() << "accepted";
  } catch (const ETargetFileError& E) {
    EXPECT_EQ(std::string(E.what()), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TargetFileRefuses,
    testing::Values(
        TBadText{"# x\nh\t1000\t1000\t3\t2\t0\t0", "line 2: 7 fields where there are 8"},
        TBadText{"h\t1e3\t1000\t3\t2\t0\t0\trunning", "line 1: The interval is no number: \"1e3\""},
        TBadText{"h\t1000\t99\t3\t2\t0\t0\trunning",
                 "line 1: The time-out must lie between 100 ms and 60 s"},
        TBadText{"h\t1000\t1000\t0\t2\t0\t0\trunning",
                 "line 1: A run of losses or answers is at least 1"},
        TBadText{"h\t1000\t1000\t3\t2\tnan\t0\trunning",
                 "line 1: The loss threshold must lie between 0 and 100 %"},
        TBadText{"h\t1000\t1000\t3\t2\t0\t0\tstopped",
                 "line 1: The last field is neither \"running\" nor \"paused\""},
        TBadText{"\t1000\t1000\t3\t2\t0\t0\trunning",
                 "line 1: Type a host name or an address to add"},
        TBadText{"h\t1000\t1000\t3\t2\t0\t0\trunning\nh\t10\t100\t1\t1\t0\t0\tpaused",
                 "line 2: h is named twice"},
        TBadText{"a\t10\t100\t1\t1\t0\t0\tpaused\nb\t10\t100\t1\t1\t0\t0\tpaused\n"
                 "c\t10\t100\t1\t1\t0\t0\tpaused",
                 "line 3: More than 2 targets"}));
