// Giving up privilege before the toolkit starts: every capability goes, and a
// set-id start takes the real user and group back. Each case gives up its
// rights in a child process of its own, started as root.
#include "platform/kernel/Privilege.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

namespace {

std::string Field(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(name + ":", 0) == 0)
      return line.substr(line.find_first_not_of(" \t", name.size() + 1));
  return "";
}

void ExpectNoCapability() {
  for (const char* set : {"CapEff", "CapPrm", "CapInh", "CapAmb"})
    EXPECT_EQ(Field(set), "0000000000000000") << set;
  EXPECT_LT(::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP), 0) << "a raw socket after giving up";
}

class Privilege : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root's capabilities to give up";
  }

  // Runs `body` in a child; its failures are printed there and fail the case.
  static void InChild(const std::function<void()>& body) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      body();
      _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed";
  }
};

TEST_F(Privilege, RootsCapabilitiesCountAndAllGo) {
  InChild([] {
    ASSERT_TRUE(StartedWithPrivilege());
    DropPrivilege();
    ExpectNoCapability();
    EXPECT_EQ(getuid(), 0u) << "root stays the user it is";
  });
}

// As a program that is set-user-id root and was started by nobody.
TEST_F(Privilege, ASetIdStartTakesTheRealUserAndGroupBack) {
  InChild([] {
    ASSERT_EQ(setresgid(65534, 0, 0), 0);
    ASSERT_EQ(setresuid(65534, 0, 0), 0);
    ASSERT_TRUE(StartedWithPrivilege());
    DropPrivilege();
    uid_t real = 0, effective = 0, saved = 0;
    ASSERT_EQ(getresuid(&real, &effective, &saved), 0);
    EXPECT_EQ(effective, 65534u);
    EXPECT_EQ(saved, 65534u);
    gid_t group = 0, effectiveGroup = 0, savedGroup = 0;
    ASSERT_EQ(getresgid(&group, &effectiveGroup, &savedGroup), 0);
    EXPECT_EQ(effectiveGroup, 65534u);
    EXPECT_EQ(savedGroup, 65534u);
    ExpectNoCapability();
    EXPECT_FALSE(StartedWithPrivilege());
  });
}

}  // namespace
