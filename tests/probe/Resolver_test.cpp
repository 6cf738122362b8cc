// Names resolve off the caller's loop, into every address in the system's order.
#include "probe/Resolver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/mount.h>

#include <fstream>
#include <string>
#include <vector>

#include "probe/PollLoop.h"

namespace quorvel::probe {
namespace {

using namespace std::chrono_literals;

// The system's own answer for a name, in its order.
std::vector<std::string> SystemOrder(const char* name) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  std::vector<std::string> texts;
  if (::getaddrinfo(name, nullptr, &hints, &found) != 0) return texts;
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* address =
        at->ai_family == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(at->ai_addr)->sin_addr)
            : &reinterpret_cast<sockaddr_in6*>(at->ai_addr)->sin6_addr;
    texts.push_back(::inet_ntop(at->ai_family, address, text, sizeof text));
  }
  ::freeaddrinfo(found);
  return texts;
}

TEST(Resolver, GivesEveryAddressOfANameInTheSystemsOrderAndFailuresWithTheirText) {
  // A hosts file of the test's own, in its own mount namespace.
  const std::string hosts = testing::TempDir() + "/hosts";
  std::ofstream(hosts) << "192.0.2.7 both.test\n2001:db8::7 both.test\n";
  ASSERT_EQ(::mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr), 0);
  std::vector<Resolution> done;
  Resolver resolver([&](const Resolution& r) { done.push_back(r); });
  const std::uint64_t local = resolver.Resolve("both.test");
  const std::uint64_t literal = resolver.Resolve("2001:db8::5");
  // No name server answers in the test's namespace: a temporary failure.
  const std::uint64_t unknown = resolver.Resolve("host.invalid");
  const std::uint64_t cancelled = resolver.Resolve("other.invalid");
  EXPECT_TRUE(resolver.Cancel(cancelled));
  Driven* parts[] = {&resolver};
  PollUntil(parts, Clock::now() + 10s, [&] { return done.size() >= 3; });
  PollUntil(parts, Clock::now() + 200ms, [] { return false; });
  ASSERT_EQ(done.size(), 3u) << "the cancelled name ends in nothing";
  for (const Resolution& r : done) {
    if (r.id == local) {
      std::vector<std::string> texts;
      for (const wire::IpAddress& a : r.addresses) texts.push_back(wire::ToText(a));
      EXPECT_EQ(texts.size(), 2u) << "both families";
      EXPECT_EQ(texts, SystemOrder("both.test"));
    } else if (r.id == literal) {
      ASSERT_EQ(r.addresses.size(), 1u);
      EXPECT_EQ(wire::ToText(r.addresses[0]), "2001:db8::5");
    } else {
      EXPECT_EQ(r.id, unknown);
      EXPECT_TRUE(r.addresses.empty());
      EXPECT_NE(r.error, 0);
      EXPECT_FALSE(r.message.empty());
    }
  }
}

}  // namespace
}  // namespace quorvel::probe
