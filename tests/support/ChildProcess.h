// A program that a test starts and ends: its standard output and error go
// to a file the test can read, and it is killed when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

class ChildProcess {
 public:
  // Starts argv[0] (a path, or a name on the PATH); std::runtime_error when
  // it cannot.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Signal(int signal) const;
  // The exit status once it ended within `limit` (128 + the signal that
  // ended it); nullopt while it still runs.
  std::optional<int> Wait(std::chrono::milliseconds limit);
  // What it wrote so far, both streams together.
  std::string Output() const;

 private:
  std::string output_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// The answer to an HTTP GET of `target` (such as "/metrics") from
// 127.0.0.1:port, with its headers; empty when none came within 10 s.
std::string HttpGet(int port, const std::string& target, const std::string& headers = "");

}  // namespace quorvel::test
