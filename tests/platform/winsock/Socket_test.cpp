#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "WinSockLibrary.h"
#include "support/ScopedFd.h"

namespace quorvel::test {
namespace {

using WinSockSocket = WinSockStarted;

// A port that nothing listens on: bound once by the test, then released.
std::uint16_t ClosedUdpPort() {
  const ScopedFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length);
  return address.sin_port;
}

TEST_F(WinSockSocket, ForeignDescriptorsAreNotSockets) {
  // Make sure descriptor 0 is open, so that closing it would show.
  const ScopedFd standIn(fcntl(0, F_GETFD) == -1 ? ::open("/dev/null", O_RDONLY) : -1);
  const ScopedFd foreign(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  for (const TSocket handle :
       {TSocket{0}, static_cast<TSocket>(foreign.get()), TSocket{99999}, INVALID_SOCKET}) {
    SCOPED_TRACE(handle);
    EXPECT_EQ(ws.closesocket(handle), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAENOTSOCK);
    char byte = 0;
    EXPECT_EQ(ws.send(handle, &byte, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAENOTSOCK);
  }
  EXPECT_NE(fcntl(0, F_GETFD), -1);
  EXPECT_NE(fcntl(foreign.get(), F_GETFD), -1);
}

TEST_F(WinSockSocket, OpensWithCloseOnExec) {
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  EXPECT_TRUE(fcntl(socket.fd(), F_GETFD) & FD_CLOEXEC);
}

struct OpenCase {
  int family;
  int type;
  int protocol;
  int error;
};

class SocketOpen : public WinSockStarted, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(SocketOpen, RefusesWhatIsNotServed) {
  const OpenCase& c = GetParam();
  EXPECT_EQ(ws.socket(c.family, c.type, c.protocol), INVALID_SOCKET);
  EXPECT_EQ(ws.WSAGetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(Arguments, SocketOpen,
                         ::testing::Values(OpenCase{23, SOCK_DGRAM_WS, 0, WSAEAFNOSUPPORT},
                                           OpenCase{AF_INET_WS, 5, 0, WSAESOCKTNOSUPPORT},
                                           OpenCase{AF_INET_WS, SOCK_DGRAM_WS, IPPROTO_TCP_WS,
                                                    WSAEPROTONOSUPPORT}));

TEST_F(WinSockSocket, BoundAddressRoundTripsInNetworkOrder) {
  const std::uint16_t port = ClosedUdpPort();
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  const TSockAddrIn wanted = LoopbackAddress(port, 7);
  ASSERT_EQ(ws.bind(socket.get(), AsGeneric(wanted), sizeof wanted), 0);

  TSockAddrIn got[2] = {};  // room for more than one address
  int length = sizeof got;
  ASSERT_EQ(ws.getsockname(socket.get(), AsGeneric(got[0]), &length), 0);
  EXPECT_EQ(length, 16);
  EXPECT_EQ(got[0].sin_family, AF_INET_WS);
  EXPECT_EQ(got[0].sin_port, port);
  EXPECT_EQ(got[0].sin_addr.S_addr, wanted.sin_addr.S_addr);
  EXPECT_EQ((ws.ntohl)(got[0].sin_addr.S_addr), 0x7F000007u);

  // The system agrees on the port, so byte order was kept.
  sockaddr_in posix{};
  socklen_t posixLength = sizeof posix;
  ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&posix), &posixLength);
  EXPECT_EQ(posix.sin_port, port);
}

struct AddressCase {
  const char* name;
  std::uint16_t family;
  int length;
  int error;
};

class SocketAddress : public WinSockStarted, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(SocketAddress, BindChecksFamilyAndLength) {
  const AddressCase& c = GetParam();
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  TSockAddrIn address = LoopbackAddress(0);
  address.sin_family = c.family;
  EXPECT_EQ(ws.bind(socket.get(), AsGeneric(address), c.length), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(Forms, SocketAddress,
                         ::testing::Values(AddressCase{"OtherFamily", 23, 16, WSAEAFNOSUPPORT},
                                           AddressCase{"Short", AF_INET_WS, 15, WSAEFAULT}),
                         CaseName{});

TEST_F(WinSockSocket, OutAddressNeedsRoomAndAPeer) {
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  BindLoopback(socket);
  TSockAddrIn address{};
  int length = 8;
  EXPECT_EQ(ws.getsockname(socket.get(), AsGeneric(address), &length), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEFAULT);
  EXPECT_EQ(length, 8);
  length = sizeof address;
  EXPECT_EQ(ws.getpeername(socket.get(), AsGeneric(address), &length), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAENOTCONN);
}

TEST_F(WinSockSocket, StreamConnectsAcceptsAndShutsDown) {
  const WsSocket listener(ws, SOCK_STREAM_WS, 0);
  BindLoopback(listener);
  ASSERT_EQ(ws.listen(listener.get(), 1), 0);
  const TSockAddrIn server = LocalAddress(listener);
  const WsSocket client(ws, SOCK_STREAM_WS, 0);
  ASSERT_EQ(ws.connect(client.get(), AsGeneric(server), sizeof server), 0);

  TSockAddrIn peer{};
  int peerLength = sizeof peer;
  const WsSocket accepted(ws, ws.accept(listener.get(), AsGeneric(peer), &peerLength));
  ASSERT_NE(accepted.get(), INVALID_SOCKET);
  EXPECT_EQ(peerLength, 16);
  EXPECT_EQ(peer.sin_port, LocalAddress(client).sin_port);

  ASSERT_EQ(ws.send(client.get(), "ping", 4, 0), 4);
  char buffer[8] = {};
  ASSERT_EQ(ws.recv(accepted.get(), buffer, sizeof buffer, 0), 4);
  EXPECT_STREQ(buffer, "ping");

  ASSERT_EQ(ws.shutdown(client.get(), SD_SEND), 0);
  EXPECT_EQ(ws.recv(accepted.get(), buffer, sizeof buffer, 0), 0);
  // No SIGPIPE: the broken direction is only an error.
  EXPECT_EQ(ws.send(client.get(), "x", 1, 0), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAESHUTDOWN);
  EXPECT_EQ(ws.shutdown(client.get(), 3), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEINVAL);
}

TEST_F(WinSockSocket, DatagramReportsItsSender) {
  const WsSocket receiver(ws, SOCK_DGRAM_WS, 0);
  const WsSocket sender(ws, SOCK_DGRAM_WS, 0);
  BindLoopback(receiver);
  BindLoopback(sender);
  const TSockAddrIn to = LocalAddress(receiver);
  ASSERT_EQ(ws.sendto(sender.get(), "abc", 3, 0, AsGeneric(to), sizeof to), 3);

  char buffer[8];
  TSockAddrIn from{};
  int fromLength = sizeof from;
  ASSERT_EQ(ws.recvfrom(receiver.get(), buffer, sizeof buffer, 0, AsGeneric(from), &fromLength), 3);
  EXPECT_EQ(from.sin_port, LocalAddress(sender).sin_port);
  EXPECT_EQ(fromLength, 16);
}

TEST_F(WinSockSocket, OversizedDatagramFillsBufferAndFailsWithMsgSize) {
  const WsSocket receiver(ws, SOCK_DGRAM_WS, 0);
  BindLoopback(receiver);
  const TSockAddrIn to = LocalAddress(receiver);
  const std::string datagram(100, 'd');
  ASSERT_EQ(ws.sendto(receiver.get(), datagram.data(), 100, 0, AsGeneric(to), sizeof to), 100);

  char buffer[10] = {};
  EXPECT_EQ(ws.recv(receiver.get(), buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEMSGSIZE);
  EXPECT_EQ(std::string(buffer, sizeof buffer), datagram.substr(0, 10));
  // The rest of the datagram is gone, as a datagram is read whole.
  TFDSet read{1, {receiver.get()}};
  const TTimeVal now{0, 0};
  EXPECT_EQ(ws.select(0, &read, nullptr, nullptr, &now), 0);
}

// Linux reports a "port unreachable" answer on a connected datagram socket
// as ECONNREFUSED; Windows Sockets reports WSAECONNRESET on the next receive,
// and callers such as a ping loop test for that code, so the library maps it.
TEST_F(WinSockSocket, ConnectedDatagramToClosedPortReportsReset) {
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  const TSockAddrIn closed = LoopbackAddress(ClosedUdpPort());
  ASSERT_EQ(ws.connect(socket.get(), AsGeneric(closed), sizeof closed), 0);
  ASSERT_EQ(ws.send(socket.get(), "?", 1, 0), 1);

  TFDSet read{1, {socket.get()}};
  const TTimeVal wait{2, 0};  // the answer comes back over loopback at once
  ASSERT_EQ(ws.select(0, &read, nullptr, nullptr, &wait), 1);
  char buffer[4];
  EXPECT_EQ(ws.recv(socket.get(), buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAECONNRESET);
}

TEST_F(WinSockSocket, ReceiveTimeOutIsTimedOut) {
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  BindLoopback(socket);
  const std::uint32_t milliseconds = 50;
  ASSERT_EQ(ws.setsockopt(socket.get(), SOL_SOCKET_WS, SO_RCVTIMEO_WS,
                          reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds),
            0);
  char buffer[4];
  EXPECT_EQ(ws.recv(socket.get(), buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAETIMEDOUT);
}

struct TextCase {
  const char* text;
  std::uint32_t hostOrder;
};

// Text and byte-order conversions answer without a start-up.
class InetAddr : public WinSockUnstarted, public ::testing::WithParamInterface<TextCase> {};

TEST_P(InetAddr, ParsesDottedForms) {
  EXPECT_EQ((ws.ntohl)(ws.inet_addr(GetParam().text)), GetParam().hostOrder);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InetAddr,
    ::testing::Values(TextCase{"127.0.0.1", 0x7F000001}, TextCase{"127.1", 0x7F000001},
                      TextCase{"0x7f.0.0.2", 0x7F000002}, TextCase{"2130706435", 0x7F000003},
                      TextCase{"256.0.0.1", INADDR_NONE_WS}, TextCase{"loopback", INADDR_NONE_WS},
                      TextCase{"", INADDR_NONE_WS}));

}  // namespace
}  // namespace quorvel::test
