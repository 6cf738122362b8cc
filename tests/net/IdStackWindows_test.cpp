// The stack's start-up and end over a stand-in library built beside this
// test program, for outcomes the real library does not produce on demand.
// Windows Sockets is started once per process, so the cases about start-up
// run in a process of their own (a death test that starts the program anew),
// and the others look only at the calls they make themselves.
#include "net/IdStackWindows.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdWinSock2.h"

namespace {

class StackWindowsStartup : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A case's own process, started anew, writes to the log of the case that started it.
    const char* Started = std::getenv("FAKEWS_LOG");
    FLog = Started != nullptr ? std::filesystem::path(Started)
                              : std::filesystem::temp_directory_path() /
                                    ("quorvel_fakews_" + std::to_string(getpid()) + ".log");
    std::filesystem::remove(FLog);
    setenv("FAKEWS_LOG", FLog.c_str(), 1);
  }
  // The process's own end still writes calls; they must not land in a file
  // that nobody removes.
  void TearDown() override {
    unsetenv("FAKEWS_LOG");
    unsetenv("FAKEWS_STARTUP_FAILURES");
    unsetenv("FAKEWS_HOST_ERROR");
    std::filesystem::remove(FLog);
  }

  std::string Calls() const {
    std::ifstream In(FLog);
    std::stringstream Text;
    Text << In.rdbuf();
    return Text.str();
  }

  std::filesystem::path FLog;
};

}  // namespace

TEST_F(StackWindowsStartup, StartsVersion22OnceAndCleansUpOnceAtProcessEnd) {
  EXPECT_EXIT(
      {
        delete new TIdComponent(nullptr);
        delete new TIdComponent(nullptr);
        std::exit(WinsockStarted() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(Calls(), "WSAStartup 514\nWSACleanup\nunload\n");
}

// Exits with 0 when the first stack's start-up fails as designed and the next
// stack starts the library, which stayed loaded, for real.
void FailStartupOnceThenStart() {
  setenv("FAKEWS_STARTUP_FAILURES", "1", 1);
  bool Raised = false;
  try {
    TIdComponent Client(nullptr);
  } catch (const EIdStackInitializationFailed& E) {
    Raised = E.Message() == "Winsock Initialization Error.";
  }
  const bool Unchanged = !WinsockStarted() && SharedStack == nullptr && StackUserCount() == 0 &&
                         IdWinSock2::WinsockLibrary() != nullptr;
  TIdComponent Client(nullptr);
  std::exit(Raised && Unchanged && WinsockStarted() ? 0 : 1);
}

TEST_F(StackWindowsStartup, FailedStartupRaisesAndIsTriedAgainByTheNextStack) {
  EXPECT_EXIT(FailStartupOnceThenStart(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(Calls(), "WSAStartup 514\nWSAStartup 514\nWSACleanup\nunload\n");
}

TEST_F(StackWindowsStartup, MissingExportRaisesTheCallError) {
  TIdComponent Client(nullptr);
  try {
    char Buffer[4];
    SharedStack->SockRecv(3, Buffer, sizeof Buffer, 0);
    FAIL() << "no exception";
  } catch (const EIdWS2StubError& E) {
    EXPECT_EQ(E.SystemErrorCode(), 127u);
    EXPECT_EQ(E.Message(),
              "Error on call Winsock2 library function recv: The specified procedure could not "
              "be found");
  }
}

TEST_F(StackWindowsStartup, LookupFailureOtherThanNotFoundHasAnEmptySecondLine) {
  setenv("FAKEWS_HOST_ERROR", "11004", 1);
  TIdComponent Client(nullptr);
  std::filesystem::remove(FLog);  // whether this process had started it before
  try {
    SharedStack->ResolveHostText(" localhost");
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 11004);
    EXPECT_EQ(E.Message(), "Socket Error # 11004\r\n");
  }
  // The name goes to the lookup unchanged, leading blank and all.
  EXPECT_EQ(Calls(), "gethostbyname  localhost\n");
}
