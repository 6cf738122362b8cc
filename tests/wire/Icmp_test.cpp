// The bytes of ICMP and ICMPv6: what a received message is, which request
// it answers, and the request as it leaves.
#include "wire/Icmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/Checksum.h"
#include "wire/EchoMatch.h"

namespace quorvel::wire {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Family kV4 = Family::kIpv4;
constexpr Family kV6 = Family::kIpv6;

const Bytes& Request(Family family) {
  static const Bytes payload{0, 0, 0, 0, 0, 0, 0, 42, 'p', 'q'};
  static const Bytes v4 = BuildEchoRequest(kV4, std::array<std::uint8_t, 2>{0x12, 0x34},
                                           std::array<std::uint8_t, 2>{0x00, 0x07}, payload);
  static const Bytes v6 = BuildEchoRequest(kV6, std::array<std::uint8_t, 2>{0x12, 0x34},
                                           std::array<std::uint8_t, 2>{0x00, 0x07}, payload);
  return family == kV4 ? v4 : v6;
}

Bytes Echo(Family family, std::uint8_t type, std::size_t flip = 0) {
  Bytes echo = Request(family);
  echo[0] = type;
  if (flip != 0) echo[flip] ^= 0xFF;
  return echo;
}

// An error quoting our request behind an IP header (with `options` bytes of
// options for IPv4), cut after `quoted` bytes of the request.
Bytes Error(Family family, std::uint8_t type, std::uint8_t code, std::uint32_t word,
            std::size_t quoted = 100, std::size_t options = 0) {
  Bytes message{type,
                code,
                0,
                0,
                std::uint8_t(word >> 24),
                std::uint8_t(word >> 16),
                std::uint8_t(word >> 8),
                std::uint8_t(word)};
  Bytes header(family == kV4 ? 20 + options : 40, 0);
  if (family == kV4) {
    header[0] = std::uint8_t(0x40 | header.size() / 4);
    header[9] = 1;
    header[16] = 192, header[17] = 0, header[18] = 2, header[19] = 9;
  } else {
    header[0] = 0x60;
    header[6] = 58;
    header[24] = 0x20, header[25] = 0x01, header[26] = 0x0d, header[27] = 0xb8, header[39] = 9;
  }
  message.insert(message.end(), header.begin(), header.end());
  const Bytes& request = Request(family);
  message.insert(message.end(), request.begin(),
                 request.begin() + std::ptrdiff_t(std::min(quoted, request.size())));
  return message;
}

struct Case {
  std::string name;
  Family family;
  Bytes message;
  MessageKind kind;
  bool answers;
  std::uint32_t mtu = 0;
};

class ReceivedMessage : public testing::TestWithParam<Case> {};

TEST_P(ReceivedMessage, HasItsKindAndAnswersOnlyItsOwnRequest) {
  const Case& c = GetParam();
  const std::optional<IcmpView> view = ReadIcmp(c.family, c.message);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->kind, c.kind);
  EXPECT_EQ(ReportedMtu(*view), c.mtu);
  EXPECT_EQ(Answers(*view, Request(c.family), {16, false}), c.answers);
}

INSTANTIATE_TEST_SUITE_P(
    Both, ReceivedMessage,
    testing::Values(
        Case{"V4Reply", kV4, Echo(kV4, 0), MessageKind::kEchoReply, true},
        Case{"V6Reply", kV6, Echo(kV6, 129), MessageKind::kEchoReply, true},
        Case{"V4ReplyOfAnotherSerial", kV4, Echo(kV4, 0, 15), MessageKind::kEchoReply, false},
        Case{"V6ReplyOfAnotherIdentifier", kV6, Echo(kV6, 129, 4), MessageKind::kEchoReply, false},
        Case{"V4TimeExceeded", kV4, Error(kV4, 11, 0, 0), MessageKind::kTimeExceeded, true},
        Case{"V4QuoteWithOptions", kV4, Error(kV4, 3, 1, 0, 100, 8), MessageKind::kUnreachable,
             true},
        Case{"V4QuoteOfJustTheHeader", kV4, Error(kV4, 3, 3, 0, 8), MessageKind::kUnreachable,
             true},
        Case{"V4QuoteTooShort", kV4, Error(kV4, 3, 3, 0, 7), MessageKind::kUnreachable, false},
        Case{"V4FragmentationNeeded", kV4, Error(kV4, 3, 4, 1400), MessageKind::kPacketTooBig, true,
             1400},
        Case{"V4Redirect", kV4, Error(kV4, 5, 1, 0), MessageKind::kRedirect, true},
        Case{"V4ParameterProblem", kV4, Error(kV4, 12, 0, 0), MessageKind::kParameterProblem, true},
        Case{"V4Timestamp", kV4, Echo(kV4, 13), MessageKind::kOther, false},
        Case{"V6Unreachable", kV6, Error(kV6, 1, 4, 0), MessageKind::kUnreachable, true},
        Case{"V6PacketTooBig", kV6, Error(kV6, 2, 0, 1280), MessageKind::kPacketTooBig, true, 1280},
        Case{"V6TimeExceeded", kV6, Error(kV6, 3, 0, 0), MessageKind::kTimeExceeded, true},
        Case{"V6QuotingAV4Header", kV6, Error(kV4, 3, 0, 0), MessageKind::kTimeExceeded, false},
        Case{"V6NeighbourSolicitation", kV6, Echo(kV6, 135), MessageKind::kOther, false}),
    [](const auto& test) { return test.param.name; });

TEST(ReceivedMessage, ShorterThanAnIcmpHeaderIsNone) {
  EXPECT_FALSE(ReadIcmp(kV4, Bytes(7, 0)));
  EXPECT_FALSE(ReadIcmp(kV6, {}));
}

TEST(EchoRequest, CarriesItsFieldsAndAValidChecksumForIpv4Only) {
  const Bytes& v4 = Request(kV4);
  EXPECT_EQ(Bytes(v4.begin(), v4.begin() + 8), (Bytes{8, 0, v4[2], v4[3], 0x12, 0x34, 0, 7}));
  EXPECT_EQ(Checksum(v4), 0);
  const Bytes& v6 = Request(kV6);
  EXPECT_EQ(v6[0], 128);
  EXPECT_EQ(v6[2] | v6[3], 0) << "the kernel sums ICMPv6 with its pseudo-header";
  EXPECT_EQ(AdjustChecksum(0x1234, 0x0000, 0x0001), 0x1233);
}

}  // namespace
}  // namespace quorvel::wire
