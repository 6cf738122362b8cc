#include "net/IdIcmpClient.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <utility>

#include "net/IdAntiFreezeBase.h"
#include "net/IdException.h"
#include "net/RecordingStack.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Process.h"
#include "support/DnsResponder.h"
#include "support/IcmpPeer.h"
#include "support/TestNetwork.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using quorvel::test::EchoIdAndSequence;
using quorvel::test::IcmpMessage;
using quorvel::test::IcmpPeer;
using quorvel::test::PeerAnswer;

std::uint16_t Word(const std::uint8_t* At) {
  return static_cast<std::uint16_t>(At[0] | At[1] << 8);
}

constexpr std::uint16_t Seq = 3489;
constexpr TIdAddressBytes Router{198, 51, 100, 1};

// The request that the datagrams below answer or quote.
const TIdEchoRequest& OurRequest() {
  static const TIdEchoRequest Request = [] {
    TIdEchoRequest R;
    BuildEchoRequest(R, Seq, "");
    return R;
  }();
  return Request;
}

// A received datagram: an IP header of AHeaderLength bytes (options as NOPs),
// then the ICMP bytes.
Bytes Datagram(std::size_t AHeaderLength, std::uint8_t ATtl, TIdAddressBytes ASource,
               const Bytes& AIcmp) {
  Bytes D(AHeaderLength, 1);
  D[0] = static_cast<std::uint8_t>(0x40 | AHeaderLength / 4);
  D[8] = ATtl;
  D[9] = 1;
  std::copy(ASource.begin(), ASource.end(), D.begin() + 12);
  D.insert(D.end(), AIcmp.begin(), AIcmp.end());
  return D;
}

// ALength bytes of an ICMP message of the type that carries what our request
// carries (identifier, time stamp, payload), with ASequence at offset 6 as stored.
Bytes Icmp(std::uint8_t AType, std::uint16_t ASequence, std::size_t ALength = 8) {
  Bytes I(OurRequest().begin(), OurRequest().end());
  I.resize(ALength, 0);
  I[0] = AType;
  I[6] = static_cast<std::uint8_t>(ASequence);
  I[7] = static_cast<std::uint8_t>(ASequence >> 8);
  return I;
}

// ABytes with the byte at AAt inverted.
Bytes Flipped(Bytes ABytes, std::size_t AAt) {
  ABytes[AAt] ^= 0xFF;
  return ABytes;
}

// An error message of the type quoting a request with ASequence, whose
// quoted IP header is AHeaderLength bytes; AQuotedIcmp bytes of the request follow.
Bytes ErrorIcmp(std::uint8_t AType, std::size_t AHeaderLength, std::uint16_t ASequence,
                std::size_t AQuotedIcmp = 8) {
  Bytes I(8, 0);
  I[0] = AType;
  Bytes Quoted = Datagram(AHeaderLength, 1, {192, 0, 2, 1}, Icmp(8, ASequence, 52));
  Quoted.resize(AHeaderLength + AQuotedIcmp);
  I.insert(I.end(), Quoted.begin(), Quoted.end());
  return I;
}

// Offsets in an error of ErrorIcmp with a 20-byte quoted header.
constexpr std::size_t QuotedHeaderAt = 8;
constexpr std::size_t QuotedIcmpAt = 8 + 20;

}  // namespace

// ---- The clock

TEST(TickSpan, IsTheDifferenceAndOneLessAcrossAWrap) {
  EXPECT_EQ(TickSpan(10, 25), 15u);
  EXPECT_EQ(TickSpan(25, 25), 0u);
  EXPECT_EQ(TickSpan(0xFFFFFFFFu - 15, 5), 20u);
  EXPECT_EQ(TickSpan(1, 0), 0xFFFFFFFEu);
}

TEST(TickMs, FollowsTheMonotonicClockInMilliseconds) {
  const std::uint32_t Before = TickMs();
  const auto Start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - Start < std::chrono::milliseconds(50)) {
  }
  const std::uint32_t Span = TickSpan(Before, TickMs());
  EXPECT_GE(Span, 49u);
  EXPECT_LT(Span, 1000u);
}

// ---- The request

TEST(EchoRequest, CarriesTypeIdentifierAndSequenceLowByteFirst) {
  TIdEchoRequest Request;
  BuildEchoRequest(Request, 3489, "");
  EXPECT_EQ(Request[0], 8);
  EXPECT_EQ(Request[1], 0);
  const std::uint16_t Pid = GetCurrentProcessId() & 0xFFFF;
  EXPECT_EQ(Request[4], Pid & 0xFF);
  EXPECT_EQ(Request[5], Pid >> 8);
  EXPECT_EQ(Request[6], 0xA1);
  EXPECT_EQ(Request[7], 0x0D);
  for (std::size_t I = 12; I < 20; ++I) EXPECT_EQ(Request[I], 0) << "reserved byte " << I;
}

TEST(EchoRequest, TimeStampIsTheClockLowByteFirst) {
  TIdEchoRequest Request;
  const std::uint32_t Before = TickMs();
  BuildEchoRequest(Request, 1, "");
  const std::uint32_t Stamp = Request[8] | Request[9] << 8 | Request[10] << 16 |
                              static_cast<std::uint32_t>(Request[11]) << 24;
  EXPECT_LE(TickSpan(Before, Stamp), 5u);
}

TEST(EchoRequest, PayloadIsTheTextPaddedWithEAndCutAt32) {
  TIdEchoRequest Request;
  BuildEchoRequest(Request, 1, "");
  EXPECT_EQ(std::string(Request.begin() + 20, Request.end()), std::string(32, 'E'));
  BuildEchoRequest(Request, 1, "Hello");
  EXPECT_EQ(std::string(Request.begin() + 20, Request.end()), "Hello" + std::string(27, 'E'));
  const std::string Forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  BuildEchoRequest(Request, 1, Forty);
  EXPECT_EQ(std::string(Request.begin() + 20, Request.end()), Forty.substr(0, 32));
}

TEST(EchoRequest, ChecksumMakesTheOnesComplementSumAllOnes) {
  for (const char* Payload : {"", "Hello", "\xFF\xFF\xFF\xFF odd bytes \x80"}) {
    TIdEchoRequest Request;
    BuildEchoRequest(Request, 0xFFFF, Payload);
    std::uint32_t Sum = 0;
    for (std::size_t I = 0; I < Request.size(); I += 2) Sum += Word(&Request[I]);
    while (Sum > 0xFFFF) Sum = (Sum & 0xFFFF) + (Sum >> 16);
    EXPECT_EQ(Sum, 0xFFFFu) << '"' << Payload << '"';
  }
}

