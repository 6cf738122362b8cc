#include "support/EchoHelperProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "wire/HelperMessages.h"

namespace quorvel::test {
namespace {

using namespace quorvel::wire;

[[noreturn]] void Fail(const char* call) {
  throw std::system_error(errno, std::generic_category(), call);
}

bool Readable(int fd, int timeoutMs) {
  pollfd watched{fd, POLLIN, 0};
  return ::poll(&watched, 1, timeoutMs) == 1;
}

std::optional<HelperResult> Result(int fd, HelperMessage kind) {
  if (!Readable(fd, 2000)) return std::nullopt;
  std::array<std::uint8_t, kResultSize + 1> bytes{};
  const ssize_t size = ::recv(fd, bytes.data(), bytes.size(), 0);
  if (size <= 0) return std::nullopt;
  return ParseResult({bytes.data(), static_cast<std::size_t>(size)}, kind);
}

}  // namespace

std::string EchoHelperProcess::Path() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / kHelperFileName).string();
}

EchoHelperProcess::EchoHelperProcess() {
  int control[2];
  int data[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, control) != 0) Fail("socketpair");
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, data) != 0) Fail("socketpair");
  const std::string path = Path();
  pid_ = ::fork();
  if (pid_ < 0) Fail("fork");
  if (pid_ == 0) {
    ::dup2(control[1], kControlChannel);
    ::dup2(data[1], kDataChannel);
    char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
    char* const environment[] = {nullptr};
    ::execve(path.c_str(), arguments, environment);
    ::_exit(127);
  }
  ::close(control[1]);
  ::close(data[1]);
  control_ = ScopedFd(control[0]);
  data_ = ScopedFd(data[0]);
}

EchoHelperProcess::~EchoHelperProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::optional<int> EchoHelperProcess::Ready() {
  if (!ready_) ready_ = Result(control_.get(), HelperMessage::kReady);
  if (!ready_) return std::nullopt;
  return ready_->error;
}

std::optional<int> EchoHelperProcess::Ipv6Ready() {
  if (!Ready()) return std::nullopt;
  return static_cast<int>(ready_->sentNs);
}

std::optional<int> EchoHelperProcess::Command(std::span<const std::uint8_t> bytes) {
  if (::send(control_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) return std::nullopt;
  const std::optional<HelperResult> result = Result(control_.get(), HelperMessage::kResult);
  if (!result) return std::nullopt;
  return result->error;
}

std::optional<std::vector<std::uint8_t>> EchoHelperProcess::Datagram(int timeoutMs) {
  if (!Readable(data_.get(), timeoutMs)) return std::nullopt;
  std::vector<std::uint8_t> bytes(kHelperMaxRelay);
  const ssize_t size = ::recv(data_.get(), bytes.data(), bytes.size(), MSG_DONTWAIT);
  if (size <= 0) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(size));
  return bytes;
}

void EchoHelperProcess::CloseControl() { control_ = ScopedFd(); }

bool EchoHelperProcess::EndsWithin(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool EchoHelperAllowed() {
  try {
    EchoHelperProcess helper;
    return helper.Ready() == 0;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace quorvel::test
