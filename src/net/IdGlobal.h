// Process-wide choices and facts of the engine: which stack class the shared
// stack is, and whether the caller runs on the program's main thread.
#pragma once

#include <memory>

class TIdStack;

using TIdStackClass = std::unique_ptr<TIdStack> (*)();

// The stack class that CreatePlatformStack builds: the Windows Sockets stack.
extern TIdStackClass StackClass;

// Whether the calling thread is the one that started the process.
bool IsMainThread();
