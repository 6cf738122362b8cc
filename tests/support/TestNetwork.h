// Network namespaces and veth links that a test program builds inside its own
// network namespace, so routers and silent hosts are real kernels' answers.
// Everything made is removed when the object goes, also after failed tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

class TestNetwork {
 public:
  // Names are prefixed with the process id, so programs never share them.
  TestNetwork();
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // A namespace with loopback up, no ICMP rate limits and no redirects;
  // routers also forward. Returns its full name.
  std::string AddNamespace(const std::string& name, bool forwards);
  // A veth pair between two namespaces ("" is the program's own), each end
  // with an address in prefix notation, both up.
  void Link(const std::string& nsA, const std::string& addressA, const std::string& nsB,
            const std::string& addressB);
  void Route(const std::string& ns, const std::string& prefix, const std::string& via);
  // What the namespace sends itself over IPv4 (a router's time exceeded or
  // unreachable) goes nowhere, while it still forwards: a hop that never answers.
  void Silence(const std::string& ns);
  // Writes a value under /proc/sys/net of the namespace, e.g. "ipv4/ip_forward".
  void SetSysctl(const std::string& ns, const std::string& key, const std::string& value);

  // Runs a function on a thread that has entered the namespace; sockets it
  // opens belong there. Exceptions are passed on.
  static void InNamespace(const std::string& fullName, const std::function<void()>& work);

 private:
  std::string FullName(const std::string& ns) const;

  std::string prefix_;
  std::vector<std::string> namespaces_;
};

// Runs a command without a shell; std::runtime_error names the command
// when it cannot run or exits with another status than 0.
void RunCommand(const std::vector<std::string>& argv);

}  // namespace quorvel::test
