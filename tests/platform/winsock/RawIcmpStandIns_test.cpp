// The raw ICMP socket of a process without the right to raw sockets, served
// by an ICMP datagram socket or, where the namespace's ping group range is
// closed to the process, by the echo helper: both present what a raw socket
// would read. Each case withholds CAP_NET_RAW from its thread and sets the
// group range, and gives both back when it ends; root's start of the helper
// gives the helper the right, as a file capability does for an ordinary user.
#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "WinSockLibrary.h"
#include "support/IcmpPeer.h"
#include "support/RawSockets.h"
#include "support/TestNetwork.h"

namespace quorvel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class StandIn { kDatagramSocket, kEchoHelper };

class WithoutRawSockets : public WinSockStarted, public testing::WithParamInterface<StandIn> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetPingGroupRange(OpenRange()));
    Withheld.emplace();
    ASSERT_FALSE(RawSocketsAllowed());
    WinSockStarted::SetUp();
  }
  void TearDown() override {
    WinSockStarted::TearDown();
    Withheld.reset();
    SetPingGroupRange(false);
  }
  virtual bool OpenRange() const { return !Helper(); }
  bool Helper() const { return GetParam() == StandIn::kEchoHelper; }

  // Our echo request: identifier 0x3412 as the engine lays it out (low byte
  // first), sequence 3489, 44 bytes of payload.
  static Bytes Request() {
    Bytes body{0x12, 0x34, 0xA1, 0x0D};
    body.resize(48, 'E');
    return IcmpMessage(8, 0, body);
  }

  void Send(const WsSocket& socket, const char* to, const Bytes& message) const {
    const TSockAddrIn address = Address(to);
    ASSERT_EQ(ws.sendto(socket.get(), reinterpret_cast<const char*>(message.data()),
                        static_cast<int>(message.size()), 0, AsGeneric(address), sizeof address),
              static_cast<int>(message.size()));
  }

  // The next frame, after select reports the socket readable within 2 s; a
  // failure leaves the frame empty and its code in `error`.
  Bytes Receive(const WsSocket& socket, TSockAddrIn* from, int room = 2048, bool wait = true) {
    if (wait) {
      TFDSet read{1, {socket.get()}};
      const TTimeVal twoSeconds{2, 0};
      EXPECT_EQ(ws.select(0, &read, nullptr, nullptr, &twoSeconds), 1);
    }
    Bytes frame(static_cast<std::size_t>(room));
    int fromLength = sizeof *from;
    const int n = ws.recvfrom(socket.get(), reinterpret_cast<char*>(frame.data()), room, 0,
                              AsGeneric(*from), &fromLength);
    error = n == SOCKET_ERROR ? ws.WSAGetLastError() : 0;
    frame.resize(n == SOCKET_ERROR ? 0 : static_cast<std::size_t>(n));
    return frame;
  }

  static TSockAddrIn Address(const char* text) {
    TSockAddrIn address{};
    address.sin_family = AF_INET_WS;
    address.sin_addr.S_addr = inet_addr(text);
    return address;
  }
  static std::string Text(const std::uint8_t* at) {
    in_addr address{};
    std::memcpy(&address, at, 4);
    return inet_ntoa(address);
  }
  static std::string Text(const TSockAddrIn& address) {
    return Text(reinterpret_cast<const std::uint8_t*>(&address.sin_addr.S_addr));
  }
  void SetTtl(const WsSocket& socket, int ttl) const {
    ASSERT_EQ(ws.setsockopt(socket.get(), IPPROTO_IP_WS, IP_TTL_WS,
                            reinterpret_cast<const char*>(&ttl), sizeof ttl),
              0);
  }

  int error = 0;
  std::optional<RawSocketsWithheld> Withheld;
};

