#include "platform/kernel/LastError.h"

namespace {
thread_local DWORD ThreadLastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return ThreadLastError; }

void SetLastError(DWORD Code) { ThreadLastError = Code; }