TEST(InternetChecksum, MatchesTheTextbookExample) {
  // RFC 1071's example words 0001 f203 f4f5 f6f7 sum to ddf2; complement 220d.
  const std::uint8_t Data[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  const std::uint16_t Checksum = InternetChecksum(Data);
  const auto* Stored = reinterpret_cast<const std::uint8_t*>(&Checksum);
  EXPECT_EQ(Stored[0], 0x22);
  EXPECT_EQ(Stored[1], 0x0D);
  const std::uint8_t Odd[] = {0x00, 0x01, 0xF2};
  const std::uint16_t OddSum = InternetChecksum(Odd);
  const auto* OddStored = reinterpret_cast<const std::uint8_t*>(&OddSum);
  EXPECT_EQ(OddStored[0], 0x0D);  // 0001 + f200 = f201, complement 0dfe
  EXPECT_EQ(OddStored[1], 0xFE);
}

// ---- Examining a datagram

struct TDatagramCase {
  const char* Name;
  Bytes Data;
  TIdDatagramVerdict Verdict;
  TReplyStatusKind Status = rsError;
  std::uint8_t MessageType = 0;
};

void PrintTo(const TDatagramCase& C, std::ostream* Out) { *Out << C.Name; }

class ExamineDatagramCase : public testing::TestWithParam<TDatagramCase> {};

using V = TIdDatagramVerdict;

TEST_P(ExamineDatagramCase, GivesVerdictAndFields) {
  const TDatagramCase& C = GetParam();
  const TIdEchoDatagram D = ExamineDatagram(C.Data, OurRequest());
  ASSERT_EQ(D.Verdict, C.Verdict);
  if (C.Verdict != V::Accepted) return;
  EXPECT_EQ(D.Status, C.Status);
  EXPECT_EQ(D.MessageType, C.MessageType);
  EXPECT_EQ(D.SequenceNumber, Seq);
  EXPECT_EQ(D.Ttl, 57);
  EXPECT_EQ(D.Source, Router);
}

INSTANTIATE_TEST_SUITE_P(
    Valid, ExamineDatagramCase,
    testing::Values(TDatagramCase{"EchoReply", Datagram(20, 57, Router, Icmp(0, Seq, 52)),
                                  V::Accepted, rsEcho, 0},
                    TDatagramCase{"EchoRequestWithOurSequence",
                                  Datagram(20, 57, Router, Icmp(8, Seq, 52)), V::Accepted, rsEcho,
                                  8},
                    TDatagramCase{"Unreachable", Datagram(20, 57, Router, ErrorIcmp(3, 20, Seq)),
                                  V::Accepted, rsErrorUnreachable, 3},
                    TDatagramCase{"TimeExceeded", Datagram(20, 57, Router, ErrorIcmp(11, 20, Seq)),
                                  V::Accepted, rsErrorTTLExceeded, 11},
                    TDatagramCase{"EchoReplyBehindIpOptions",
                                  Datagram(24, 57, Router, Icmp(0, Seq)), V::Accepted, rsEcho, 0},
                    TDatagramCase{"TimeExceededWithOptionsQuotedAsLong",
                                  Datagram(24, 57, Router, ErrorIcmp(11, 24, Seq)), V::Accepted,
                                  rsErrorTTLExceeded, 11},
                    TDatagramCase{"UnreachableWithOptionsInTheQuoteOnly",
                                  Datagram(20, 57, Router, ErrorIcmp(3, 28, Seq, 52)), V::Accepted,
                                  rsErrorUnreachable, 3},
                    TDatagramCase{"TimeExceededWithOptionsOutsideOnly",
                                  Datagram(32, 57, Router, ErrorIcmp(11, 20, Seq)), V::Accepted,
                                  rsErrorTTLExceeded, 11}));

INSTANTIATE_TEST_SUITE_P(
    Edge, ExamineDatagramCase,
    testing::Values(
        TDatagramCase{"EchoReplyOfAnotherPing", Datagram(20, 57, Router, Icmp(0, Seq + 1)),
                      V::Foreign},
        TDatagramCase{"SequenceBytesSwapped", Datagram(20, 57, Router, Icmp(0, 0xA10D)),
                      V::Foreign},
        TDatagramCase{"JustTheIcmpHeader", Datagram(20, 57, Router, Icmp(0, Seq)), V::Accepted,
                      rsEcho, 0},
        TDatagramCase{"ErrorQuotingAnotherPing", Datagram(20, 57, Router, ErrorIcmp(3, 20, 7)),
                      V::Foreign},
        TDatagramCase{"ErrorQuotingJustTheSequence",
                      Datagram(20, 57, Router, ErrorIcmp(11, 20, Seq, 8)), V::Accepted,
                      rsErrorTTLExceeded, 11},
        TDatagramCase{"ErrorQuotingATruncatedRequest",
                      Datagram(20, 57, Router, ErrorIcmp(3, 20, Seq, 7)), V::Foreign},
        TDatagramCase{"ErrorQuotingNoRequest", Datagram(20, 57, Router, Icmp(11, Seq)), V::Foreign},
        TDatagramCase{"EchoReplyWithAnotherIdentifier",
                      Datagram(20, 57, Router, Flipped(Icmp(0, Seq, 52), 4)), V::Foreign},
        TDatagramCase{"OurOwnRequestFromAnotherProgram",
                      Datagram(20, 57, Router, Flipped(Icmp(8, Seq, 52), 5)), V::Foreign},
        TDatagramCase{"EchoReplyToAnEarlierRequestWithOurSequence",
                      Datagram(20, 57, Router, Flipped(Icmp(0, Seq, 52), 8)), V::Foreign},
        TDatagramCase{"ErrorQuotingAnotherIdentifier",
                      Datagram(20, 57, Router, Flipped(ErrorIcmp(3, 20, Seq), QuotedIcmpAt + 4)),
                      V::Foreign},
        TDatagramCase{
            "ErrorQuotingAnEarlierRequestWithOurSequence",
            Datagram(20, 57, Router, Flipped(ErrorIcmp(11, 20, Seq, 12), QuotedIcmpAt + 11)),
            V::Foreign},
        TDatagramCase{"SourceQuenchNotQuotingUs", Datagram(20, 57, Router, Icmp(4, Seq)),
                      V::Foreign},
        TDatagramCase{"TimestampRequestWithOurIdentifierAndSequence",
                      Datagram(20, 57, Router, Icmp(13, Seq, 20)), V::Foreign}));

INSTANTIATE_TEST_SUITE_P(
    Malformed, ExamineDatagramCase,
    testing::Values(
        TDatagramCase{"Empty", {}, V::TooShort},
        TDatagramCase{"ShorterThanHeaderPlus8", Datagram(20, 57, Router, Bytes(7, 0)), V::TooShort},
        TDatagramCase{"HeaderLongerThanDatagram",
                      [] {
                        Bytes B(40, 0);
                        B[0] = 0x4F;  // a 60-byte header
                        return B;
                      }(),
                      V::TooShort},
        TDatagramCase{"NoWholeIpHeader", Bytes{0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0}, V::TooShort},
        TDatagramCase{"Redirect", Datagram(20, 57, Router, ErrorIcmp(5, 20, Seq)), V::NonEcho},
        TDatagramCase{"QuotedHeaderUnder20Bytes",
                      Datagram(20, 57, Router,
                               [] {
                                 Bytes E = ErrorIcmp(3, 20, Seq, 52);
                                 E[QuotedHeaderAt] = 0x44;
                                 return E;
                               }()),
                      V::Foreign},
        TDatagramCase{"QuotedHeaderPastTheDatagram",
                      Datagram(20, 57, Router,
                               [] {
                                 Bytes E = ErrorIcmp(11, 20, Seq, 32);
                                 E[QuotedHeaderAt] = 0x4F;  // 60 bytes, where 52 follow
                                 return E;
                               }()),
                      V::Foreign},
        TDatagramCase{"QuoteOfAnotherProtocol",
                      Datagram(20, 57, Router, Flipped(ErrorIcmp(3, 20, Seq), QuotedHeaderAt + 9)),
                      V::Foreign},
        TDatagramCase{"QuoteOfAReply",
                      Datagram(20, 57, Router,
                               [] {
                                 Bytes E = ErrorIcmp(3, 20, Seq);
                                 E[QuotedIcmpAt] = 0;
                                 return E;
                               }()),
                      V::Foreign}));

// Any type but the four is raised only when it quotes our request: traffic
// of other programs never ends a ping.
TEST(ExamineDatagram, OtherTypesAreOursOnlyWhenTheyQuoteOurRequest) {
  for (int T = 0; T < 256; ++T) {
    const auto Type = static_cast<std::uint8_t>(T);
    if (Type == 0 || Type == 3 || Type == 8 || Type == 11) continue;
    const auto Verdict = [](const Bytes& AIcmp) {
      return ExamineDatagram(Datagram(20, 57, Router, AIcmp), OurRequest()).Verdict;
    };
    EXPECT_EQ(Verdict(Icmp(Type, Seq, 52)), V::Foreign) << T;
    EXPECT_EQ(Verdict(ErrorIcmp(Type, 20, Seq + 1)), V::Foreign) << T;
    EXPECT_EQ(Verdict(Flipped(ErrorIcmp(Type, 20, Seq), QuotedIcmpAt + 5)), V::Foreign) << T;
    EXPECT_EQ(Verdict(ErrorIcmp(Type, 24, Seq)), V::NonEcho) << T;
  }
}

TEST(ExamineDatagram, NeverReadsTheBytesAfterTheDatagram) {
  // A long foreign reply leaves our sequence number where a later, shorter
  // error message would have its quote; only the received bytes count.
  Bytes Buffer = Datagram(20, 57, Router, Icmp(0, Seq + 1, 60));
  Buffer[2 * 20 + 14] = static_cast<std::uint8_t>(Seq);
  Buffer[2 * 20 + 15] = static_cast<std::uint8_t>(Seq >> 8);
  const Bytes Short = Datagram(20, 57, Router, ErrorIcmp(3, 20, Seq, 4));
  std::copy(Short.begin(), Short.end(), Buffer.begin());
  EXPECT_EQ(ExamineDatagram(std::span(Buffer.data(), Short.size()), OurRequest()).Verdict,
            V::Foreign);
}

// Random and mutated datagrams of every length up to the receive buffer and
// every header length, each in a buffer of exactly its size so that a
// sanitized build catches any read past it.
TEST(ExamineDatagram, SurvivesAMillionRandomAndMutatedDatagrams) {
  std::mt19937 Random(20261208);
  const Bytes Templates[] = {Datagram(20, 57, Router, Icmp(0, Seq, 52)),
                             Datagram(20, 57, Router, ErrorIcmp(3, 20, Seq)),
                             Datagram(24, 57, Router, ErrorIcmp(11, 24, Seq, 36)),
                             Datagram(20, 57, Router, ErrorIcmp(5, 20, Seq))};
  Bytes Noise(1 << 16);
  for (std::uint8_t& B : Noise) B = static_cast<std::uint8_t>(Random());
  std::array<int, 4> Seen{};
  for (int I = 0; I < 1'000'000; ++I) {
    Bytes Data;
    if (I % 2 == 0) {
      const std::size_t Length = static_cast<std::size_t>(I / 2 % (ReceiveBufferSize + 1));
      const auto From = Noise.begin() + Random() % (Noise.size() - Length);
      Data.assign(From, From + static_cast<std::ptrdiff_t>(Length));
      if (!Data.empty()) Data[0] = static_cast<std::uint8_t>(0x40 | (I / 2 % 16));
    } else {
      Data = Templates[Random() % std::size(Templates)];
      for (unsigned Flips = Random() % 4; Flips > 0; --Flips)
        Data[Random() % Data.size()] ^= static_cast<std::uint8_t>(1u << (Random() % 8));
      Data.resize(Random() % (Data.size() + 1));
      Data.shrink_to_fit();
    }
    const TIdEchoDatagram D = ExamineDatagram(Data, OurRequest());
    ++Seen[static_cast<std::size_t>(D.Verdict)];
    const std::size_t H = Data.empty() ? 0 : std::size_t{Data[0] & 0x0Fu} * 4;
    ASSERT_EQ(D.Verdict == V::TooShort, Data.size() < std::max<std::size_t>(20, H + 8)) << I;
    if (D.Verdict == V::Accepted) {
      ASSERT_EQ(D.SequenceNumber, Seq);
      ASSERT_TRUE(D.MessageType == 0 || D.MessageType == 8 || D.MessageType == 3 ||
                  D.MessageType == 11);
    }
  }
  for (const int Count : Seen) EXPECT_GT(Count, 1000) << "every verdict is exercised";
}

// ---- Pinging: a client on the real stack, with its calls recorded

namespace {

class EchoClient : public RecordingStackTest {
 protected:
  void SetUp() override {
    RecordingStackTest::SetUp();
    if (IsSkipped()) return;
    Client = std::make_unique<TIdIcmpClient>(nullptr);
    Client->OnReply = [this](TComponent* ASender, const TReplyStatus& AReply) {
      EXPECT_EQ(ASender, Client.get());
      Replies.push_back(AReply);
    };
  }
  void TearDown() override {
    Client.reset();
    RecordingStackTest::TearDown();
  }
  // Pings AHost and expects exactly one event.
  TReplyStatus Ping(const std::string& AHost, std::int32_t ATimeOut = 2000) {
    Replies.clear();
    Client->SetHost(AHost);
    Client->SetReceiveTimeout(ATimeOut);
    Client->PingHost();
    EXPECT_EQ(Replies.size(), 1u);
    return Replies.empty() ? TReplyStatus{} : Replies.front();
  }

  std::unique_ptr<TIdIcmpClient> Client;
  std::vector<TReplyStatus> Replies;
};

}  // namespace

TEST_F(EchoClient, DefaultsOfTheEchoClient) {
  EXPECT_EQ(Client->Protocol(), 1);
  EXPECT_EQ(Client->ReceiveTimeout(), 5000);
  EXPECT_EQ(Client->BufferSize(), 8192);
  EXPECT_EQ(Client->Port(), 0);
  EXPECT_EQ(Client->Host(), "");
  EXPECT_EQ(Client->SequenceNumber(), 3489);
  EXPECT_EQ(Client->ReplyStatus().ByteCount, 0);
  EXPECT_EQ(Client->ReplyStatus().FromAddress, "");
}

TEST_F(EchoClient, OnLoopbackOurOwnRequestArrivesFirstAndIsTheAnswer) {
  if (!RawSocketsAllowed()) GTEST_SKIP() << "only a raw socket sees our own request";
  const TReplyStatus Reply = Ping("127.0.0.1");
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.MessageType, 8);
  EXPECT_EQ(Reply.Ttl, 128) << "our request, sent with our time-to-live";
  EXPECT_EQ(Reply.ByteCount, 20 + 52);
  EXPECT_EQ(Reply.FromAddress, "127.0.0.1");
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_LT(Reply.RoundTripMs, 1000u);
  EXPECT_EQ(Client->SequenceNumber(), 3490);
  EXPECT_EQ(Client->ReplyStatus().SequenceNumber, 3489);
}

