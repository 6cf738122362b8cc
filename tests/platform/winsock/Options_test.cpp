#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <optional>

#include "WinSockLibrary.h"
#include "support/ScopedFd.h"

namespace quorvel::test {
namespace {

constexpr int kTtl = 77;

class Options : public WinSockStarted {
 protected:
  int Set(const WsSocket& socket, int level, int name, const void* value, int length) {
    return ws.setsockopt(socket.get(), level, name, static_cast<const char*>(value), length);
  }

  std::optional<std::int32_t> GetInt(const WsSocket& socket, int level, int name) {
    std::int32_t value = -1;
    int length = sizeof value;
    if (ws.getsockopt(socket.get(), level, name, reinterpret_cast<char*>(&value), &length) != 0) {
      return std::nullopt;
    }
    EXPECT_EQ(length, 4);
    return value;
  }

  void SetTtl(const WsSocket& socket) {
    ASSERT_EQ(Set(socket, IPPROTO_IP_WS, IP_TTL_WS, &kTtl, sizeof kTtl), 0) << ws.WSAGetLastError();
  }
};

struct IntCase {
  const char* name;
  int type;
  int level;
  int option;
  std::int32_t value;
};

class IntOption : public Options, public ::testing::WithParamInterface<IntCase> {};

TEST_P(IntOption, ReadsBackWhatWasSet) {
  const IntCase& c = GetParam();
  const WsSocket socket(ws, c.type, 0);
  ASSERT_EQ(Set(socket, c.level, c.option, &c.value, sizeof c.value), 0) << ws.WSAGetLastError();
  EXPECT_EQ(GetInt(socket, c.level, c.option), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Options, IntOption,
    ::testing::Values(IntCase{"ReceiveBuffer", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_RCVBUF_WS, 65536},
                      IntCase{"SendBuffer", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_SNDBUF_WS, 32768},
                      IntCase{"ReceiveTimeOut", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_RCVTIMEO_WS, 2500},
                      IntCase{"NoTimeOut", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_SNDTIMEO_WS, 0},
                      IntCase{"ReuseAddress", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_REUSEADDR_WS, 1},
                      IntCase{"Broadcast", SOCK_DGRAM_WS, SOL_SOCKET_WS, SO_BROADCAST_WS, 1},
                      IntCase{"Ttl", SOCK_DGRAM_WS, IPPROTO_IP_WS, IP_TTL_WS, kTtl},
                      IntCase{"Tos", SOCK_DGRAM_WS, IPPROTO_IP_WS, IP_TOS_WS, 0x10},
                      IntCase{"NoDelay", SOCK_STREAM_WS, IPPROTO_TCP_WS, TCP_NODELAY_WS, 1}),
    CaseName{});

TEST_F(Options, LingerUsesSixteenBitFields) {
  const WsSocket socket(ws, SOCK_STREAM_WS, 0);
  const TLinger set{1, 7};
  ASSERT_EQ(Set(socket, SOL_SOCKET_WS, SO_LINGER_WS, &set, sizeof set), 0);
  TLinger got{};
  int length = sizeof got;
  ASSERT_EQ(ws.getsockopt(socket.get(), SOL_SOCKET_WS, SO_LINGER_WS, reinterpret_cast<char*>(&got),
                          &length),
            0);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(got.l_onoff, 1);
  EXPECT_EQ(got.l_linger, 7);
}

TEST_F(Options, TypeAndErrorAreReported) {
  const WsSocket stream(ws, SOCK_STREAM_WS, 0);
  const WsSocket datagram(ws, SOCK_DGRAM_WS, 0);
  EXPECT_EQ(GetInt(stream, SOL_SOCKET_WS, SO_TYPE_WS), SOCK_STREAM_WS);
  EXPECT_EQ(GetInt(datagram, SOL_SOCKET_WS, SO_TYPE_WS), SOCK_DGRAM_WS);
  EXPECT_EQ(GetInt(datagram, SOL_SOCKET_WS, SO_ERROR_WS), 0);
  const std::int32_t error = 5;
  EXPECT_EQ(Set(datagram, SOL_SOCKET_WS, SO_ERROR_WS, &error, sizeof error), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), WSAENOPROTOOPT);
}

struct RefusedCase {
  const char* name;
  int level;
  int option;
  int length;
  bool nullValue;
  int error;
};

class RefusedOption : public Options, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedOption, FailsBothWaysWithExactError) {
  const RefusedCase& c = GetParam();
  const WsSocket socket(ws, SOCK_DGRAM_WS, 0);
  std::int32_t value = 1;
  char* pointer = c.nullValue ? nullptr : reinterpret_cast<char*>(&value);
  EXPECT_EQ(ws.setsockopt(socket.get(), c.level, c.option, pointer, c.length), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), c.error);
  int length = c.length;
  EXPECT_EQ(ws.getsockopt(socket.get(), c.level, c.option, pointer, &length), SOCKET_ERROR);
  EXPECT_EQ(ws.WSAGetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Options, RefusedOption,
    ::testing::Values(RefusedCase{"UnknownOption", SOL_SOCKET_WS, 0x7777, 4, false, WSAENOPROTOOPT},
                      RefusedCase{"UnknownLevel", 0x1234, SO_RCVBUF_WS, 4, false, WSAEINVAL},
                      RefusedCase{"NullValue", SOL_SOCKET_WS, SO_RCVBUF_WS, 4, true, WSAEFAULT},
                      RefusedCase{"ShortValue", IPPROTO_IP_WS, IP_TTL_WS, 2, false, WSAEFAULT},
                      RefusedCase{"ShortLinger", SOL_SOCKET_WS, SO_LINGER_WS, 2, false, WSAEFAULT}),
    CaseName{});

// The TTL a POSIX receiver saw on a datagram, from its IP_TTL control message.
std::optional<int> ReceivedTtl(int fd) {
  char payload[16];
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
  iovec chunk{payload, sizeof payload};
  msghdr message{};
  message.msg_iov = &chunk;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  if (::recvmsg(fd, &message, 0) < 0) return std::nullopt;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
      int ttl = 0;
      std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
      return ttl;
    }
  }
  return std::nullopt;
}

