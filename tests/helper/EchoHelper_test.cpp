// The echo helper as a process, spoken to over its channels as the socket
// library speaks to it, on the loopback of the test's own namespace.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/EchoHelperProcess.h"
#include "support/IcmpPeer.h"
#include "support/ScopedFd.h"
#include "wire/HelperMessages.h"

namespace quorvel::test {
namespace {

using namespace quorvel::wire;
using Bytes = std::vector<std::uint8_t>;

Bytes Echo(std::uint8_t type, std::uint8_t sequence) {
  Bytes body{0x12, 0x34, sequence, 0x0D};
  body.resize(48, 'E');
  return IcmpMessage(type, 0, body);
}

Bytes Command(const Bytes& request, const char* to = "127.0.0.1", std::uint8_t ttl = 64) {
  return BuildCommand({*ParseAddress(to), ttl, request});
}

// The ICMP message of a relay passed on within `timeoutMs`.
std::optional<Bytes> Relayed(EchoHelperProcess& helper, int timeoutMs) {
  const auto relay = helper.Datagram(timeoutMs);
  if (!relay) return std::nullopt;
  const std::optional<Relay> read = ParseRelay(*relay);
  if (!read) return Bytes{};
  return Bytes(read->message.begin(), read->message.end());
}

// The value of a field of /proc/<pid>/status.
std::string Status(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0)
      return line.substr(line.find_first_not_of(" \t", field.size() + 1));
  return "";
}

class EchoHelper : public testing::Test {
 protected:
  void SetUp() override {
    if (!EchoHelperAllowed()) GTEST_SKIP() << "the echo helper may not open a raw socket here";
    ASSERT_EQ(helper.Ready(), 0);
  }

  // Nothing more is passed on within a while.
  void ExpectNothingMore() {
    const auto more = Relayed(helper, 300);
    EXPECT_FALSE(more) << "passed on a message of type " << int(more->empty() ? -1 : (*more)[0]);
  }

