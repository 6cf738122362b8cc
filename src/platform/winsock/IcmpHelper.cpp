#include "platform/winsock/IcmpHelper.h"

#include <dlfcn.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
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

#include "platform/echohelper/EchoHelperProtocol.h"
#include "platform/winsock/ErrorMap.h"
#include "platform/winsock/PosixSupport.h"

namespace quorvel::winsock {
namespace {

using namespace quorvel::echohelper;

// How long a helper may take to start, or to answer a command, before it
// counts as gone.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kDefaultTtl = 64;  // the system's, as a new raw socket has it

struct Helper {
  pid_t pid = 0;
  int control = -1;
  int ttl = kDefaultTtl;
  bool sendingShut = false;
};

struct Helpers {
  std::mutex mutex;
  std::map<int, Helper> byHandle;  // keyed by the data channel
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

void End(pid_t pid) {
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// The helper's next result on the control channel, or nullopt when it
// closed the channel or kept silent too long.
std::optional<std::int32_t> AwaitResult(int control, MessageKind kind) {
  pollfd watched{control, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&watched, 1, kAnswerTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return std::nullopt;
  std::array<std::uint8_t, kResultSize + 1> bytes{};
  const ssize_t size = ::recv(control, bytes.data(), bytes.size(), 0);
  std::int32_t error = 0;
  if (size <= 0 || !ParseResult({bytes.data(), static_cast<std::size_t>(size)}, kind, &error))
    return std::nullopt;
  return error;
}

// Both ends of one channel; the library keeps `ours`.
struct Channel {
  int ours = -1;
  int helpers = -1;
  bool Open() {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return false;
    ours = pair[0];
    helpers = pair[1];
    return true;
  }
  void CloseHelpers() {
    if (helpers >= 0) ::close(helpers);
    helpers = -1;
  }
  void CloseAll() {
    CloseHelpers();
    if (ours >= 0) ::close(ours);
    ours = -1;
  }
};

// Starts the helper with the channels on its descriptors 0 and 1, with no
// arguments, no environment and every signal at its default.
std::optional<pid_t> Spawn(const std::string& path, const Channel& control, const Channel& data) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return std::nullopt;
  }
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawn_file_actions_adddup2(&actions, control.helpers, kControlChannel);
  posix_spawn_file_actions_adddup2(&actions, data.helpers, kDataChannel);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
  char* const environment[] = {nullptr};
  pid_t pid = 0;
  const int failed =
      ::posix_spawn(&pid, path.c_str(), &actions, &attributes, arguments, environment);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return std::nullopt;
  return pid;
}

// A refusal of the right itself stays the refusal of the raw socket.
int OpenFailure(int error) {
  return error == EPERM || error == EACCES ? WSAEACCES : WsaErrorFromErrno(error);
}

}  // namespace

PosixResult IcmpHelperOpen() {
  const std::optional<std::string> path = HelperPath();
  Channel control;
  Channel data;
  if (!path || !control.Open() || !data.Open()) {
    control.CloseAll();
    return Failure(WSAEACCES);
  }
  const std::optional<pid_t> pid = Spawn(*path, control, data);
  control.CloseHelpers();
  data.CloseHelpers();
  // A helper that is missing, fails to start or goes silent is a refusal.
  const int error = pid ? AwaitResult(control.ours, MessageKind::kReady).value_or(EACCES) : EACCES;
  if (error != 0) {
    if (pid) End(*pid);
    control.CloseAll();
    data.CloseAll();
    return Failure(OpenFailure(error));
  }
  ::shutdown(data.ours, SHUT_WR);  // only the helper writes to it
  Helpers& helpers = TheHelpers();
  const std::lock_guard lock(helpers.mutex);
  helpers.byHandle[data.ours] = {*pid, control.ours, kDefaultTtl, false};
  return Success(data.ours);
}

PosixResult IcmpHelperSend(int fd, const char* data, int length, int flags, const TSockAddrIn* to) {
  const std::optional<Helper> helper = FindHelper(fd);
  if (!helper) return Failure(WSAENOTSOCK);
  if (PosixMessageFlags(flags) != 0) return Failure(WSAEOPNOTSUPP);
  if (helper->sendingShut) return Failure(WSAESHUTDOWN);
  if (to == nullptr) return Failure(WSAEDESTADDRREQ);
  if (static_cast<std::size_t>(length) > kMaxEchoRequest) return Failure(WSAEMSGSIZE);
  const std::vector<std::uint8_t> command = BuildCommand(
      {to->sin_addr.S_addr,
       static_cast<std::uint8_t>(helper->ttl),
       {reinterpret_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length)}});
  if (::send(helper->control, command.data(), command.size(), MSG_NOSIGNAL) < 0)
    return Failure(WSAENETDOWN);
  const std::optional<std::int32_t> error = AwaitResult(helper->control, MessageKind::kResult);
  if (!error) return Failure(WSAENETDOWN);
  if (*error != 0) return Failure(WsaErrorFromSocketErrno(*error, true));
  return Success(length);
}

PosixResult IcmpHelperReceive(int fd, char* buffer, int length, int flags, TSockAddrIn* from) {
  const int posixFlags = PosixMessageFlags(flags);
  if (posixFlags < 0 || (posixFlags & MSG_OOB) != 0) return Failure(WSAEOPNOTSUPP);
  // The sender is read from the datagram's header even when the caller's
  // buffer is too small to hold it.
  thread_local std::array<char, kMaxDatagram> datagram;
  const ssize_t size = ::recv(fd, datagram.data(), datagram.size(), posixFlags);
  if (size < 0) return TransferFailure(true);
  if (size == 0) return Failure(WSAENETDOWN);  // the helper has gone
  const auto received = static_cast<std::size_t>(size);
  if (length > 0)
    std::memcpy(buffer, datagram.data(), std::min(received, static_cast<std::size_t>(length)));
  if (from != nullptr && received >= 20) {
    *from = {};
    from->sin_family = AF_INET_WS;
    std::memcpy(&from->sin_addr.S_addr, datagram.data() + 12, sizeof from->sin_addr.S_addr);
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
  std::optional<Helper> helper;
  {
    Helpers& helpers = TheHelpers();
    const std::lock_guard lock(helpers.mutex);
    const auto found = helpers.byHandle.find(fd);
    if (found != helpers.byHandle.end()) {
      helper = found->second;
      helpers.byHandle.erase(found);
    }
  }
  if (helper) {
    ::close(helper->control);
    End(helper->pid);
  }
  ::close(fd);
}

}  // namespace quorvel::winsock
