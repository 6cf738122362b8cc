// Process-wide choices of the engine: which stack class the shared stack is.
#pragma once

#include <memory>

class TIdStack;

using TIdStackClass = std::unique_ptr<TIdStack> (*)();

// The stack class that CreatePlatformStack builds: the Windows Sockets stack.
extern TIdStackClass StackClass;
