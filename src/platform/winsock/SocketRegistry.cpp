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
  std::map<TSocket, SocketKind> kinds;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

bool RegisterSocket(int fd, SocketKind kind) {
  Registry& registry = TheRegistry();
  try {
    const std::lock_guard lock(registry.mutex);
    registry.kinds[static_cast<TSocket>(fd)] = kind;
    return true;
  } catch (const std::bad_alloc&) {
    PosixClose(fd);
    return false;
  }
}

SocketKind FindSocket(TSocket handle) {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  const auto found = registry.kinds.find(handle);
  return found == registry.kinds.end() ? SocketKind{} : found->second;
}

bool CloseSocket(TSocket handle) {
  Registry& registry = TheRegistry();
  {
    const std::lock_guard lock(registry.mutex);
    if (registry.kinds.erase(handle) == 0) return false;
  }
  // Closed outside the lock: a lingering close may block for a while.
  PosixClose(static_cast<int>(handle));
  return true;
}

void CloseAllSockets() {
  std::map<TSocket, SocketKind> open;
  {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    open = std::exchange(registry.kinds, {});
  }
  for (const auto& [handle, kind] : open) PosixClose(static_cast<int>(handle));
}

}  // namespace quorvel::winsock