// An ICMP datagram socket carries it where the group range allows; where it
// does not, the echo helper's channel does.
TEST_F(EchoClient, WithoutRawSocketsADatagramSocketOrTheEchoHelperCarriesThePing) {
  if (RawSocketsAllowed()) GTEST_SKIP() << "raw sockets are allowed here";
  Client->SetHost("127.0.0.1");
  int Type = 0;
  socklen_t Size = sizeof Type;
  ASSERT_EQ(::getsockopt(static_cast<int>(Client->ReadySocket().SocketValue()), SOL_SOCKET, SO_TYPE,
                         &Type, &Size),
            0);
  EXPECT_EQ(Type, SocketAllowed(SOCK_DGRAM) ? SOCK_DGRAM : SOCK_SEQPACKET);
  // Only the kernel's answer comes back, never our request: the helper passes
  // on nothing but answers.
  const TReplyStatus Reply = Ping("127.0.0.1");
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.MessageType, 0);
  EXPECT_EQ(Reply.Ttl, 64);
  EXPECT_EQ(Reply.ByteCount, 20 + 52);
  EXPECT_EQ(Reply.FromAddress, "127.0.0.1");
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_EQ(Client->SequenceNumber(), 3490);
}

// A run meant to have fewer rights (see without-raw-sockets.sh) must have
// them, or its cases would pass on raw sockets unseen.
TEST(IcmpSocketRights, AreThoseTheRunWasStartedWith) {
  const char* Meant = std::getenv("QUORVEL_ICMP_SOCKETS");
  if (Meant == nullptr) GTEST_SKIP() << "a run with all rights";
  EXPECT_FALSE(RawSocketsAllowed());
  EXPECT_EQ(SocketAllowed(SOCK_DGRAM), std::string(Meant) == "datagram") << Meant;
  EXPECT_EQ(quorvel::test::EchoHelperAllowed(), std::string(Meant) == "helper") << Meant;
}

