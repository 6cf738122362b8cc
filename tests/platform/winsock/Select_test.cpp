#include <chrono>

#include "WinSockLibrary.h"

namespace quorvel::test {
namespace {

using Clock = std::chrono::steady_clock;

class Select : public WinSockStarted {
 protected:
  // A bound datagram socket, with a datagram waiting on it when `pending`.
  void Prepare(const WsSocket& socket, bool pending) {
    BindLoopback(socket);
    if (!pending) return;
    const TSockAddrIn to = LocalAddress(socket);
    ASSERT_EQ(ws.sendto(socket.get(), "!", 1, 0, AsGeneric(to), sizeof to), 1);
  }

  long long WaitedMilliseconds(TFDSet* read, const TTimeVal& timeout, int expected) {
    const auto start = Clock::now();
    EXPECT_EQ(ws.select(0, read, nullptr, nullptr, &timeout), expected);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  }
};

TEST_F(Select, ReturnsZeroOnTimeOutAndEmptiesTheSets) {
  const WsSocket idle(ws, SOCK_DGRAM_WS, 0);
  Prepare(idle, false);
  TFDSet read{1, {idle.get()}};
  TFDSet except{1, {idle.get()}};
  const TTimeVal timeout{0, 20'000};
  EXPECT_EQ(ws.select(0, &read, nullptr, &except, &timeout), 0);
  EXPECT_EQ(read.fd_count, 0u);
  EXPECT_EQ(except.fd_count, 0u);
}

TEST_F(Select, KeepsOnlyReadySocketsInTheirOrder) {
  const WsSocket first(ws, SOCK_DGRAM_WS, 0);
  const WsSocket idle(ws, SOCK_DGRAM_WS, 0);
  const WsSocket last(ws, SOCK_DGRAM_WS, 0);
  Prepare(first, true);
  Prepare(idle, false);
  Prepare(last, true);
  // Listed against the order of the handles, so sorting would show.
  TFDSet read{3, {last.get(), idle.get(), first.get()}};
  const TTimeVal timeout{1, 0};
  ASSERT_EQ(ws.select(0, &read, nullptr, nullptr, &timeout), 2);
  ASSERT_EQ(read.fd_count, 2u);
  EXPECT_EQ(read.fd_array[0], last.get());
  EXPECT_EQ(read.fd_array[1], first.get());
  EXPECT_NE(ws.__WSAFDIsSet(first.get(), &read), 0);
  EXPECT_EQ(ws.__WSAFDIsSet(idle.get(), &read), 0);
}

TEST_F(Select, ZeroTimeOutPolls) {
  const WsSocket pending(ws, SOCK_DGRAM_WS, 0);
  Prepare(pending, true);
  TFDSet read{1, {pending.get()}};
  EXPECT_LT(WaitedMilliseconds(&read, {0, 0}, 1), 1000);
  EXPECT_EQ(read.fd_count, 1u);
}

TEST_F(Select, CountsEverySetASocketIsReadyIn) {
  const WsSocket pending(ws, SOCK_DGRAM_WS, 0);
  Prepare(pending, true);
  TFDSet read{1, {pending.get()}};
  TFDSet write{1, {pending.get()}};  // a datagram socket can always send
  TFDSet except{1, {pending.get()}};
  const TTimeVal timeout{0, 0};
  EXPECT_EQ(ws.select(0, &read, &write, &except, &timeout), 2);
  EXPECT_EQ(except.fd_count, 0u);
}

TEST_F(Select, HonoursTheTimeGiven) {
  const WsSocket idle(ws, SOCK_DGRAM_WS, 0);
  Prepare(idle, false);
  TFDSet read{1, {idle.get()}};
  EXPECT_GE(WaitedMilliseconds(&read, {0, 150'000}, 0), 140);
}

TEST_F(Select, MicrosecondsBeyondASecondCarryOver) {
  const WsSocket idle(ws, SOCK_DGRAM_WS, 0);
  Prepare(idle, false);
  TFDSet read{1, {idle.get()}};
  EXPECT_GE(WaitedMilliseconds(&read, {0, 1'050'000}, 0), 1000);
}

struct InvalidCase {
  const char* name;
  int error;
  std::uint32_t count;
  TTimeVal timeout;
  bool foreign;
};

class SelectRefuses : public Select, public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(SelectRefuses, WithExactErrorAndSetsUntouched) {
  const InvalidCase& c = GetParam();
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  TFDSet read{};
  read.fd_count = c.count;
  for (TSocket& entry : read.fd_array) entry = c.foreign ? TSocket{0} : socket.get();
  EXPECT_EQ(ws.select(0, &read, nullptr, nullptr, &c.timeout), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), c.error);
  EXPECT_EQ(read.fd_count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SelectRefuses,
    ::testing::Values(InvalidCase{"EmptySet", WSAEINVAL, 0, {0, 0}, false},
                      InvalidCase{"MoreThan64", WSAEINVAL, 65, {0, 0}, false},
                      InvalidCase{"NegativeSeconds", WSAEINVAL, 1, {-1, 0}, false},
                      InvalidCase{"NegativeMicroseconds", WSAEINVAL, 1, {0, -1}, false},
                      InvalidCase{"ForeignHandle", WSAENOTSOCK, 1, {0, 0}, true}),
    CaseName{});

TEST_F(Select, NoSetsAtAllIsInvalid) {
  const TTimeVal timeout{0, 0};
  EXPECT_EQ(ws.select(0, nullptr, nullptr, nullptr, &timeout), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEINVAL);
}

}  // namespace
}  // namespace quorvel::test
