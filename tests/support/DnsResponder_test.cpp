#include "support/DnsResponder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::test {
namespace {

constexpr std::uint16_t kTypeA = 1;
constexpr std::uint16_t kTypeAaaa = 28;

std::vector<std::uint8_t> Query(const std::string& name, std::uint16_t type) {
  std::vector<std::uint8_t> out = {0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t dot = std::min(name.find('.', start), name.size());
    out.push_back(static_cast<std::uint8_t>(dot - start));
    out.insert(out.end(), name.begin() + static_cast<long>(start),
               name.begin() + static_cast<long>(dot));
    start = dot + 1;
  }
  out.insert(out.end(),
             {0, static_cast<std::uint8_t>(type >> 8), static_cast<std::uint8_t>(type), 0, 1});
  return out;
}

const DnsZone kZone({{"Echo.Quorvel.test", {"127.0.0.9", "127.0.0.10"}}});

// Addresses on the wire are checked end to end by the resolver's tests.
TEST(DnsZone, AnswersEachNameAndTypeWithItsCodeAndCount) {
  struct Case {
    std::string name;
    std::uint16_t type;
    int rcode;
    int answers;
  };
  for (const Case& c :
       {Case{"echo.quorvel.TEST", kTypeA, 0, 2}, Case{"echo.quorvel.test", kTypeAaaa, 0, 0},
        Case{"other.quorvel.test", kTypeA, 3, 0}}) {
    const auto answer = kZone.Answer(Query(c.name, c.type));
    ASSERT_TRUE(answer) << c.name;
    EXPECT_EQ((*answer)[3] & 0xF, c.rcode) << c.name;
    EXPECT_EQ((*answer)[6] << 8 | (*answer)[7], c.answers) << c.name;
  }
}

TEST(DnsZone, IgnoresEveryTruncatedQuery) {
  const auto query = Query("echo.quorvel.test", kTypeA);
  for (std::size_t length = 0; length < query.size(); ++length) {
    EXPECT_FALSE(kZone.Answer(std::span(query.data(), length))) << "length " << length;
  }
}

TEST(DnsZone, IgnoresResponsesAndCompressedQuestions) {
  auto response = Query("echo.quorvel.test", kTypeA);
  response[2] |= 0x80;
  EXPECT_FALSE(kZone.Answer(response));
  auto compressed = Query("echo.quorvel.test", kTypeA);
  compressed[12] = 0xC0;
  EXPECT_FALSE(kZone.Answer(compressed));
}

}  // namespace
}  // namespace quorvel::test
