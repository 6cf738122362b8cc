#include "support/EchoPeer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <system_error>

#include "support/ScopedFd.h"
#include "wire/Checksum.h"
#include "wire/Icmp.h"
#include "wire/IpHeader.h"

namespace quorvel::test {
namespace {

void Write(const std::string& path, const char* value) { std::ofstream(path) << value << '\n'; }

void Serve(int fd, wire::Family family, std::size_t count, const EchoScript& script,
           std::stop_token stop) {
  std::vector<EchoRequestSeen> seen;
  std::vector<sockaddr_in6> senders;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::uint8_t buffer[4096];
  while (seen.size() < count && !stop.stop_requested() && std::chrono::steady_clock::now() < end) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    sockaddr_in6 from{};
    socklen_t size = sizeof from;
    const ssize_t n =
        ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n <= 0) continue;
    std::span<const std::uint8_t> message(buffer, static_cast<std::size_t>(n));
    wire::IpAddress source;
    if (family == wire::Family::kIpv4) {
      const auto header = wire::ReadIpv4(message);
      if (!header) continue;
      message = header->payload;
      source = header->source;
    } else {
      source = wire::IpAddress::V6(std::span<const std::uint8_t, 16>(from.sin6_addr.s6_addr, 16));
    }
    if (message.size() < 8 || message[0] != wire::EchoRequestType(family)) continue;
    seen.push_back({source, {message.begin(), message.end()}});
    senders.push_back(from);
  }
  for (EchoAnswer& answer : script(seen)) {
    if (stop.stop_requested()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
    if (family == wire::Family::kIpv4) wire::StoreChecksum(answer.message, 2);
    const sockaddr_in6& to = senders.at(answer.to);
    ::sendto(fd, answer.message.data(), answer.message.size(), 0,
             reinterpret_cast<const sockaddr*>(&to),
             family == wire::Family::kIpv4 ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
  }
}

// Starts `serve` on a thread in the namespace, with a raw socket of the
// family there; the namespace's own echo replies are off.
std::jthread ServeInNamespace(const std::string& fullNamespace, wire::Family family,
                              std::function<void(std::stop_token, int)> serve) {
  std::promise<void> ready;
  std::future<void> started = ready.get_future();
  std::jthread server([&ready, fullNamespace, family, serve](std::stop_token stop) {
    int fd = -1;
    try {
      const ScopedFd ns(::open(("/run/netns/" + fullNamespace).c_str(), O_RDONLY | O_CLOEXEC));
      if (!ns || ::setns(ns.get(), CLONE_NEWNET) != 0)
        throw std::system_error(errno, std::generic_category(), "setns " + fullNamespace);
      Write("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1");
      Write("/proc/sys/net/ipv6/icmp/echo_ignore_all", "1");
      const bool v4 = family == wire::Family::kIpv4;
      fd = ::socket(v4 ? AF_INET : AF_INET6, SOCK_RAW | SOCK_CLOEXEC,
                    v4 ? int{IPPROTO_ICMP} : int{IPPROTO_ICMPV6});
      if (fd < 0) throw std::system_error(errno, std::generic_category(), "raw socket");
      ready.set_value();
    } catch (...) {
      ready.set_exception(std::current_exception());
      return;
    }
    const ScopedFd owned(fd);
    serve(stop, fd);
  });
  started.get();
  return server;
}

}  // namespace

std::vector<std::uint8_t> ReplyTo(const EchoRequestSeen& request) {
  std::vector<std::uint8_t> reply = request.message;
  reply[0] = wire::EchoReplyType(request.from.family);
  reply[2] = reply[3] = 0;
  return reply;
}

EchoPeer::EchoPeer(const std::string& fullNamespace, wire::Family family, std::size_t count,
                   EchoScript script)
    : server_(ServeInNamespace(fullNamespace, family, [=](std::stop_token stop, int fd) {
        Serve(fd, family, count, script, stop);
      })) {}

SteadyEchoPeer::SteadyEchoPeer(const std::string& fullNamespace, wire::Family family, int delayMs,
                               int loseEvery)
    : server_(ServeInNamespace(fullNamespace, family, [=](std::stop_token stop, int fd) {
        int count = 0;
        const EchoScript script = [&](const std::vector<EchoRequestSeen>& seen) {
          if (seen.empty() || ++count % loseEvery == 0) return std::vector<EchoAnswer>{};
          return std::vector<EchoAnswer>{{0, ReplyTo(seen[0]), delayMs}};
        };
        while (!stop.stop_requested()) Serve(fd, family, 1, script, stop);
      })) {}

SteadyEchoPeer::~SteadyEchoPeer() = default;

EchoPeer::~EchoPeer() = default;

}  // namespace quorvel::test
