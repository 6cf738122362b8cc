#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <limits>

struct TIntCase {
  const char* Text;
  std::optional<std::int64_t> Value;
};

void PrintTo(const TIntCase& C, std::ostream* Out) { *Out << '"' << C.Text << '"'; }

class IntegerConversion : public testing::TestWithParam<TIntCase> {};

TEST_P(IntegerConversion, ConvertsTheWholeTextOrNothing) {
  EXPECT_EQ(TryStrToInt64(GetParam().Text), GetParam().Value) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    ValidEdgeAndMalformed, IntegerConversion,
    testing::Values(TIntCase{"0", 0}, TIntCase{"255", 255}, TIntCase{"  42", 42}, TIntCase{"+7", 7},
                    TIntCase{"-1", -1}, TIntCase{"$7F", 127}, TIntCase{"x7f", 127},
                    TIntCase{"X10", 16}, TIntCase{"0x7f", 127}, TIntCase{"0X7F", 127},
                    TIntCase{"-$10", -16}, TIntCase{"007", 7}, TIntCase{"4294967295", 4294967295LL},
                    TIntCase{"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
                    TIntCase{"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
                    TIntCase{"9223372036854775808", std::nullopt},
                    TIntCase{"$FFFFFFFFFFFFFFFF", std::nullopt}, TIntCase{"", std::nullopt},
                    TIntCase{" ", std::nullopt}, TIntCase{"-", std::nullopt},
                    TIntCase{"$", std::nullopt}, TIntCase{"0x", std::nullopt},
                    TIntCase{"12 ", std::nullopt}, TIntCase{"1.5", std::nullopt},
                    TIntCase{"0x1g", std::nullopt}, TIntCase{"12a", std::nullopt},
                    TIntCase{"\t1", std::nullopt}, TIntCase{"--1", std::nullopt}));

TEST(FormatText, FillsDirectivesInOrder) {
  EXPECT_EQ(Format("Socket Error # %d\r\n%s", {std::int64_t{10060}, std::string_view("x.")}),
            "Socket Error # 10060\r\nx.");
  EXPECT_EQ(Format("%s is not a valid IP address.", {std::string_view("a.b")}),
            "a.b is not a valid IP address.");
  EXPECT_EQ(Format("100%% of %d", {std::int64_t{-3}}), "100% of -3");
}

TEST(FormatText, MismatchedArgumentsRaise) {
  EXPECT_THROW(Format("%d", {std::string_view("x")}), EConvertError);
  EXPECT_THROW(Format("%s %s", {std::string_view("x")}), EConvertError);
  EXPECT_THROW(Format("trailing %", {}), EConvertError);
}

TEST(CaseRules, OnlyAsciiLettersFold) {
  EXPECT_TRUE(SameText("localhost", "LOCALHOST"));
  EXPECT_TRUE(SameText("LocalHost", "lOCALHOST"));
  EXPECT_FALSE(SameText(" localhost", "LOCALHOST"));
  EXPECT_FALSE(SameText("\xe4", "\xc4"));
  EXPECT_EQ(UpperCase("ab-\xe4z"), "AB-\xe4Z");
}
