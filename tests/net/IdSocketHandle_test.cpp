#include "net/IdSocketHandle.h"

#include <gtest/gtest.h>

#include <memory>

#include "net/IdException.h"
#include "net/RecordingStack.h"

namespace {

// A socket handle with the shared stack it needs, like a component holds it.
class SocketHandle : public RecordingStackTest {
 protected:
  void SetUp() override {
    RecordingStackTest::SetUp();
    if (IsSkipped()) return;
    StackUser = std::make_unique<TIdComponent>(nullptr);
    Handle = std::make_unique<TIdSocketHandle>();
  }
  void TearDown() override {
    Handle.reset();
    StackUser.reset();
    RecordingStackTest::TearDown();
  }
  void OpenIcmp() {
    Handle->Open(Id_SOCK_RAW, Id_IPPROTO_ICMP);
    Stack().Calls.clear();
  }

  std::unique_ptr<TIdComponent> StackUser;
  std::unique_ptr<TIdSocketHandle> Handle;
};

}  // namespace

TEST_F(SocketHandle, StartsClosedWithClearedState) {
  EXPECT_FALSE(Handle->IsOpen());
  EXPECT_EQ(Handle->SocketValue(), Id_INVALID_SOCKET);
  EXPECT_EQ(Handle->IP(), "");
  EXPECT_EQ(Handle->Port(), 0);
  EXPECT_EQ(Handle->ClientPortMin(), 0);
  EXPECT_EQ(Handle->ClientPortMax(), 0);
  EXPECT_EQ(Handle->PeerIP(), "");
  EXPECT_EQ(Handle->PeerPort(), 0);
}

TEST_F(SocketHandle, ClearStateKeepsTheLocalEndUnlessAsked) {
  Handle->SetIP("127.0.0.1");
  Handle->SetPort(7);
  Handle->ClearState(false);
  EXPECT_EQ(Handle->IP(), "127.0.0.1");
  EXPECT_EQ(Handle->Port(), 7);
  Handle->ClearState(true);
  EXPECT_EQ(Handle->IP(), "");
  EXPECT_EQ(Handle->Port(), 0);
}

// ---- Opening and closing

TEST_F(SocketHandle, OpenOnAnOpenHandleClosesTheOldSocketFirst) {
  Handle->Open(Id_SOCK_RAW, Id_IPPROTO_ICMP);
  Handle->Open(Id_SOCK_RAW, Id_IPPROTO_ICMP);
  EXPECT_TRUE(Handle->IsOpen());
  EXPECT_EQ(Stack().Calls,
            (std::vector<std::string>{"socket 3 1", "shutdown 1", "closesocket", "socket 3 1"}));
  EXPECT_NE(Handle->SocketValue(), Id_INVALID_SOCKET);
}

TEST_F(SocketHandle, CloseTwiceShutsDownAndClosesOnceAndKeepsTheStaleNumber) {
  OpenIcmp();
  const TIdStackSocketHandle Number = Handle->SocketValue();
  Handle->Close();
  Handle->Close();
  EXPECT_FALSE(Handle->IsOpen());
  EXPECT_EQ(Handle->SocketValue(), Number);
  EXPECT_EQ(Stack().Calls, (std::vector<std::string>{"shutdown 1", "closesocket"}));
}

TEST_F(SocketHandle, DestructionClosesAnOpenSocket) {
  OpenIcmp();
  Handle.reset();
  EXPECT_EQ(Stack().Calls, (std::vector<std::string>{"shutdown 1", "closesocket"}));
}

TEST_F(SocketHandle, AProtocolThePlatformRefusesCannotBeAllocated) {
  try {
    Handle->Open(Id_SOCK_RAW, 300);
    FAIL() << "no exception";
  } catch (const EIdInvalidSocket& E) {
    EXPECT_EQ(E.Message(), "Cannot allocate socket.");
  }
  EXPECT_FALSE(Handle->IsOpen());
}

// ---- Options

TEST_F(SocketHandle, ARefusedOptionRaisesTheSocketError) {
  OpenIcmp();
  const int Ttl = 0;
  try {
    Handle->SetOption(Id_IPPROTO_IP, Id_IP_TTL, &Ttl, sizeof Ttl);
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 10022);
    EXPECT_EQ(E.Message(), "Socket Error # 10022\r\nInvalid argument.");
  }
  EXPECT_TRUE(Handle->IsOpen());
}

// ---- Sending

TEST_F(SocketHandle, ADatagramSentToLoopbackCanBeReceived) {
  OpenIcmp();
  const std::uint8_t Request[8] = {8, 0, 0xF7, 0xFF, 0, 0, 0, 0};  // echo request, checksum set
  Handle->SendDatagram("127.0.0.1", 0, Request, sizeof Request);
  ASSERT_TRUE(Handle->WaitReadable(2000));
  std::uint8_t Buffer[256];
  EXPECT_EQ(Handle->ReceiveData(Buffer, sizeof Buffer, 0), 20 + 8);
  EXPECT_EQ(Stack().Calls, (std::vector<std::string>{"sendto 127.0.0.1 8"}));
}

TEST_F(SocketHandle, ADatagramTooLongForThePlatformIsTooBig) {
  OpenIcmp();
  const std::vector<std::uint8_t> Huge(70000);
  try {
    Handle->SendDatagram("127.0.0.1", 0, Huge.data(), static_cast<int>(Huge.size()));
    FAIL() << "no exception";
  } catch (const EIdPackageSizeTooBig& E) {
    EXPECT_EQ(E.Message(), "Package Size Too Big.");
  }
  EXPECT_TRUE(Handle->IsOpen());
}

TEST_F(SocketHandle, AShortSendIsNotAllBytesSent) {
  OpenIcmp();
  Stack().SendToResult = 4;
  const std::uint8_t Request[8] = {8, 0, 0xF7, 0xFF, 0, 0, 0, 0};
  try {
    Handle->SendDatagram("127.0.0.1", 0, Request, sizeof Request);
    FAIL() << "no exception";
  } catch (const EIdNotAllBytesSent& E) {
    EXPECT_EQ(E.Message(), "Not all bytes sent.");
  }
}

TEST_F(SocketHandle, AnyOtherSendFailureIsTheSocketError) {
  OpenIcmp();
  const std::uint8_t Request[8] = {8, 0, 0xF7, 0xFF, 0, 0, 0, 0};
  try {
    // The test namespace has no route beyond loopback.
    Handle->SendDatagram("192.0.2.1", 0, Request, sizeof Request);
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 10051);
    EXPECT_EQ(E.Message(), "Socket Error # 10051\r\nNetwork is unreachable.");
  }
}

// ---- Waiting

TEST_F(SocketHandle, WaitingOnANeverOpenedHandleRaisesBeforeAnySelect) {
  try {
    Handle->WaitReadable(100);
    FAIL() << "no exception";
  } catch (const EIdConnClosedGracefully& E) {
    EXPECT_EQ(E.Message(), "Connection Closed Gracefully.");
  }
  EXPECT_TRUE(Stack().SelectTimeOuts.empty());
}

TEST_F(SocketHandle, WaitingIsOneSelectOfTheWholeTimeOut) {
  OpenIcmp();
  EXPECT_FALSE(Handle->WaitReadable(600));
  EXPECT_FALSE(Handle->WaitReadable(0));
  EXPECT_EQ(Stack().SelectTimeOuts, (std::vector<int>{600, 0}));
}

TEST_F(SocketHandle, AFailedSelectCountsAsNotReadable) {
  OpenIcmp();
  EXPECT_FALSE(Handle->WaitReadable(-5));
  EXPECT_TRUE(Handle->IsOpen());
}
