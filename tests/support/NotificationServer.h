// A real desktop notification server for tests: a private session bus
// (dbus-daemon) and Debian's dunst on it, drawing on a virtual display
// (Xvfb) of its own. Everything started is ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvel::test {

class NotificationServer {
 public:
  // Ready when constructed: the bus answers and dunst has started; throws
  // std::runtime_error naming the program that could not start.
  NotificationServer();
  ~NotificationServer();
  NotificationServer(const NotificationServer&) = delete;
  NotificationServer& operator=(const NotificationServer&) = delete;

  // The private bus, for QDBusConnection::connectToBus.
  const std::string& BusAddress() const { return bus_; }

 private:
  // Starts a program whose first line on the descriptor `reportFd` (in the
  // child) says it is ready; returns that line.
  std::string Start(std::vector<std::string> argv, int reportFd);

  std::vector<pid_t> children_;
  std::string display_;
  std::string bus_;
  std::string folder_;
};

}  // namespace quorvel::test
