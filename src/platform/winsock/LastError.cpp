#include "platform/winsock/LastError.h"

namespace quorvel::winsock {
namespace {
thread_local int lastError = 0;
}  // namespace

int LastError() { return lastError; }

void SetLastError(int error) { lastError = error; }

}  // namespace quorvel::winsock
