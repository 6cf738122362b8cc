#include "support/IcmpPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <system_error>

#include "support/ScopedFd.h"

namespace quorvel::test {
namespace {

constexpr int kWaitForRequestMs = 10'000;
constexpr std::uint8_t kEchoRequest = 8;

std::system_error SystemError(const std::string& what) {
  return std::system_error(errno, std::generic_category(), what);
}

std::size_t HeaderLength(std::span<const std::uint8_t> datagram) {
  return std::size_t{datagram[0] & 0x0Fu} * 4;
}

// Sends from `source` (IP_PKTINFO) when given, else from the route's address.
bool SendAnswer(int fd, const PeerAnswer& answer, const sockaddr_in& to) {
  iovec data{const_cast<std::uint8_t*>(answer.message.data()), answer.message.size()};
  msghdr message{};
  message.msg_name = const_cast<sockaddr_in*>(&to);
  message.msg_namelen = sizeof to;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  if (!answer.source.empty()) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    if (inet_pton(AF_INET, answer.source.c_str(), &info.ipi_spec_dst) != 1) return false;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
  }
  return sendmsg(fd, &message, 0) == static_cast<ssize_t>(answer.message.size());
}

}  // namespace

std::vector<std::uint8_t> IcmpMessage(std::uint8_t type, std::uint8_t code,
                                      std::span<const std::uint8_t> body) {
  std::vector<std::uint8_t> message(4 + body.size());
  message[0] = type;
  message[1] = code;
  std::copy(body.begin(), body.end(), message.begin() + 4);
  // RFC 1071 over big-endian words; stored big-endian.
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < message.size(); i += 2) {
    const std::uint32_t low = i + 1 < message.size() ? message[i + 1] : 0;
    sum += std::uint32_t{message[i]} << 8 | low;
  }
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  message[2] = static_cast<std::uint8_t>(~sum >> 8);
  message[3] = static_cast<std::uint8_t>(~sum);
  return message;
}

std::vector<std::uint8_t> EchoIdAndSequence(std::span<const std::uint8_t> request) {
  const auto at = request.begin() + static_cast<std::ptrdiff_t>(HeaderLength(request)) + 4;
  return {at, at + 4};
}

IcmpPeer::IcmpPeer(const std::string& fullNamespace, int protocol, PeerScript script,
                   std::vector<std::uint8_t> ipOptions, bool everyRequest)
    : script_(std::move(script)), everyRequest_(everyRequest) {
  std::promise<int> ready;
  std::future<int> socket = ready.get_future();
  server_ = std::jthread([&, fullNamespace, protocol, ipOptions](std::stop_token stop) {
    int fd = -1;
    try {
      const ScopedFd ns(open(("/run/netns/" + fullNamespace).c_str(), O_RDONLY | O_CLOEXEC));
      if (!ns || setns(ns.get(), CLONE_NEWNET) != 0) throw SystemError("setns " + fullNamespace);
      fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, protocol);
      if (fd < 0) throw SystemError("raw socket");
      if (!ipOptions.empty() && setsockopt(fd, IPPROTO_IP, IP_OPTIONS, ipOptions.data(),
                                           static_cast<socklen_t>(ipOptions.size())) != 0) {
        ::close(fd);
        throw SystemError("IP_OPTIONS");
      }
      ready.set_value(fd);
    } catch (...) {
      ready.set_exception(std::current_exception());
      return;
    }
    const ScopedFd owned(fd);
    Serve(stop, fd);
  });
  socket.get();
}

IcmpPeer::~IcmpPeer() = default;

int IcmpPeer::AnswersSent() {
  if (server_.joinable()) server_.join();
  return sent_.load();
}

void IcmpPeer::Serve(std::stop_token stop, int fd) {
  std::uint8_t buffer[2048];
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitForRequestMs);
  while (!stop.stop_requested() && std::chrono::steady_clock::now() < end) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, 50) <= 0) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n =
        recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 20) continue;
    const std::span<const std::uint8_t> request(buffer, static_cast<std::size_t>(n));
    const bool isIcmp = buffer[9] == IPPROTO_ICMP;
    if (isIcmp && (HeaderLength(request) + 8 > request.size() ||
                   request[HeaderLength(request)] != kEchoRequest))
      continue;
    for (const PeerAnswer& answer : script_(request)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
      if (SendAnswer(fd, answer, from)) ++sent_;
    }
    if (!everyRequest_) return;
  }
}

}  // namespace quorvel::test
