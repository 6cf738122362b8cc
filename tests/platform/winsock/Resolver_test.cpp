#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "WinSockLibrary.h"
#include "support/DnsResponder.h"

namespace quorvel::test {
namespace {

// Each case runs in network namespaces of its own (see quorvel_test), so the
// fixed DNS port is free and a case without a responder finds none listening.
class Resolver : public WinSockStarted {
 protected:
  std::vector<std::string> Addresses(const THostEnt& entry) {
    std::vector<std::string> out;
    for (char** address = entry.h_addr_list; *address != nullptr; ++address) {
      const auto* b = reinterpret_cast<const unsigned char*>(*address);
      out.push_back(std::to_string(b[0]) + '.' + std::to_string(b[1]) + '.' + std::to_string(b[2]) +
                    '.' + std::to_string(b[3]));
    }
    return out;
  }

  int LookUpFails(const char* name) {
    EXPECT_EQ(ws.gethostbyname(name), nullptr) << name;
    return ws.WSAGetLastError();
  }
};

TEST_F(Resolver, DottedAddressNeedsNoNetwork) {
  const THostEnt* entry = ws.gethostbyname("127.0.0.1");
  ASSERT_NE(entry, nullptr) << ws.WSAGetLastError();
  EXPECT_STREQ(entry->h_name, "127.0.0.1");
  EXPECT_EQ(entry->h_addrtype, AF_INET_WS);
  EXPECT_EQ(entry->h_length, 4);
  EXPECT_EQ(entry->h_aliases[0], nullptr);
  EXPECT_EQ(Addresses(*entry), std::vector<std::string>{"127.0.0.1"});
}

TEST_F(Resolver, LocalhostComesFromTheHostsFile) {
  const THostEnt* entry = ws.gethostbyname("localhost");
  ASSERT_NE(entry, nullptr) << ws.WSAGetLastError();
  EXPECT_EQ(Addresses(*entry), std::vector<std::string>{"127.0.0.1"});
}

TEST_F(Resolver, ServedNameGivesEachDistinctAddressInOrder) {
  const DnsResponder responder{{"echo.quorvel.test", {"127.1.2.3", "127.1.2.4", "127.1.2.3"}}};
  const THostEnt* entry = ws.gethostbyname("echo.quorvel.test");
  ASSERT_NE(entry, nullptr) << ws.WSAGetLastError();
  EXPECT_STREQ(entry->h_name, "echo.quorvel.test");
  EXPECT_EQ(Addresses(*entry), (std::vector<std::string>{"127.1.2.3", "127.1.2.4"}));
  EXPECT_GE(responder.QueriesAnswered(), 1);
}

TEST_F(Resolver, UnknownNameIsHostNotFound) {
  const DnsResponder responder{{"echo.quorvel.test", {"127.1.2.3"}}};
  EXPECT_EQ(LookUpFails("missing.quorvel.test"), WSAHOST_NOT_FOUND);
}

TEST_F(Resolver, NoServerMeansTryAgain) {
  EXPECT_EQ(LookUpFails("missing.quorvel.test"), WSATRY_AGAIN);
}

TEST_F(Resolver, NullNameIsAFault) { EXPECT_EQ(LookUpFails(nullptr), WSAEFAULT); }

TEST_F(Resolver, EmptyNameMeansThisHost) {
  char name[256] = {};
  ASSERT_EQ(::gethostname(name, sizeof name - 1), 0);
  const THostEnt* byName = ws.gethostbyname(name);
  const std::string expected = byName ? byName->h_name : "(not found)";
  const THostEnt* empty = ws.gethostbyname("");
  EXPECT_EQ(empty ? empty->h_name : "(not found)", expected);
}

TEST_F(Resolver, EntriesBelongToTheirThread) {
  const THostEnt* mine = ws.gethostbyname("127.0.0.3");
  ASSERT_NE(mine, nullptr);
  const THostEnt* theirs = nullptr;
  std::thread([&] {
    TWSAData data{};
    ws.WSAStartup(0x0202, &data);
    theirs = ws.gethostbyname("127.0.0.2");
    ws.WSACleanup();
  }).join();
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(Addresses(*mine), std::vector<std::string>{"127.0.0.3"});
}

TEST_F(Resolver, AddressOfLocalhostHasItsName) {
  const TSockAddrIn loopback = LoopbackAddress(0);
  const auto* bytes = reinterpret_cast<const char*>(&loopback.sin_addr);
  const THostEnt* entry = ws.gethostbyaddr(bytes, 4, AF_INET_WS);
  ASSERT_NE(entry, nullptr) << ws.WSAGetLastError();
  EXPECT_STREQ(entry->h_name, "localhost");
  EXPECT_EQ(Addresses(*entry), std::vector<std::string>{"127.0.0.1"});
}

TEST_F(Resolver, AddressLookUpChecksItsArguments) {
  const DnsResponder responder{};
  const TSockAddrIn unnamed = LoopbackAddress(0, 77);
  const auto* bytes = reinterpret_cast<const char*>(&unnamed.sin_addr);
  EXPECT_EQ(ws.gethostbyaddr(bytes, 3, AF_INET_WS), nullptr);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEFAULT);
  EXPECT_EQ(ws.gethostbyaddr(bytes, 4, 23), nullptr);
  EXPECT_EQ(ws.WSAGetLastError(), WSAEAFNOSUPPORT);
  EXPECT_EQ(ws.gethostbyaddr(bytes, 4, AF_INET_WS), nullptr);
  EXPECT_EQ(ws.WSAGetLastError(), WSAHOST_NOT_FOUND);
}

TEST_F(Resolver, HostNameIsTheSystemsAndNeedsRoom) {
  char system[256] = {};
  ASSERT_EQ(::gethostname(system, sizeof system - 1), 0);
  char name[256] = {};
  ASSERT_EQ(ws.gethostname(name, sizeof name), 0);
  EXPECT_STREQ(name, system);
  const int exact = static_cast<int>(std::string(system).size());
  EXPECT_EQ(ws.gethostname(name, exact), SOCKET_ERROR);  // no room for the NUL
  EXPECT_EQ(ws.WSAGetLastError(), WSAEFAULT);
}

TEST_F(Resolver, ServicesByNameAndPort) {
  const TServEnt* byName = ws.getservbyname("http", "tcp");
  ASSERT_NE(byName, nullptr) << ws.WSAGetLastError();
  EXPECT_EQ(byName->s_port, static_cast<std::int16_t>((ws.htons)(80)));
  EXPECT_STREQ(byName->s_proto, "tcp");
  const TServEnt* byPort = ws.getservbyport((ws.htons)(80), "tcp");
  ASSERT_NE(byPort, nullptr) << ws.WSAGetLastError();
  EXPECT_STREQ(byPort->s_name, "http");
  EXPECT_EQ(ws.getservbyname("no-such-service", "tcp"), nullptr);
  EXPECT_EQ(ws.WSAGetLastError(), WSANO_DATA);
}

}  // namespace
}  // namespace quorvel::test
