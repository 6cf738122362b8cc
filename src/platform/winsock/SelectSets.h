// select: checks the three descriptor sets, waits on them, and leaves in
// each set only the sockets that became ready.
#pragma once

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {

// Returns 0 or a Windows Sockets error; `ready` gets the number of ready
// entries over all three sets (0 on time-out).
int SelectReady(TFDSet* read, TFDSet* write, TFDSet* except, const TTimeVal* timeout, int* ready);

// Whether `handle` is among the set's entries.
bool InSet(TSocket handle, const TFDSet* set);

}  // namespace quorvel::winsock