  EchoHelperProcess helper;
};

TEST_F(EchoHelper, GivesUpEveryCapabilityAndKeepsNoEnvironment) {
  EXPECT_EQ(Status(helper.Pid(), "CapEff"), "0000000000000000");
  EXPECT_EQ(Status(helper.Pid(), "CapPrm"), "0000000000000000");
  EXPECT_EQ(Status(helper.Pid(), "CapAmb"), "0000000000000000");
  EXPECT_EQ(Status(helper.Pid(), "NoNewPrivs"), "1");
  std::ifstream environment("/proc/" + std::to_string(helper.Pid()) + "/environ");
  EXPECT_EQ(environment.peek(), std::char_traits<char>::eof());
}

TEST_F(EchoHelper, SendsAnEchoRequestAndPassesOnItsReplyAlone) {
  for (const auto& [to, type] : {std::pair{"127.0.0.1", 8}, std::pair{"::1", 128}}) {
    const Bytes request = Echo(std::uint8_t(type), 0xA1);
    ASSERT_EQ(helper.Command(Command(request, to)), 0) << to;
    const auto reply = helper.Datagram(2000);
    ASSERT_TRUE(reply) << to;
    const std::optional<Relay> relay = ParseRelay(*reply);
    ASSERT_TRUE(relay);
    EXPECT_EQ(relay->source, *ParseAddress(to));
    EXPECT_EQ(relay->message[0], type == 8 ? 0 : 129) << "the echo reply, not our own request";
    EXPECT_EQ(Bytes(relay->message.begin() + 4, relay->message.end()),
              Bytes(request.begin() + 4, request.end()));
    EXPECT_GT(relay->receivedNs, 0) << "the kernel's receive time";
    ExpectNothingMore();
  }
}

TEST_F(EchoHelper, RefusesMalformedOversizedNonEchoAndGroupCommandsAndServesTheNext) {
  Bytes oversized = Command(Echo(8, 1));
  oversized.resize(70'000);
  Bytes request = Echo(8, 1);
  request.resize(kHelperMaxRequest + 1, 'E');
  const Bytes refused[] = {Bytes{'E'}, Command(Echo(13, 1)), Command(Echo(0, 1)),
                           Command(Echo(8, 1), "127.0.0.1", 0)};
  for (const Bytes& command : refused) EXPECT_EQ(helper.Command(command), EINVAL);
  EXPECT_EQ(helper.Command(oversized), EMSGSIZE);
  EXPECT_EQ(helper.Command(Command(request)), EMSGSIZE) << "a payload over the bound";
  for (const char* group : {"224.0.0.1", "255.255.255.255", "127.255.255.255"})
    EXPECT_EQ(helper.Command(Command(Echo(8, 1), group)), EACCES) << group;
  EXPECT_EQ(helper.Command(Command(Echo(128, 1), "ff02::1")), EACCES);
  ExpectNothingMore();
  EXPECT_EQ(helper.Command(Command(Echo(8, 2))), 0);
  EXPECT_TRUE(helper.Datagram(2000));
}

TEST_F(EchoHelper, CapsItsRateWhenRequestsGoUnanswered) {
  std::ofstream("/proc/sys/net/ipv4/icmp_echo_ignore_all") << "1\n";
  int sent = 0;
  int refused = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 400; ++i) {
    const std::optional<int> error = helper.Command(Command(Echo(8, std::uint8_t(i))));
    ASSERT_TRUE(error);
    sent += *error == 0 ? 1 : 0;
    refused += *error == ENOBUFS ? 1 : 0;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(sent + refused, 400);
  EXPECT_LE(sent, 100 + static_cast<int>(1000 * seconds) + 1) << "a burst, then 1000 a second";
  EXPECT_GT(refused, 0);
  std::ofstream("/proc/sys/net/ipv4/icmp_echo_ignore_all") << "0\n";
}

TEST_F(EchoHelper, ADestinationWithoutARouteGetsTheSystemsRefusal) {
  // Only the loopback exists here: nothing leaves for that address.
  EXPECT_EQ(helper.Command(Command(Echo(8, 3), "198.51.100.7")), ENETUNREACH);
  ExpectNothingMore();
}

TEST_F(EchoHelper, PassesOnNothingThatAnotherProgramSendsOrReceives) {
  ASSERT_EQ(helper.Command(Command(Echo(8, 0xA1))), 0);
  ASSERT_TRUE(helper.Datagram(2000));
  const ScopedFd other(::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP));
  ASSERT_TRUE(other) << "the test needs a raw socket of its own";
  Bytes quotedForeign = {0x45, 0, 0, 72, 0, 0, 0, 0, 1, 1, 0, 0, 127, 0, 0, 1, 127, 0, 0, 9};
  const Bytes foreignEcho = Echo(8, 0x77);
  quotedForeign.insert(quotedForeign.end(), foreignEcho.begin(), foreignEcho.end());
  Bytes unreachable{0, 0, 0, 0};
  unreachable.insert(unreachable.end(), quotedForeign.begin(), quotedForeign.end());
  // Another program's request draws the kernel's reply to it, with its own sequence.
  const Bytes foreign[] = {Echo(0, 0x77), Echo(0, 0xA2), Echo(13, 0xA1), Echo(8, 0x77),
                           IcmpMessage(3, 1, unreachable)};
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = inet_addr("127.0.0.1");
  for (const Bytes& message : foreign)
    ASSERT_EQ(::sendto(other.get(), message.data(), message.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(message.size()));
  ExpectNothingMore();
}

TEST_F(EchoHelper, EndsWhenItsParentCloses) {
  helper.CloseControl();
  EXPECT_TRUE(helper.EndsWithin(2000));
}

// A parent killed outright closes nothing itself: its descriptors go with it.
TEST(EchoHelperParent, WhenItDiesTheHelperEnds) {
  if (!EchoHelperAllowed()) GTEST_SKIP() << "the echo helper may not open a raw socket here";
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0) << "so the orphaned helper comes to us";
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t parent = ::fork();
  ASSERT_GE(parent, 0);
  if (parent == 0) {
    EchoHelperProcess helper;
    const pid_t pid = helper.Ready() == 0 ? helper.Pid() : -1;
    if (::write(report[1], &pid, sizeof pid) != sizeof pid) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(report[1]);
  pid_t helper = -1;
  ASSERT_EQ(::read(report[0], &helper, sizeof helper), static_cast<ssize_t>(sizeof helper));
  ::close(report[0]);
  ASSERT_GT(helper, 0);
  ::kill(parent, SIGKILL);
  ::waitpid(parent, nullptr, 0);
  bool ended = false;
  for (int i = 0; i < 400 && !ended; ++i) {
    ended = ::waitpid(helper, nullptr, WNOHANG) == helper;
    if (!ended) ::usleep(5000);
  }
  EXPECT_TRUE(ended) << "the helper outlived its parent by 2 s";
}

}  // namespace
}  // namespace quorvel::test
