// The echo helper's messages: the commands it takes and why it refuses the
// rest, its results, and the answers it relays.
#include "wire/HelperMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace quorvel::wire {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An echo request of `size` bytes: type, code, identifier and sequence, as
// far as `size` reaches.
Bytes Request(std::size_t size = 52, std::uint8_t type = 8, std::uint8_t code = 0) {
  Bytes request(std::max<std::size_t>(size, 8), 'E');
  request[0] = type;
  request[1] = code;
  request[4] = 0x12;
  request[5] = 0x34;
  request[6] = 0xA1;
  request[7] = 0x0D;
  request.resize(size);
  return request;
}

Bytes Command(const Bytes& request, const char* to = "127.0.0.1", std::uint8_t ttl = 128) {
  return BuildCommand({*ParseAddress(to), ttl, request});
}

Bytes With(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

TEST(HelperCommand, TakesWhatItsUsersBuildFromSmallestToLargestInBothFamilies) {
  for (const std::size_t size : {std::size_t{8}, std::size_t{52}, kHelperMaxRequest}) {
    for (const auto& [to, type] : {std::pair{"127.0.0.1", 8}, std::pair{"2001:db8::2", 128}}) {
      const Bytes request = Request(size, std::uint8_t(type));
      const Bytes bytes = Command(request, to, 1);
      EchoCommand parsed;  // whose request points into `bytes`
      ASSERT_EQ(ParseCommand(bytes, &parsed), CommandFault::kNone) << size;
      EXPECT_EQ(parsed.destination, *ParseAddress(to));
      EXPECT_EQ(parsed.ttl, 1);
      EXPECT_EQ(Bytes(parsed.request.begin(), parsed.request.end()), request);
    }
  }
}

struct Refusal {
  const char* name;
  Bytes bytes;
  CommandFault fault;
  int error;
};

class HelperCommandRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(HelperCommandRefusal, NamesTheFaultAndItsErrno) {
  EchoCommand parsed;
  EXPECT_EQ(ParseCommand(GetParam().bytes, &parsed), GetParam().fault);
  EXPECT_EQ(FaultErrno(GetParam().fault), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, HelperCommandRefusal,
    testing::Values(
        Refusal{"Empty", {}, CommandFault::kTooShort, EINVAL},
        Refusal{"CutIcmpHeader", Command(Request(7)), CommandFault::kTooShort, EINVAL},
        Refusal{"OverTheBound", Command(Request(kHelperMaxRequest + 1)), CommandFault::kTooLong,
                EMSGSIZE},
        Refusal{"UnknownKind", With(Command(Request()), 0, 'R'), CommandFault::kUnknownKind,
                EINVAL},
        Refusal{"UnknownFamily", With(Command(Request()), 2, 5), CommandFault::kBadFamily, EINVAL},
        Refusal{"ReservedSet", With(Command(Request()), 3, 1), CommandFault::kBadFamily, EINVAL},
        Refusal{"Ipv4WithMoreAddressBytes", With(Command(Request()), 19, 1),
                CommandFault::kBadFamily, EINVAL},
        Refusal{"NoTtl", Command(Request(), "127.0.0.1", 0), CommandFault::kNoTtl, EINVAL},
        Refusal{"EchoReply", Command(Request(52, 0)), CommandFault::kNotEchoRequest, EINVAL},
        Refusal{"Timestamp", Command(Request(52, 13)), CommandFault::kNotEchoRequest, EINVAL},
        Refusal{"EchoWithCode", Command(Request(52, 8, 1)), CommandFault::kNotEchoRequest, EINVAL},
        Refusal{"Ipv4RequestToIpv6", Command(Request(), "::1"), CommandFault::kNotEchoRequest,
                EINVAL},
        Refusal{"Multicast", Command(Request(), "224.0.0.1"), CommandFault::kGroupAddress, EACCES},
        Refusal{"Broadcast", Command(Request(), "255.255.255.255"), CommandFault::kGroupAddress,
                EACCES},
        Refusal{"Unspecified", Command(Request(), "0.0.0.0"), CommandFault::kGroupAddress, EACCES},
        Refusal{"Ipv6Multicast", Command(Request(52, 128), "ff02::1"), CommandFault::kGroupAddress,
                EACCES}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(HelperResult, RoundTripsAndKnowsItsKind) {
  const auto result = BuildResult(HelperMessage::kResult, {ENETUNREACH, 123456789012});
  ASSERT_TRUE(ParseResult(result, HelperMessage::kResult));
  EXPECT_EQ(ParseResult(result, HelperMessage::kResult)->error, ENETUNREACH);
  EXPECT_EQ(ParseResult(result, HelperMessage::kResult)->sentNs, 123456789012);
  EXPECT_FALSE(ParseResult(result, HelperMessage::kReady));
  EXPECT_FALSE(ParseResult(std::span(result).first(7), HelperMessage::kResult));
}

TEST(HelperRelay, RoundTripsAndRefusesWhatIsNoRelay) {
  const Bytes message = Request(16, 129);
  const Relay relay{*ParseAddress("2001:db8::7"), *ParseAddress("2001:db8::1"), 63, 42, message};
  const Bytes bytes = BuildRelay(relay);
  const std::optional<Relay> read = ParseRelay(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->source, relay.source);
  EXPECT_EQ(read->destination, relay.destination);
  EXPECT_EQ(read->ttl, 63);
  EXPECT_EQ(read->receivedNs, 42);
  EXPECT_EQ(Bytes(read->message.begin(), read->message.end()), message);
  EXPECT_FALSE(ParseRelay(std::span(bytes).first(kRelayHeader + 7))) << "no whole ICMP header";
  EXPECT_FALSE(ParseRelay(With(bytes, 1, 5))) << "no family";
  EXPECT_FALSE(ParseRelay(With(bytes, 0, 'R')));
}

}  // namespace
}  // namespace quorvel::wire
