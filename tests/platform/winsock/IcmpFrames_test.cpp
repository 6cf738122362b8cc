#include "platform/winsock/IcmpFrames.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quorvel::winsock {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Address(const char* text) { return inet_addr(text); }

unsigned BigEndian16(const Bytes& bytes, std::size_t at) {
  return unsigned{bytes[at]} << 8 | bytes[at + 1];
}

// A span with a valid checksum in it sums to all ones.
std::uint32_t OnesSum(const Bytes& bytes, std::size_t from, std::size_t to) {
  std::uint32_t sum = 0;
  for (std::size_t i = from; i < to; i += 2)
    sum += std::uint32_t{bytes[i]} << 8 | (i + 1 < to ? bytes[i + 1] : 0u);
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

void ExpectHeader(const Bytes& frame, std::size_t at, std::size_t total, const Ipv4Fields& fields) {
  EXPECT_EQ(frame[at], 0x45) << "version 4, no options";
  EXPECT_EQ(BigEndian16(frame, at + 2), total);
  EXPECT_EQ(frame[at + 8], fields.ttl);
  EXPECT_EQ(frame[at + 9], 1) << "protocol ICMP";
  EXPECT_EQ(OnesSum(frame, at, at + 20), 0xFFFFu) << "header checksum";
  const std::uint8_t* source = reinterpret_cast<const std::uint8_t*>(&fields.source);
  const std::uint8_t* destination = reinterpret_cast<const std::uint8_t*>(&fields.destination);
  EXPECT_EQ(Bytes(frame.begin() + at + 12, frame.begin() + at + 16), Bytes(source, source + 4));
  EXPECT_EQ(Bytes(frame.begin() + at + 16, frame.begin() + at + 20),
            Bytes(destination, destination + 4));
}

const Ipv4Fields kReplyHeader{Address("192.0.2.7"), Address("192.0.2.1"), 63};

TEST(FrameIcmpMessage, PutsAHeaderWithTheFieldsAndLengthsBeforeTheMessageUnchanged) {
  const Bytes message{0, 0, 0x12, 0x34, 0xAB, 0xCD, 0x0D, 0x01, 'E', 'E', 'E'};
  const Bytes frame = FrameIcmpMessage(kReplyHeader, message);
  ASSERT_EQ(frame.size(), 20 + message.size());
  ExpectHeader(frame, 0, 20 + message.size(), kReplyHeader);
  EXPECT_EQ(Bytes(frame.begin() + 20, frame.end()), message);
}

TEST(FrameIcmpMessage, KeepsTheLengthFieldWithinSixteenBits) {
  EXPECT_EQ(BigEndian16(FrameIcmpMessage(kReplyHeader, {}), 2), 20u);
  const Bytes huge(70000, 0);
  const Bytes frame = FrameIcmpMessage(kReplyHeader, huge);
  EXPECT_EQ(frame.size(), 70020u);
  EXPECT_EQ(BigEndian16(frame, 2), 0xFFFFu);
}

IcmpErrorFields Error(std::uint8_t type, std::uint8_t code, std::uint32_t info) {
  return {type,
          code,
          info,
          {Address("192.0.2.2"), Address("192.0.2.1"), 64},
          {Address("192.0.2.1"), Address("198.51.100.2"), 1}};
}

TEST(FrameIcmpError, QuotesOurRequestBehindItsOwnHeaders) {
  const Bytes request{8, 0, 0xAA, 0xBB, 0x12, 0x34, 0xA1, 0x0D, 'x', 'y'};
  const IcmpErrorFields error = Error(11, 0, 0);
  const Bytes frame = FrameIcmpError(error, request);
  ASSERT_EQ(frame.size(), 20 + 8 + 20 + request.size());
  ExpectHeader(frame, 0, frame.size(), error.outer);
  EXPECT_EQ(frame[20], 11);
  EXPECT_EQ(frame[21], 0);
  EXPECT_EQ(OnesSum(frame, 20, frame.size()), 0xFFFFu) << "ICMP checksum over the whole error";
  EXPECT_EQ(Bytes(frame.begin() + 24, frame.begin() + 28), Bytes(4, 0));
  ExpectHeader(frame, 28, 20 + request.size(), error.quoted);
  EXPECT_EQ(Bytes(frame.begin() + 48, frame.end()), request);
}

TEST(FrameIcmpError, CarriesTheTypeSpecificWordWhereEachTypeHasIt) {
  struct Case {
    std::uint8_t type, code;
    std::uint32_t info;
    Bytes word;
  };
  for (const Case& c :
       {Case{3, 4, 1400, {0, 0, 0x05, 0x78}},                                        // next-hop MTU
        Case{3, 1, 0, {0, 0, 0, 0}}, Case{5, 1, 0xC0000263, {0xC0, 0, 0x02, 0x63}},  // gateway
        Case{12, 0, 20, {20, 0, 0, 0}},                                              // pointer
        Case{11, 1, 7, {0, 0, 0, 0}}}) {
    SCOPED_TRACE(int{c.type});
    const Bytes frame = FrameIcmpError(Error(c.type, c.code, c.info), Bytes(8, 0));
    EXPECT_EQ(frame[20], c.type);
    EXPECT_EQ(frame[21], c.code);
    EXPECT_EQ(Bytes(frame.begin() + 24, frame.begin() + 28), c.word);
    EXPECT_EQ(OnesSum(frame, 20, frame.size()), 0xFFFFu);
  }
}

TEST(FrameIcmpError, AnEmptyQuoteStillHasBothHeaders) {
  const Bytes frame = FrameIcmpError(Error(3, 0, 0), {});
  ASSERT_EQ(frame.size(), 48u);
  EXPECT_EQ(BigEndian16(frame, 2), 48u);
  EXPECT_EQ(BigEndian16(frame, 30), 20u);
  EXPECT_EQ(OnesSum(frame, 20, frame.size()), 0xFFFFu);
}

TEST(PresentIdentifier, ReplacesTheIdentifierAndKeepsTheChecksumValid) {
  for (const EchoIdentifier identifier :
       {EchoIdentifier{0x12, 0x34}, EchoIdentifier{0xFF, 0xFF}, EchoIdentifier{0, 0}}) {
    Bytes message{0, 0, 0, 0, 0xAB, 0xCD, 0xA1, 0x0D, 'E', 'E', 'E'};
    const std::uint32_t sum = OnesSum(message, 0, message.size());
    message[2] = static_cast<std::uint8_t>(~sum >> 8);
    message[3] = static_cast<std::uint8_t>(~sum);
    PresentIdentifier(message, identifier);
    EXPECT_EQ(message[4], identifier[0]);
    EXPECT_EQ(message[5], identifier[1]);
    EXPECT_EQ(OnesSum(message, 0, message.size()), 0xFFFFu);
  }
  Bytes cut{0, 0, 0, 0, 0xAB, 0xCD, 0xA1};
  const Bytes before = cut;
  PresentIdentifier(cut, {1, 2});
  EXPECT_EQ(cut, before) << "too short to hold an identifier and a sequence number";
}

}  // namespace
}  // namespace quorvel::winsock