// Runs where neither kind of ICMP socket is allowed: the user is told how to
// grant the right, and nothing is recorded.
TEST(NoIcmpSockets, ThePingRaisesInvalidSocketSayingHowToGrantTheRight) {
  if (PingsAllowed()) GTEST_SKIP() << "this process may ping";
  TIdIcmpClient Client(nullptr);
  int Events = 0;
  Client.OnReply = [&](TComponent*, const TReplyStatus&) { ++Events; };
  Client.SetHost("127.0.0.1");
  try {
    Client.PingHost();
    FAIL() << "no exception";
  } catch (const EIdInvalidSocket& E) {
    const std::string Program = ExecutableFileName();
    const std::string Helper = Program.substr(0, Program.rfind('/') + 1) + "quorvel-icmp-helper";
    EXPECT_EQ(E.Message(),
              "Cannot allocate socket.\r\n"
              "This user may not send pings. Allow them through the echo helper with\r\n"
              "    sudo setcap cap_net_raw+ep " +
                  Helper +
                  "\r\n"
                  "or for the users of every group with\r\n"
                  "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"");
    EXPECT_NE(Program.find("net_IdIcmpClient_test"), std::string::npos) << Program;
  }
  EXPECT_EQ(Events, 0);
  EXPECT_EQ(Client.SequenceNumber(), 3489);
}

TEST_F(EchoClient, LocalhostIsLoopbackWithoutALookup) {
  const TReplyStatus Reply = Ping("localhost");
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.FromAddress, "127.0.0.1");
}

TEST_F(EchoClient, ANameIsResolvedOnEveryPing) {
  quorvel::test::DnsResponder Dns{{"loop.test", {"127.0.0.7"}}};
  EXPECT_EQ(Ping("loop.test").Status, rsEcho);
  EXPECT_EQ(Ping("loop.test").Status, rsEcho);
  EXPECT_EQ(Dns.QueriesAnswered(), 2);
  EXPECT_EQ(std::count(Stack().Calls.begin(), Stack().Calls.end(), "sendto 127.0.0.7 52"), 2);
}

TEST_F(EchoClient, EachPingOpensASocketAndClosesItAfterTheWait) {
  Ping("127.0.0.1");
  const std::vector<std::string> OnePing{
      "socket 3 1",         "setsockopt 0 4 128", "sendto 127.0.0.1 52", "setsockopt 0 4 128",
      "setsockopt 0 4 128", "setsockopt 0 4 128", "shutdown 1",          "closesocket"};
  EXPECT_EQ(Stack().Calls, OnePing);
  Stack().Calls.clear();
  Ping("127.0.0.1");
  EXPECT_EQ(Stack().Calls, OnePing);
  EXPECT_EQ(Stack().SelectTimeOuts, (std::vector<int>{2000, 2000}));
}

TEST_F(EchoClient, TheRequestGoesOnTheWireByteForByte) {
  if (!RawSocketsAllowed()) GTEST_SKIP() << "the watcher needs a raw socket of its own";
  // A second raw socket on loopback sees the request as the kernel carried it.
  const int Watcher = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  ASSERT_GE(Watcher, 0);
  const quorvel::test::ScopedFd Owned(Watcher);
  Client->SetHost("127.0.0.1");
  Client->SetReceiveTimeout(2000);
  Client->PingHost("Hello", 4660);
  std::uint8_t Wire[128];
  const ssize_t N = ::recv(Watcher, Wire, sizeof Wire, MSG_DONTWAIT);
  ASSERT_EQ(N, 72);
  EXPECT_EQ(Wire[8], 128) << "time-to-live";
  EXPECT_EQ(Wire[9], 1) << "protocol";
  const std::uint8_t* Icmp = Wire + 20;
  EXPECT_EQ(Icmp[0], 8);
  EXPECT_EQ(Word(Icmp + 4), GetCurrentProcessId() & 0xFFFF);
  EXPECT_EQ(Word(Icmp + 6), 4660);
  EXPECT_EQ(std::string(Icmp + 20, Icmp + 52), "Hello" + std::string(27, 'E'));
  EXPECT_EQ(InternetChecksum(std::span(Icmp, 52)), 0) << "a valid checksum sums to all ones";
}

