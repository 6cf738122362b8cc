#include "support/ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/ScopedFd.h"

extern char** environ;

namespace quorvel::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  char folder[] = "/tmp/quorvel-child-XXXXXX";
  if (::mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp");
  output_ = std::string(folder) + "/output";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int error = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
}

ChildProcess::~ChildProcess() {
  if (!Wait(std::chrono::milliseconds(0))) {
    Signal(SIGTERM);
    if (!Wait(std::chrono::seconds(5))) {
      Signal(SIGKILL);
      Wait(std::chrono::seconds(5));
    }
  }
  const std::string folder = output_.substr(0, output_.rfind('/'));
  ::unlink(output_.c_str());
  ::rmdir(folder.c_str());
}

void ChildProcess::Signal(int signal) const {
  if (!status_) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!status_) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_)
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    else if (std::chrono::steady_clock::now() >= end)
      break;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

std::string ChildProcess::Output() const {
  std::ostringstream text;
  text << std::ifstream(output_).rdbuf();
  return text.str();
}

std::string HttpGet(int port, const std::string& target, const std::string& headers) {
  const ScopedFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) return {};
  const std::string request =
      "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n";
  if (::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) < 0) return {};
  std::string answer;
  answer.reserve(std::size_t{4} << 20);  // a thousand targets' figures, read without regrowing
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  char buffer[65536];
  while (std::chrono::steady_clock::now() < end) {
    pollfd waiting{fd.get(), POLLIN, 0};
    if (::poll(&waiting, 1, 100) <= 0) continue;
    const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  return answer;
}

}  // namespace quorvel::test
