#include "net/IdComponent.h"

std::unique_ptr<TIdStack> SharedStack;
std::mutex StackLock;

namespace {
std::int32_t GStackUserCount = 0;
}

std::int32_t StackUserCount() {
  const std::lock_guard<std::mutex> Lock(StackLock);
  return GStackUserCount;
}

TIdStackUser::TIdStackUser() {
  const std::lock_guard<std::mutex> Lock(StackLock);
  if (++GStackUserCount != 1) return;
  try {
    SharedStack = TIdStack::CreatePlatformStack();
  } catch (...) {
    // An unfinished component gives its use back, so a failed creation
    // leaves the count and the stack as they were.
    --GStackUserCount;
    throw;
  }
}

TIdStackUser::~TIdStackUser() {
  const std::lock_guard<std::mutex> Lock(StackLock);
  if (--GStackUserCount == 0) SharedStack.reset();
}
