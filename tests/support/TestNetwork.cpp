#include "support/TestNetwork.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "support/ScopedFd.h"

extern char** environ;

namespace quorvel::test {

void RunCommand(const std::vector<std::string>& argv) {
  std::string text;
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    text += (text.empty() ? "" : " ") + arg;
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) != 0)
    throw std::runtime_error("cannot start: " + text);
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("failed: " + text);
}

namespace {

// Links are numbered across the whole program: a veth end left by an earlier
// network goes with its namespace only after a while, so names never repeat.
std::atomic<int> LinksMade{0};

}  // namespace

TestNetwork::TestNetwork() : prefix_("q" + std::to_string(getpid())) {}

TestNetwork::~TestNetwork() {
  // Deleting a namespace also removes the veth ends inside it.
  for (const std::string& name : namespaces_) {
    try {
      RunCommand({"ip", "netns", "delete", name});
    } catch (const std::exception&) {
      // Nothing more can be done here; the namespace dies with the program's own.
    }
  }
}

std::string TestNetwork::FullName(const std::string& ns) const { return prefix_ + ns; }

std::string TestNetwork::AddNamespace(const std::string& name, bool forwards) {
  const std::string full = FullName(name);
  RunCommand({"ip", "netns", "add", full});
  namespaces_.push_back(full);
  RunCommand({"ip", "-n", full, "link", "set", "lo", "up"});
  // Set before any link moves in, so every interface takes these values.
  for (const char* conf : {"all", "default"})
    SetSysctl(name, std::string("ipv4/conf/") + conf + "/send_redirects", "0");
  SetSysctl(name, "ipv4/icmp_ratemask", "0");
  SetSysctl(name, "ipv4/ip_forward", forwards ? "1" : "0");
  return full;
}

void TestNetwork::Link(const std::string& nsA, const std::string& addressA, const std::string& nsB,
                       const std::string& addressB) {
  const std::string id = std::to_string(++LinksMade);
  const struct {
    const std::string& ns;
    const std::string& address;
    std::string device;
  } ends[] = {{nsA, addressA, prefix_ + "a" + id}, {nsB, addressB, prefix_ + "b" + id}};
  RunCommand({"ip", "link", "add", ends[0].device, "type", "veth", "peer", "name", ends[1].device});
  for (const auto& end : ends) {
    std::vector<std::string> ip{"ip"};
    if (!end.ns.empty()) {
      RunCommand({"ip", "link", "set", end.device, "netns", FullName(end.ns)});
      ip = {"ip", "-n", FullName(end.ns)};
    }
    auto command = [&ip](std::vector<std::string> rest) {
      std::vector<std::string> argv = ip;
      argv.insert(argv.end(), rest.begin(), rest.end());
      RunCommand(argv);
    };
    command({"addr", "add", end.address, "dev", end.device});
    command({"link", "set", end.device, "up"});
  }
}

void TestNetwork::Route(const std::string& ns, const std::string& prefix, const std::string& via) {
  if (ns.empty())
    RunCommand({"ip", "route", "add", prefix, "via", via});
  else
    RunCommand({"ip", "-n", FullName(ns), "route", "add", prefix, "via", via});
}

void TestNetwork::Silence(const std::string& ns) {
  // Rules for "iif lo" match only what the namespace sends itself.
  RunCommand(
      {"ip", "-n", FullName(ns), "rule", "add", "iif", "lo", "lookup", "100", "pref", "100"});
  RunCommand({"ip", "-n", FullName(ns), "route", "add", "blackhole", "0.0.0.0/0", "table", "100"});
}

void TestNetwork::SetSysctl(const std::string& ns, const std::string& key,
                            const std::string& value) {
  auto write = [&] {
    std::ofstream file("/proc/sys/net/" + key);
    file << value << '\n';
    file.flush();
    if (!file) throw std::runtime_error("cannot set net/" + key + " to " + value);
  };
  if (ns.empty())
    write();
  else
    InNamespace(FullName(ns), write);
}

void TestNetwork::InNamespace(const std::string& fullName, const std::function<void()>& work) {
  std::exception_ptr failure;
  std::thread([&] {
    try {
      const ScopedFd ns(open(("/run/netns/" + fullName).c_str(), O_RDONLY | O_CLOEXEC));
      if (!ns || setns(ns.get(), CLONE_NEWNET) != 0)
        throw std::system_error(errno, std::generic_category(), "setns " + fullName);
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  }).join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quorvel::test