TEST_P(WithoutRawSockets, ARawIcmpSocketIsItsStandInCallingItselfRaw) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  ASSERT_NE(socket.get(), INVALID_SOCKET) << ws.WSAGetLastError();
  int type = 0;
  socklen_t size = sizeof type;
  ASSERT_EQ(::getsockopt(socket.fd(), SOL_SOCKET, SO_TYPE, &type, &size), 0);
  EXPECT_EQ(type, Helper() ? SOCK_SEQPACKET : SOCK_DGRAM) << "the helper's data channel";
  int reported = 0;
  int length = sizeof reported;
  ASSERT_EQ(ws.getsockopt(socket.get(), SOL_SOCKET_WS, SO_TYPE_WS,
                          reinterpret_cast<char*>(&reported), &length),
            0);
  EXPECT_EQ(reported, SOCK_RAW_WS);
  // Only ICMP has a datagram stand-in; other raw protocols stay refused.
  EXPECT_EQ(ws.socket(AF_INET_WS, SOCK_RAW_WS, 17), INVALID_SOCKET);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEACCES);
}

TEST_P(WithoutRawSockets, AReplyComesBehindTheHeaderARawSocketWouldRead) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  const Bytes request = Request();
  Send(socket, "127.0.0.1", request);
  TSockAddrIn from{};
  const Bytes frame = Receive(socket, &from);
  ASSERT_EQ(frame.size(), 20 + request.size()) << "error " << error;
  EXPECT_EQ(frame[0], 0x45);
  EXPECT_EQ(frame[2] << 8 | frame[3], 72);
  EXPECT_EQ(frame[8], 64) << "the time-to-live the reply arrived with";
  EXPECT_EQ(frame[9], 1);
  EXPECT_EQ(Text(&frame[12]), "127.0.0.1");
  EXPECT_EQ(Text(&frame[16]), "127.0.0.1");
  EXPECT_EQ(frame[20], 0) << "echo reply";
  EXPECT_EQ(Bytes(frame.begin() + 24, frame.end()), Bytes(request.begin() + 4, request.end()))
      << "identifier, sequence and payload as we sent them";
  EXPECT_EQ(from.sin_family, AF_INET_WS);
  EXPECT_EQ(Text(from), "127.0.0.1");
}

// A socket keeps the identifier it was first bound to; a later request that
// carries another still sees the answers carry its own.
TEST_P(WithoutRawSockets, ASocketsOwnIdentifierIsPresentedAsTheRequestHadIt) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  Bytes request = Request();
  Send(socket, "127.0.0.1", request);
  TSockAddrIn from{};
  ASSERT_EQ(Receive(socket, &from).size(), 20 + request.size()) << "error " << error;
  request = IcmpMessage(8, 0, Bytes{0x56, 0x78, 0xA2, 0x0D, 'E', 'E', 'E', 'E'});
  Send(socket, "127.0.0.1", request);
  const Bytes frame = Receive(socket, &from);
  ASSERT_EQ(frame.size(), 20 + request.size()) << "error " << error;
  // The reply to our request, its checksum made for the identifier we sent.
  EXPECT_EQ(Bytes(frame.begin() + 20, frame.end()),
            IcmpMessage(0, 0, Bytes(request.begin() + 4, request.end())));
}

TEST_P(WithoutRawSockets, AFrameLargerThanTheBufferFillsItAndFailsWithMessageSize) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  Send(socket, "127.0.0.1", Request());
  TFDSet read{1, {socket.get()}};
  const TTimeVal twoSeconds{2, 0};
  ASSERT_EQ(ws.select(0, &read, nullptr, nullptr, &twoSeconds), 1);
  std::uint8_t buffer[26]{};
  EXPECT_EQ(ws.recv(socket.get(), reinterpret_cast<char*>(buffer), 24, 0), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEMSGSIZE);
  EXPECT_EQ(buffer[0], 0x45);
  EXPECT_EQ(buffer[20], 0) << "the echo reply's type after the header";
  EXPECT_EQ(buffer[24] | buffer[25], 0) << "no byte beyond the room";
  const int timeOut = 200;
  ASSERT_EQ(ws.setsockopt(socket.get(), SOL_SOCKET_WS, SO_RCVTIMEO_WS,
                          reinterpret_cast<const char*>(&timeOut), sizeof timeOut),
            0);
  TSockAddrIn from{};
  EXPECT_TRUE(Receive(socket, &from, 2048, false).empty());
  EXPECT_EQ(error, WSAETIMEDOUT) << "the datagram was taken whole";
}

