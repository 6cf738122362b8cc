// What the echo helper passes on (answers to its own requests only, a reply
// only with the payload it sent) and how many requests it sends.
#include "helper/RelayFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quorvel::helper {
namespace {

using Bytes = std::vector<std::uint8_t>;
using wire::IpAddress;

const IpAddress kTarget = *wire::ParseAddress("10.51.100.2");
const IpAddress kRouter = *wire::ParseAddress("10.0.2.1");
const IpAddress kUs = *wire::ParseAddress("10.0.0.1");
const IpAddress kTarget6 = *wire::ParseAddress("2001:db8::2");

Bytes Prefix(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes Icmp(std::uint8_t type, Bytes idAndSequence = {0x12, 0x34, 0xA1, 0x0D}, char fill = 'E') {
  Bytes message(52, std::uint8_t(fill));
  message[0] = type;
  message[1] = message[2] = message[3] = 0;
  std::copy(idAndSequence.begin(), idAndSequence.end(), message.begin() + 4);
  return message;
}

// An IPv4 header with `options` bytes of options, then `payload`.
Bytes Ipv4(const IpAddress& from, const IpAddress& to, const Bytes& payload,
           std::size_t options = 0, std::uint8_t protocol = 1) {
  Bytes datagram(20 + options, 0);
  datagram[0] = static_cast<std::uint8_t>(0x40 | ((20 + options) / 4));
  datagram[8] = 64;
  datagram[9] = protocol;
  std::copy_n(from.bytes.begin(), 4, datagram.begin() + 12);
  std::copy_n(to.bytes.begin(), 4, datagram.begin() + 16);
  datagram.insert(datagram.end(), payload.begin(), payload.end());
  return datagram;
}

// An ICMP error of `type` quoting `quoted`.
Bytes Error(std::uint8_t type, const Bytes& quoted) {
  Bytes message{type, 0, 0, 0, 0, 0, 0, 0};
  message.insert(message.end(), quoted.begin(), quoted.end());
  return message;
}

Bytes OurRequest(std::size_t options = 0) { return Ipv4(kUs, kTarget, Icmp(8), options); }

struct Case {
  const char* name;
  IpAddress from;
  Bytes message;
  bool relayed;
};

class RelayDecision : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    sent.Remember(kTarget, Icmp(8));
    sent.Remember(kTarget6, Icmp(128));
  }
  SentEchoes sent;
};

TEST_P(RelayDecision, PassesOnOnlyAnswersToOurRequests) {
  EXPECT_EQ(sent.Answers(GetParam().from, GetParam().message), GetParam().relayed);
}

