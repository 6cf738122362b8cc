// Commands to the echo helper: what it takes, and why it refuses the rest.
#include "platform/echohelper/EchoHelperProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace quorvel::echohelper {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Prefix(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// An echo request of `size` bytes: type 8, code 0, identifier and sequence,
// as far as `size` reaches.
Bytes Request(std::size_t size = 52, std::uint8_t type = 8, std::uint8_t code = 0) {
  Bytes request(std::max(size, kIcmpHeaderSize), 'E');
  request[0] = type;
  request[1] = code;
  request[4] = 0x12;
  request[5] = 0x34;
  request[6] = 0xA1;
  request[7] = 0x0D;
  request.resize(size);
  return request;
}

Bytes Command(const Bytes& request, std::uint8_t ttl = 128) {
  return BuildCommand({0x0100007F, ttl, request});
}

TEST(EchoCommandParser, TakesWhatTheLibraryBuildsFromSmallestToLargest) {
  for (const std::size_t size : {kIcmpHeaderSize, std::size_t{52}, kMaxEchoRequest}) {
    const Bytes request = Request(size);
    const Bytes bytes = Command(request, 1);
    EchoCommand parsed;
    ASSERT_EQ(ParseCommand(bytes, &parsed), CommandFault::kNone) << size;
    EXPECT_EQ(parsed.destination, 0x0100007Fu);
    EXPECT_EQ(parsed.ttl, 1);
    EXPECT_EQ(Bytes(parsed.request.begin(), parsed.request.end()), request);
  }
}

struct Refusal {
  const char* name;
  Bytes bytes;
  CommandFault fault;
  int error;
};

Bytes With(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

class EchoCommandRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(EchoCommandRefusal, NamesTheFaultAndItsErrno) {
  EchoCommand parsed;
  EXPECT_EQ(ParseCommand(GetParam().bytes, &parsed), GetParam().fault);
  EXPECT_EQ(FaultErrno(GetParam().fault), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, EchoCommandRefusal,
    testing::Values(
        Refusal{"Empty", {}, CommandFault::kTooShort, EINVAL},
        Refusal{"HeaderOnly", Prefix(Command(Request()), 8), CommandFault::kTooShort, EINVAL},
        Refusal{"CutIcmpHeader", Command(Request(7)), CommandFault::kTooShort, EINVAL},
        Refusal{"Oversized", Command(Request(kMaxEchoRequest + 1)), CommandFault::kTooLong,
                EMSGSIZE},
        Refusal{"UnknownKind", With(Command(Request()), 0, 'R'), CommandFault::kUnknownKind,
                EINVAL},
        Refusal{"ReservedSet", With(Command(Request()), 3, 1), CommandFault::kReservedSet, EINVAL},
        Refusal{"NoTtl", Command(Request(), 0), CommandFault::kNoTtl, EINVAL},
        Refusal{"EchoReply", Command(Request(52, 0)), CommandFault::kNotEchoRequest, EINVAL},
        Refusal{"Timestamp", Command(Request(52, 13)), CommandFault::kNotEchoRequest, EINVAL},
        Refusal{"EchoWithCode", Command(Request(52, 8, 1)), CommandFault::kNotEchoRequest, EINVAL}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(EchoHelperResult, RoundTripsItsErrnoAndKnowsItsKind) {
  std::int32_t error = 0;
  EXPECT_TRUE(
      ParseResult(BuildResult(MessageKind::kResult, ENETUNREACH), MessageKind::kResult, &error));
  EXPECT_EQ(error, ENETUNREACH);
  EXPECT_FALSE(ParseResult(BuildResult(MessageKind::kReady, 0), MessageKind::kResult, &error));
  const auto result = BuildResult(MessageKind::kResult, 0);
  EXPECT_FALSE(ParseResult(std::span(result).first(7), MessageKind::kResult, &error));
}

}  // namespace
}  // namespace quorvel::echohelper
