#include "platform/winsock/SocketRegistry.h"

#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "platform/winsock/PosixSockets.h"

namespace quorvel::winsock {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<TSocket, int> types;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

bool RegisterSocket(int fd, int type) {
  Registry& registry = TheRegistry();
  try {
    const std::lock_guard lock(registry.mutex);
    registry.types[static_cast<TSocket>(fd)] = type;
    return true;
  } catch (const std::bad_alloc&) {
    PosixClose(fd);
    return false;
  }
}

int SocketType(TSocket handle) {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  const auto found = registry.types.find(handle);
  return found == registry.types.end() ? 0 : found->second;
}

bool CloseSocket(TSocket handle) {
  Registry& registry = TheRegistry();
  {
    const std::lock_guard lock(registry.mutex);
    if (registry.types.erase(handle) == 0) return false;
  }
  // Closed outside the lock: a lingering close may block for a while.
  PosixClose(static_cast<int>(handle));
  return true;
}

void CloseAllSockets() {
  std::map<TSocket, int> open;
  {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    open = std::exchange(registry.types, {});
  }
  for (const auto& [handle, type] : open) PosixClose(static_cast<int>(handle));
}

}  // namespace quorvel::winsock
