#include "platform/winsock/SocketRegistry.h"

#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "platform/winsock/IcmpHelper.h"
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

void Close(int fd, SocketKind kind) {
  if (kind.transport == Transport::kIcmpHelper)
    IcmpHelperClose(fd);
  else
    PosixClose(fd);
}

}  // namespace

bool RegisterSocket(int fd, SocketKind kind) {
  Registry& registry = TheRegistry();
  try {
    const std::lock_guard lock(registry.mutex);
    registry.kinds[static_cast<TSocket>(fd)] = kind;
    return true;
  } catch (const std::bad_alloc&) {
    Close(fd, kind);
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
  SocketKind kind;
  {
    const std::lock_guard lock(registry.mutex);
    const auto found = registry.kinds.find(handle);
    if (found == registry.kinds.end()) return false;
    kind = found->second;
    registry.kinds.erase(found);
  }
  // Closed outside the lock: a lingering close may block for a while.
  Close(static_cast<int>(handle), kind);
  return true;
}

void CloseAllSockets() {
  std::map<TSocket, SocketKind> open;
  {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    open = std::exchange(registry.kinds, {});
  }
  for (const auto& [handle, kind] : open) Close(static_cast<int>(handle), kind);
}

}  // namespace quorvel::winsock