Bytes WithQuotedHeaderLength(Bytes message, std::uint8_t words) {
  message[8] = static_cast<std::uint8_t>(0x40 | words);
  return message;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RelayDecision,
    testing::Values(Case{"EchoReply", kTarget, Icmp(0), true},
                    Case{"EchoReplyFromAnotherAddress", kRouter, Icmp(0), true},
                    Case{"Ipv6EchoReply", kTarget6, Icmp(129), true},
                    Case{"Unreachable", kRouter, Error(3, OurRequest()), true},
                    Case{"TimeExceeded", kRouter, Error(11, OurRequest()), true},
                    Case{"SourceQuench", kRouter, Error(4, OurRequest()), true},
                    Case{"Redirect", kRouter, Error(5, OurRequest()), true},
                    Case{"ParameterProblem", kRouter, Error(12, OurRequest()), true},
                    Case{"QuoteWithOptions", kRouter, Error(11, OurRequest(12)), true},
                    Case{"QuoteCutAfterIcmpHeader", kRouter, Error(3, Prefix(OurRequest(), 28)),
                         true}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Foreign, RelayDecision,
    testing::Values(
        Case{"ReplyOfAnotherIdentifier", kTarget, Icmp(0, {0x99, 0x34, 0xA1, 0x0D}), false},
        Case{"ReplyOfAnotherSequence", kTarget, Icmp(0, {0x12, 0x34, 0xA2, 0x0D}), false},
        // Another user who sent the same identifier and sequence to the
        // same host gets the reply to that request only, never a copy of ours.
        Case{"ReplyWithAnotherPayload", kTarget, Icmp(0, {0x12, 0x34, 0xA1, 0x0D}, 'F'), false},
        Case{"ReplyCutShort", kTarget, Prefix(Icmp(0), 40), false},
        Case{"OurOwnRequest", kTarget, Icmp(8), false}, Case{"Timestamp", kTarget, Icmp(13), false},
        Case{"ErrorQuotingAnotherDestination", kRouter, Error(3, Ipv4(kUs, kRouter, Icmp(8))),
             false},
        Case{"ErrorQuotingAnotherPayload", kRouter,
             Error(3, Ipv4(kUs, kTarget, Icmp(8, {0x12, 0x34, 0xA1, 0x0D}, 'F'))), false},
        Case{"ErrorQuotingAReply", kRouter, Error(3, Ipv4(kUs, kTarget, Icmp(0))), false},
        Case{"ErrorQuotingUdp", kRouter, Error(3, Ipv4(kUs, kTarget, Icmp(8), 0, 17)), false}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Malformed, RelayDecision,
    testing::Values(Case{"Empty", kTarget, {}, false},
                    Case{"CutIcmpHeader", kTarget, Bytes(7, 0), false},
                    Case{"QuotedHeaderUnderTwentyBytes", kRouter,
                         WithQuotedHeaderLength(Error(3, OurRequest()), 4), false},
                    Case{"QuotedHeaderPastTheEnd", kRouter,
                         WithQuotedHeaderLength(Error(3, OurRequest()), 15), false},
                    Case{"QuoteWithoutIcmpHeader", kRouter, Error(3, Prefix(OurRequest(), 24)),
                         false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SentEchoes, ForgetsTheOldestOnceFull) {
  SentEchoes sent;
  auto numbered = [](std::size_t i, std::uint8_t type) {
    return Icmp(type, {0x12, std::uint8_t(i >> 8), std::uint8_t(i), 0});
  };
  for (std::size_t i = 0; i <= SentEchoes::kKept; ++i) sent.Remember(kTarget, numbered(i, 8));
  EXPECT_FALSE(sent.Answers(kTarget, numbered(0, 0)));
  EXPECT_TRUE(sent.Answers(kTarget, numbered(1, 0)));
  EXPECT_TRUE(sent.Answers(kTarget, numbered(SentEchoes::kKept, 0)));
}

TEST(SentEchoes, KnowWhetherTheLatestRequestWasAnswered) {
  SentEchoes sent;
  sent.Remember(kTarget, Icmp(8, {0x12, 0x34, 1, 0}));
  sent.Remember(kTarget, Icmp(8, {0x12, 0x34, 2, 0}));
  EXPECT_FALSE(sent.LatestAnswered());
  sent.Answers(kTarget, Icmp(0, {0x12, 0x34, 1, 0}));
  EXPECT_FALSE(sent.LatestAnswered()) << "an earlier one's answer";
  sent.Answers(kRouter, Error(11, Ipv4(kUs, kTarget, Icmp(8, {0x12, 0x34, 2, 0}))));
  EXPECT_TRUE(sent.LatestAnswered());
}

TEST(RateCap, AllowsABurstThenTheRateAndNoMore) {
  RateCap cap;
  constexpr std::int64_t kSecond = 1'000'000'000;
  int taken = 0;
  for (int i = 0; i < 1000; ++i) taken += cap.Take(kSecond) ? 1 : 0;
  EXPECT_EQ(taken, RateCap::kBurst);
  // One second later, one second's worth (and the bucket holds no more).
  taken = 0;
  for (int i = 0; i < 5000; ++i) taken += cap.Take(2 * kSecond + i) ? 1 : 0;
  EXPECT_EQ(taken, RateCap::kBurst) << "a pause refills the burst only";
  taken = 0;
  for (std::int64_t t = 3 * kSecond; t < 4 * kSecond; t += kSecond / 10000)
    taken += cap.Take(t) ? 1 : 0;
  EXPECT_NEAR(taken, RateCap::kPerSecond + RateCap::kBurst, 2);
  for (int i = 0; i < 1000; ++i) EXPECT_TRUE(cap.Take(4 * kSecond, true)) << "answered requests";
}

}  // namespace
}  // namespace quorvel::helper