// Our namespace 192.0.2.1 reaches router r1 (192.0.2.2), which forwards to
// t1 (198.51.100.2) and has no route to 203.0.113.0/24.
class ErrorsWithoutRawSockets : public WithoutRawSockets {
 protected:
  void SetUp() override {
    Net.AddNamespace("r1", true);
    Net.AddNamespace("t1", false);
    Net.Link("", "192.0.2.1/24", "r1", "192.0.2.2/24");
    Net.Link("r1", "198.51.100.1/24", "t1", "198.51.100.2/24");
    Net.Route("", "198.51.100.0/24", "192.0.2.2");
    Net.Route("", "203.0.113.0/24", "192.0.2.2");
    WithoutRawSockets::SetUp();
  }

  // Checks the error frame's headers and the request it quotes.
  void ExpectError(const Bytes& frame, const TSockAddrIn& from, std::uint8_t type,
                   std::uint8_t code, const char* target) {
    const Bytes request = Request();
    ASSERT_EQ(frame.size(), 20 + 8 + 20 + request.size()) << "error " << error;
    EXPECT_EQ(frame[2] << 8 | frame[3], static_cast<int>(frame.size()));
    EXPECT_EQ(frame[8], 64) << "the time-to-live the error arrived with";
    EXPECT_EQ(Text(&frame[12]), "192.0.2.2");
    EXPECT_EQ(Text(&frame[16]), "192.0.2.1");
    EXPECT_EQ(frame[20], type);
    EXPECT_EQ(frame[21], code);
    EXPECT_EQ(frame[28], 0x45);
    EXPECT_EQ(Text(&frame[28 + 12]), "192.0.2.1");
    EXPECT_EQ(Text(&frame[28 + 16]), target);
    EXPECT_EQ(Bytes(frame.begin() + 52, frame.end()), Bytes(request.begin() + 4, request.end()))
        << "our request's identifier, sequence and payload";
    EXPECT_EQ(Text(from), "192.0.2.2") << "the router that reported it";
  }

  TestNetwork Net;
};

TEST_P(ErrorsWithoutRawSockets, TheOutgoingTtlIsHonouredAndTimeExceededArrivesQuotingUs) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  SetTtl(socket, 1);
  Send(socket, "198.51.100.2", Request());
  TSockAddrIn from{};
  ExpectError(Receive(socket, &from), from, 11, 0, "198.51.100.2");
}

TEST_P(ErrorsWithoutRawSockets, UnreachableArrivesQuotingUsAlsoToAReceiveAlreadyWaiting) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  const int timeOut = 2000;
  ASSERT_EQ(ws.setsockopt(socket.get(), SOL_SOCKET_WS, SO_RCVTIMEO_WS,
                          reinterpret_cast<const char*>(&timeOut), sizeof timeOut),
            0);
  Send(socket, "203.0.113.5", Request());
  TSockAddrIn from{};
  // No select first: the error may come while the receive blocks.
  ExpectError(Receive(socket, &from, 2048, false), from, 3, 0, "203.0.113.5");
}

// Only the echo helper's address, options and shutdown differ from a
// datagram socket's: they are those of an unbound, unconnected raw socket.
using ThroughTheEchoHelper = WithoutRawSockets;

TEST_P(ThroughTheEchoHelper, AnswersAsAnUnboundUnconnectedRawSocket) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  ASSERT_NE(socket.get(), INVALID_SOCKET) << ws.WSAGetLastError();
  int ttl = 0;
  int length = sizeof ttl;
  ASSERT_EQ(
      ws.getsockopt(socket.get(), IPPROTO_IP_WS, IP_TTL_WS, reinterpret_cast<char*>(&ttl), &length),
      0);
  EXPECT_EQ(ttl, 64) << "the system's default";
  SetTtl(socket, 255);
  ASSERT_EQ(
      ws.getsockopt(socket.get(), IPPROTO_IP_WS, IP_TTL_WS, reinterpret_cast<char*>(&ttl), &length),
      0);
  EXPECT_EQ(ttl, 255);
  const int zero = 0;
  EXPECT_EQ(ws.setsockopt(socket.get(), IPPROTO_IP_WS, IP_TTL_WS,
                          reinterpret_cast<const char*>(&zero), sizeof zero),
            SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEINVAL);
  EXPECT_EQ(LocalAddress(socket).sin_addr.S_addr, 0u);
  TSockAddrIn peer{};
  int peerLength = sizeof peer;
  EXPECT_EQ(ws.getpeername(socket.get(), AsGeneric(peer), &peerLength), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAENOTCONN);
  // A raw socket's shutdown reports it is not connected, and sending ends.
  EXPECT_EQ(ws.shutdown(socket.get(), SD_SEND), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAENOTCONN);
  const Bytes request = Request();
  const TSockAddrIn to = Address("127.0.0.1");
  EXPECT_EQ(ws.sendto(socket.get(), reinterpret_cast<const char*>(request.data()),
                      static_cast<int>(request.size()), 0, AsGeneric(to), sizeof to),
            SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAESHUTDOWN);
}

