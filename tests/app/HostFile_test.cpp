#include "app/HostFile.h"

#include <gtest/gtest.h>

using THosts = std::vector<std::string>;
using namespace std::string_literals;

TEST(HostFile, EveryLineEndingEndsALineAndAZeroByteTheText) {
  EXPECT_EQ(ParseHostFile("a\r\nb\nc\rd"), (THosts{"a", "b", "c", "d"}));
  // LF then CR is two breaks, CR then LF one; a break at the end adds nothing.
  EXPECT_EQ(ParseHostFile("a\n\rb\r\r\n"), (THosts{"a", "", "b", ""}));
  EXPECT_EQ(ParseHostFile("\n\n"), (THosts{"", ""}));
  EXPECT_EQ(ParseHostFile(""), THosts{});
  EXPECT_EQ(ParseHostFile("a\r\nb\0c\r\nd"s), (THosts{"a", "b"}));
  EXPECT_EQ(ParseHostFile("\0a\r\n"s), THosts{});
}

TEST(HostFile, LinesKeepBlanksControlBytesAndAnyLength) {
  const std::string Long(100000, 'x');
  EXPECT_EQ(ParseHostFile(" host \r\n\t\x01\x7f\r\n\xe4\xff\xfe\r\n" + Long),
            (THosts{" host ", "\t\x01\x7f", "\xe4\xff\xfe", Long}));
}

TEST(HostFile, WritesCrLfAfterEveryHostAndReadsThemBack) {
  EXPECT_EQ(FormatHostFile({}), "");
  EXPECT_EQ(FormatHostFile({""}), "\r\n");
  const THosts Hosts{"b.example", "", " a ", "\xc3\x28"};
  EXPECT_EQ(FormatHostFile(Hosts), "b.example\r\n\r\n a \r\n\xc3\x28\r\n");
  EXPECT_EQ(ParseHostFile(FormatHostFile(Hosts)), Hosts);
}
