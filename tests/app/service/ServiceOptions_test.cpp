#include "app/service/ServiceOptions.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ParseDuration, TakesMillisecondsSecondsAndMinutesWithinTheirRange) {
  const std::pair<const char*, std::optional<std::chrono::nanoseconds>> Cases[] = {
      {"1s", 1s},    {"250ms", 250ms}, {"1.5", 1500ms}, {"2m", 120s}, {"60m", 3600s}, {"1ms", 1ms},
      {"0.5ms", {}}, {"61m", {}},      {"0s", {}},      {"-1s", {}},  {"s", {}},      {"", {}},
      {"1h", {}},    {"1e3ms", {}},    {"1 s", {}},     {"nan", {}},  {"inf", {}},    {"1sms", {}}};
  for (const auto& [Text, Expected] : Cases) EXPECT_EQ(ParseDuration(Text), Expected) << Text;
}

TEST(ParseServiceOptions, ReadsEveryOptionInBothFormsAndTakesTargetsAfterADoubleDash) {
  const TServiceOptions Options =
      ParseServiceOptions({"--listen=[::1]:9500", "--interval", "500ms", "--timeout=2s",
                           "--targets", "t.txt", "a", "--", "-b"});
  EXPECT_EQ(Options.Listen, "[::1]:9500");
  EXPECT_EQ(Options.Interval, 500ms);
  EXPECT_EQ(Options.Timeout, 2s);
  EXPECT_EQ(Options.TargetsFile, "t.txt");
  EXPECT_EQ(Options.Targets, (std::vector<std::string>{"a", "-b"}));
  EXPECT_EQ(ParseServiceOptions({}).Listen, "127.0.0.1:9427");
}

TEST(ParseServiceOptions, RefusesWhatItDoesNotUnderstandAndSaysWhat) {
  const std::pair<std::vector<std::string>, const char*> Cases[] = {
      {{"--listen", "::1:9427"}, "--listen needs ADDR:PORT"},
      {{"--listen", "[127.0.0.1]:9427"}, "--listen needs ADDR:PORT"},
      {{"--listen", "127.0.0.1:0"}, "--listen needs ADDR:PORT"},
      {{"--listen", "127.0.0.1:65536"}, "--listen needs ADDR:PORT"},
      {{"--timeout", "fast"},
       "--timeout needs a time from 1ms to 60m, such as 1s or 500ms, not \"fast\""},
      {{"--targets="}, "--targets needs the name of a file"},
      {{"--interval"}, "unknown option \"--interval\" or one without its value"},
      {{"-x"}, "unknown option \"-x\""}};
  for (const auto& [Arguments, Message] : Cases) {
    try {
      ParseServiceOptions(Arguments);
      ADD_FAILURE() << Arguments[0] << " was taken";
    } catch (const EServiceOptionError& E) {
      EXPECT_TRUE(E.Message().starts_with(Message)) << E.Message();
    }
  }
}

}  // namespace