TEST_P(ThroughTheEchoHelper, RefusesWhatIsNoEchoRequestAndGoesOn) {
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  Bytes reply = Request();
  reply[0] = 0;
  const TSockAddrIn to = Address("127.0.0.1");
  EXPECT_EQ(ws.sendto(socket.get(), reinterpret_cast<const char*>(reply.data()),
                      static_cast<int>(reply.size()), 0, AsGeneric(to), sizeof to),
            SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEINVAL);
  Send(socket, "127.0.0.1", Request());
  TSockAddrIn from{};
  EXPECT_EQ(Receive(socket, &from).size(), 20 + Request().size());
}

// The processes this one started that still run.
std::string Children() {
  std::ifstream children("/proc/self/task/" + std::to_string(gettid()) + "/children");
  return std::string(std::istreambuf_iterator<char>(children), {});
}

TEST_P(ThroughTheEchoHelper, AClosedSocketsHelperServesTheNextOneAndWhatItPassedOnIsGone) {
  std::string helpers;
  for (int i = 0; i < 2; ++i) {
    const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
    ASSERT_NE(socket.get(), INVALID_SOCKET) << ws.WSAGetLastError();
    if (i == 0) {
      helpers = Children();
      Send(socket, "127.0.0.1", Request());  // its reply, passed on by now, is never read
      usleep(100'000);
    }
    EXPECT_EQ(Children(), helpers) << "no helper started or ended";
  }
  EXPECT_FALSE(helpers.empty());
  const WsSocket socket(ws, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  const int timeOut = 200;
  ASSERT_EQ(ws.setsockopt(socket.get(), SOL_SOCKET_WS, SO_RCVTIMEO_WS,
                          reinterpret_cast<const char*>(&timeOut), sizeof timeOut),
            0);
  TSockAddrIn from{};
  EXPECT_TRUE(Receive(socket, &from, 2048, false).empty()) << "an answer for an earlier socket";
}

class NoIcmpSockets : public WithoutRawSockets {
  bool OpenRange() const override { return false; }
};

// The helper is there, but with the right gone for good (in a child, so the
// rest of the program keeps it) it may not open a raw socket either.
TEST_P(NoIcmpSockets, ARawIcmpSocketIsRefusedWithAccessDenied) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool refused = prctl(PR_CAPBSET_DROP, CAP_NET_RAW, 0, 0, 0) == 0 &&
                         ws.socket(AF_INET_WS, SOCK_RAW_WS, IPPROTO_ICMP_WS) == INVALID_SOCKET &&
                         ws.WSAGetLastError() == WSAEACCES;
    _exit(refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a socket, or another error";
}

std::string StandInName(const testing::TestParamInfo<StandIn>& test) {
  return test.param == StandIn::kEchoHelper ? "EchoHelper" : "DatagramSocket";
}

INSTANTIATE_TEST_SUITE_P(Both, WithoutRawSockets,
                         testing::Values(StandIn::kDatagramSocket, StandIn::kEchoHelper),
                         StandInName);
INSTANTIATE_TEST_SUITE_P(Both, ErrorsWithoutRawSockets,
                         testing::Values(StandIn::kDatagramSocket, StandIn::kEchoHelper),
                         StandInName);
INSTANTIATE_TEST_SUITE_P(Helper, ThroughTheEchoHelper, testing::Values(StandIn::kEchoHelper),
                         StandInName);
INSTANTIATE_TEST_SUITE_P(Datagram, NoIcmpSockets, testing::Values(StandIn::kDatagramSocket),
                         StandInName);

}  // namespace
}  // namespace quorvel::test
