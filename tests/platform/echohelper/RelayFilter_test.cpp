// What the echo helper passes on: answers to its own requests only.
#include "platform/echohelper/RelayFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quorvel::echohelper {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Prefix(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

constexpr std::uint32_t kTarget = 0x0264330A;  // 10.51.100.2, network order
constexpr std::uint32_t kRouter = 0x0102000A;
constexpr std::uint32_t kUs = 0x0100000A;

Bytes Icmp(std::uint8_t type, Bytes idAndSequence = {0x12, 0x34, 0xA1, 0x0D}) {
  Bytes message(52, 'E');
  message[0] = type;
  message[1] = message[2] = message[3] = 0;
  std::copy(idAndSequence.begin(), idAndSequence.end(), message.begin() + 4);
  return message;
}

// An IPv4 header with `options` bytes of options, then `payload`.
Bytes Ipv4(std::uint32_t from, std::uint32_t to, const Bytes& payload, std::size_t options = 0,
           std::uint8_t protocol = 1) {
  Bytes datagram(20 + options, 0);
  datagram[0] = static_cast<std::uint8_t>(0x40 | ((20 + options) / 4));
  datagram[8] = 64;
  datagram[9] = protocol;
  std::memcpy(&datagram[12], &from, 4);
  std::memcpy(&datagram[16], &to, 4);
  datagram.insert(datagram.end(), payload.begin(), payload.end());
  return datagram;
}

// An ICMP error of `type` from the router, quoting `quoted`.
Bytes Error(std::uint8_t type, const Bytes& quoted) {
  Bytes message{type, 0, 0, 0, 0, 0, 0, 0};
  message.insert(message.end(), quoted.begin(), quoted.end());
  return Ipv4(kRouter, kUs, message);
}

Bytes OurRequest(std::size_t options = 0) { return Ipv4(kUs, kTarget, Icmp(8), options); }

struct Case {
  const char* name;
  Bytes datagram;
  bool relayed;
};

class RelayDecision : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const Bytes request = Icmp(8);
    sent.Remember(kTarget, request);
  }
  SentEchoes sent;
};

TEST_P(RelayDecision, PassesOnOnlyAnswersToOurRequests) {
  EXPECT_EQ(Relayable(GetParam().datagram, sent), GetParam().relayed);
}

Bytes WithQuotedHeaderLength(Bytes datagram, std::uint8_t words) {
  datagram[28] = static_cast<std::uint8_t>(0x40 | words);
  return datagram;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RelayDecision,
    testing::Values(Case{"EchoReply", Ipv4(kTarget, kUs, Icmp(0)), true},
                    Case{"EchoReplyBehindOptions", Ipv4(kTarget, kUs, Icmp(0), 8), true},
                    Case{"Unreachable", Error(3, OurRequest()), true},
                    Case{"TimeExceeded", Error(11, OurRequest()), true},
                    Case{"QuoteWithOptions", Error(11, OurRequest(12)), true},
                    Case{"QuoteCutAfterIcmpHeader", Error(3, Prefix(OurRequest(), 28)), true}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Foreign, RelayDecision,
    testing::Values(Case{"ReplyOfAnotherIdentifier",
                         Ipv4(kTarget, kUs, Icmp(0, {0x99, 0x34, 0xA1, 0x0D})), false},
                    Case{"ReplyOfAnotherSequence",
                         Ipv4(kTarget, kUs, Icmp(0, {0x12, 0x34, 0xA2, 0x0D})), false},
                    Case{"ReplyFromAnotherHost", Ipv4(kRouter, kUs, Icmp(0)), false},
                    Case{"OurOwnRequest", OurRequest(), false},
                    Case{"Timestamp", Ipv4(kTarget, kUs, Icmp(13)), false},
                    Case{"Redirect", Error(5, OurRequest()), false},
                    Case{"ErrorQuotingAnotherDestination", Error(3, Ipv4(kUs, kRouter, Icmp(8))),
                         false},
                    Case{"ErrorQuotingAReply", Error(3, Ipv4(kUs, kTarget, Icmp(0))), false},
                    Case{"ErrorQuotingUdp", Error(3, Ipv4(kUs, kTarget, Icmp(8), 0, 17)), false}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Malformed, RelayDecision,
    testing::Values(Case{"Empty", {}, false},
                    Case{"NotIcmp", Ipv4(kTarget, kUs, Icmp(0), 0, 17), false},
                    Case{"NotIpv4",
                         [] {
                           Bytes d = Ipv4(kTarget, kUs, Icmp(0));
                           d[0] = 0x65;
                           return d;
                         }(),
                         false},
                    Case{"CutIcmpHeader", Bytes(20 + 7, 0x45), false},
                    Case{"QuotedHeaderUnderTwentyBytes",
                         WithQuotedHeaderLength(Error(3, OurRequest()), 4), false},
                    Case{"QuotedHeaderPastTheEnd",
                         WithQuotedHeaderLength(Error(3, OurRequest()), 15), false},
                    Case{"QuoteWithoutIcmpHeader", Error(3, Prefix(OurRequest(), 24)), false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SentEchoes, ForgetsTheOldestOnceFull) {
  SentEchoes sent;
  for (std::size_t i = 0; i <= SentEchoes::kKept; ++i) {
    Bytes request = Icmp(8, {0x12, 0x34, static_cast<std::uint8_t>(i), 0});
    sent.Remember(kTarget, request);
  }
  EXPECT_FALSE(Relayable(Ipv4(kTarget, kUs, Icmp(0, {0x12, 0x34, 0, 0})), sent));
  EXPECT_TRUE(Relayable(Ipv4(kTarget, kUs, Icmp(0, {0x12, 0x34, 1, 0})), sent));
  EXPECT_TRUE(Relayable(Ipv4(kTarget, kUs, Icmp(0, {0x12, 0x34, SentEchoes::kKept, 0})), sent));
}

}  // namespace
}  // namespace quorvel::echohelper