TEST_F(EchoClient, ASequenceOverrideReplacesTheCounterAndTheCounterWraps) {
  Client->SetHost("127.0.0.1");
  Client->SetReceiveTimeout(2000);
  Client->PingHost("", 65535);
  EXPECT_EQ(Replies.back().SequenceNumber, 65535);
  EXPECT_EQ(Client->SequenceNumber(), 0);
  Client->PingHost();
  EXPECT_EQ(Replies.back().SequenceNumber, 0);
  EXPECT_EQ(Client->SequenceNumber(), 1);
}

TEST_F(EchoClient, TheCounterAdvancesWithoutAHandlerToo) {
  Client->OnReply = nullptr;
  Client->SetHost("127.0.0.1");
  Client->PingHost();
  EXPECT_EQ(Client->SequenceNumber(), 3490);
  EXPECT_EQ(Client->ReplyStatus().Status, rsEcho);
}

TEST_F(EchoClient, TheEventRunsBeforePingHostReturns) {
  bool Returned = false;
  Client->OnReply = [&](TComponent*, const TReplyStatus& AReply) {
    EXPECT_FALSE(Returned);
    EXPECT_EQ(&AReply, &Client->ReplyStatus()) << "the last reply record itself";
    EXPECT_EQ(Client->SequenceNumber(), 3489) << "the counter advances after the handler";
  };
  Client->SetHost("127.0.0.1");
  Client->PingHost();
  Returned = true;
}

TEST_F(EchoClient, AnUnresolvableHostRaisesWithoutEventAndKeepsTheCounter) {
  quorvel::test::DnsResponder Dns{{"known.test", {"127.0.0.9"}}};
  Ping("127.0.0.1");
  const TReplyStatus Before = Client->ReplyStatus();
  Replies.clear();
  Client->SetHost("no-such-host.test");
  try {
    Client->PingHost();
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 11001);
    EXPECT_EQ(E.Message(), "Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_TRUE(Replies.empty());
  EXPECT_EQ(Client->SequenceNumber(), 3490);
  EXPECT_EQ(Client->ReplyStatus().FromAddress, Before.FromAddress);
  EXPECT_EQ(Client->ReplyStatus().RoundTripMs, Before.RoundTripMs);
}

TEST_F(EchoClient, ASocketThatCannotBeCreatedRaisesInvalidSocket) {
  Client->SetProtocol(300);
  Client->SetHost("127.0.0.1");
  EXPECT_THROW(Client->PingHost(), EIdInvalidSocket);
  EXPECT_TRUE(Replies.empty());
  EXPECT_EQ(Client->SequenceNumber(), 3489);
}

// ---- Pinging real peers: routers, a silent target and scripted answers

namespace {

// The program's namespace 192.0.2.1 reaches router r1 (192.0.2.2), which
// leads to the silent target t1 (198.51.100.2), to r2 (198.18.0.2) and, for
// 203.0.113.128/25, into a loop between r1 and r2; r1 has no route for the
// rest of 203.0.113.0/24. Built once for all cases of this program.
class EchoNetwork : public EchoClient {
 protected:
  static void SetUpTestSuite() {
    if (!PingsAllowed()) return;
    try {
      Net = std::make_unique<quorvel::test::TestNetwork>();
      Net->AddNamespace("r1", true);
      Net->AddNamespace("r2", true);
      Target = Net->AddNamespace("t1", false);
      Net->Link("", "192.0.2.1/24", "r1", "192.0.2.2/24");
      Net->Link("r1", "198.51.100.1/24", "t1", "198.51.100.2/24");
      Net->Link("r1", "198.18.0.1/30", "r2", "198.18.0.2/30");
      for (const char* Prefix : {"198.51.100.0/24", "198.18.0.0/30", "203.0.113.0/24"})
        Net->Route("", Prefix, "192.0.2.2");
      Net->Route("r1", "203.0.113.128/25", "198.18.0.2");
      Net->Route("r2", "203.0.113.128/25", "198.18.0.1");
      Net->Route("r2", "default", "198.18.0.1");
      Net->Route("t1", "default", "198.51.100.1");
      Net->SetSysctl("t1", "ipv4/icmp_echo_ignore_all", "1");
    } catch (const std::exception& E) {
      Net.reset();
      Failure = E.what();
    }
  }
  static void TearDownTestSuite() { Net.reset(); }
  void SetUp() override {
    EchoClient::SetUp();
    if (IsSkipped()) return;
    ASSERT_NE(Net, nullptr) << "the test network could not be built: " << Failure;
  }

  // A peer on the silent target that answers our request with the script.
  static std::unique_ptr<IcmpPeer> Peer(quorvel::test::PeerScript AScript, int AProtocol = 1,
                                        Bytes AIpOptions = {}) {
    return std::make_unique<IcmpPeer>(Target, AProtocol, std::move(AScript), std::move(AIpOptions));
  }

  static inline std::unique_ptr<quorvel::test::TestNetwork> Net;
  static inline std::string Target;
  static inline std::string Failure;
};

// Cases with a scripted peer, which answers through a raw socket of its own.
class EchoPeerNetwork : public EchoNetwork {
 protected:
  void SetUp() override {
    if (!RawSocketsAllowed()) GTEST_SKIP() << "the scripted peer needs a raw socket";
    EchoNetwork::SetUp();
  }
};

// An echo reply to the request, echoing its data, with its sequence number
// moved by ADelta and APayload bytes after the identifier and sequence.
Bytes EchoReply(std::span<const std::uint8_t> ARequest, int ADelta = 0, std::size_t APayload = 44) {
  Bytes Body(ARequest.begin() + (ARequest[0] & 0x0F) * 4 + 4, ARequest.end());
  const std::uint16_t Sequence = static_cast<std::uint16_t>(Word(&Body[2]) + ADelta);
  Body[2] = static_cast<std::uint8_t>(Sequence);
  Body[3] = static_cast<std::uint8_t>(Sequence >> 8);
  Body.resize(4 + APayload, 'E');
  return IcmpMessage(0, 0, Body);
}

// How an error quotes the request: its IP header with Options bytes of
// options (NOPs) added and, when FirstByte is not 0, a first byte that lies
// about the header's length; then Quoted bytes of its ICMP message, the byte
// at AlteredAt inverted when that is not 0.
struct TQuote {
  std::size_t Quoted = 52;
  std::size_t Options = 0;
  std::uint8_t FirstByte = 0;
  std::size_t AlteredAt = 0;
};

// An ICMP message of the type quoting the request as AQuote says.
Bytes Quoting(std::uint8_t AType, std::span<const std::uint8_t> ARequest, TQuote AQuote) {
  const std::size_t H = std::size_t{ARequest[0] & 0x0Fu} * 4;
  Bytes Body(4, 0);
  Body.insert(Body.end(), ARequest.begin(), ARequest.begin() + static_cast<std::ptrdiff_t>(H));
  Body.insert(Body.end(), AQuote.Options, 1);
  Body[4] = AQuote.FirstByte != 0 ? AQuote.FirstByte
                                  : static_cast<std::uint8_t>(0x40 | (H + AQuote.Options) / 4);
  const std::size_t IcmpAt = Body.size();
  Body.insert(Body.end(), ARequest.begin() + static_cast<std::ptrdiff_t>(H),
              ARequest.begin() + static_cast<std::ptrdiff_t>(H + AQuote.Quoted));
  if (AQuote.AlteredAt != 0) Body[IcmpAt + AQuote.AlteredAt] ^= 0xFF;
  return IcmpMessage(AType, 0, Body);
}

}  // namespace

TEST_F(EchoNetwork, ARouterAnswersFromItsNamespace) {
  const TReplyStatus Reply = Ping("192.0.2.2");
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.MessageType, 0);
  EXPECT_EQ(Reply.FromAddress, "192.0.2.2");
  EXPECT_EQ(Reply.Ttl, 64);
  EXPECT_EQ(Reply.ByteCount, 72);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
}