TEST_F(Options, TtlReachesTheWireOnDatagrams) {
  const ScopedFd receiver(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const int on = 1;
  ASSERT_EQ(::setsockopt(receiver.get(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on), 0);
  const timeval wait{2, 0};  // bounds the receive below
  ASSERT_EQ(::setsockopt(receiver.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait), 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(receiver.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(receiver.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);

  const WsSocket sender(ws, SOCK_DGRAM_WS, 0);
  SetTtl(sender);
  const TSockAddrIn to = LoopbackAddress(address.sin_port);
  ASSERT_EQ(ws.sendto(sender.get(), "ttl", 3, 0, AsGeneric(to), sizeof to), 3);
  EXPECT_EQ(ReceivedTtl(receiver.get()), kTtl);
}

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < length; i += 2) sum += data[i] << 8 | data[i + 1];
  if (length % 2 != 0) sum += data[length - 1] << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

TEST_F(Options, TtlReachesTheWireOnRawIcmp) {
  const TSocket raw = ws.socket(AF_INET_WS, SOCK_RAW_WS, IPPROTO_ICMP_WS);
  if (raw == INVALID_SOCKET) {
    ASSERT_EQ(ws.WSAGetLastError(), WSAEACCES);
    GTEST_SKIP() << "raw sockets need privilege (CAP_NET_RAW), which this process lacks";
  }
  const WsSocket socket(ws, raw);
  SetTtl(socket);

  constexpr std::uint16_t kIdentifier = 0x5156;
  std::uint8_t request[16] = {ICMP_ECHO, 0, 0, 0, kIdentifier >> 8, kIdentifier & 0xFF, 0, 1};
  const std::uint16_t checksum = InternetChecksum(request, sizeof request);
  request[2] = static_cast<std::uint8_t>(checksum >> 8);
  request[3] = static_cast<std::uint8_t>(checksum);
  const TSockAddrIn to = LoopbackAddress(0);
  ASSERT_EQ(ws.sendto(socket.get(), reinterpret_cast<const char*>(request), sizeof request, 0,
                      AsGeneric(to), sizeof to),
            static_cast<int>(sizeof request));

  // The raw socket sees its own request (and the kernel's reply) come in
  // over loopback, with the IP header in front.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::optional<int> requestTtl;
  for (int packet = 0; packet < 16 && !requestTtl; ++packet) {
    if (std::chrono::steady_clock::now() > deadline) break;
    TFDSet read{1, {socket.get()}};
    const TTimeVal wait{1, 0};
    if (ws.select(0, &read, nullptr, nullptr, &wait) != 1) break;
    std::uint8_t packetBytes[128];
    const int received =
        ws.recv(socket.get(), reinterpret_cast<char*>(packetBytes), sizeof packetBytes, 0);
    ASSERT_GT(received, 0) << ws.WSAGetLastError();
    const int headerLength = (packetBytes[0] & 0x0F) * 4;
    if (received < headerLength + 8) continue;
    const std::uint8_t* icmp = packetBytes + headerLength;
    const bool ours = icmp[0] == ICMP_ECHO && (icmp[4] << 8 | icmp[5]) == kIdentifier;
    if (ours) requestTtl = packetBytes[8];  // the IP header's TTL byte
  }
  EXPECT_EQ(requestTtl, kTtl);
}

}  // namespace
}  // namespace quorvel::test
