#include "app/cli/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TArguments = std::vector<std::string>;

struct TValidLine {
  TArguments Arguments;
  std::string LogFile;
  std::optional<std::string> Host;
};

struct TBadLine {
  TArguments Arguments;
  const char* Message;
};

}  // namespace

class CommandLineValid : public testing::TestWithParam<TValidLine> {};

TEST_P(CommandLineValid, GivesTheLogFileAndTheHost) {
  const TCommandLine Line = ParseCommandLine(GetParam().Arguments);
  EXPECT_EQ(Line.LogFile, GetParam().LogFile);
  EXPECT_EQ(Line.Host, GetParam().Host);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineValid,
    testing::Values(TValidLine{{}, "", std::nullopt}, TValidLine{{"127.0.0.1"}, "", "127.0.0.1"},
                    TValidLine{{"--log", "run.jsonl"}, "run.jsonl", std::nullopt},
                    TValidLine{{"--log=a b.jsonl", "host"}, "a b.jsonl", "host"},
                    TValidLine{{"host", "--log", "-odd"}, "-odd", "host"},
                    TValidLine{{"--", "-dash"}, "", "-dash"}, TValidLine{{"-"}, "", "-"},
                    TValidLine{{"h\xFF\xFE"}, "", "h\xFF\xFE"}));

class CommandLineBad : public testing::TestWithParam<TBadLine> {};

TEST_P(CommandLineBad, RaisesWithAMessageThatSaysWhy) {
  try {
    ParseCommandLine(GetParam().Arguments);
    FAIL() << "no error";
  } catch (const ECommandLineError& E) {
    EXPECT_EQ(E.Message(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineBad,
    testing::Values(TBadLine{{"--log"}, "--log needs the name of a file"},
                    TBadLine{{"--log="}, "--log needs the name of a file"},
                    TBadLine{{"--log", "a", "--log", "b"}, "--log is given more than once"},
                    TBadLine{{"one", "two"}, "only one host can be given, not also two"},
                    TBadLine{{"--lgo", "x"}, "unknown option --lgo"},
                    TBadLine{{"-v"}, "unknown option -v"}));

TEST(CommandLine, AsksForHelpBeforeAnEndOfOptions) {
  EXPECT_TRUE(HelpRequested({"--help"}));
  EXPECT_TRUE(HelpRequested({"host", "-h"}));
  EXPECT_TRUE(HelpRequested({"--bogus", "--help"}));
  EXPECT_FALSE(HelpRequested({}));
  EXPECT_FALSE(HelpRequested({"--", "--help"}));
  EXPECT_FALSE(HelpRequested({"--helpful"}));
}
