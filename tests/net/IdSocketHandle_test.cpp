#include "net/IdSocketHandle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "net/IdAntiFreezeBase.h"
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

TEST_F(SocketHandle, WithoutResponsiveWaitingAWaitIsOneSelectOfTheWholeTimeOut) {
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

// ---- Waiting in slices

namespace {

// Responsive waiting whose step records how many selects ran before it, and
// then runs what the test wants done in that step.
class TRecordingAntiFreeze : public TIdAntiFreezeBase {
 public:
  using TIdAntiFreezeBase::TIdAntiFreezeBase;
  void PumpMessages() override {
    StepsAfter.push_back(RecordingStack::Shared().SelectTimeOuts.size());
    if (OnStep) OnStep(static_cast<int>(StepsAfter.size()));
  }
  std::vector<std::size_t> StepsAfter;
  std::function<void(int AStep)> OnStep;
};

class SlicedWait : public SocketHandle {
 protected:
  void SetUp() override {
    SocketHandle::SetUp();
    if (IsSkipped()) return;
    AntiFreeze = std::make_unique<TRecordingAntiFreeze>(nullptr);
    OpenIcmp();
  }
  void TearDown() override {
    AntiFreeze.reset();
    SocketHandle::TearDown();
  }
  // Our own echo request to loopback, which makes the socket readable.
  void SendToLoopback() {
    const std::uint8_t Request[8] = {8, 0, 0xF7, 0xFF, 0, 0, 0, 0};
    Handle->SendDatagram("127.0.0.1", 0, Request, sizeof Request);
  }
  std::vector<int> Selects() const { return Stack().SelectTimeOuts; }

  std::unique_ptr<TRecordingAntiFreeze> AntiFreeze;
};

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point AStart) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - AStart).count();
}

}  // namespace

TEST_F(SlicedWait, TheRemainderComesFirstThenWholeSlicesEachFollowedByAStep) {
  const auto Start = Clock::now();
  EXPECT_FALSE(Handle->WaitReadable(600));
  const long long Elapsed = MsSince(Start);
  EXPECT_EQ(Selects(), (std::vector<int>{100, 250, 250}));
  EXPECT_EQ(AntiFreeze->StepsAfter, (std::vector<std::size_t>{1, 2, 3}));
  EXPECT_GE(Elapsed, 600);
  EXPECT_LT(Elapsed, 700);
}

TEST_F(SlicedWait, TheWaitEndsAtTheFirstReadableSliceWithoutAStepAfterIt) {
  AntiFreeze->OnStep = [this](int) { SendToLoopback(); };
  EXPECT_TRUE(Handle->WaitReadable(600));
  EXPECT_EQ(Selects(), (std::vector<int>{100, 250}));
  EXPECT_EQ(AntiFreeze->StepsAfter, std::vector<std::size_t>{1});
}

TEST_F(SlicedWait, DataWaitingAlreadyEndsTheWaitInTheFirstSlice) {
  SendToLoopback();
  EXPECT_TRUE(Handle->WaitReadable(1000));
  EXPECT_EQ(Selects(), std::vector<int>{250});
  EXPECT_TRUE(AntiFreeze->StepsAfter.empty());
}

TEST_F(SlicedWait, OneSliceOrLessIsOneSelectAndZeroIsAPoll) {
  EXPECT_FALSE(Handle->WaitReadable(250));
  EXPECT_FALSE(Handle->WaitReadable(251));
  EXPECT_FALSE(Handle->WaitReadable(0));
  EXPECT_EQ(Selects(), (std::vector<int>{250, 1, 250, 0}));
  EXPECT_EQ(AntiFreeze->StepsAfter.size(), 4u);
}

TEST_F(SlicedWait, AnInactiveComponentLeavesOneSelectWithoutAStep) {
  AntiFreeze->SetActive(false);
  EXPECT_FALSE(Handle->WaitReadable(600));
  EXPECT_EQ(Selects(), std::vector<int>{600});
  EXPECT_TRUE(AntiFreeze->StepsAfter.empty());
}

TEST_F(SlicedWait, AWaitWithoutLimitSlicesUntilDataArrives) {
  AntiFreeze->SetIdleTimeOut(20);
  AntiFreeze->OnStep = [this](int AStep) {
    if (AStep == 3) SendToLoopback();
  };
  EXPECT_TRUE(Handle->WaitReadable(IdTimeoutInfinite));
  EXPECT_EQ(Selects(), (std::vector<int>{20, 20, 20, 20}));
  EXPECT_EQ(AntiFreeze->StepsAfter.size(), 3u);
}

TEST_F(SlicedWait, AWaitWithoutLimitChecksTheHandleBeforeEverySlice) {
  AntiFreeze->SetIdleTimeOut(20);
  AntiFreeze->OnStep = [this](int AStep) {
    if (AStep == 2) Handle->Close();
  };
  EXPECT_THROW(Handle->WaitReadable(IdTimeoutInfinite), EIdConnClosedGracefully);
  EXPECT_EQ(Selects(), (std::vector<int>{20, 20}));
}

TEST_F(SlicedWait, NoStepFollowsOnceTheComponentIsDestroyedAndTheTimeOutStillHolds) {
  TRecordingAntiFreeze* const Stepping = AntiFreeze.get();
  std::size_t Steps = 0;
  Stepping->OnStep = [&](int) {
    Steps = Stepping->StepsAfter.size();
    AntiFreeze.reset();
  };
  EXPECT_FALSE(Handle->WaitReadable(600));
  EXPECT_EQ(Steps, 1u);
  EXPECT_EQ(Selects(), (std::vector<int>{100, 250, 250}));
}

TEST_F(SlicedWait, ASliceLengthChangedInAStepAppliesToTheSlicesLeft) {
  AntiFreeze->OnStep = [this](int AStep) {
    if (AStep == 1) AntiFreeze->SetIdleTimeOut(50);
  };
  EXPECT_FALSE(Handle->WaitReadable(600));
  EXPECT_EQ(Selects(), (std::vector<int>{100, 50, 50}));
}

TEST_F(SlicedWait, AWaitNestedInAStepLeavesTheOuterWaitsSlicesIntact) {
  TIdSocketHandle Inner;
  Inner.Open(Id_SOCK_RAW, Id_IPPROTO_ICMP);
  AntiFreeze->OnStep = [&](int AStep) {
    if (AStep == 1) {
      EXPECT_FALSE(Inner.WaitReadable(300));
    }
  };
  EXPECT_FALSE(Handle->WaitReadable(600));
  EXPECT_EQ(Selects(), (std::vector<int>{100, 50, 250, 250, 250}));
  EXPECT_EQ(AntiFreeze->StepsAfter, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
}
