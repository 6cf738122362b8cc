// A stand-in socket library for failures the real one cannot be made to show.
// Its behaviour is set through the environment, and it writes each call to
// the file named by FAKEWS_LOG so that a test can read what happened, even
// after the process that made the calls has ended.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/winsock/WinSockTypes.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

thread_local int LastError = 0;
int StartupCalls = 0;

int EnvNumber(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value != nullptr ? std::atoi(Value) : 0;
}

void Log(const std::string& Line) {
  const char* Path = std::getenv("FAKEWS_LOG");
  if (Path == nullptr) return;
  if (std::FILE* File = std::fopen(Path, "a")) {
    std::fprintf(File, "%s\n", Line.c_str());
    std::fclose(File);
  }
}

// Runs when the library is released, or at the very end of the process.
__attribute__((destructor)) void LogUnload() { Log("unload"); }

}  // namespace

// Fails the first FAKEWS_STARTUP_FAILURES calls with "system not ready".
FAKE_EXPORT int WSAStartup(TWord Version, TWSAData* Data) {
  Log("WSAStartup " + std::to_string(Version));
  if (++StartupCalls <= EnvNumber("FAKEWS_STARTUP_FAILURES")) return WSASYSNOTREADY;
  Data->wVersion = Version;
  Data->wHighVersion = 0x0202;
  return 0;
}

FAKE_EXPORT int WSACleanup() {
  Log("WSACleanup");
  return 0;
}

FAKE_EXPORT int WSAGetLastError() { return LastError; }

// Answers no host at all, with the code in FAKEWS_HOST_ERROR.
FAKE_EXPORT THostEnt* gethostbyname(const char* Name) {
  Log(std::string("gethostbyname ") + Name);
  LastError = EnvNumber("FAKEWS_HOST_ERROR");
  return nullptr;
}
