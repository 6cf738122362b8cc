#include "helper/HelperLaunch.h"

#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace quorvel::helper {
namespace {

// Both ends of one channel; the user keeps `ours`.
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
  posix_spawn_file_actions_adddup2(&actions, control.helpers, wire::kControlChannel);
  posix_spawn_file_actions_adddup2(&actions, data.helpers, wire::kDataChannel);
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
  if (failed != 0) {
    errno = failed;
    return std::nullopt;
  }
  return pid;
}

void Reap(pid_t pid) {
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::optional<wire::HelperResult> AwaitHelperResult(int control, wire::HelperMessage kind,
                                                    int timeoutMs) {
  pollfd watched{control, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&watched, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return std::nullopt;
  std::array<std::uint8_t, wire::kResultSize + 1> bytes{};
  const ssize_t size = ::recv(control, bytes.data(), bytes.size(), 0);
  if (size <= 0) return std::nullopt;
  return wire::ParseResult({bytes.data(), static_cast<std::size_t>(size)}, kind);
}

std::optional<HelperProcess> LaunchHelper(const std::string& path, int readyMs,
                                          wire::HelperResult* ready) {
  Channel control;
  Channel data;
  if (!control.Open() || !data.Open()) {
    control.CloseAll();
    return std::nullopt;
  }
  const std::optional<pid_t> pid = Spawn(path, control, data);
  const int spawnError = errno;
  control.CloseHelpers();
  data.CloseHelpers();
  std::optional<wire::HelperResult> said;
  if (pid) said = AwaitHelperResult(control.ours, wire::HelperMessage::kReady, readyMs);
  if (!said) {
    if (pid) Reap(*pid);
    control.CloseAll();
    data.CloseAll();
    errno = pid ? EACCES : spawnError;
    return std::nullopt;
  }
  ::shutdown(data.ours, SHUT_WR);  // only the helper writes to it
  *ready = *said;
  return HelperProcess{*pid, control.ours, data.ours};
}

void EndHelper(const HelperProcess& process) {
  ::close(process.control);
  ::close(process.data);
  Reap(process.pid);
}

}  // namespace quorvel::helper
