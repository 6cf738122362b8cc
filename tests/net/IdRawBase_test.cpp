#include "net/IdRawBase.h"

#include <gtest/gtest.h>

#include "net/IdException.h"
#include "net/IdRawClient.h"
#include "net/RecordingStack.h"
#include "support/DnsResponder.h"

namespace {

using Calls = std::vector<std::string>;

const std::uint8_t EchoRequest[8] = {8, 0, 0xF7, 0xFF, 0, 0, 0, 0};

class RawBase : public RecordingStackTest {};

}  // namespace

TEST_F(RawBase, DefaultsOfTheBaseAndTheClient) {
  TIdRawBase Base(nullptr);
  EXPECT_EQ(Base.Host(), "");
  EXPECT_EQ(Base.Port(), 0);
  EXPECT_EQ(Base.Protocol(), 255);
  EXPECT_EQ(Base.OutgoingTtl(), 128);
  EXPECT_EQ(Base.BufferSize(), 8192);
  TIdRawClient Client(nullptr);
  EXPECT_EQ(Client.ReceiveTimeout(), 0);
  EXPECT_EQ(Client.Protocol(), 255);
  Client.SetBufferSize(100);
  EXPECT_EQ(Client.BufferSize(), 100);
  EXPECT_TRUE(Stack().Calls.empty()) << "no socket before it is needed";
}

// ---- The socket on demand

TEST_F(RawBase, ReadySocketOpensARawSocketOfTheProtocolAndAppliesTheTtlEveryTime) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  TIdSocketHandle& Socket = Client.ReadySocket();
  EXPECT_TRUE(Socket.IsOpen());
  EXPECT_EQ(&Client.ReadySocket(), &Socket);
  EXPECT_EQ(Stack().Calls, (Calls{"socket 3 1", "setsockopt 0 4 128", "setsockopt 0 4 128"}));
}

TEST_F(RawBase, TheTtlIsTakenWhenTheSocketIsReadied) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  Client.SetOutgoingTtl(3);
  Client.ReadySocket();
  EXPECT_EQ(Stack().Calls.back(), "setsockopt 0 4 3");
}

TEST_F(RawBase, DestructionClosesTheOpenSocket) {
  const TIdComponent KeepsTheStack(nullptr);
  {
    TIdRawClient Client(nullptr);
    Client.SetProtocol(1);
    Client.ReadySocket();
    Stack().Calls.clear();
  }
  EXPECT_EQ(Stack().Calls, (Calls{"shutdown 1", "closesocket"}));
}

// ---- Sending

TEST_F(RawBase, SendPacketResolvesTheHostOnEveryCall) {
  quorvel::test::DnsResponder Dns{{"echo.test", {"127.0.0.9"}}};
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  Client.SendPacket("echo.test", 0, EchoRequest, sizeof EchoRequest);
  Client.SendPacket("echo.test", 0, EchoRequest, sizeof EchoRequest);
  EXPECT_EQ(Dns.QueriesAnswered(), 2);
  EXPECT_EQ(Stack().Calls, (Calls{"socket 3 1", "setsockopt 0 4 128", "sendto 127.0.0.9 8",
                                  "setsockopt 0 4 128", "sendto 127.0.0.9 8"}));
}

TEST_F(RawBase, AHostThatCannotBeResolvedRaisesBeforeASocketIsOpened) {
  quorvel::test::DnsResponder Dns{{"known.test", {"127.0.0.9"}}};
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  try {
    Client.SendPacket("unknown.test", 0, EchoRequest, sizeof EchoRequest);
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 11001);
    EXPECT_EQ(E.Message(), "Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_TRUE(Stack().Calls.empty());
}

TEST_F(RawBase, ASocketThatCannotBeCreatedRaisesInvalidSocket) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(300);
  EXPECT_THROW(Client.SendPacket("127.0.0.1", 0, EchoRequest, sizeof EchoRequest),
               EIdInvalidSocket);
}

// ---- Receiving

TEST_F(RawBase, ReceiveWithoutRoomReturnsZeroWithoutASocket) {
  TIdRawClient Client(nullptr);
  std::uint8_t Buffer[16];
  EXPECT_EQ(Client.ReceivePacket(Buffer, 0, 100), 0);
  EXPECT_EQ(Client.ReceivePacket(nullptr, 16, 100), 0);
  EXPECT_TRUE(Stack().Calls.empty());
  EXPECT_TRUE(Stack().SelectTimeOuts.empty());
}

TEST_F(RawBase, ReceiveWithANegativeTimeOutWaitsTheReceiveTimeout) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  Client.SetReceiveTimeout(30);
  std::uint8_t Buffer[16];
  EXPECT_EQ(Client.ReceivePacket(Buffer, sizeof Buffer), 0);
  EXPECT_EQ(Client.ReceivePacket(Buffer, sizeof Buffer, 10), 0);
  EXPECT_EQ(Stack().SelectTimeOuts, (std::vector<int>{30, 10}));
  EXPECT_EQ(Stack().Calls.front(), "socket 3 1") << "a receive opens the socket too";
}

TEST_F(RawBase, ReceiveReturnsTheSizeOfOneDatagram) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  Client.SendPacket("127.0.0.1", 0, EchoRequest, sizeof EchoRequest);
  std::uint8_t Buffer[256];
  // On loopback the request itself arrives, then the kernel's reply.
  EXPECT_EQ(Client.ReceivePacket(Buffer, sizeof Buffer, 2000), 28);
  EXPECT_EQ(Buffer[20], 8);
  EXPECT_EQ(Client.ReceivePacket(Buffer, sizeof Buffer, 2000), 28);
  EXPECT_EQ(Buffer[20], 0);
}

TEST_F(RawBase, AReceiveErrorIsReturnedForTheCallerToCheck) {
  TIdRawClient Client(nullptr);
  Client.SetProtocol(1);
  Client.SendPacket("127.0.0.1", 0, EchoRequest, sizeof EchoRequest);
  std::uint8_t Buffer[8];  // smaller than the datagram
  EXPECT_EQ(Client.ReceivePacket(Buffer, sizeof Buffer, 2000), -1);
  EXPECT_EQ(SharedStack->SockLastError(), 10040);
}
