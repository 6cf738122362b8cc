#include <fcntl.h>

#include <cerrno>
#include <functional>
#include <string>

#include "WinSockLibrary.h"

namespace quorvel::test {
namespace {

struct VersionCase {
  const char* name;
  TWord requested;  // low byte major, high byte minor
  int result;
  TWord granted;
};

class StartupVersion : public WinSockUnstarted,
                       public ::testing::WithParamInterface<VersionCase> {};

TEST_P(StartupVersion, GrantsVersionWithinOneOneToTwoTwo) {
  const VersionCase& c = GetParam();
  TWSAData data{};
  ASSERT_EQ(ws.WSAStartup(c.requested, &data), c.result);
  EXPECT_EQ(data.wHighVersion, 0x0202);
  if (c.result != 0) return;
  EXPECT_EQ(data.wVersion, c.granted);
  EXPECT_NE(data.szDescription[0], '\0');
  EXPECT_EQ(ws.WSACleanup(), 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, StartupVersion,
                         ::testing::Values(VersionCase{"TwoTwo", 0x0202, 0, 0x0202},
                                           VersionCase{"OneOne", 0x0101, 0, 0x0101},
                                           VersionCase{"ThreeThree", 0x0303, 0, 0x0202},
                                           VersionCase{"TwoThree", 0x0302, 0, 0x0202},
                                           VersionCase{"OneZero", 0x0001, WSAVERNOTSUPPORTED, 0}),
                         CaseName{});

TEST_F(WinSockUnstarted, StartupRefusalsAreNotCounted) {
  EXPECT_EQ(ws.WSAStartup(0x0202, nullptr), WSAEFAULT);
  TWSAData data{};
  EXPECT_EQ(ws.WSAStartup(0x0001, &data), WSAVERNOTSUPPORTED);
  EXPECT_EQ(ws.WSACleanup(), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSANOTINITIALISED);
}

struct UnstartedCall {
  const char* name;
  std::function<bool(const WinSockApi&)> failed;  // true when the call reported failure
};

class NotInitialised : public WinSockUnstarted,
                       public ::testing::WithParamInterface<UnstartedCall> {};

TEST_P(NotInitialised, FailsWithWsaNotInitialised) {
  ws.WSASetLastError(0);
  EXPECT_TRUE(GetParam().failed(ws));
  EXPECT_EQ(ws.WSAGetLastError(), WSANOTINITIALISED);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, NotInitialised,
    ::testing::Values(
        UnstartedCall{"socket",
                      [](const WinSockApi& ws) {
                        return ws.socket(AF_INET_WS, SOCK_DGRAM_WS, 0) == INVALID_SOCKET;
                      }},
        UnstartedCall{"closesocket",
                      [](const WinSockApi& ws) { return ws.closesocket(3) == SOCKET_ERROR; }},
        UnstartedCall{"select",
                      [](const WinSockApi& ws) {
                        TFDSet set{};
                        return ws.select(0, &set, nullptr, nullptr, nullptr) == SOCKET_ERROR;
                      }},
        UnstartedCall{
            "gethostbyname",
            [](const WinSockApi& ws) { return ws.gethostbyname("127.0.0.1") == nullptr; }},
        UnstartedCall{
            "getservbyname",
            [](const WinSockApi& ws) { return ws.getservbyname("http", "tcp") == nullptr; }}),
    CaseName{});

TEST_F(WinSockUnstarted, EachCleanupBalancesOneStartup) {
  TWSAData data{};
  ASSERT_EQ(ws.WSAStartup(0x0202, &data), 0);
  ASSERT_EQ(ws.WSAStartup(0x0101, &data), 0);
  ASSERT_EQ(ws.WSACleanup(), 0);
  EXPECT_NE(ws.socket(AF_INET_WS, SOCK_DGRAM_WS, 0), INVALID_SOCKET);  // the cleanup closes it
  ASSERT_EQ(ws.WSACleanup(), 0);
  EXPECT_EQ(ws.socket(AF_INET_WS, SOCK_DGRAM_WS, 0), INVALID_SOCKET);
  EXPECT_EQ(ws.WSAGetLastError(), WSANOTINITIALISED);
}

TEST_F(WinSockUnstarted, LastCleanupClosesOpenSockets) {
  TWSAData data{};
  ASSERT_EQ(ws.WSAStartup(0x0202, &data), 0);
  const int fd = static_cast<int>(ws.socket(AF_INET_WS, SOCK_STREAM_WS, 0));
  ASSERT_NE(fcntl(fd, F_GETFD), -1);
  ASSERT_EQ(ws.WSACleanup(), 0);
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

}  // namespace
}  // namespace quorvel::test
