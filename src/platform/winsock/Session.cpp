#include "platform/winsock/Session.h"

#include <atomic>
#include <mutex>

#include "platform/winsock/SocketRegistry.h"

namespace quorvel::winsock {
namespace {

// The mutex keeps a start-up from slipping in while the last clean-up is
// still closing sockets.
std::mutex sessionMutex;
std::atomic<int> startups{0};

}  // namespace

void EnterSession() {
  const std::lock_guard lock(sessionMutex);
  startups.fetch_add(1);
}

bool LeaveSession() {
  const std::lock_guard lock(sessionMutex);
  if (startups.load() == 0) return false;
  if (startups.fetch_sub(1) == 1) CloseAllSockets();
  return true;
}

bool InSession() { return startups.load() > 0; }

}  // namespace quorvel::winsock
