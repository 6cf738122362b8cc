#include "support/NotificationServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace quorvel::test {

NotificationServer::NotificationServer() {
  char folder[] = "/tmp/quorvel-notify-XXXXXX";
  if (::mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp");
  folder_ = folder;
  display_ =
      ":" + Start({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "640x480x24"}, 3);
  bus_ = Start({"dbus-daemon", "--session", "--nofork", "--print-address=3",
                "--address=unix:path=" + folder_ + "/bus"},
               3);
  // dunst says nothing when it is ready; the test waits for its name on the bus.
  std::string displayVariable = "DISPLAY=" + display_;
  std::string busVariable = "DBUS_SESSION_BUS_ADDRESS=" + bus_;
  std::string config = folder_ + "/none";
  char* const environment[] = {displayVariable.data(), busVariable.data(), nullptr};
  char* const arguments[] = {const_cast<char*>("dunst"), const_cast<char*>("-config"),
                             config.data(), nullptr};
  const pid_t dunst = ::fork();
  if (dunst == 0) {
    ::execvpe("dunst", arguments, environment);
    ::_exit(127);
  }
  if (dunst < 0) throw std::runtime_error("fork dunst");
  children_.push_back(dunst);
}

NotificationServer::~NotificationServer() {
  for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
    ::kill(*child, SIGTERM);
    ::waitpid(*child, nullptr, 0);
  }
  std::filesystem::remove_all(folder_);
}

std::string NotificationServer::Start(std::vector<std::string> argv, int reportFd) {
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  int report[2];
  if (::pipe(report) != 0) throw std::runtime_error("pipe");
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(report[1], reportFd);
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(report[1]);
  if (child < 0) throw std::runtime_error("fork " + argv[0]);
  children_.push_back(child);
  std::string line;
  pollfd watched{report[0], POLLIN, 0};
  char c = 0;
  while (::poll(&watched, 1, 10000) == 1 && ::read(report[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(report[0]);
  if (line.empty()) throw std::runtime_error(argv[0] + " did not start");
  return line;
}

}  // namespace quorvel::test