TEST_F(EchoNetwork, AReplyFromBeyondARouterComesWithTheTtlItArrivedWith) {
  const TReplyStatus Reply = Ping("198.18.0.2");
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.FromAddress, "198.18.0.2");
  EXPECT_EQ(Reply.Ttl, 63);
}

TEST_F(EchoNetwork, TimeExceededWhereTheOutgoingTtlRunsOut) {
  Client->SetOutgoingTtl(1);
  const TReplyStatus Reply = Ping("198.51.100.2");
  EXPECT_EQ(Reply.Status, rsErrorTTLExceeded);
  EXPECT_EQ(Reply.MessageType, 11);
  EXPECT_EQ(Reply.FromAddress, "192.0.2.2");
  EXPECT_EQ(Reply.Ttl, 64);
  EXPECT_EQ(Reply.SequenceNumber, 3489) << "from the quoted request";
  EXPECT_EQ(Reply.ByteCount, 20 + 8 + 20 + 52) << "the router quotes the whole request";
}

TEST_F(EchoNetwork, TimeExceededInARoutingLoopWithTheDesignedTtl) {
  const TReplyStatus Reply = Ping("203.0.113.130");
  EXPECT_EQ(Reply.Status, rsErrorTTLExceeded);
  EXPECT_EQ(Reply.MessageType, 11);
  // 128 hops alternate r1, r2, ...: the 128th, where the time-to-live ends, is r2.
  EXPECT_EQ(Reply.FromAddress, "198.18.0.2");
  EXPECT_EQ(Reply.Ttl, 63);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
}

TEST_F(EchoNetwork, UnreachableWhereTheRouterHasNoRoute) {
  const TReplyStatus Reply = Ping("203.0.113.5");
  EXPECT_EQ(Reply.Status, rsErrorUnreachable);
  EXPECT_EQ(Reply.MessageType, 3);
  EXPECT_EQ(Reply.FromAddress, "192.0.2.2");
  EXPECT_EQ(Reply.Ttl, 64);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
}

TEST_F(EchoNetwork, ASilentTargetTimesOut) {
  const TReplyStatus Reply = Ping("198.51.100.2", 300);
  EXPECT_EQ(Reply.Status, rsTimeOut);
  EXPECT_EQ(Reply.ByteCount, 0);
  EXPECT_EQ(Reply.FromAddress, "0.0.0.0");
  EXPECT_EQ(Reply.MessageType, 0);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_EQ(Reply.Ttl, 0);
  EXPECT_GE(Reply.RoundTripMs, 300u);
  EXPECT_LT(Reply.RoundTripMs, 500u);
  EXPECT_EQ(Client->SequenceNumber(), 3490) << "a time-out is an outcome";
}

TEST_F(EchoNetwork, ATimeOutOfZeroPollsOnce) {
  EXPECT_EQ(Ping("198.51.100.2", 0).Status, rsTimeOut);
  EXPECT_EQ(Stack().SelectTimeOuts, (std::vector<int>{0}));
}

TEST_F(EchoPeerNetwork, AForeignReplyIsSkippedAndTheRightOneReported) {
  auto Answers = Peer([](std::span<const std::uint8_t> Request) {
    return std::vector<PeerAnswer>{{EchoReply(Request, -1)}, {EchoReply(Request), 100}};
  });
  const TReplyStatus Reply = Ping("198.51.100.2", 2000);
  EXPECT_EQ(Answers->AnswersSent(), 2);
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.MessageType, 0);
  EXPECT_EQ(Reply.FromAddress, "198.51.100.2");
  EXPECT_EQ(Reply.Ttl, 63);
  EXPECT_EQ(Reply.ByteCount, 20 + 8 + 44);
  ASSERT_EQ(Stack().SelectTimeOuts.size(), 2u);
  EXPECT_EQ(Stack().SelectTimeOuts[0], 2000);
  EXPECT_LE(Stack().SelectTimeOuts[1], 2000) << "the time-out counts from the start of the wait";
  EXPECT_GE(Reply.RoundTripMs, 100u);
}

TEST_F(EchoPeerNetwork, OnlyForeignRepliesEndInATimeOutOnTime) {
  auto Answers = Peer([](std::span<const std::uint8_t> Request) {
    return std::vector<PeerAnswer>{
        {EchoReply(Request, 1)}, {EchoReply(Request, 2), 100}, {EchoReply(Request, 3), 100}};
  });
  const TReplyStatus Reply = Ping("198.51.100.2", 500);
  EXPECT_EQ(Answers->AnswersSent(), 3);
  EXPECT_EQ(Reply.Status, rsTimeOut);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_GE(Reply.RoundTripMs, 500u);
  EXPECT_LT(Reply.RoundTripMs, 700u);
  EXPECT_EQ(Stack().SelectTimeOuts.size(), 4u);
}

TEST_F(EchoPeerNetwork, ARedirectRaisesNonEchoWithoutEventAndTheSequenceIsSentAgain) {
  auto Answers = Peer([](std::span<const std::uint8_t> Request) {
    return std::vector<PeerAnswer>{{Quoting(5, Request, {8})}};
  });
  Client->SetHost("198.51.100.2");
  Client->SetReceiveTimeout(2000);
  try {
    Client->PingHost();
    FAIL() << "no exception";
  } catch (const EIdIcmpException& E) {
    EXPECT_EQ(E.Message(), "Non-echo type response received");
  }
  EXPECT_TRUE(Replies.empty());
  EXPECT_EQ(Client->SequenceNumber(), 3489);
  EXPECT_TRUE(Client->ReadySocket().IsOpen()) << "a failed ping leaves its socket open";
  EXPECT_EQ(Ping("127.0.0.1").SequenceNumber, 3489);
}

