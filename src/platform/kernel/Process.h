// Identities of the running process and of the calling thread.
#pragma once

#include "platform/kernel/Types.h"

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
