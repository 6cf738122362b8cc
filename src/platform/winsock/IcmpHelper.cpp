#include "platform/winsock/IcmpHelper.h"

#include <dlfcn.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "helper/HelperLaunch.h"
#include "platform/winsock/ErrorMap.h"
#include "platform/winsock/IcmpFrames.h"
#include "platform/winsock/PosixSupport.h"
#include "wire/HelperMessages.h"
#include "wire/IpHeader.h"

namespace quorvel::winsock {
namespace {

using namespace quorvel::wire;

// How long a helper may take to start, or to answer a command, before it
// counts as gone.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kDefaultTtl = 64;  // the system's, as a new raw socket has it

struct Helper {
  helper::HelperProcess process;
  int ttl = kDefaultTtl;
  bool sendingShut = false;
};

struct Helpers {
  // The library's unloading ends the helpers it kept.
  ~Helpers() {
    for (const auto& [fd, helper] : byHandle) helper::EndHelper(helper.process);
  }
  std::mutex mutex;
  std::map<int, Helper> byHandle;  // keyed by the data channel
  std::vector<int> waiting;        // handles of helpers that serve no socket now
};

Helpers& TheHelpers() {
  static Helpers helpers;
  return helpers;
}

std::optional<Helper> FindHelper(int fd) {
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  const auto found = helpers.byHandle.find(fd);
  if (found == helpers.byHandle.end()) return std::nullopt;
  return found->second;
}

template <typename Change>
void ChangeHelper(int fd, Change change) {
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  const auto found = helpers.byHandle.find(fd);
  if (found != helpers.byHandle.end()) change(found->second);
}

// The helper beside this library, by its absolute path: never looked up
// along a search path.
std::optional<std::string> HelperPath() {
  Dl_info self{};
  if (::dladdr(reinterpret_cast<void*>(&IcmpHelperOpen), &self) == 0 || self.dli_fname == nullptr)
    return std::nullopt;
  char resolved[PATH_MAX];
  if (::realpath(self.dli_fname, resolved) == nullptr) return std::nullopt;
  std::string path = resolved;
  path.erase(path.rfind('/') + 1);
  return path + kHelperFileName;
}

// A refusal of the right itself stays the refusal of the raw socket.
int OpenFailure(int error) {
  return error == EPERM || error == EACCES ? WSAEACCES : WsaErrorFromErrno(error);
}

// A helper that waits for a socket and is still there, taken out of the
// waiting list; -1 when there is none.
int TakeWaiting() {
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  while (!helpers.waiting.empty()) {
    const int fd = helpers.waiting.back();
    helpers.waiting.pop_back();
    pollfd watched{helpers.byHandle[fd].process.control, POLLIN, 0};
    // A helper that has ended leaves its control channel hung up.
    if (::poll(&watched, 1, 0) == 0) return fd;
    helper::EndHelper(helpers.byHandle[fd].process);
    helpers.byHandle.erase(fd);
  }
  return -1;
}

}  // namespace

PosixResult IcmpHelperOpen() {
  if (const int waiting = TakeWaiting(); waiting >= 0) return Success(waiting);
  const std::optional<std::string> path = HelperPath();
  HelperResult ready;
  const std::optional<helper::HelperProcess> process =
      path ? helper::LaunchHelper(*path, kAnswerTimeoutMs, &ready) : std::nullopt;
  // A helper that is missing, fails to start or goes silent is a refusal.
  if (!process) return Failure(WSAEACCES);
  if (ready.error != 0) {
    helper::EndHelper(*process);
    return Failure(OpenFailure(ready.error));
  }
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  helpers.byHandle[process->data] = {*process, kDefaultTtl, false};
  return Success(process->data);
}

PosixResult IcmpHelperSend(int fd, const char* data, int length, int flags, const TSockAddrIn* to) {
  const std::optional<Helper> helper = FindHelper(fd);
  if (!helper) return Failure(WSAENOTSOCK);
  if (PosixMessageFlags(flags) != 0) return Failure(WSAEOPNOTSUPP);
  if (helper->sendingShut) return Failure(WSAESHUTDOWN);
  if (to == nullptr) return Failure(WSAEDESTADDRREQ);
  if (static_cast<std::size_t>(length) > kHelperMaxRequest) return Failure(WSAEMSGSIZE);
  std::array<std::uint8_t, 4> address;
  std::memcpy(address.data(), &to->sin_addr.S_addr, address.size());
  const std::vector<std::uint8_t> command = BuildCommand(
      {IpAddress::V4(address),
       static_cast<std::uint8_t>(helper->ttl),
       {reinterpret_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length)}});
  if (::send(helper->process.control, command.data(), command.size(), MSG_NOSIGNAL) < 0)
    return Failure(WSAENETDOWN);
  const std::optional<HelperResult> result =
      helper::AwaitHelperResult(helper->process.control, HelperMessage::kResult, kAnswerTimeoutMs);
  if (!result) return Failure(WSAENETDOWN);
  if (result->error != 0) return Failure(WsaErrorFromSocketErrno(result->error, true));
  return Success(length);
}