// A foreign reply long enough to hold our sequence number where an error's
// quote would be, then an error whose quote is cut short: the error must not
// be matched on the bytes the reply left in the receive buffer.
TEST_F(EchoPeerNetwork, AnErrorQuotingATruncatedRequestIsNotMatchedOnStaleBytes) {
  auto Answers = Peer([](std::span<const std::uint8_t> Request) {
    Bytes Foreign = EchoReply(Request, 1, 60);
    const Bytes IdAndSequence = EchoIdAndSequence(Request);
    // ICMP offset 8 + 20 + 6 of this reply is datagram offset 2H + 14.
    std::copy(IdAndSequence.begin() + 2, IdAndSequence.end(), Foreign.begin() + 34);
    Foreign = IcmpMessage(0, 0, std::span(Foreign).subspan(4));
    return std::vector<PeerAnswer>{{Foreign}, {Quoting(3, Request, {4}), 20}};
  });
  const TReplyStatus Reply = Ping("198.51.100.2", 500);
  EXPECT_EQ(Answers->AnswersSent(), 2);
  EXPECT_EQ(Reply.Status, rsTimeOut);
  EXPECT_EQ(Stack().SelectTimeOuts.size(), 3u) << "both datagrams were examined";
}

TEST_F(EchoPeerNetwork, AnErrorQuotingTheWholeRequestIsAccepted) {
  auto Answers = Peer([](std::span<const std::uint8_t> Request) {
    return std::vector<PeerAnswer>{{Quoting(3, Request, {8})}};
  });
  const TReplyStatus Reply = Ping("198.51.100.2", 2000);
  EXPECT_EQ(Reply.Status, rsErrorUnreachable);
  EXPECT_EQ(Reply.FromAddress, "198.51.100.2");
  EXPECT_EQ(Reply.ByteCount, 20 + 8 + 20 + 8);
}

TEST_F(EchoPeerNetwork, AReplyBehindIpOptionsIsReadAfterTheLongerHeader) {
  auto Answers = Peer(
      [](std::span<const std::uint8_t> Request) {
        return std::vector<PeerAnswer>{{EchoReply(Request)}};
      },
      1, Bytes{1, 1, 1, 0});
  const TReplyStatus Reply = Ping("198.51.100.2", 2000);
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.ByteCount, 24 + 8 + 44);
  EXPECT_EQ(Reply.FromAddress, "198.51.100.2");
}

TEST_F(EchoPeerNetwork, ADatagramShorterThanItsHeaderPlus8Raises) {
  // ICMP shorter than its header never reaches a raw socket, so this peer
  // speaks an unassigned protocol, which the client uses too.
  auto Answers = Peer(
      [](std::span<const std::uint8_t>) {
        return std::vector<PeerAnswer>{{Bytes{0, 0, 0, 0}}};
      },
      253);
  Client->SetProtocol(253);
  Client->SetHost("198.51.100.2");
  Client->SetReceiveTimeout(2000);
  try {
    Client->PingHost();
    FAIL() << "no exception";
  } catch (const EIdIcmpException& E) {
    EXPECT_EQ(E.Message(), "Not enough bytes received");
  }
  EXPECT_TRUE(Replies.empty());
}

// ---- Pinging on a busy network: other programs' and hosts' ICMP during the wait

namespace {

enum class TSocketKind { Raw, Datagram, Helper };
enum class TFinalAnswer { Echo, UnreachableQuotingOptions, None };

// Everything that others may send us while a ping waits, none of it ours:
// every type from 0 to 18 with another identifier, another sequence number or
// an earlier request's time stamp, quotes of such requests (behind IP options
// too), quotes of our request whose header length lies, a 1200-byte echo
// request and a 65000-byte echo reply, and a burst of 100 000 echo replies
// with our identifier and other sequence numbers.
std::vector<PeerAnswer> Noise(std::span<const std::uint8_t> ARequest) {
  const std::size_t H = std::size_t{ARequest[0] & 0x0Fu} * 4;
  const Bytes Request(ARequest.begin() + static_cast<std::ptrdiff_t>(H), ARequest.end());
  // Our request's bytes after the checksum, the byte at AAt inverted.
  const auto Body = [&](std::size_t AAt, std::size_t ASize = 48) {
    Bytes B(Request.begin() + 4, Request.end());
    B[AAt - 4] ^= 0xFF;
    B.resize(ASize, 'E');
    return B;
  };
  std::vector<PeerAnswer> Out;
  for (int T = 0; T <= 18; ++T) {
    const auto Type = static_cast<std::uint8_t>(T);
    for (const std::size_t Altered : {4, 6, 8}) {
      Out.push_back({IcmpMessage(Type, 0, Body(Altered))});
      Out.push_back({Quoting(Type, ARequest, {.AlteredAt = Altered})});
      Out.push_back({Quoting(Type, ARequest, {.Options = 8, .AlteredAt = Altered})});
    }
    Out.push_back({Quoting(Type, ARequest, {.FirstByte = 0x44})});
    Out.push_back({Quoting(Type, ARequest, {.Quoted = 8, .FirstByte = 0x4F})});
  }
  Out.push_back({IcmpMessage(8, 0, Body(4, 1200 - 4))});
  Out.push_back({IcmpMessage(0, 0, Body(6, 65000 - 4))});
  for (int I = 0; I < 100'000; ++I) {
    Bytes B = Body(6, 8);
    B[3] = static_cast<std::uint8_t>(I);
    Out.push_back({IcmpMessage(0, 0, B)});
  }
  return Out;
}

// The noise, then (after a pause that lets the receive queue drain) the
// answer: an echo reply, an unreachable that quotes our request behind IP
// options, or nothing.
quorvel::test::PeerScript NoiseThen(TFinalAnswer AAnswer) {
  return [AAnswer](std::span<const std::uint8_t> ARequest) {
    std::vector<PeerAnswer> Out = Noise(ARequest);
    if (AAnswer == TFinalAnswer::Echo) Out.push_back({EchoReply(ARequest), 300});
    if (AAnswer == TFinalAnswer::UnreachableQuotingOptions)
      Out.push_back({Quoting(3, ARequest, {.Options = 8}), 300});
    return Out;
  };
}

// Pings through the kind of socket the case names: a raw one, or the
// datagram socket that stands in for it when the thread may not open raw
// sockets. The scripted peers, which need raw sockets, are made first.
class EchoUnderTraffic : public EchoNetwork, public testing::WithParamInterface<TSocketKind> {
 protected:
  void SetUp() override {
    if (!RawSocketsAllowed()) GTEST_SKIP() << "the noise comes from a raw socket";
    EchoNetwork::SetUp();
    // The echo helper serves a thread that may open neither kind of socket.
    if (GetParam() != TSocketKind::Raw) {
      ASSERT_TRUE(SetPingGroupRange(GetParam() == TSocketKind::Datagram));
    }
  }
  void TearDown() override {
    if (GetParam() != TSocketKind::Raw) SetPingGroupRange(false);
    EchoNetwork::TearDown();
  }
  TReplyStatus PingThroughTheSocketKind(const std::string& AHost, std::int32_t ATimeOut) {
    std::optional<RawSocketsWithheld> Withheld;
    if (GetParam() != TSocketKind::Raw) {
      Withheld.emplace();
      EXPECT_FALSE(RawSocketsAllowed()) << "the ping would go through a raw socket";
    }
    return Ping(AHost, ATimeOut);
  }
};

// Stands for a window that is busy for a while in every processing step.
class TSlowAntiFreeze : public TIdAntiFreezeBase {
 public:
  using TIdAntiFreezeBase::TIdAntiFreezeBase;
  void PumpMessages() override { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }
};

}  // namespace

