#include "net/IdGlobal.h"

#include "net/IdStackWindows.h"
#include "platform/kernel/Process.h"

TIdStackClass StackClass = &TIdStackWindows::Create;

namespace {

// Recorded by the static initialisers, which run on the thread that starts the
// process before main and before any other thread can exist.
const DWORD MainThreadID = GetCurrentThreadId();

}  // namespace

bool IsMainThread() { return GetCurrentThreadId() == MainThreadID; }
