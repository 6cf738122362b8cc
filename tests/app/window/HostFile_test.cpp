#include "app/window/HostFile.h"

#include <gtest/gtest.h>

using THosts = std::vector<std::string>;
using namespace std::string_literals;

constexpr std::size_t All = SIZE_MAX;

TEST(HostFile, EveryLineEndingEndsALineAndAZeroByteTheText) {
  EXPECT_EQ(ParseHostFile("a\r\nb\nc\rd", All), (THosts{"a", "b", "c", "d"}));
  // LF then CR is two breaks, CR then LF one; a break at the end adds nothing.
  EXPECT_EQ(ParseHostFile("a\n\rb\r\r\n", All), (THosts{"a", "", "b", ""}));
  EXPECT_EQ(ParseHostFile("\n\n", All), (THosts{"", ""}));
  EXPECT_EQ(ParseHostFile("", All), THosts{});
  EXPECT_EQ(ParseHostFile("a\r\nb\0c\r\nd"s, All), (THosts{"a", "b"}));
  EXPECT_EQ(ParseHostFile("\0a\r\n"s, All), THosts{});
  EXPECT_EQ(ParseHostFile("a\r\nb\n\nc", 3), (THosts{"a", "b", ""}));
  EXPECT_EQ(ParseHostFile("a\r\nb", 0), THosts{});
}

TEST(HostFile, LinesKeepBlanksControlBytesAndAnyLength) {
  const std::string Long(100000, 'x');
  EXPECT_EQ(ParseHostFile(" host \r\n\t\x01\x7f\r\n\xe4\xff\xfe\r\n" + Long, All),
            (THosts{" host ", "\t\x01\x7f", "\xe4\xff\xfe", Long}));
}

TEST(HostFile, WritesCrLfAfterEveryHostAndReadsThemBack) {
  EXPECT_EQ(FormatHostFile({}), "");
  EXPECT_EQ(FormatHostFile({""}), "\r\n");
  const THosts Hosts{"b.example", "", " a ", "\xc3\x28"};
  EXPECT_EQ(FormatHostFile(Hosts), "b.example\r\n\r\n a \r\n\xc3\x28\r\n");
  EXPECT_EQ(ParseHostFile(FormatHostFile(Hosts), All), Hosts);
}