TEST_P(EchoUnderTraffic, NoiseNeverEndsOrFakesAPingAndTheAnswerAfterItIsReported) {
  auto Answers = Peer(NoiseThen(TFinalAnswer::Echo));
  const TReplyStatus Reply = PingThroughTheSocketKind("198.51.100.2", 20000);
  EXPECT_EQ(Reply.Status, rsEcho);
  EXPECT_EQ(Reply.MessageType, 0);
  EXPECT_EQ(Reply.FromAddress, "198.51.100.2");
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_EQ(Reply.ByteCount, 20 + 52);
  EXPECT_GT(Answers->AnswersSent(), 100'000);
}

TEST_P(EchoUnderTraffic, AfterTheNoiseAnUnreachableQuotingUsBehindIpOptionsIsReported) {
  auto Answers = Peer(NoiseThen(TFinalAnswer::UnreachableQuotingOptions));
  const TReplyStatus Reply = PingThroughTheSocketKind("198.51.100.2", 20000);
  EXPECT_EQ(Reply.Status, rsErrorUnreachable);
  EXPECT_EQ(Reply.MessageType, 3);
  EXPECT_EQ(Reply.FromAddress, "198.51.100.2");
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  EXPECT_GT(Answers->AnswersSent(), 100'000);
}

// The engine's own measure of the wait; a loaded machine may add to it, so
// the bound here is generous (the benchmark gives the real figure).
TEST_P(EchoUnderTraffic, NoiseAloneEndsInATimeOutOnTime) {
  auto Answers = Peer(NoiseThen(TFinalAnswer::None));
  const TReplyStatus Reply = PingThroughTheSocketKind("198.51.100.2", 1000);
  EXPECT_EQ(Reply.Status, rsTimeOut);
  EXPECT_EQ(Reply.SequenceNumber, 3489);
  // The wait counts whole ticks of the millisecond clock, so it may end up to
  // one tick before the round trip's exact span reaches the time-out.
  EXPECT_GE(Reply.RoundTripMs, 999u);
  EXPECT_LT(Reply.RoundTripMs, 1500u);
  Answers->AnswersSent();
}

// The answer comes while the window is busy between two slices of the wait,
// and is read only after the time-out has passed.
TEST_P(EchoUnderTraffic, AnAnswerReadAfterTheTimeOutIsATimeOut) {
  auto Answers = Peer([](std::span<const std::uint8_t> ARequest) {
    return std::vector<PeerAnswer>{{EchoReply(ARequest), 150}};
  });
  TSlowAntiFreeze AntiFreeze(nullptr);
  AntiFreeze.SetIdleTimeOut(100);
  const TReplyStatus Reply = PingThroughTheSocketKind("198.51.100.2", 200);
  EXPECT_EQ(Answers->AnswersSent(), 1);
  EXPECT_EQ(Reply.Status, rsTimeOut);
  EXPECT_EQ(Reply.FromAddress, "0.0.0.0");
  EXPECT_GE(Reply.RoundTripMs, 200u);
}

// A failed ping leaves its socket open and its sequence number for the next:
// an answer to the failed request, still queued, is not the next one's.
TEST_P(EchoUnderTraffic, TheLateAnswerOfAFailedPingIsNotTheRetrysAnswer) {
  auto Answers = Peer([](std::span<const std::uint8_t> ARequest) {
    return std::vector<PeerAnswer>{{Quoting(5, ARequest, {8})}, {EchoReply(ARequest), 50}};
  });
  Client->SetHost("198.51.100.2");
  Client->SetReceiveTimeout(2000);
  {
    std::optional<RawSocketsWithheld> Withheld;
    if (GetParam() == TSocketKind::Datagram) Withheld.emplace();
    EXPECT_THROW(Client->PingHost(), EIdIcmpException);
  }
  EXPECT_EQ(Answers->AnswersSent(), 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));  // a new time stamp
  const TReplyStatus Reply = PingThroughTheSocketKind("198.51.100.2", 300);
  EXPECT_EQ(Reply.Status, rsTimeOut) << "the silent target never answered the retry";
  EXPECT_EQ(Reply.SequenceNumber, 3489);
}

INSTANTIATE_TEST_SUITE_P(SocketKinds, EchoUnderTraffic,
                         testing::Values(TSocketKind::Raw, TSocketKind::Datagram),
                         [](const testing::TestParamInfo<TSocketKind>& AInfo) {
                           return AInfo.param == TSocketKind::Raw ? "RawSocket" : "DatagramSocket";
                         });

namespace {

// Stands for the window: keeps the longest time it went without being served.
class TServedWindow : public TIdAntiFreezeBase {
 public:
  using TIdAntiFreezeBase::TIdAntiFreezeBase;
  void PumpMessages() override { Served(); }
  void Served() {
    const auto Now = std::chrono::steady_clock::now();
    Longest = std::max(Longest, Now - std::exchange(Last, Now));
  }
  std::chrono::steady_clock::time_point Last = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration Longest{};
};

using EchoUnderAStream = EchoUnderTraffic;

}  // namespace

// A thousand replies a second with our identifier and sequence but another
// time stamp: the kernel and the echo helper pass them on, the client finds
// each foreign, and no slice of the wait ends idle.
TEST_P(EchoUnderAStream, TheWindowIsServedEverySliceAndTheAnswerAfterItCounts) {
  auto Answers = Peer([](std::span<const std::uint8_t> ARequest) {
    Bytes Stale = EchoReply(ARequest);
    Stale[8] ^= 0xFF;
    std::vector<PeerAnswer> Out(1000, {IcmpMessage(0, 0, std::span(Stale).subspan(4)), 1});
    Out.push_back({EchoReply(ARequest), 1});
    return Out;
  });
  TServedWindow Window(nullptr);
  EXPECT_EQ(PingThroughTheSocketKind("198.51.100.2", 10000).Status, rsEcho);
  Window.Served();
  EXPECT_EQ(Answers->AnswersSent(), 1001);
  EXPECT_LT(Window.Longest, std::chrono::milliseconds(400)) << "250 ms slices, on a loaded machine";
}

INSTANTIATE_TEST_SUITE_P(SocketKinds, EchoUnderAStream,
                         testing::Values(TSocketKind::Raw, TSocketKind::Datagram,
                                         TSocketKind::Helper),
                         [](const testing::TestParamInfo<TSocketKind>& AInfo) {
                           return (std::array{"RawSocket", "DatagramSocket",
                                              "EchoHelper"})[static_cast<int>(AInfo.param)];
                         });