PosixResult IcmpHelperReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from) {
  const int posixFlags = PosixMessageFlags(flags);
  if (posixFlags < 0 || (posixFlags & MSG_OOB) != 0) return Failure(WSAEOPNOTSUPP);
  thread_local std::array<std::uint8_t, kHelperMaxRelay> relayed;
  const ssize_t size = ::recv(fd, relayed.data(), relayed.size(), posixFlags);
  if (size < 0) return TransferFailure(true);
  if (size == 0) return Failure(WSAENETDOWN);  // the helper has gone
  const std::optional<Relay> relay = ParseRelay({relayed.data(), static_cast<std::size_t>(size)});
  if (!relay || relay->source.family != Family::kIpv4) return Failure(WSAENETDOWN);
  Ipv4Fields header;
  std::memcpy(&header.source, relay->source.bytes.data(), sizeof header.source);
  std::memcpy(&header.destination, relay->destination.bytes.data(), sizeof header.destination);
  header.ttl = relay->ttl;
  const std::vector<std::uint8_t> datagram = FrameIcmpMessage(header, relay->message);
  const std::size_t received = datagram.size();
  if (length > 0)
    std::memcpy(buffer, datagram.data(), std::min(received, static_cast<std::size_t>(length)));
  if (from != nullptr) {
    *from = {};
    from->sin_family = AF_INET_WS;
    from->sin_addr.S_addr = header.source;
  }
  if (received > static_cast<std::size_t>(std::max(length, 0))) return Failure(WSAEMSGSIZE);
  return Success(static_cast<int>(received));
}

int IcmpHelperSetOption(int fd, int name, const char* value, int length) {
  if (name != IP_TTL_WS) return WSAENOPROTOOPT;
  if (value == nullptr || length < static_cast<int>(sizeof(std::int32_t))) return WSAEFAULT;
  std::int32_t ttl = 0;
  std::memcpy(&ttl, value, sizeof ttl);
  if (ttl == -1) ttl = kDefaultTtl;
  if (ttl < 1 || ttl > 255) return WSAEINVAL;
  ChangeHelper(fd, [ttl](Helper& helper) { helper.ttl = ttl; });
  return 0;
}

int IcmpHelperGetOption(int fd, int name, char* value, int* length) {
  if (name != IP_TTL_WS) return WSAENOPROTOOPT;
  if (value == nullptr || length == nullptr || *length < static_cast<int>(sizeof(std::int32_t)))
    return WSAEFAULT;
  const std::optional<Helper> helper = FindHelper(fd);
  if (!helper) return WSAENOTSOCK;
  const std::int32_t ttl = helper->ttl;
  std::memcpy(value, &ttl, sizeof ttl);
  *length = sizeof ttl;
  return 0;
}

PosixResult IcmpHelperShutdown(int fd, int how) {
  if (how < SD_RECEIVE || how > SD_BOTH) return Failure(WSAEINVAL);
  if (how != SD_RECEIVE) ChangeHelper(fd, [](Helper& helper) { helper.sendingShut = true; });
  return Failure(WSAENOTCONN);
}

PosixResult IcmpHelperLocalAddress(int, TSockAddrIn* address) {
  *address = {};
  address->sin_family = AF_INET_WS;
  return Success(0);
}

PosixResult IcmpHelperPeerAddress(int, TSockAddrIn*) { return Failure(WSAENOTCONN); }

void IcmpHelperClose(int fd) {
  // What it passed on for the socket that ends is no answer for the next.
  std::array<std::uint8_t, kHelperMaxRelay> stale;
  for (int i = 0; i < 4096 && ::recv(fd, stale.data(), stale.size(), MSG_DONTWAIT) > 0; ++i) {
  }
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  const auto found = helpers.byHandle.find(fd);
  if (found == helpers.byHandle.end()) {
    ::close(fd);
    return;
  }
  found->second.ttl = kDefaultTtl;
  found->second.sendingShut = false;
  helpers.waiting.push_back(fd);
}

}  // namespace quorvel::winsock
